#pragma once
// The properties of the two controls as their hosts see them: dispatch names, the names they are
// persisted under, kinds, defaults and the ranges a value must lie in.
#include <cstdint>
#include <span>

namespace nivex {

enum class PropertyKind { Colour, Boolean, Integer, Text, Font };

struct PropertyInfo {
    int dispId;
    const wchar_t* name;        // as the type library names it
    const wchar_t* persistName; // in property bags and streams
    PropertyKind kind;
    std::int32_t defaultValue;  // colours (as signed 32-bit patterns), Booleans (0 or 1), integers
    const wchar_t* defaultText; // text properties
    std::int32_t minimum;       // integers: a written value outside is refused, a loaded one clamped
    std::int32_t maximum;
};

// Stock dispatch identifiers the controls use (the same values as the platform's).
inline constexpr int kDispIdBackColor = -501;
inline constexpr int kDispIdEnabled = -514;
inline constexpr int kDispIdCaption = -518;
inline constexpr int kDispIdRefresh = -550;

// In the order they are read and written.
std::span<const PropertyInfo> BevelProperties();
std::span<const PropertyInfo> EtchedLineProperties();

const PropertyInfo* FindProperty(std::span<const PropertyInfo> table, int dispId);
// Index of the property in its table, or -1.
int PropertyIndex(std::span<const PropertyInfo> table, int dispId);

bool InRange(const PropertyInfo& info, std::int64_t value);
std::int32_t ClampToRange(const PropertyInfo& info, std::int64_t value);

// Largest title bar accepted, in twips: its pixel height still fits the 16-bit value it is held in
// at any resolution up to 1440 dots per inch.
inline constexpr std::int32_t kMaxTitleBarTwips = 32767;

} // namespace nivex
