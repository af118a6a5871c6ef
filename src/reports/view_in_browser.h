#pragma once
// View in Web Browser: writes the test page of one control to a temporary file and opens the chosen
// test browser on it. No window of its own; what it asks and starts goes through the desktop seam.
#include <functional>
#include <optional>
#include <string>

#include "catalogue/catalogue.h"
#include "common/desktop.h"

namespace nivex {

struct BrowserViewTarget {
    std::wstring name;    // the node's text
    std::wstring classId; // the node's key, as written under CLSID
};

// The control a node stands for: a control node itself, or the first control of a library node.
// nullopt for no node or a library without controls.
std::optional<BrowserViewTarget> PickBrowserControl(const CatalogueTree& tree, int node);

struct BrowserViewContext {
    WindowRef owner = nullptr;
    // Receives every file written, for deletion at exit.
    std::function<void(const std::wstring&)> addTempFile;
    // Opens the Options dialog on its Browser tab (after the "No Browser Available" question is answered Yes).
    std::function<void()> chooseBrowser;
    // Where the pages go; empty for the platform's temporary folder.
    std::wstring tempFolder;
};

enum class BrowserViewResult {
    NoBrowser, // no browser chosen: asked, nothing written
    NoControl, // the selection stands for no control: said so, nothing written
    Refused,   // the class identifier cannot go into a page: said so, nothing written
    Failed,    // the page could not be written or the browser not started: said so
    Opened,
};

inline const wchar_t* const kNoBrowserTitle = L"No Browser Available";
inline const wchar_t* const kNoBrowserText = L"You have not chosen a test browser.\nWould you like to choose one now?";
inline const wchar_t* const kViewInBrowserTitle = L"View in Web Browser";
inline const wchar_t* const kNoControlText =
    L"No control is selected.\nSelect a control, or a library that has controls, and try again.";

// The whole command for one control, with the browser of the setting "TestBrowser".
BrowserViewResult ViewInBrowser(Desktop& desktop, const BrowserViewTarget& target, const BrowserViewContext& context);
// The same for what the selection stands for (PickBrowserControl); without a control, says so once a browser
// is chosen.
BrowserViewResult ViewInBrowser(Desktop& desktop, const std::optional<BrowserViewTarget>& target,
                                const BrowserViewContext& context);

// Writes the page bytes to a new file "<unique>.htm" beside the platform's unique "<unique>.tmp" in folder
// (the platform's temporary folder when empty); an existing file is never replaced. Both files go to
// addTempFile as soon as they exist. Returns the page's path; throws nivex::Error on failure.
std::wstring WriteBrowserPageFile(const std::string& bytes, const std::wstring& folder,
                               const std::function<void(const std::wstring&)>& addTempFile);

// Writes the page to the ".htm" of a unique name ("C:\Temp\Niv1A.tmp" -> "C:\Temp\Niv1A.htm"). Empty text when a
// file of that name exists already (it is left as it is); throws nivex::Error on any other failure.
std::wstring WritePageBeside(const std::wstring& uniqueName, const std::string& bytes);

} // namespace nivex
