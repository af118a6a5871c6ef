#include "cli/repair_options.h"

#include "registration/repair_rules.h"

namespace nivex {

namespace {
RepairParse Fail(std::wstring message) {
    RepairParse result;
    result.error = std::move(message);
    return result;
}
} // namespace

bool IsRepairCommand(const std::wstring& name, CliCommand& command) {
    if (name == L"remove-keys")
        command = CliCommand::RemoveKeys;
    else if (name == L"edit")
        command = CliCommand::Edit;
    else if (name == L"restore")
        command = CliCommand::Restore;
    else if (name == L"find-file")
        command = CliCommand::FindFile;
    else if (name == L"relink")
        command = CliCommand::Relink;
    else
        return false;
    return true;
}

RepairParse ParseRepairArguments(CliCommand command, const std::vector<std::wstring>& args) {
    RepairParse result;
    RepairOptions& o = result.options;
    std::vector<std::wstring> positional;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::wstring& a = args[i];
        if (a == L"--help" || a == L"-h") {
            o.help = true;
            return result;
        }
        if (a == L"--view" && command != CliCommand::Restore) {
            if (i + 1 >= args.size() || !(o.view = ParseViewNumber(args[i + 1])))
                return Fail(L"--view needs 32 or 64.");
            ++i;
        } else if (command == CliCommand::RemoveKeys && a == L"--yes")
            o.yes = true;
        else if (command == CliCommand::FindFile && a == L"--recursive")
            o.recursive = true;
        else if (command == CliCommand::FindFile && a == L"--in") {
            if (i + 1 >= args.size() || args[i + 1].empty()) return Fail(L"--in needs a folder.");
            o.folder = args[++i];
        } else if (command == CliCommand::Relink && (a == L"--copy-to-system" || a == L"--in-place")) {
            if (o.placement != CliPlacement::Default) return Fail(L"Choose one of --copy-to-system and --in-place.");
            o.placement = a == L"--in-place" ? CliPlacement::InPlace : CliPlacement::CopyToSystem;
        } else if (a == L"--elevate" && (command == CliCommand::Relink || command == CliCommand::RemoveKeys ||
                                          command == CliCommand::Edit || command == CliCommand::Restore)) {
            o.elevate = true;
        } else if (a.size() > 2 && a.starts_with(L"--")) {
            return Fail(L"Unknown option '" + a + L"'.");
        } else {
            positional.push_back(a);
        }
    }
    size_t wanted = 0;
    std::wstring usage;
    switch (command) {
    case CliCommand::RemoveKeys:
        wanted = 1;
        usage = L"remove-keys needs one library identifier (LIBID).";
        break;
    case CliCommand::Edit:
        wanted = 3;
        usage = L"edit needs CLSID, ELEMENT and VALUE.";
        break;
    case CliCommand::Restore:
        wanted = 1;
        usage = L"restore needs one backup file.";
        break;
    case CliCommand::FindFile:
        wanted = 1;
        usage = L"find-file needs one class identifier (CLSID).";
        break;
    case CliCommand::Relink:
        wanted = 2;
        usage = L"relink needs CLSID and FILE.";
        break;
    default:
        return Fail(L"Not a repair command.");
    }
    if (positional.size() != wanted) return Fail(usage);
    // Only edit's VALUE may be empty (it clears the value).
    for (size_t i = 0; i < positional.size(); ++i)
        if (positional[i].empty() && !(command == CliCommand::Edit && i == 2)) return Fail(usage);
    if (command == CliCommand::Restore) {
        o.file = positional[0];
        return result;
    }
    o.id = positional[0];
    if (!IsBracedGuid(o.id))
        return Fail(L"'" + o.id + L"' is not an identifier in braces ({xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}).");
    if (command == CliCommand::Edit) {
        o.element = positional[1];
        o.value = positional[2];
        if (!EditDataKeyPath(o.element, o.id)) {
            std::wstring names;
            for (const std::wstring& e : EditableElements())
                names += (names.empty() ? L"\"" : L", \"") + e + L"\"";
            return Fail(L"ELEMENT must be one of " + names + L".");
        }
    }
    if (command == CliCommand::Relink) o.file = positional[1];
    if (command == CliCommand::FindFile && o.folder.empty()) return Fail(L"find-file needs --in FOLDER.");
    return result;
}

} // namespace nivex
