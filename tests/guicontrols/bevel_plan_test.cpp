#include <gtest/gtest.h>

#include <algorithm>

#include "guicontrols/bevel_plan.h"
#include "raster.h"

namespace nivex {
namespace {

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

testing::Raster Draw(const BevelLook& look) {
    testing::Raster raster(look.width, look.height);
    EXPECT_TRUE(raster.Paint(PlanBevel(look).steps)) << look.width << "x" << look.height;
    EXPECT_EQ(raster.CountOf(testing::kUnpainted), 0);
    return raster;
}

TEST(BevelPlan, PlainPanelIsARaisedFrameWithoutCaption) {
    EXPECT_FALSE(PlanBevel(Look(10, 6)).captionShown);
    EXPECT_EQ(PlanBevel(Look(10, 6)).inner, (PixelRect{1, 1, 9, 5}));
    const auto r = Draw(Look(10, 6));
    EXPECT_EQ(r.Row(0), std::vector<Rgb>(10, kHigh));
    EXPECT_EQ(r.Row(5), std::vector<Rgb>(10, kShadow));
    std::vector<Rgb> middle(10, kBack);
    middle.front() = kHigh;
    middle.back() = kShadow;
    for (int y = 1; y < 5; ++y)
        EXPECT_EQ(r.Row(y), middle) << y;
}

TEST(BevelPlan, TitleBarOfDefaultSizeIs17PixelsAt96DpiAndFollowsTheFocus) {
    BevelLook look = Look(40, 30, true);
    const BevelPlan plan = PlanBevel(look);
    ASSERT_TRUE(plan.captionShown);
    EXPECT_EQ(plan.caption, (PixelRect{2, 2, 36, 17}));
    EXPECT_EQ(plan.captionColour, kFore);
    EXPECT_EQ(plan.inner, (PixelRect{1, 19, 39, 29}));

    const auto r = Draw(look);
    EXPECT_EQ(r.Row(17), std::vector<Rgb>(40, kShadow)); // the rule runs over the frame on both sides
    EXPECT_EQ(r.Row(18), std::vector<Rgb>(40, kHigh));
    std::vector<Rgb> bar(40, kBar);
    bar.front() = kHigh;
    bar.back() = kShadow;
    for (int y = 1; y < 17; ++y)
        EXPECT_EQ(r.Row(y), bar) << y;
    EXPECT_EQ(r.At(5, 19), kBack);

    look.active = true;
    const auto active = Draw(look);
    EXPECT_EQ(active.CountOf(kBar), 0);
    EXPECT_EQ(active.CountOf(kActiveBar), 38 * 16);
    EXPECT_EQ(PlanBevel(look).captionColour, kActiveFore);
}

TEST(BevelPlan, TitleBarHeightRoundsHalvesToEven) {
    EXPECT_EQ(TitleBarPixels(250, 96), 17);
    EXPECT_EQ(TitleBarPixels(240, 96), 16);
    EXPECT_EQ(TitleBarPixels(250, 120), 21);
    EXPECT_EQ(TitleBarPixels(18, 120), 2); // 1.5
    EXPECT_EQ(TitleBarPixels(30, 120), 2); // 2.5
    EXPECT_EQ(TitleBarPixels(35, 144), 4); // 3.5
    EXPECT_EQ(TitleBarPixels(-250, 96), 0);
    EXPECT_EQ(TitleBarPixels(2000000000, 96), 32767);
}

TEST(BevelPlan, TinySizesAndTallBarsStayInsideTheSurface) {
    EXPECT_TRUE(PlanBevel(Look(0, 0)).steps.empty());
    EXPECT_TRUE(PlanBevel(Look(-5, 20, true)).steps.empty());
    EXPECT_EQ(Draw(Look(1, 1)).At(0, 0), kShadow); // the bottom line is drawn last
    EXPECT_EQ(Draw(Look(2, 2)).Row(0), (std::vector<Rgb>{kHigh, kHigh}));
    EXPECT_EQ(Draw(Look(2, 2)).Row(1), (std::vector<Rgb>{kShadow, kShadow}));
    for (int w = 0; w <= 6; ++w)
        for (int h = 0; h <= 22; ++h)
            for (bool bar : {false, true}) {
                const BevelPlan plan = PlanBevel(Look(w, h, bar));
                Draw(Look(w, h, bar));
                EXPECT_GE(plan.caption.right, plan.caption.left);
                EXPECT_GE(plan.caption.bottom, plan.caption.top);
                EXPECT_GE(plan.inner.right, plan.inner.left);
                EXPECT_GE(plan.inner.bottom, plan.inner.top);
                EXPECT_LE(plan.inner.bottom, std::max(h - 1, 1));
            }
    BevelLook flat = Look(8, 8, true);
    flat.titleBarTwips = 0;
    EXPECT_EQ(Draw(flat).CountOf(kBar), 0);
    EXPECT_TRUE(PlanBevel(flat).caption.Empty());
}

} // namespace
} // namespace nivex
