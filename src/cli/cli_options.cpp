#include "cli/cli_options.h"

#include "cli/repair_options.h"
#include "common/text.h"

namespace nivex {

namespace {
CliParseResult Fail(std::wstring message) {
    CliParseResult result;
    result.error = std::move(message);
    return result;
}
} // namespace

bool ParseViewOption(const std::wstring& text, std::optional<RegistryView>& view) {
    if (text == L"both") {
        view.reset();
        return true;
    }
    view = ParseViewNumber(text);
    return view.has_value();
}

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
    if (IsRepairCommand(command, o.command)) {
        o.rest.assign(args.begin() + 1, args.end());
        return result;
    }
    if (command == L"list") o.command = CliCommand::List;
    else if (command == L"report") o.command = CliCommand::Report;
    else if (command == L"register") o.command = CliCommand::Register;
    else if (command == L"unregister") o.command = CliCommand::Unregister;
    else if (command == L"testpage") o.command = CliCommand::TestPage;
    else if (command == L"capture") o.command = CliCommand::Capture;
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
        if (a == L"--view" && o.command != CliCommand::Register && o.command != CliCommand::Unregister) {
            std::wstring text;
            if (!value(text) || !ParseViewOption(text, o.view)) return Fail(L"--view needs 32, 64 or both.");
            continue;
        }
        if (o.command == CliCommand::Register || o.command == CliCommand::Unregister) {
            const bool registering = o.command == CliCommand::Register;
            if (a.starts_with(L"--")) {
                if (registering && (a == L"--copy-to-system" || a == L"--in-place")) {
                    if (o.placement != CliPlacement::Default) return Fail(L"Choose one of --copy-to-system and --in-place.");
                    o.placement = a == L"--in-place" ? CliPlacement::InPlace : CliPlacement::CopyToSystem;
                } else if (a == L"--elevate") {
                    o.elevate = true;
                } else if (!registering && (a == L"--delete" || a == L"--keep")) {
                    if (o.removal != CliRemoval::Default) return Fail(L"Choose one of --delete and --keep.");
                    o.removal = a == L"--keep" ? CliRemoval::Keep : CliRemoval::Delete;
                } else {
                    return Fail(L"Unknown option '" + a + L"' for " + command + L".");
                }
            } else {
                if (!o.file.empty()) return Fail(command + L" takes one file; '" + a + L"' is one too many.");
                if (a.empty()) return Fail(command + L" needs a file name.");
                o.file = a;
            }
        } else if (o.command == CliCommand::Capture) {
            if (a == L"--reg") {
                if (!value(o.regOut)) return Fail(L"--reg needs a file name.");
            } else if (a == L"--json") {
                o.json = true;
            } else if (a.starts_with(L"--")) {
                return Fail(L"Unknown option '" + a + L"' for capture.");
            } else {
                if (!o.file.empty()) return Fail(L"capture takes one file; '" + a + L"' is one too many.");
                if (a.empty()) return Fail(L"capture needs a file name.");
                o.file = a;
            }
        } else if (o.command == CliCommand::TestPage) {
            if (a == L"--out") {
                if (!value(o.out)) return Fail(L"--out needs a file name.");
            } else if (a.starts_with(L"--")) {
                return Fail(L"Unknown option '" + a + L"' for testpage.");
            } else {
                if (!o.classId.empty()) return Fail(L"testpage takes one class identifier; '" + a + L"' is one too many.");
                if (a.empty()) return Fail(L"testpage needs a class identifier.");
                o.classId = a;
            }
        } else if (o.command == CliCommand::List) {
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
    if ((o.command == CliCommand::Register || o.command == CliCommand::Unregister || o.command == CliCommand::Capture) &&
        o.file.empty())
        return Fail(command + L" needs a file name.");
    if (o.command == CliCommand::TestPage) {
        if (o.classId.empty()) return Fail(L"testpage needs a class identifier.");
        if (!IsBracedGuid(o.classId))
            return Fail(L"testpage: '" + o.classId + L"' is not a class identifier (a GUID in braces).");
        if (o.out.empty()) return Fail(L"testpage needs --out FILE.");
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
           L"  nivexcmd list [--missing] [--json | --csv] [--view 32|64|both]\r\n"
           L"      Scans HKEY_CLASSES_ROOT\\CLSID and lists the controls under their libraries. On 64-bit\r\n"
           L"      Windows both registry views are read; the 32-bit view's names end in \" (32-bit)\".\r\n"
           L"      --missing   only the controls whose server file is missing\r\n"
           L"      --json      the whole catalogue (both trees, counts, errors) as one JSON object;\r\n"
           L"                  each node has \"view\": \"32\" or \"64\"\r\n"
           L"      --csv       one line per control; the last column is the view\r\n"
           L"      --view      only the controls of that registry view (default: both)\r\n"
           L"  nivexcmd report (--html | --text) --out FILE [--template FILE] [--only-missing] [--only-libraries]\r\n"
           L"                  [--view 32|64|both]\r\n"
           L"      Writes a report of the catalogue from a template (default: the template set in the options).\r\n"
           L"  nivexcmd register FILE [--copy-to-system | --in-place] [--elevate]\r\n"
           L"      Runs the file's DllRegisterServer. --copy-to-system copies it into the System folder first\r\n"
           L"      (replacing a file of that name) and registers the copy; --in-place registers it where it is.\r\n"
           L"      Without either: the Options setting when it says so, else in place. Never asks.\r\n"
           L"  nivexcmd unregister FILE [--delete | --keep] [--elevate]\r\n"
           L"      Runs the file's DllUnregisterServer. --delete deletes the file afterwards (only when the\r\n"
           L"      unregistration completed); --keep leaves it. Without either: the Options setting when it\r\n"
           L"      says so, else keep. Never asks.\r\n"
           L"      Both print the outcome's title and message (failures on standard error). The server runs\r\n"
           L"      in a helper process of its own machine type; --elevate runs that helper again as an\r\n"
           L"      administrator when the server failed for lack of rights.\r\n"
           L"  nivexcmd capture FILE [--reg OUT.reg] [--json]\r\n"
           L"      A dry run: the keys and values the file's DllRegisterServer would write, each marked new,\r\n"
           L"      changed or same against the registry, which is not changed. --reg writes them as a file\r\n"
           L"      for the registry editor; --json prints them as one JSON object.\r\n"
           L"  nivexcmd deps FILE [--json]\r\n"
           L"      The .dll and .ocx names the file mentions (as the Dependency Viewer lists them) and the\r\n"
           L"      modules its import tables name, each with the file the loader would take.\r\n"
           L"  nivexcmd compare FILE1 FILE2 [--json]\r\n"
           L"      The Compare window's eight rows: name, size, dates, description, version, copyright.\r\n"
           L"  nivexcmd remove-keys LIBID [--yes] [--elevate]\r\n"
           L"      Without --yes lists the keys that would be removed. With it: backs them up, removes the\r\n"
           L"      library's key and its controls' class keys; prints them and the backup file.\r\n"
           L"  nivexcmd edit CLSID ELEMENT VALUE [--elevate]\r\n"
           L"      ELEMENT: \"Control Name\", \"Version\", \"ProgID\", \"TypeLib\" or \"Toolbox Bitmap\".\r\n"
           L"      Backs the key up, writes VALUE, prints the value before and after.\r\n"
           L"  nivexcmd restore FILE [--elevate]\r\n"
           L"      Imports a backup (only keys below HKEY_CLASSES_ROOT).\r\n"
           L"  nivexcmd find-file CLSID --in FOLDER [--recursive]\r\n"
           L"      Looks for the control's server file name; one found path per line.\r\n"
           L"  nivexcmd relink CLSID FILE [--copy-to-system | --in-place] [--elevate]\r\n"
           L"      Removes the keys of the control's library (after a backup) and registers FILE instead;\r\n"
           L"      when FILE does not register, the old keys are put back. Exit codes as register.\r\n"
           L"  nivexcmd testpage CLSID --out FILE [--view 32|64]\r\n"
           L"      Writes the browser test page of a catalogued control (its class identifier in braces),\r\n"
           L"      the page View in Web Browser opens, for a browser of your choice.\r\n"
           L"  --elevate (register, unregister, relink, remove-keys, edit, restore): what failed for lack of\r\n"
           L"      rights is done again by a helper started with administrator rights.\r\n"
           L"  A class or library identifier registered in both registry views needs --view; without it the\r\n"
           L"  command lists both and ends with exit code 2.\r\n"
           L"  nivexcmd --help | --version\r\n"
           L"  nivexcmd host ...\r\n"
           L"      The registration helper, for Nivex's and nivexcmd's own use: loads one server in a process\r\n"
           L"      of its own and reports the outcome to a file.\r\n"
           L"\r\n"
           L"Exit codes: 0 success; 1 the operation failed (invalid template, report not written,\r\n"
           L"            a file of deps or compare that does not exist or cannot be read);\r\n"
           L"            2 bad usage (also: an identifier of both registry views without --view);\r\n"
           L"            3 register/unregister cancelled, nothing changed (the copy into\r\n"
           L"            the System folder failed);\r\n"
           L"            4 no such library or control in the catalogue (find-file: nothing found);\r\n"
           L"            11 file not loadable; 12 not an ActiveX server (entry point missing);\r\n"
           L"            13 the helper could not be started (a missing helper is named); 15 timed out\r\n"
           L"            after 10 seconds; 16 the entry point reported a failure (e.g. access denied);\r\n"
           L"            17 the server crashed its helper. capture: the same, and 1 when --reg could\r\n"
           L"            not be written. Errors go to standard error.\r\n";
}

} // namespace nivex
