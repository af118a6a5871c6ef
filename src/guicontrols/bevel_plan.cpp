#include "guicontrols/bevel_plan.h"

#include <algorithm>
#include <cstdint>

namespace nivex {

int TitleBarPixels(int twips, int pixelsPerInch) {
    if (twips <= 0 || pixelsPerInch <= 0) return 0;
    const std::int64_t numerator = static_cast<std::int64_t>(twips) * pixelsPerInch;
    std::int64_t quotient = numerator / 1440;
    const std::int64_t remainder = numerator % 1440;
    if (remainder * 2 > 1440 || (remainder * 2 == 1440 && quotient % 2 == 1)) ++quotient;
    return static_cast<int>(std::min<std::int64_t>(quotient, 32767));
}

BevelPlan PlanBevel(const BevelLook& look) {
    const int w = std::max(look.width, 0);
    const int h = std::max(look.height, 0);
    const BevelColours& c = look.colours;
    BevelPlan plan;
    auto& steps = plan.steps;

    AddClipped(steps, PaintKind::Clear, {0, 0, w, h}, c.back, w, h);
    // Raised frame: highlight along the top and left, shadow along the right and bottom; the
    // bottom line, drawn last, takes the lower-left corner pixel.
    AddClipped(steps, PaintKind::Line, {0, 0, w, 1}, c.highLight, w, h);
    AddClipped(steps, PaintKind::Line, {0, 0, 1, h}, c.highLight, w, h);
    AddClipped(steps, PaintKind::Line, {w - 1, 1, w, h - 1}, c.shadow, w, h);
    AddClipped(steps, PaintKind::Line, {0, h - 1, w, h}, c.shadow, w, h);

    if (!look.titleBar) {
        plan.inner = {1, 1, std::max(w - 1, 1), std::max(h - 1, 1)};
        return plan;
    }

    const int s = TitleBarPixels(look.titleBarTwips, look.pixelsPerInchY);
    // An etched rule under the bar, then the bar itself between the frame and the rule.
    AddClipped(steps, PaintKind::Line, {0, s, w, s + 1}, c.shadow, w, h);
    AddClipped(steps, PaintKind::Line, {0, s + 1, w, s + 2}, c.highLight, w, h);
    AddClipped(steps, PaintKind::Fill, {1, 1, w - 1, s}, look.active ? c.activeTitleBarBack : c.titleBarBack, w, h);

    plan.captionShown = true;
    plan.caption = {2, 2, std::max(w - 4, 2), std::max(s, 2)};
    plan.captionColour = look.active ? c.activeTitleBarFore : c.titleBarFore;
    plan.alignment = look.alignment;
    const int innerTop = std::min(s + 2, std::max(h - 1, 1));
    plan.inner = {1, innerTop, std::max(w - 1, 1), std::max(h - 1, innerTop)};
    return plan;
}

} // namespace nivex
