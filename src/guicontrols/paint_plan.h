#pragma once
// What the two GUI controls paint, as plain rectangles, so the drawing rules are testable without a
// window. Colours here are resolved RGB values laid out like COLORREF (0x00BBGGRR).
#include <cstdint>
#include <vector>

namespace nivex {

using Rgb = std::uint32_t;

// A control colour value: an RGB value, or with the top bit set a system colour whose index is the
// low byte (0x8000000F is the button face).
inline constexpr std::uint32_t kSystemColourFlag = 0x80000000u;
inline bool IsSystemColour(std::uint32_t value) {
    return (value & kSystemColourFlag) != 0;
}
inline int SystemColourIndex(std::uint32_t value) {
    return static_cast<int>(value & 0xFFu);
}

// Pixel rectangle; right and bottom are exclusive.
struct PixelRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    bool Empty() const { return right <= left || bottom <= top; }
    int Width() const { return Empty() ? 0 : right - left; }
    int Height() const { return Empty() ? 0 : bottom - top; }
    friend bool operator==(const PixelRect&, const PixelRect&) = default;
};

enum class PaintKind { Clear, Line, Fill };

// One step of a plan, painted in order: a later step covers an earlier one. Lines are one pixel
// thick; every area is already clipped to the control and never empty.
struct PaintStep {
    PaintKind kind = PaintKind::Fill;
    PixelRect area;
    Rgb colour = 0;
};

// Adds a step for the part of `area` inside a width x height surface; nothing when that is empty.
void AddClipped(std::vector<PaintStep>& steps, PaintKind kind, PixelRect area, Rgb colour, int width, int height);

} // namespace nivex
