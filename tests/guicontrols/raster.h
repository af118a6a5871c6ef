#pragma once
// Paints a plan into a pixel grid, so tests can look at the picture rather than at the steps.
#include <vector>

#include "guicontrols/paint_plan.h"

namespace nivex::testing {

inline constexpr Rgb kUnpainted = 0xFF000000u;

class Raster {
public:
    Raster(int width, int height) : width_(width), height_(height), pixels_(Size(width, height), kUnpainted) {}

    // False when a step is empty or reaches outside the surface.
    bool Paint(const std::vector<PaintStep>& steps) {
        for (const PaintStep& step : steps) {
            const PixelRect& a = step.area;
            if (a.Empty() || a.left < 0 || a.top < 0 || a.right > width_ || a.bottom > height_) return false;
            for (int y = a.top; y < a.bottom; ++y)
                for (int x = a.left; x < a.right; ++x)
                    pixels_[static_cast<size_t>(y * width_ + x)] = step.colour;
        }
        return true;
    }
    Rgb At(int x, int y) const { return pixels_[static_cast<size_t>(y * width_ + x)]; }
    int CountOf(Rgb colour) const {
        int count = 0;
        for (Rgb p : pixels_)
            count += p == colour ? 1 : 0;
        return count;
    }

private:
    static size_t Size(int w, int h) { return static_cast<size_t>(w > 0 && h > 0 ? w * h : 0); }
    int width_;
    int height_;
    std::vector<Rgb> pixels_;
};

} // namespace nivex::testing
