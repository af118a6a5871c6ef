#pragma once
// Paints a plan into a pixel grid, so tests look at the picture rather than at the steps.
#include <algorithm>
#include <vector>

#include "guicontrols/paint_plan.h"

namespace nivex::testing {

inline constexpr Rgb kUnpainted = 0xFF000000u;

class Raster {
public:
    Raster(int width, int height)
        : width_(std::max(width, 0)), pixels_(static_cast<size_t>(width_ * std::max(height, 0)), kUnpainted) {}

    // False when a step is empty or reaches outside the surface.
    bool Paint(const std::vector<PaintStep>& steps) {
        const int height = width_ ? static_cast<int>(pixels_.size()) / width_ : 0;
        for (const PaintStep& step : steps) {
            const PixelRect& a = step.area;
            if (a.Empty() || a.left < 0 || a.top < 0 || a.right > width_ || a.bottom > height) return false;
            for (int y = a.top; y < a.bottom; ++y)
                std::fill_n(pixels_.begin() + y * width_ + a.left, a.right - a.left, step.colour);
        }
        return true;
    }
    Rgb At(int x, int y) const { return pixels_[static_cast<size_t>(y * width_ + x)]; }
    std::vector<Rgb> Row(int y) const { return {pixels_.begin() + y * width_, pixels_.begin() + (y + 1) * width_}; }
    int CountOf(Rgb colour) const { return static_cast<int>(std::count(pixels_.begin(), pixels_.end(), colour)); }

private:
    int width_;
    std::vector<Rgb> pixels_;
};

} // namespace nivex::testing
