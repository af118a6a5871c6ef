#pragma once
// A splitter: divides an area of its parent into two panes with a bar the user drags.
// The splitter window is the bar itself; the panes belong to the parent, which places its
// children there when the resize notification arrives.
#include <windows.h>

#include <functional>

#include "common/window.h"

namespace nivex {

class Splitter final : public Window {
public:
    enum class Kind {
        LeftRight, // a vertical bar between a left and a right pane
        TopBottom, // a horizontal bar between an upper and a lower pane
    };
    // Called with the two panes (parent client coordinates) after every change of area or bar position.
    using ResizeHandler = std::function<void(const RECT& first, const RECT& second)>;

    HWND Create(HWND parent, int id, Kind kind, double firstShare);
    void SetResizeHandler(ResizeHandler handler) { onResize_ = std::move(handler); }

    // Places the splitter over area (parent client coordinates) and lays out its panes.
    void SetArea(const RECT& area);
    const RECT& Area() const { return area_; }
    // The share of the area (0..1) that the first pane takes; the bar keeps it when the area changes.
    void SetFirstShare(double share);
    double FirstShare() const { return share_; }
    const RECT& Pane(int index) const { return index == 0 ? first_ : second_; }
    // Moves the bar as a drag to that position would (parent client coordinates along the split axis).
    void DragBarTo(int position);

    static constexpr int kBarPixels = 5;
    static constexpr int kMinPanePixels = 40;

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void Layout();
    int Extent() const;

    Kind kind_ = Kind::LeftRight;
    RECT area_{};
    RECT first_{};
    RECT second_{};
    double share_ = 0.5;
    bool dragging_ = false;
    int grabOffset_ = 0;
    ResizeHandler onResize_;
};

} // namespace nivex
