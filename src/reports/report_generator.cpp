#include "reports/report_generator.h"

#include <windows.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <vector>

#include "catalogue/control_registration.h"
#include "catalogue/server_path.h"
#include "common/error.h"
#include "common/format.h"
#include "common/handles.h"
#include "common/text.h"
#include "common/winutil.h"
#include "inspect/file_facts.h"
#include "nivex_version.h"
#include "registry/settings.h"
#include "reports/report_template.h"

namespace nivex {

namespace {

const wchar_t* const kReportSource = L"modGenerateReport";

Error SystemError(DWORD code, const std::wstring& what) {
    return Error(static_cast<long>(code), kReportSource, what + L": " + SystemErrorText(code));
}

std::wstring TodayShortDate() {
    wchar_t buffer[128] = {};
    const int length = GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, nullptr, nullptr, buffer, 128);
    return length > 0 ? std::wstring(buffer) : std::wstring();
}

std::wstring AppVersion() {
    return std::to_wstring(NIVEX_VERSION_MAJOR) + L"." + std::to_wstring(NIVEX_VERSION_MINOR);
}

// Buffers the report and writes it through one open handle.
class ReportFile {
public:
    explicit ReportFile(const std::wstring& path) {
        file_.Reset(CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file_) throw SystemError(GetLastError(), L"Cannot create the report file '" + path + L"'");
    }
    // A block and the empty line that follows every block.
    void WriteBlock(const std::wstring& text) {
        if (failed_) return;
        buffer_ += WideToAnsi(text);
        buffer_ += "\r\n";
        if (buffer_.size() >= 64 * 1024) Flush();
    }
    void Flush() {
        size_t done = 0;
        while (done < buffer_.size()) {
            DWORD written = 0;
            const DWORD chunk = static_cast<DWORD>(std::min<size_t>(buffer_.size() - done, 1u << 20));
            if (!WriteFile(file_.Get(), buffer_.data() + done, chunk, &written, nullptr) || written == 0) {
                failed_ = true;
                buffer_.clear();
                throw SystemError(GetLastError(), L"Cannot write the report file");
            }
            done += written;
        }
        buffer_.clear();
    }
    // After a failed write every later one would fail too.
    bool Failed() const { return failed_; }

private:
    bool failed_ = false;
    FileHandle file_;
    std::string buffer_;
};

// What one report run shares: one handle of CLSID per view for the class values, one listing per folder for
// the files.
struct ReportReaders {
    std::optional<ClassValueReader> classes[2];
    FileExistenceCache files;

    const ClassValueReader& Classes(RegistryView view) {
        std::optional<ClassValueReader>& reader = classes[view == RegistryView::Bits32 ? 1 : 0];
        if (!reader) reader.emplace(view);
        return *reader;
    }
};

std::wstring ViewText(RegistryView view) {
    return std::wstring(ViewNumber(view)) + L"-bit";
}

LibraryValues ReadLibraryValues(const CatalogueTree& tree, int libraryIndex, ReportReaders& readers) {
    const CatalogueNode& library = tree.Node(libraryIndex);
    LibraryValues v;
    v.name = library.text;
    v.view = ViewText(library.view);
    // The report names the file as registered (as the scan read it); its facts come from the file that path
    // stands for, the dates from the folder listing that found it.
    v.fileName = tree.Node(library.firstChild).serverPath;
    const std::wstring file = ResolveServerPath(v.fileName, library.view);
    ListedFile listed;
    v.fileMissing = !readers.files.IsOrdinaryFile(file, &listed);
    if (!v.fileMissing) {
        v.size = SizeKbText(listed.length);
        const FileReportFacts facts =
            ReadFileReportFacts(file, {L"FileDescription", L"FileVersion", L"LegalCopyright"}, &listed);
        v.created = facts.dates.created;
        v.accessed = facts.dates.accessed;
        v.modified = facts.dates.modified;
        v.description = facts.fields[0];
        v.version = facts.fields[1];
        v.copyright = facts.fields[2];
    }
    return v;
}

// The name and the library identifier are what the scan read into the node (its text and its tag);
// only the values the scan does not keep are read.
ControlValues ReadControlValues(const CatalogueNode& control, ReportReaders& readers) {
    ControlValues v;
    const ClassValueReader& classes = readers.Classes(control.view);
    v.name = control.text;
    v.version = classes.Read(control.key, L"Version").value_or(L"");
    v.clsid = control.key;
    v.progId = classes.Read(control.key, L"ProgID").value_or(L"");
    v.typeLib = control.tag;
    v.toolboxBitmap = classes.Read(control.key, L"ToolboxBitmap32").value_or(L"");
    v.view = ViewText(control.view);
    return v;
}

} // namespace

