#pragma once
// What the main window's two details lists show for the selected node: the control's registration
// (list 0) and the facts of its server file (list 1), and the SelectedControl that commands act on.
// The window only shows what LoadInformation returns.
#include <string>
#include <vector>

#include "catalogue/catalogue.h"
#include "catalogue/selected_control.h"
#include "common/desktop.h"

namespace nivex {

struct DetailRow {
    std::wstring element; // also the row's key
    std::wstring data;
};

struct ControlDetails {
    std::vector<DetailRow> control; // list 0 ("Control Information") rows in order
    std::vector<DetailRow> file;    // list 1 ("File Information") rows in order
    SelectedControl selection;      // empty when the load ended early or there is no node
    bool complete = false;          // false when the load ended early: "STATUS" stays as it was
    bool toolboxBitmapReached = false;
    std::wstring toolboxBitmap;    // the "Toolbox Bitmap" row's reference, its file named as the view's programs
                                   // find it, when reached
    RegistryView view = OwnView(); // of the node loaded (the frame's caption names it)
};

// The default value of HKEY_CLASSES_ROOT\CLSID\{classId}\{subKey} of view as text (empty when the key has none),
// "N/A" when the key does not exist. Pseudo-names: ".Name" reads the class key itself; ".Status" gives the tag
// of the library node above the class's node of that view in the all-controls tree, and throws nivex::Error
// when there is none.
std::wstring GetControlRegValue(const Catalogue& catalogue, const std::wstring& classId, const std::wstring& subKey,
                                RegistryView view);

// nodeIndex names a node of tree treeIndex; when it has children it is moved to its first child (the caller
// selects it). Error 53 is shown on the desktop, owned by owner. The first row of each list is the one to
// mark selected. No row is added for an invalid node. The server file is searched for once and opened once.
ControlDetails LoadInformation(const Catalogue& catalogue, int treeIndex, int& nodeIndex, WindowRef owner,
                               Desktop& desktop);

// How LoadInformation makes the "Size" text of a file that the existence test found (by default from the
// length that search gave); tests replace it to reproduce a file whose length cannot be read. nullptr
// restores the default. Returns the previous one.
using SizeTextReader = std::wstring (*)(const std::wstring& path);
SizeTextReader SetSizeTextReader(SizeTextReader reader);

} // namespace nivex
