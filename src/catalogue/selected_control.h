#pragma once
// The control the main window's selection stands for. Made by the details loader when a node is
// clicked, held by the main window and handed to every command; the screen is never read back.
#include <string>

#include "registry/registry_view.h"

namespace nivex {

struct SelectedControl {
    std::wstring classId;        // the control node's key
    std::wstring libraryKey;     // the key of its library node (type library identifier)
    std::wstring registeredPath; // InProcServer32 as registered
    std::wstring resolvedPath;   // the file that path names (the server-path rule applied)
    bool missing = false;        // the library's status says its file is missing
    std::wstring toolboxBitmap;  // ToolboxBitmap32 ("file,resource"), the file as the view's programs find it
    RegistryView view = OwnView(); // the registry view of the control and its library node

    // Nothing selected: an empty catalogue, or a details load that did not complete.
    bool IsEmpty() const { return classId.empty(); }
    static SelectedControl None() { return {}; }
};

} // namespace nivex
