#pragma once
// Drawing plan of the etched separator: two one-pixel lines, shadow and highlight.
#include <vector>

#include "guicontrols/paint_plan.h"

namespace nivex {

enum class EtchStyle { Sunken = 0, Raised = 1 };
enum class EtchOrientation { Horizontal = 0, Vertical = 1 };

// The stored values are kept as given: a style other than 1 draws sunken, an orientation other
// than 0 draws vertically.
inline bool EtchIsRaised(int etchStyle) {
    return etchStyle == static_cast<int>(EtchStyle::Raised);
}
inline bool EtchIsVertical(int orientation) {
    return orientation != static_cast<int>(EtchOrientation::Horizontal);
}

struct EtchedLineLook {
    int width = 0; // pixels, as the control was given them
    int height = 0;
    int etchStyle = 0;
    int orientation = 0;
    Rgb highLight = 0;
    Rgb shadow = 0;
};

struct EtchedLinePlan {
    int width = 0; // the size the control keeps: 2 pixels across the line
    int height = 0;
    std::vector<PaintStep> steps;
};

inline constexpr int kEtchThickness = 2;

EtchedLinePlan PlanEtchedLine(const EtchedLineLook& look);

} // namespace nivex
