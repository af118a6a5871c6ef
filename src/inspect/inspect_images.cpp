#include "inspect/inspect_images.h"

namespace nivex {

namespace {

constexpr int kSize = 16;
constexpr COLORREF kMask = RGB(255, 0, 255);

class Pen {
public:
    Pen(HDC dc, COLORREF colour, int width = 1)
        : dc_(dc), pen_(CreatePen(PS_SOLID, width, colour)), old_(SelectObject(dc, pen_)) {}
    ~Pen() {
        SelectObject(dc_, old_);
        DeleteObject(pen_);
    }
    Pen(const Pen&) = delete;
    Pen& operator=(const Pen&) = delete;

private:
    HDC dc_;
    HPEN pen_;
    HGDIOBJ old_;
};

class Brush {
public:
    Brush(HDC dc, COLORREF colour) : dc_(dc), brush_(CreateSolidBrush(colour)), old_(SelectObject(dc, brush_)) {}
    ~Brush() {
        SelectObject(dc_, old_);
        DeleteObject(brush_);
    }
    Brush(const Brush&) = delete;
    Brush& operator=(const Brush&) = delete;

private:
    HDC dc_;
    HBRUSH brush_;
    HGDIOBJ old_;
};

void Line(HDC dc, int x0, int y0, int x1, int y1) {
    MoveToEx(dc, x0, y0, nullptr);
    LineTo(dc, x1, y1);
}

void Page(HDC dc) {
    Pen pen(dc, RGB(96, 96, 96));
    Brush brush(dc, RGB(255, 255, 255));
    const POINT outline[] = {{3, 1}, {10, 1}, {13, 4}, {13, 14}, {3, 14}};
    Polygon(dc, outline, 5);
    Line(dc, 10, 1, 10, 4);
    Line(dc, 10, 4, 13, 4);
}

void Badge(HDC dc, COLORREF colour) {
    Pen pen(dc, RGB(GetRValue(colour) / 2, GetGValue(colour) / 2, GetBValue(colour) / 2));
    Brush brush(dc, colour);
    Rectangle(dc, 6, 7, 12, 13);
}

void Folder(HDC dc, bool open) {
    Pen pen(dc, RGB(150, 110, 20));
    Brush brush(dc, RGB(250, 210, 90));
    const POINT back[] = {{1, 3}, {6, 3}, {7, 5}, {14, 5}, {14, 13}, {1, 13}};
    Polygon(dc, back, 6);
    if (open) {
        Brush front(dc, RGB(255, 232, 140));
        const POINT lid[] = {{3, 7}, {15, 7}, {13, 13}, {1, 13}};
        Polygon(dc, lid, 4);
    }
}

void Draw(HDC dc, InspectImage image) {
    switch (image) {
    case InspectImage::Yes: {
        Pen pen(dc, RGB(0, 150, 40), 2);
        Line(dc, 3, 8, 6, 12);
        Line(dc, 6, 12, 13, 3);
        break;
    }
    case InspectImage::No: {
        Pen pen(dc, RGB(210, 30, 30), 2);
        Line(dc, 4, 4, 12, 12);
        Line(dc, 12, 4, 4, 12);
        break;
    }
    case InspectImage::Dll:
        Page(dc);
        Badge(dc, RGB(230, 160, 30));
        break;
    case InspectImage::Ocx:
        Page(dc);
        Badge(dc, RGB(40, 110, 220));
        break;
    case InspectImage::Module:
        Page(dc);
        Badge(dc, RGB(120, 120, 120));
        break;
    case InspectImage::Missing: {
        Page(dc);
        Pen pen(dc, RGB(210, 30, 30), 2);
        Line(dc, 6, 7, 11, 12);
        Line(dc, 11, 7, 6, 12);
        break;
    }
    case InspectImage::Imports: {
        Page(dc);
        Pen pen(dc, RGB(40, 140, 60), 2);
        Line(dc, 5, 9, 11, 9);
        Line(dc, 8, 6, 11, 9);
        Line(dc, 8, 12, 11, 9);
        break;
    }
    case InspectImage::Open: Folder(dc, true); break;
    case InspectImage::Properties: {
        Page(dc);
        Pen pen(dc, RGB(60, 60, 60));
        for (int y = 6; y <= 12; y += 2)
            Line(dc, 5, y, 11, y);
        break;
    }
    case InspectImage::Explore: {
        Folder(dc, false);
        Pen pen(dc, RGB(40, 40, 40), 2);
        HGDIOBJ hollow = SelectObject(dc, GetStockObject(HOLLOW_BRUSH));
        Ellipse(dc, 6, 6, 12, 12);
        SelectObject(dc, hollow);
        Line(dc, 11, 11, 14, 14);
        break;
    }
    }
}

HBITMAP Render(InspectImage image, COLORREF background) {
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, kSize, kSize);
    ReleaseDC(nullptr, screen);
    if (!dc || !bitmap) {
        if (dc) DeleteDC(dc);
        if (bitmap) DeleteObject(bitmap);
        return nullptr;
    }
    HGDIOBJ old = SelectObject(dc, bitmap);
    HBRUSH fill = CreateSolidBrush(background);
    const RECT all{0, 0, kSize, kSize};
    FillRect(dc, &all, fill);
    DeleteObject(fill);
    Draw(dc, image);
    SelectObject(dc, old);
    DeleteDC(dc);
    return bitmap;
}

} // namespace

HIMAGELIST MakeInspectImages(const InspectImage* images, int count) {
    HIMAGELIST list = ImageList_Create(kSize, kSize, ILC_COLOR24 | ILC_MASK, count, 0);
    if (!list) return nullptr;
    for (int i = 0; i < count; ++i) {
        HBITMAP bitmap = Render(images[i], kMask);
        if (bitmap) {
            ImageList_AddMasked(list, bitmap, kMask);
            DeleteObject(bitmap);
        }
    }
    return list;
}

HBITMAP MakeInspectBitmap(InspectImage image) { return Render(image, GetSysColor(COLOR_BTNFACE)); }

} // namespace nivex
