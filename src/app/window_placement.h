#pragma once
// The main window's stored placement: state ("0" normal, "1" minimised, "2" maximised) and the normal
// place in twips. The arithmetic is portable and tested natively; placement_store reads and writes it.
#include <string>
#include <vector>

#include "app/main_layout.h"

namespace nivex {

// A stored measure: a number of twips, possibly with a fraction and surrounding blanks.
bool ParseTwips(const std::wstring& text, double& value);

struct StoredPlacementTexts {
    std::wstring state;
    std::wstring top, left, width, height;
};

struct PlacementPlan {
    int state = 0;             // 0 normal, 1 minimised, 2 maximised; anything else read as 0
    bool applyRect = false;    // only a normal window takes the stored place
    TwipsRect rect{100, 100, 8000, 6000};
    std::vector<std::wstring> unreadable; // names of the measures that were not numbers ("WindowTop", ...)
};

// The plan for the stored texts; an unreadable measure keeps its default and is named.
PlacementPlan PlanPlacement(const StoredPlacementTexts& texts);

// What to store for a window: its state, and the place only for a normal window (a maximised or
// minimised one keeps the last normal place). Each text is whole twips.
StoredPlacementTexts PlacementToStore(bool maximised, bool minimised, const TwipsRect& normal);

} // namespace nivex
