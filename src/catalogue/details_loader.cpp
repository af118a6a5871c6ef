#include "catalogue/details_loader.h"

#include <windows.h>

#include <exception>

#include "common/error.h"
#include "common/format.h"
#include "common/paths.h"
#include "inspect/file_facts.h"
#include "inspect/toolbox_bitmap.h"
#include "registry/registry_views.h"
#include "catalogue/control_registration.h"
#include "catalogue/server_path.h"

namespace nivex {

namespace {

const wchar_t* const kNotAvailable = L"N/A";
constexpr long kErrObjectNotSet = 91;

SizeTextReader sizeTextReader = nullptr;

// The reference with its file named as the view's programs find it (the preview maps it as data only).
std::wstring ToolboxReferenceInView(const std::wstring& reference, RegistryView view) {
    const std::optional<ToolboxBitmapRef> ref = ParseToolboxBitmapRef(reference);
    if (!ref || reference.compare(0, ref->module.size(), ref->module) != 0) return reference;
    std::wstring file = ref->module;
    if (ServerPathIsRooted(file))
        file = ServerFileInView(file, view);
    else if (view != OwnView() && !file.empty())
        file = SystemFolderOfView(view) + file;
    return file + reference.substr(ref->module.size());
}

std::wstring LibraryStatus(const Catalogue& catalogue, const std::wstring& classId, RegistryView view) {
    const CatalogueTree& all = catalogue.Tree(Catalogue::kAll);
    const int node = all.FindByKey(classId, view);
    if (node == 0) throw Error(kErrElementNotFound, L"LoadInformation", L"Element not found");
    const int parent = all.Node(node).parent;
    if (parent == 0)
        throw Error(kErrObjectNotSet, L"LoadInformation", L"Object variable or With block variable not set");
    return all.Node(parent).tag;
}

} // namespace

SizeTextReader SetSizeTextReader(SizeTextReader reader) {
    const SizeTextReader previous = sizeTextReader;
    sizeTextReader = reader;
    return previous;
}

std::wstring GetControlRegValue(const Catalogue& catalogue, const std::wstring& classId, const std::wstring& subKey,
                                RegistryView view) {
    std::wstring section = subKey;
    if (!subKey.empty() && subKey[0] == L'.') {
        const std::wstring pseudo = subKey.substr(1);
        if (pseudo == L"Name") {
            section.clear();
        } else if (pseudo == L"Status") {
            return LibraryStatus(catalogue, classId, view);
        }
    }
    const std::optional<std::wstring> value = ReadClassValue(classId, section, view);
    return value ? *value : std::wstring(kNotAvailable);
}

ControlDetails LoadInformation(const Catalogue& catalogue, int treeIndex, int& nodeIndex, WindowRef owner,
                               Desktop& desktop) {
    ControlDetails details;
    const CatalogueTree& tree = catalogue.Tree(treeIndex);
    if (!tree.IsValid(nodeIndex)) return details;
    // The details always describe one control: a library node stands for its first control.
    if (tree.Node(nodeIndex).firstChild != 0) nodeIndex = tree.Node(nodeIndex).firstChild;
    const std::wstring classId = tree.Node(nodeIndex).key;
    const RegistryView view = tree.Node(nodeIndex).view;
    details.view = view;

    std::wstring resolved;
    SelectedControl selection; // handed out only when the load completes
    try {
        const ControlRegistration reg = ReadControlRegistration(classId, view);
        auto control = [&](const wchar_t* element, const std::wstring& data) {
            details.control.push_back({element, data});
        };
        auto file = [&](const wchar_t* element, const std::wstring& data) { details.file.push_back({element, data}); };
        auto text = [](const std::optional<std::wstring>& value) {
            return ControlRegistration::Text(value, kNotAvailable);
        };
        const std::wstring registered = text(reg.registeredPath);

        control(L"Control Name", text(reg.name));
        control(L"Version", text(reg.version));
        const std::wstring status = GetControlRegValue(catalogue, classId, L".Status", view);
        control(L"Status", status);
        control(L"CLSID", classId);
        control(L"ProgID", text(reg.progId));
        control(L"TypeLib", text(reg.typeLib));
        control(L"Toolbox Bitmap", text(reg.toolboxBitmap));
        details.toolboxBitmap = ToolboxReferenceInView(details.control.back().data, view);
        details.toolboxBitmapReached = true;

        file(L"Filename", registered);
        resolved = reg.registeredPath ? reg.resolvedPath : ResolveServerPath(registered, view);
        // The library comes from the node, never from the TypeLib value (registry data an edit can change).
        const int parent = tree.Node(nodeIndex).parent;
        selection.classId = classId;
        selection.libraryKey = parent ? tree.Node(parent).key : std::wstring();
        selection.registeredPath = registered;
        selection.resolvedPath = resolved;
        selection.missing = status == kStatusMissing;
        selection.toolboxBitmap = details.toolboxBitmap;
        selection.view = view;
        // One search gives existence and length, one open the dates and the version text: a click is quick.
        std::uint64_t length = 0;
        const bool exists = OrdinaryFileExists(resolved, &length);
        std::wstring size = kNotAvailable;
        if (exists) size = sizeTextReader ? sizeTextReader(resolved) : SizeKbText(length);
        file(L"Size", size);
        static const std::vector<std::wstring> kFields{L"FileDescription", L"FileVersion", L"LegalCopyright"};
        FileReportFacts facts = ReadFileReportFacts(resolved, exists ? kFields : std::vector<std::wstring>());
        facts.fields.resize(kFields.size()); // a file that is not there (or hidden) has no version text
        file(L"Created", facts.dates.created);
        file(L"Accessed", facts.dates.accessed);
        file(L"Modified", facts.dates.modified);
        file(L"Description", facts.fields[0]);
        file(L"File Version", facts.fields[1]);
        file(L"Copyright", facts.fields[2]);
    } catch (const Error& e) {
        if (e.Number() == kErrFileNotFound) {
            desktop.Message(owner, L"Error in LoadInformation(): File not found.\r\n" + resolved, L"Error Number 53",
                            MsgButtons::Ok, MsgIcon::Critical);
        }
        return details;
    } catch (const std::exception&) {
        return details;
    }
    details.selection = selection;
    details.complete = true;
    return details;
}

} // namespace nivex
