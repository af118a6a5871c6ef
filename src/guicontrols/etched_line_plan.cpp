#include "guicontrols/etched_line_plan.h"

#include <algorithm>

namespace nivex {

EtchedLinePlan PlanEtchedLine(const EtchedLineLook& look) {
    EtchedLinePlan plan;
    const bool vertical = EtchIsVertical(look.orientation);
    plan.width = vertical ? kEtchThickness : std::max(look.width, 0);
    plan.height = vertical ? std::max(look.height, 0) : kEtchThickness;
    // Sunken: shadow on the top or left, highlight beside it; raised the other way round.
    const Rgb first = EtchIsRaised(look.etchStyle) ? look.highLight : look.shadow;
    const Rgb second = EtchIsRaised(look.etchStyle) ? look.shadow : look.highLight;
    const int w = plan.width;
    const int h = plan.height;
    if (vertical) {
        AddClipped(plan.steps, PaintKind::Line, {0, 0, 1, h}, first, w, h);
        AddClipped(plan.steps, PaintKind::Line, {1, 0, 2, h}, second, w, h);
    } else {
        AddClipped(plan.steps, PaintKind::Line, {0, 0, w, 1}, first, w, h);
        AddClipped(plan.steps, PaintKind::Line, {0, 1, w, 2}, second, w, h);
    }
    return plan;
}

} // namespace nivex