std::wstring ReadTemplateFile(const std::wstring& path) {
    FileHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) throw SystemError(GetLastError(), L"Cannot open the template file '" + path + L"'");
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.Get(), &size)) throw SystemError(GetLastError(), L"Cannot read the template file");
    // A template is a small text file; refuse anything absurd rather than exhaust memory.
    if (size.QuadPart > 64ll * 1024 * 1024)
        throw Error(ERROR_FILE_TOO_LARGE, kReportSource, L"The template file '" + path + L"' is too large");
    std::string bytes(static_cast<size_t>(size.QuadPart), '\0');
    size_t done = 0;
    while (done < bytes.size()) {
        DWORD got = 0;
        if (!ReadFile(file.Get(), bytes.data() + done, static_cast<DWORD>(bytes.size() - done), &got, nullptr))
            throw SystemError(GetLastError(), L"Cannot read the template file");
        if (got == 0) break;
        done += got;
    }
    bytes.resize(done);
    if (bytes.size() >= 3 && bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) return Utf8ToWide(std::string_view(bytes).substr(3));
    return AnsiToWide(bytes);
}

bool IsValidTemplate(const std::wstring& path) { return TemplateFileProblem(path).empty(); }

std::wstring TemplateFileProblem(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD code = GetLastError();
        if (code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND || code == ERROR_INVALID_NAME)
            return L"The file does not exist.";
        return L"The file cannot be read: " + SystemErrorText(code);
    }
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) return L"It is a folder, not a file.";
    try {
        return TemplateTextProblem(ReadTemplateFile(path));
    } catch (const Error& e) {
        if (e.Number() == ERROR_FILE_TOO_LARGE) return L"The file is too large for a template.";
        return L"The file cannot be read: " + SystemErrorText(static_cast<DWORD>(e.Number()));
    }
}

std::wstring InvalidTemplateText(const std::wstring& path, const std::wstring& problem) {
    return L"Invalid Template File\n" + path + L"\n" + problem;
}

std::wstring TemplatePathFor(DocType type) {
    return ReadSetting(L"Options", type == DocType::Html ? L"HTMLTemplate" : L"TEXTTemplate");
}

bool WriteReport(const Catalogue& catalogue, DocType type, const std::wstring& templatePath,
                 const std::wstring& outPath, const ReportOptions& options, const ReportErrorSink& onError,
                 const ReportProgress& progress) {
    const bool html = type == DocType::Html;
    auto fail = [&](const Error& e) {
        if (onError) onError(e.Number(), e.Description());
    };
    TemplateSections sections;
    try {
        sections = ParseTemplate(ReadTemplateFile(templatePath));
    } catch (const Error& e) {
        fail(e);
        return false;
    }
    std::unique_ptr<ReportFile> out;
    try {
        out = std::make_unique<ReportFile>(outPath);
        HeadValues head{TodayShortDate(), catalogue.controls, catalogue.libraries, catalogue.missing, AppVersion(),
                        CodePageWebName(GetACP())};
        out->WriteBlock(ApplyTokens(sections.head, HeadTokens(head), html));
    } catch (const Error& e) {
        // Without a report file every later step would fail the same way: stop after one message.
        fail(e);
        if (!out) return false;
    }

    const CatalogueTree& tree = catalogue.Tree(Catalogue::kAll);
    ReportReaders readers;
    for (int index : tree.Roots()) {
        if (progress) progress(index);
        const CatalogueNode& library = tree.Node(index);
        if (library.childCount == 0) continue;
        if (options.onlyMissing && library.tag != kStatusMissing) continue;
        try {
            out->WriteBlock(ApplyTokens(sections.library, LibraryTokens(ReadLibraryValues(tree, index, readers)), html));
        } catch (const Error& e) {
            fail(e);
            if (out->Failed()) return false;
        }
        if (options.onlyLibraries) continue;
        for (int child = library.firstChild; child != 0; child = tree.Node(child).nextSibling) {
            try {
                out->WriteBlock(ApplyTokens(sections.control, ControlTokens(ReadControlValues(tree.Node(child), readers)), html));
            } catch (const Error& e) {
                fail(e);
                if (out->Failed()) return false;
            }
        }
    }
    try {
        out->WriteBlock(sections.foot);
        out->Flush();
    } catch (const Error& e) {
        fail(e);
        return false;
    }
    return true;
}

void GenerateReport(const Catalogue& catalogue, DocType type, const ReportOptions& options, WindowRef owner,
                    Desktop& desktop, const ReportProgress& progress) {
    const std::wstring templatePath = TemplatePathFor(type);
    const std::wstring problem = TemplateFileProblem(templatePath);
    if (!problem.empty()) {
        desktop.Message(owner, InvalidTemplateText(templatePath, problem), L"Error", MsgButtons::Ok, MsgIcon::Critical);
        return;
    }
    FileDialogRequest request;
    request.owner = owner;
    request.title = L"Save File As";
    request.filter = type == DocType::Html ? L"HTML Document (*.htm)|*.htm" : L"Text Document (*.txt)|*.txt";
    request.defaultExt = type == DocType::Html ? L"htm" : L"txt";
    const std::wstring outPath = desktop.SaveFile(request);
    if (outPath == kDialogCancelled || outPath.empty()) return;

    const bool written = WriteReport(catalogue, type, templatePath, outPath, options, [&](long number, const std::wstring& description) {
        desktop.Message(owner, NumberDashDescription(number, description), L"Error Generating Report", MsgButtons::Ok,
                        MsgIcon::Exclamation);
    }, progress);
    if (written && options.showWhenFinished) desktop.Execute(owner, L"open", outPath, L"");
}

} // namespace nivex
