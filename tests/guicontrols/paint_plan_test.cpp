#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>

#include "guicontrols/bevel_plan.h"
#include "guicontrols/etched_line_plan.h"

namespace nivex {
namespace {

using Row = std::vector<Rgb>;

constexpr Rgb kUnpainted = 0xFF000000u, kBack = 0x101010, kBar = 0x202020, kActiveBar = 0x303030, kFore = 0x404040,
              kActiveFore = 0x505050, kHigh = 0x606060, kShadow = 0x707070;

// A plan painted into a pixel grid, so tests look at the picture rather than at the steps. Every step
// must lie inside the surface and every pixel be painted.
struct Raster {
    Raster(int w, int h, const std::vector<PaintStep>& steps)
        : width(std::max(w, 0)), pixels(static_cast<size_t>(width * std::max(h, 0)), kUnpainted) {
        for (const PaintStep& step : steps) {
            const PixelRect& a = step.area;
            const bool inside = !a.Empty() && a.left >= 0 && a.top >= 0 && a.right <= w && a.bottom <= h;
            EXPECT_TRUE(inside) << w << "x" << h;
            for (int y = a.top; inside && y < a.bottom; ++y)
                std::fill_n(pixels.begin() + y * width + a.left, a.right - a.left, step.colour);
        }
        EXPECT_EQ(std::count(pixels.begin(), pixels.end(), kUnpainted), 0) << w << "x" << h;
    }
    Row RowAt(int y) const { return {pixels.begin() + y * width, pixels.begin() + (y + 1) * width}; }
    int width;
    Row pixels;
};

BevelLook Look(int w, int h, bool titleBar = false) {
    return {.width = w,
            .height = h,
            .titleBar = titleBar,
            .colours = {kBack, kBar, kActiveBar, kFore, kActiveFore, kHigh, kShadow}};
}
Raster Draw(const BevelLook& look) {
    return Raster(look.width, look.height, PlanBevel(look).steps);
}

TEST(BevelPlan, ARaisedFrameWithATitleBarOf17PixelsAt96DpiThatFollowsTheFocus) {
    EXPECT_FALSE(PlanBevel(Look(10, 6)).captionShown);
    EXPECT_EQ(PlanBevel(Look(10, 6)).inner, (PixelRect{1, 1, 9, 5}));
    BevelLook look = Look(40, 30, true);
    const auto framed = [](Rgb inside) { // a row of the frame's inside: highlight left, shadow right
        Row row(40, inside);
        row.front() = kHigh;
        row.back() = kShadow;
        return row;
    };
    for (bool active : {false, true}) {
        look.active = active;
        const BevelPlan plan = PlanBevel(look);
        ASSERT_TRUE(plan.captionShown);
        EXPECT_EQ(plan.caption, (PixelRect{2, 2, 36, 17}));
        EXPECT_EQ(plan.captionColour, active ? kActiveFore : kFore);
        EXPECT_EQ(plan.inner, (PixelRect{1, 19, 39, 29}));
        const Raster r = Draw(look);
        EXPECT_EQ(r.RowAt(0), Row(40, kHigh));
        EXPECT_EQ(r.RowAt(29), Row(40, kShadow));
        for (int y = 1; y < 17; ++y)
            EXPECT_EQ(r.RowAt(y), framed(active ? kActiveBar : kBar)) << y;
        EXPECT_EQ(r.RowAt(17), Row(40, kShadow)); // the rule runs over the frame on both sides
        EXPECT_EQ(r.RowAt(18), Row(40, kHigh));
        EXPECT_EQ(r.RowAt(19), framed(kBack));
    }
}

TEST(BevelPlan, TitleBarHeightRoundsHalvesToEvenWithin16Bits) {
    const int cases[][3] = {{250, 96, 17}, {240, 96, 16}, {18, 120, 2},           {30, 120, 2},
                            {35, 144, 4},  {-250, 96, 0}, {2000000000, 96, 32767}};
    for (const auto& [twips, dpi, pixels] : cases)
        EXPECT_EQ(TitleBarPixels(twips, dpi), pixels) << twips << " at " << dpi;
}

TEST(BevelPlan, TinySizesAndTallBarsStayInsideTheSurface) {
    EXPECT_EQ(Draw(Look(1, 1)).RowAt(0), Row{kShadow}); // the bottom line is drawn last
    for (int size = 0; size < 7 * 23 * 2; ++size)       // up to 6 x 22, with and without a bar
        Draw(Look(size % 7, size / 7 % 23, size >= 7 * 23));
}

TEST(EtchedLinePlan, TwoPixelsAcrossSunkenUnlessRaisedAndHorizontalOnlyForZero) {
    // Width, height, style, orientation; the first and last row drawn.
    const std::tuple<int, int, int, int, Row, Row> cases[] = {
        {30, 17, 2, 0, Row(30, kShadow), Row(30, kHigh)}, // any style but raised is sunken: shadow first
        {1, 1, 1, 0, Row{kHigh}, Row{kShadow}},
        {150, 40, 0, -1, Row{kShadow, kHigh}, Row{kShadow, kHigh}}, // any orientation but 0 is vertical
    };
    for (const auto& [width, height, style, orientation, first, last] : cases) {
        SCOPED_TRACE(::testing::Message() << width << "x" << height << " " << style << "/" << orientation);
        const EtchedLinePlan plan = PlanEtchedLine({width, height, style, orientation, kHigh, kShadow});
        EXPECT_EQ(plan.width, orientation ? 2 : width);
        EXPECT_EQ(plan.height, orientation ? height : 2);
        const Raster r(plan.width, plan.height, plan.steps);
        EXPECT_EQ(r.RowAt(0), first);
        EXPECT_EQ(r.RowAt(plan.height - 1), last);
    }
    EXPECT_TRUE(PlanEtchedLine({0, 2, 0, 0, kHigh, kShadow}).steps.empty());
}

} // namespace
} // namespace nivex
