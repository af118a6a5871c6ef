#pragma once
// The small pictures of the compare window and the dependency viewer, drawn when the window loads so
// that no binary artwork is needed for them.
#include <windows.h>
#include <commctrl.h>

namespace nivex {

enum class InspectImage { Yes, No, Dll, Ocx, Open, Properties, Explore, Imports, Module, Missing };

// A 16 by 16 image list holding the given pictures in order; the caller destroys it.
HIMAGELIST MakeInspectImages(const InspectImage* images, int count);
// A 16 by 16 bitmap of one picture on the button face colour; the caller deletes it.
HBITMAP MakeInspectBitmap(InspectImage image);

} // namespace nivex
