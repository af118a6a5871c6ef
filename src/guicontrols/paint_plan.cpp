#include "guicontrols/paint_plan.h"

#include <algorithm>

namespace nivex {

void AddClipped(std::vector<PaintStep>& steps, PaintKind kind, PixelRect area, Rgb colour, int width, int height) {
    area.left = std::max(area.left, 0);
    area.top = std::max(area.top, 0);
    area.right = std::min(area.right, width);
    area.bottom = std::min(area.bottom, height);
    if (area.Empty()) return;
    steps.push_back(PaintStep{kind, area, colour});
}

} // namespace nivex
