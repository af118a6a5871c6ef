#include "app/window_placement.h"

#include <cwchar>
#include <cwctype>

namespace nivex {

bool ParseTwips(const std::wstring& text, double& value) {
    const wchar_t* start = text.c_str();
    wchar_t* end = nullptr;
    value = std::wcstod(start, &end);
    if (end == start) return false;
    while (*end && std::iswspace(*end)) ++end;
    return *end == L'\0' && value > -1e7 && value < 1e7;
}

PlacementPlan PlanPlacement(const StoredPlacementTexts& texts) {
    PlacementPlan plan;
    double state = 0;
    if (ParseTwips(texts.state, state) && (state == 1 || state == 2)) plan.state = static_cast<int>(state);
    if (plan.state != 0) return plan;
    plan.applyRect = true;
    struct Measure {
        const wchar_t* name;
        const std::wstring& text;
        int& target;
    } measures[] = {{L"WindowTop", texts.top, plan.rect.top},
                    {L"WindowLeft", texts.left, plan.rect.left},
                    {L"WindowWidth", texts.width, plan.rect.width},
                    {L"WindowHeight", texts.height, plan.rect.height}};
    for (const Measure& m : measures) {
        double value = 0;
        if (ParseTwips(m.text, value)) m.target = static_cast<int>(value);
        else plan.unreadable.push_back(m.name);
    }
    return plan;
}

StoredPlacementTexts PlacementToStore(bool maximised, bool minimised, const TwipsRect& normal) {
    StoredPlacementTexts texts;
    texts.state = maximised ? L"2" : minimised ? L"1" : L"0";
    if (maximised || minimised) return texts;
    texts.top = std::to_wstring(normal.top);
    texts.left = std::to_wstring(normal.left);
    texts.width = std::to_wstring(normal.width);
    texts.height = std::to_wstring(normal.height);
    return texts;
}

} // namespace nivex
