#include "guicontrols/control_properties.h"

#include <algorithm>
#include <limits>

#include "guicontrols/ocx/velmoragui_ids.h"

namespace nivex {
namespace {

constexpr std::int32_t kAny = std::numeric_limits<std::int32_t>::min();
constexpr std::int32_t kAll = std::numeric_limits<std::int32_t>::max();

constexpr std::int32_t Colour(std::uint32_t value) {
    return static_cast<std::int32_t>(value);
}

// "HighlightColor" is spelt with a small l in the Bevel's stored properties and with a capital L in
// the EtchedLine's; both are kept, as stored property sets depend on them.
constexpr PropertyInfo kBevel[] = {
    {kDispIdBackColor, L"BackColor", L"BackColor", PropertyKind::Colour, Colour(0x8000000Fu), nullptr, kAny, kAll},
    {kDispIdEnabled, L"Enabled", L"Enabled", PropertyKind::Boolean, 1, nullptr, 0, 1},
    {VGUI_DISPID_TITLEBARFONT, L"TitleBarFont", L"Font", PropertyKind::Font, 0, nullptr, kAny, kAll},
    {VGUI_DISPID_TITLEBAR, L"TitleBar", L"TitleBar", PropertyKind::Boolean, 0, nullptr, 0, 1},
    {VGUI_DISPID_TITLEBARSIZE, L"TitleBarSize", L"TitleBarSize", PropertyKind::Integer, 250, nullptr, 0,
     kMaxTitleBarTwips},
    {VGUI_DISPID_TITLEBARBACKCOLOR, L"TitleBarBackColor", L"TitleBarBackColor", PropertyKind::Colour,
     Colour(0x80000003u), nullptr, kAny, kAll},
    {kDispIdCaption, L"Caption", L"Caption", PropertyKind::Text, 0, L"Bevel", kAny, kAll},
    {VGUI_DISPID_ALIGNMENT, L"Alignment", L"Alignment", PropertyKind::Integer, 0, nullptr, 0, 2},
    {VGUI_DISPID_HIGHLIGHTCOLOR, L"HighLightColor", L"HighlightColor", PropertyKind::Colour, Colour(0x80000014u),
     nullptr, kAny, kAll},
    {VGUI_DISPID_SHADOWCOLOR, L"ShadowColor", L"ShadowColor", PropertyKind::Colour, Colour(0x80000010u), nullptr,
     kAny, kAll},
    {VGUI_DISPID_TITLEBARFORECOLOR, L"TitleBarForeColor", L"TitleBarForeColor", PropertyKind::Colour,
     Colour(0x80000009u), nullptr, kAny, kAll},
    {VGUI_DISPID_ACTIVETITLEBARFORECOLOR, L"ActiveTitlebarForeColor", L"ActiveTitlebarForeColor",
     PropertyKind::Colour, Colour(0x80000009u), nullptr, kAny, kAll},
    {VGUI_DISPID_ACTIVETITLEBARBACKCOLOR, L"ActiveTitlebarBackColor", L"ActiveTitlebarBackColor",
     PropertyKind::Colour, Colour(0x80000002u), nullptr, kAny, kAll},
};

// Any style other than raised draws sunken and any orientation other than 0 vertically, so every
// value is kept as given.
constexpr PropertyInfo kEtchedLine[] = {
    {VGUI_DISPID_SHADOWCOLOR, L"ShadowColor", L"ShadowColor", PropertyKind::Colour, Colour(0x80000010u), nullptr,
     kAny, kAll},
    {VGUI_DISPID_HIGHLIGHTCOLOR, L"HighLightColor", L"HighLightColor", PropertyKind::Colour, Colour(0x80000014u),
     nullptr, kAny, kAll},
    {VGUI_DISPID_ETCHSTYLE, L"EtchStyle", L"EtchStyle", PropertyKind::Integer, 0, nullptr, kAny, kAll},
    {VGUI_DISPID_ORIENTATION, L"Orientation", L"Orientation", PropertyKind::Integer, 0, nullptr, kAny, kAll},
};

} // namespace

std::span<const PropertyInfo> BevelProperties() {
    return kBevel;
}

std::span<const PropertyInfo> EtchedLineProperties() {
    return kEtchedLine;
}

int PropertyIndex(std::span<const PropertyInfo> table, int dispId) {
    for (std::size_t i = 0; i < table.size(); ++i)
        if (table[i].dispId == dispId) return static_cast<int>(i);
    return -1;
}

const PropertyInfo* FindProperty(std::span<const PropertyInfo> table, int dispId) {
    const int index = PropertyIndex(table, dispId);
    return index < 0 ? nullptr : &table[static_cast<std::size_t>(index)];
}

bool InRange(const PropertyInfo& info, std::int64_t value) {
    return value >= info.minimum && value <= info.maximum;
}

std::int32_t ClampToRange(const PropertyInfo& info, std::int64_t value) {
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(value, info.minimum, info.maximum));
}

} // namespace nivex
