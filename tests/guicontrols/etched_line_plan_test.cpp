#include <gtest/gtest.h>

#include "guicontrols/etched_line_plan.h"
#include "raster.h"

namespace nivex {
namespace {

using testing::Raster;

constexpr Rgb kHigh = 0xFFFFFF, kShadow = 0x808080;

EtchedLineLook Look(int w, int h, int style = 0, int orientation = 0) {
    return EtchedLineLook{w, h, style, orientation, kHigh, kShadow};
}

Raster Draw(const EtchedLinePlan& plan) {
    Raster raster(plan.width, plan.height);
    EXPECT_TRUE(raster.Paint(plan.steps));
    EXPECT_EQ(raster.CountOf(testing::kUnpainted), 0);
    return raster;
}

TEST(EtchedLinePlan, NewLineIsHorizontalSunkenTwoPixelsHigh) {
    const EtchedLinePlan plan = PlanEtchedLine(Look(30, 17));
    EXPECT_EQ(plan.width, 30);
    EXPECT_EQ(plan.height, 2);
    const Raster r = Draw(plan);
    for (int x = 0; x < 30; ++x) {
        EXPECT_EQ(r.At(x, 0), kShadow);
        EXPECT_EQ(r.At(x, 1), kHigh);
    }
    const Raster raised = Draw(PlanEtchedLine(Look(30, 17, 1)));
    EXPECT_EQ(raised.At(0, 0), kHigh);
    EXPECT_EQ(raised.At(29, 1), kShadow);
}

TEST(EtchedLinePlan, VerticalIsTwoPixelsWideWhateverItsWidth) {
    for (int orientation : {1, 2, -1, 1000}) {
        const EtchedLinePlan plan = PlanEtchedLine(Look(150, 40, 0, orientation));
        EXPECT_EQ(plan.width, 2) << orientation;
        EXPECT_EQ(plan.height, 40);
        const Raster r = Draw(plan);
        EXPECT_EQ(r.At(0, 0), kShadow);
        EXPECT_EQ(r.At(1, 39), kHigh);
    }
    const Raster raised = Draw(PlanEtchedLine(Look(2, 5, 1, 1)));
    EXPECT_EQ(raised.At(0, 4), kHigh);
    EXPECT_EQ(raised.At(1, 0), kShadow);
}

TEST(EtchedLinePlan, OnlyStyleOneIsRaised) {
    for (int style : {2, -1, 99})
        EXPECT_EQ(Draw(PlanEtchedLine(Look(4, 2, style))).At(0, 0), kShadow) << style;
}

TEST(EtchedLinePlan, EmptyAndOnePixelLines) {
    EXPECT_TRUE(PlanEtchedLine(Look(0, 2)).steps.empty());
    EXPECT_TRUE(PlanEtchedLine(Look(-3, 2)).steps.empty());
    EXPECT_EQ(PlanEtchedLine(Look(-3, 2)).width, 0);
    EXPECT_TRUE(PlanEtchedLine(Look(9, 0, 0, 1)).steps.empty());
    const Raster one = Draw(PlanEtchedLine(Look(1, 1)));
    EXPECT_EQ(one.At(0, 0), kShadow);
    EXPECT_EQ(one.At(0, 1), kHigh);
}

} // namespace
} // namespace nivex
