#include <gtest/gtest.h>

#include "guicontrols/etched_line_plan.h"
#include "raster.h"

namespace nivex {
namespace {

constexpr Rgb kHigh = 0xFFFFFF, kShadow = 0x808080;

testing::Raster Draw(int w, int h, int style, int orientation) {
    const EtchedLinePlan plan = PlanEtchedLine({w, h, style, orientation, kHigh, kShadow});
    testing::Raster raster(plan.width, plan.height);
    EXPECT_TRUE(raster.Paint(plan.steps));
    EXPECT_EQ(raster.CountOf(testing::kUnpainted), 0);
    return raster;
}

TEST(EtchedLinePlan, HorizontalLinesAreTwoPixelsHigh) {
    const EtchedLinePlan plan = PlanEtchedLine({30, 17, 0, 0, kHigh, kShadow});
    EXPECT_EQ(plan.width, 30);
    EXPECT_EQ(plan.height, 2);
    EXPECT_EQ(Draw(30, 17, 0, 0).Row(0), std::vector<Rgb>(30, kShadow)); // sunken: shadow above
    EXPECT_EQ(Draw(30, 17, 0, 0).Row(1), std::vector<Rgb>(30, kHigh));
    EXPECT_EQ(Draw(30, 17, 1, 0).Row(0), std::vector<Rgb>(30, kHigh));
    for (int style : {2, -1})
        EXPECT_EQ(Draw(4, 2, style, 0).At(0, 0), kShadow) << style;
}

TEST(EtchedLinePlan, AnyOtherOrientationIsTwoPixelsWide) {
    for (int orientation : {1, 2, -1}) {
        const EtchedLinePlan plan = PlanEtchedLine({150, 40, 0, orientation, kHigh, kShadow});
        EXPECT_EQ(plan.width, 2) << orientation;
        EXPECT_EQ(plan.height, 40);
        EXPECT_EQ(Draw(150, 40, 0, orientation).Row(39), (std::vector<Rgb>{kShadow, kHigh}));
    }
    EXPECT_EQ(Draw(2, 5, 1, 1).Row(0), (std::vector<Rgb>{kHigh, kShadow}));
}

TEST(EtchedLinePlan, EmptyAndOnePixelLines) {
    EXPECT_TRUE(PlanEtchedLine({0, 2, 0, 0, kHigh, kShadow}).steps.empty());
    EXPECT_EQ(PlanEtchedLine({-3, 2, 0, 0, kHigh, kShadow}).width, 0);
    EXPECT_TRUE(PlanEtchedLine({9, 0, 0, 1, kHigh, kShadow}).steps.empty());
    EXPECT_EQ(Draw(1, 1, 0, 0).Row(1), std::vector<Rgb>{kHigh});
}

} // namespace
} // namespace nivex
