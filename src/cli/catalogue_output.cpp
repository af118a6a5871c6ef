#include "cli/catalogue_output.h"

#include "common/format.h"
#include "common/text.h"

namespace nivex {

std::wstring JsonString(const std::wstring& text) {
    std::wstring out = L"\"";
    for (wchar_t ch : text) {
        switch (ch) {
        case L'"': out += L"\\\""; break;
        case L'\\': out += L"\\\\"; break;
        case L'\n': out += L"\\n"; break;
        case L'\r': out += L"\\r"; break;
        case L'\t': out += L"\\t"; break;
        default:
            if (static_cast<unsigned>(ch) < 0x20) {
                std::wstring hex = HexText(static_cast<unsigned>(ch));
                out += L"\\u" + std::wstring(4 - hex.size(), L'0') + hex;
            } else {
                out += ch;
            }
        }
    }
    return out + L"\"";
}

std::wstring CsvField(const std::wstring& text) {
    if (text.find_first_of(L",\"\r\n") == std::wstring::npos) return text;
    std::wstring out = L"\"";
    for (wchar_t ch : text) {
        if (ch == L'"') out += L'"';
        out += ch;
    }
    return out + L"\"";
}

namespace {

void AppendNodeJson(std::wstring& out, const CatalogueTree& tree, int index) {
    const CatalogueNode& node = tree.Node(index);
    out += L"{\"key\": " + JsonString(node.key) + L", \"text\": " + JsonString(node.text) + L", \"tag\": " +
           JsonString(node.tag) + L", \"image\": " + JsonString(node.image) + L", \"bold\": " +
           (node.bold ? L"true" : L"false") + L", \"view\": \"" + ViewNumber(node.view) + L"\"";
    if (node.parent == 0) {
        out += L", \"children\": [";
        bool first = true;
        for (int child = node.firstChild; child != 0; child = tree.Node(child).nextSibling) {
            if (!first) out += L", ";
            first = false;
            AppendNodeJson(out, tree, child);
        }
        out += L"]";
    }
    out += L"}";
}

void AppendTreeJson(std::wstring& out, const CatalogueTree& tree) {
    out += L"[";
    bool first = true;
    for (int root = tree.FirstRoot(); root != 0; root = tree.Node(root).nextSibling) {
        out += first ? L"\n    " : L",\n    ";
        first = false;
        AppendNodeJson(out, tree, root);
    }
    out += first ? L"]" : L"\n  ]";
}

} // namespace

std::wstring CatalogueText(const Catalogue& catalogue, int treeIndex) {
    const CatalogueTree& tree = catalogue.Tree(treeIndex);
    std::wstring out;
    for (int root = tree.FirstRoot(); root != 0; root = tree.Node(root).nextSibling) {
        const CatalogueNode& library = tree.Node(root);
        out += library.text + L"  " + library.key + L"  (" + library.tag + L")\r\n";
        for (int child = library.firstChild; child != 0; child = tree.Node(child).nextSibling) {
            const CatalogueNode& control = tree.Node(child);
            out += L"    " + control.text + L"  " + control.key + L"\r\n";
        }
    }
    out += catalogue.CountsText(treeIndex) + L"\r\n";
    return out;
}

std::wstring CatalogueJson(const Catalogue& catalogue, const std::vector<CatalogueError>& errors) {
    std::wstring out = L"{\n  \"counts\": {\"libraries\": " + std::to_wstring(catalogue.libraries) +
                       L", \"controls\": " + std::to_wstring(catalogue.controls) + L", \"missing\": " +
                       std::to_wstring(catalogue.missing) + L"},\n  \"trees\": {\n  \"all\": ";
    AppendTreeJson(out, catalogue.Tree(Catalogue::kAll));
    out += L",\n  \"missing\": ";
    AppendTreeJson(out, catalogue.Tree(Catalogue::kMissing));
    out += L"},\n  \"errors\": [";
    bool first = true;
    for (const CatalogueError& e : errors) {
        out += first ? L"\n    " : L",\n    ";
        first = false;
        out += L"{\"procedure\": " + JsonString(e.procedure) + L", \"title\": " + JsonString(e.title) +
               L", \"number\": " + std::to_wstring(e.number) + L", \"description\": " + JsonString(e.description) + L"}";
    }
    out += first ? L"]\n}\n" : L"\n  ]\n}\n";
    return out;
}

std::wstring CatalogueCsv(const Catalogue& catalogue, int treeIndex) {
    const CatalogueTree& tree = catalogue.Tree(treeIndex);
    // The view comes last, so that the columns a script already reads keep their places.
    std::wstring out = L"library_key,library_name,library_status,control_key,control_name,view\r\n";
    for (int root = tree.FirstRoot(); root != 0; root = tree.Node(root).nextSibling) {
        const CatalogueNode& library = tree.Node(root);
        for (int child = library.firstChild; child != 0; child = tree.Node(child).nextSibling) {
            const CatalogueNode& control = tree.Node(child);
            out += CsvField(library.key) + L"," + CsvField(library.text) + L"," + CsvField(library.tag) + L"," +
                   CsvField(control.key) + L"," + CsvField(control.text) + L"," + ViewNumber(control.view) + L"\r\n";
        }
    }
    return out;
}

} // namespace nivex

namespace nivex {

ViewedNode FindInViews(const CatalogueTree& tree, const std::wstring& id, std::optional<RegistryView> view,
                       bool library) {
    ViewedNode found;
    auto fits = [&](int node, RegistryView v) {
        return node != 0 && tree.Node(node).view == v && (tree.Node(node).parent == 0) == library;
    };
    for (RegistryView v : {RegistryView::Bits64, RegistryView::Bits32}) {
        if (view && *view != v) continue;
        int node = tree.FindByKey(id, v);
        if (!fits(node, v)) {
            // The registry compares names without regard to case.
            node = 0;
            for (int index = 1; index <= tree.Capacity() && node == 0; ++index)
                if (tree.IsValid(index) && fits(index, v) && EqualsNoCase(tree.Node(index).key, id)) node = index;
        }
        if (node != 0) found.nodes.push_back(node);
    }
    return found;
}

std::wstring BothViewsMessage(const CatalogueTree& tree, const std::wstring& id, const ViewedNode& found) {
    std::wstring text = id + L" is registered in both registry views; choose one with --view:\r\n";
    for (int node : found.nodes)
        text += L"  --view " + std::wstring(ViewNumber(tree.Node(node).view)) + L"  " + tree.Node(node).text + L"\r\n";
    return text;
}

} // namespace nivex
