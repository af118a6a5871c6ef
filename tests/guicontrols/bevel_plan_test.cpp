#include <gtest/gtest.h>

#include <algorithm>

#include "guicontrols/bevel_plan.h"
#include "raster.h"

namespace nivex {
namespace {

using testing::Raster;

constexpr Rgb kBack = 0x101010, kBar = 0x202020, kActiveBar = 0x303030, kFore = 0x404040, kActiveFore = 0x505050,
              kHigh = 0x606060, kShadow = 0x707070;

BevelLook Look(int w, int h, bool titleBar = false) {
    BevelLook look;
    look.width = w;
    look.height = h;
    look.titleBar = titleBar;
    look.colours = {kBack, kBar, kActiveBar, kFore, kActiveFore, kHigh, kShadow};
    return look;
}

Raster Draw(const BevelLook& look) {
    Raster raster(look.width, look.height);
    EXPECT_TRUE(raster.Paint(PlanBevel(look).steps)) << look.width << "x" << look.height;
    return raster;
}

TEST(BevelPlan, PlainPanelIsARaisedFrameWithoutCaption) {
    const BevelPlan plan = PlanBevel(Look(10, 6));
    EXPECT_FALSE(plan.captionShown);
    EXPECT_EQ(plan.inner, (PixelRect{1, 1, 9, 5}));
    const Raster r = Draw(Look(10, 6));
    for (int x = 0; x < 10; ++x) {
        EXPECT_EQ(r.At(x, 0), kHigh) << x;
        EXPECT_EQ(r.At(x, 5), kShadow) << x;
    }
    for (int y = 1; y < 5; ++y) {
        EXPECT_EQ(r.At(0, y), kHigh) << y;
        EXPECT_EQ(r.At(9, y), kShadow) << y;
        for (int x = 1; x < 9; ++x)
            EXPECT_EQ(r.At(x, y), kBack) << x << "," << y;
    }
    EXPECT_EQ(r.CountOf(testing::kUnpainted), 0);
}

TEST(BevelPlan, TitleBarOfDefaultSizeIs17PixelsAt96Dpi) {
    BevelLook look = Look(40, 30, true);
    const BevelPlan plan = PlanBevel(look);
    ASSERT_TRUE(plan.captionShown);
    EXPECT_EQ(plan.caption, (PixelRect{2, 2, 36, 17}));
    EXPECT_EQ(plan.captionColour, kFore);
    EXPECT_EQ(plan.inner, (PixelRect{1, 19, 39, 29}));

    const Raster r = Draw(look);
    for (int x = 0; x < 40; ++x) {
        EXPECT_EQ(r.At(x, 17), kShadow) << x; // the rule runs over the frame on both sides
        EXPECT_EQ(r.At(x, 18), kHigh) << x;
    }
    for (int y = 1; y < 17; ++y) {
        EXPECT_EQ(r.At(0, y), kHigh);
        EXPECT_EQ(r.At(39, y), kShadow);
        for (int x = 1; x < 39; ++x)
            ASSERT_EQ(r.At(x, y), kBar) << x << "," << y;
    }
    EXPECT_EQ(r.At(5, 19), kBack);
    EXPECT_EQ(r.At(5, 29), kShadow);

    look.active = true;
    const Raster active = Draw(look);
    EXPECT_EQ(active.At(1, 1), kActiveBar);
    EXPECT_EQ(active.At(38, 16), kActiveBar);
    EXPECT_EQ(active.CountOf(kBar), 0);
    EXPECT_EQ(PlanBevel(look).captionColour, kActiveFore);
}

TEST(BevelPlan, TitleBarHeightRoundsHalvesToEven) {
    EXPECT_EQ(TitleBarPixels(250, 96), 17);
    EXPECT_EQ(TitleBarPixels(240, 96), 16);
    EXPECT_EQ(TitleBarPixels(250, 120), 21); // 20.83
    EXPECT_EQ(TitleBarPixels(18, 120), 2);   // 1.5
    EXPECT_EQ(TitleBarPixels(30, 120), 2);   // 2.5
    EXPECT_EQ(TitleBarPixels(35, 144), 4);   // 3.5
    EXPECT_EQ(TitleBarPixels(0, 96), 0);
    EXPECT_EQ(TitleBarPixels(-250, 96), 0);
    EXPECT_EQ(TitleBarPixels(2000000000, 96), 32767);
}

TEST(BevelPlan, TinyAndOddSizesStayInsideTheSurface) {
    EXPECT_TRUE(PlanBevel(Look(0, 0)).steps.empty());
    EXPECT_TRUE(PlanBevel(Look(-5, 20, true)).steps.empty());
    EXPECT_TRUE(PlanBevel(Look(20, 0, true)).steps.empty());

    EXPECT_EQ(Draw(Look(1, 1)).At(0, 0), kShadow); // the bottom line is drawn last
    const Raster two = Draw(Look(2, 2));
    EXPECT_EQ(two.At(0, 0), kHigh);
    EXPECT_EQ(two.At(1, 0), kHigh);
    EXPECT_EQ(two.At(0, 1), kShadow);
    EXPECT_EQ(two.At(1, 1), kShadow);

    // Every size, with and without a bar, including bars taller than the panel.
    for (int w = 0; w <= 6; ++w)
        for (int h = 0; h <= 22; ++h)
            for (bool bar : {false, true}) {
                const BevelPlan plan = PlanBevel(Look(w, h, bar));
                Raster r(w, h);
                ASSERT_TRUE(r.Paint(plan.steps)) << w << "x" << h << " bar " << bar;
                EXPECT_EQ(r.CountOf(testing::kUnpainted), 0);
                EXPECT_GE(plan.caption.right, plan.caption.left);
                EXPECT_GE(plan.caption.bottom, plan.caption.top);
                EXPECT_GE(plan.inner.right, plan.inner.left);
                EXPECT_GE(plan.inner.bottom, plan.inner.top);
                EXPECT_LE(plan.inner.bottom, std::max(h - 1, 1));
            }
}

TEST(BevelPlan, BarOfZeroHeightLeavesOnlyTheRule) {
    BevelLook look = Look(8, 8, true);
    look.titleBarTwips = 0;
    const Raster r = Draw(look);
    EXPECT_EQ(r.At(3, 0), kShadow);
    EXPECT_EQ(r.At(3, 1), kHigh);
    EXPECT_EQ(r.CountOf(kBar), 0);
    EXPECT_TRUE(PlanBevel(look).caption.Empty());
}

TEST(BevelPlan, AlignmentIsPassedToTheCaption) {
    BevelLook look = Look(50, 30, true);
    look.alignment = CaptionAlignment::Centre;
    EXPECT_EQ(PlanBevel(look).alignment, CaptionAlignment::Centre);
}

} // namespace
} // namespace nivex
