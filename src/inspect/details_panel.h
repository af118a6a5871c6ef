#pragma once
// The data of the main window's details panel: the selected control's registration (list 0) and the
// facts of its server file (list 1). The window only shows what LoadInformation returns.
// The caller hands toolboxBitmap to BitmapPreview::DrawToolboxBitmap when toolboxBitmapReached,
// and writes resolvedPath to the "STATUS" panel when complete.
#include <string>
#include <vector>
#include "app/catalogue.h"
#include "common/desktop.h"
namespace nivex {
struct DetailRow { std::wstring element; std::wstring data; }; // element is also the row's key
struct ControlDetails {
    std::vector<DetailRow> control;  // list 0 ("Control Information") rows in order
    std::vector<DetailRow> file;     // list 1 ("File Information") rows in order
    std::wstring resolvedPath;       // for the "STATUS" panel
    bool complete = false;           // false when the load ended early: the caller leaves "STATUS" as it was
    bool toolboxBitmapReached = false;
    std::wstring toolboxBitmap;      // the "Toolbox Bitmap" row's data, when reached
};
std::wstring GetControlRegValue(const Catalogue& catalogue, const std::wstring& classId, const std::wstring& subKey);
// nodeIndex names a node of tree treeIndex; when it has children it is moved to its first child (the caller selects it).
// Error 53 is shown through the desktop seam exactly as described, owned by owner.
ControlDetails LoadInformation(const Catalogue& catalogue, int treeIndex, int& nodeIndex, WindowRef owner);
}
