#include "inspect/details_panel.h"

#include <windows.h>

#include <exception>

#include "common/error.h"
#include "common/paths.h"
#include "inspect/file_facts.h"
#include "registry/registry.h"

namespace nivex {

namespace {

const wchar_t* const kNotAvailable = L"N/A";
constexpr long kErrObjectNotSet = 91;

SizeTextReader sizeTextReader = nullptr;

std::wstring ReadSizeText(const std::wstring& path) {
    return sizeTextReader ? sizeTextReader(path) : FileSizeText(path);
}

std::wstring LibraryStatus(const Catalogue& catalogue, const std::wstring& classId) {
    const CatalogueTree& all = catalogue.Tree(Catalogue::kAll);
    const int node = all.FindByKey(classId);
    if (node == 0) throw Error(kErrElementNotFound, L"LoadInformation", L"Element not found");
    const int parent = all.Node(node).parent;
    if (parent == 0)
        throw Error(kErrObjectNotSet, L"LoadInformation", L"Object variable or With block variable not set");
    return all.Node(parent).tag;
}

// Position 2 (1-based) of the registered path holds the drive's colon when it has a drive.
std::wstring ResolveServerPath(const std::wstring& registered) {
    const bool hasDrive = registered.size() >= 2 && registered[1] == L':';
    if (!hasDrive && OsIsMajor5()) return SystemFolder() + registered;
    return registered;
}

} // namespace

SizeTextReader SetSizeTextReader(SizeTextReader reader) {
    const SizeTextReader previous = sizeTextReader;
    sizeTextReader = reader;
    return previous;
}

std::wstring GetControlRegValue(const Catalogue& catalogue, const std::wstring& classId, const std::wstring& subKey) {
    std::wstring section = subKey;
    if (!subKey.empty() && subKey[0] == L'.') {
        const std::wstring pseudo = subKey.substr(1);
        if (pseudo == L"Name") {
            section.clear();
        } else if (pseudo == L"Status") {
            return LibraryStatus(catalogue, classId);
        }
    }
    cRegistry registry;
    registry.SetClassKey(HKEY_CLASSES_ROOT);
    // The class key itself is named without a trailing backslash: not every registry accepts one.
    registry.SetSectionKey(L"CLSID\\" + classId + (section.empty() ? L"" : L"\\" + section));
    if (!registry.KeyExists()) return kNotAvailable;
    return VariantText(registry.Value());
}

ControlDetails LoadInformation(const Catalogue& catalogue, int treeIndex, int& nodeIndex, WindowRef owner) {
    ControlDetails details;
    const CatalogueTree& tree = catalogue.Tree(treeIndex);
    if (!tree.IsValid(nodeIndex)) return details;
    // The details always describe one control: a library node stands for its first control.
    if (tree.Node(nodeIndex).firstChild != 0) nodeIndex = tree.Node(nodeIndex).firstChild;
    const std::wstring classId = tree.Node(nodeIndex).key;

    std::wstring resolved;
    try {
        const std::wstring registered = GetControlRegValue(catalogue, classId, L"InProcServer32");
        auto control = [&](const wchar_t* element, const std::wstring& data) {
            details.control.push_back({element, data});
        };
        auto file = [&](const wchar_t* element, const std::wstring& data) { details.file.push_back({element, data}); };

        control(L"Control Name", GetControlRegValue(catalogue, classId, L".Name"));
        control(L"Version", GetControlRegValue(catalogue, classId, L"Version"));
        control(L"Status", GetControlRegValue(catalogue, classId, L".Status"));
        control(L"CLSID", classId);
        control(L"ProgID", GetControlRegValue(catalogue, classId, L"ProgID"));
        control(L"TypeLib", GetControlRegValue(catalogue, classId, L"TypeLib"));
        control(L"Toolbox Bitmap", GetControlRegValue(catalogue, classId, L"ToolboxBitmap32"));
        details.toolboxBitmap = details.control.back().data;
        details.toolboxBitmapReached = true;

        file(L"Filename", registered);
        resolved = ResolveServerPath(registered);
        file(L"Size", OrdinaryFileExists(resolved) ? ReadSizeText(resolved) : std::wstring(kNotAvailable));
        file(L"Created", GetFileDate(resolved, L"create"));
        file(L"Accessed", GetFileDate(resolved, L"access"));
        file(L"Modified", GetFileDate(resolved, L"modify"));
        file(L"Description", GetFileVersionField(resolved, L"FileDescription"));
        file(L"File Version", GetFileVersionField(resolved, L"FileVersion"));
        file(L"Copyright", GetFileVersionField(resolved, L"LegalCopyright"));
    } catch (const Error& e) {
        if (e.Number() == kErrFileNotFound) {
            TheDesktop().Message(owner, L"Error in LoadInformation(): File not found.\r\n" + resolved,
                                 L"Error Number 53", MsgButtons::Ok, MsgIcon::Critical);
        }
        return details;
    } catch (const std::exception&) {
        return details;
    }
    details.resolvedPath = resolved;
    details.complete = true;
    return details;
}

} // namespace nivex
