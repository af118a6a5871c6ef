#include "cli/cli_options.h"

namespace nivex {

namespace {
CliParseResult Fail(std::wstring message) {
    CliParseResult result;
    result.error = std::move(message);
    return result;
}
} // namespace

CliParseResult ParseCliArguments(const std::vector<std::wstring>& args) {
    CliParseResult result;
    CliOptions& o = result.options;
    if (args.empty()) return Fail(L"No command given.");
    const std::wstring& command = args[0];
    if (command == L"--help" || command == L"-h" || command == L"/?" || command == L"help") {
        o.command = CliCommand::Help;
        return result;
    }
    if (command == L"--version") {
        o.command = CliCommand::Version;
        return result;
    }
    if (command == L"list") o.command = CliCommand::List;
    else if (command == L"report") o.command = CliCommand::Report;
    else return Fail(L"Unknown command '" + command + L"'.");

    bool formatGiven = false;
    for (size_t i = 1; i < args.size(); ++i) {
        const std::wstring& a = args[i];
        auto value = [&](std::wstring& target) -> bool {
            if (i + 1 >= args.size() || args[i + 1].empty()) return false;
            target = args[++i];
            return true;
        };
        if (a == L"--help" || a == L"-h") {
            o.command = CliCommand::Help;
            return result;
        }
        if (o.command == CliCommand::List) {
            if (a == L"--missing") o.missingOnly = true;
            else if (a == L"--json" || a == L"--csv") {
                if (formatGiven) return Fail(L"Choose one of --json and --csv.");
                formatGiven = true;
                o.format = a == L"--json" ? ListFormat::Json : ListFormat::Csv;
            } else return Fail(L"Unknown option '" + a + L"' for list.");
        } else {
            if (a == L"--html") o.html = true;
            else if (a == L"--text") o.text = true;
            else if (a == L"--only-missing") o.onlyMissing = true;
            else if (a == L"--only-libraries") o.onlyLibraries = true;
            else if (a == L"--out") {
                if (!value(o.out)) return Fail(L"--out needs a file name.");
            } else if (a == L"--template") {
                if (!value(o.templatePath)) return Fail(L"--template needs a file name.");
            } else return Fail(L"Unknown option '" + a + L"' for report.");
        }
    }
    if (o.command == CliCommand::Report) {
        if (o.html == o.text) return Fail(L"Choose exactly one of --html and --text.");
        if (o.out.empty()) return Fail(L"report needs --out FILE.");
    }
    return result;
}

std::wstring CliUsageText() {
    return L"nivexcmd - Velmora Control Manager for scripts and headless machines\r\n"
           L"\r\n"
           L"Usage:\r\n"
           L"  nivexcmd list [--missing] [--json | --csv]\r\n"
           L"      Scans HKEY_CLASSES_ROOT\\CLSID and lists the controls under their libraries.\r\n"
           L"      --missing   only the controls whose server file is missing\r\n"
           L"      --json      the whole catalogue (both trees, counts, errors) as one JSON object\r\n"
           L"      --csv       one line per control\r\n"
           L"  nivexcmd report (--html | --text) --out FILE [--template FILE] [--only-missing] [--only-libraries]\r\n"
           L"      Writes a report of the catalogue from a template (default: the template set in the options).\r\n"
           L"  nivexcmd --help | --version\r\n"
           L"\r\n"
           L"Exit codes: 0 success; 1 the operation failed (invalid template, report not written);\r\n"
           L"            2 bad usage. Errors go to standard error.\r\n";
}

} // namespace nivex
