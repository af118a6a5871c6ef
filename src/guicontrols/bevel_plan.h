#pragma once
// Drawing plan of the bevelled panel: a raised frame, optionally a title bar with a caption.
#include <vector>

#include "guicontrols/paint_plan.h"

namespace nivex {

enum class CaptionAlignment { Left = 0, Right = 1, Centre = 2 };

struct BevelColours {
    Rgb back = 0;
    Rgb titleBarBack = 0;
    Rgb activeTitleBarBack = 0;
    Rgb titleBarFore = 0;
    Rgb activeTitleBarFore = 0;
    Rgb highLight = 0;
    Rgb shadow = 0;
};

struct BevelLook {
    int width = 0; // pixels
    int height = 0;
    bool titleBar = false;
    int titleBarTwips = 250;
    int pixelsPerInchY = 96; // converts the title-bar height from twips
    bool active = false;     // the focus is in the panel
    CaptionAlignment alignment = CaptionAlignment::Left;
    BevelColours colours;
};

struct BevelPlan {
    std::vector<PaintStep> steps;
    bool captionShown = false;
    PixelRect caption; // where the caption text goes (may be empty on a tiny panel)
    Rgb captionColour = 0;
    CaptionAlignment alignment = CaptionAlignment::Left;
    PixelRect inner; // inside the frame and below the title bar: where child windows go
};

// Title-bar height in pixels: twips at the given resolution, halves rounded to even, kept in the
// 0..32767 range of the 16-bit value it is held in.
int TitleBarPixels(int twips, int pixelsPerInch);

BevelPlan PlanBevel(const BevelLook& look);

} // namespace nivex
