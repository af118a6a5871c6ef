#include "support/scripted_desktop.h"

#include <gtest/gtest.h>

#include "common/text.h"

namespace nivex::testing {

ScriptedDesktop::ScriptedDesktop() : previous_(SetDesktop(this)) {}

ScriptedDesktop::~ScriptedDesktop() { SetDesktop(previous_); }

MsgAnswer ScriptedDesktop::Message(WindowRef, const std::wstring& text, const std::wstring& title, MsgButtons buttons,
                                   MsgIcon icon) {
    messages.push_back({text, title, buttons, icon});
    if (answers.empty()) {
        // Plain notices need no scripted answer; questions do.
        if (buttons != MsgButtons::Ok) ADD_FAILURE() << "unscripted question: " << WideToUtf8(text);
        return buttons == MsgButtons::Ok ? MsgAnswer::Ok : MsgAnswer::Cancel;
    }
    const MsgAnswer answer = answers.front();
    answers.pop_front();
    return answer;
}

std::wstring ScriptedDesktop::OpenFile(const FileDialogRequest& request) {
    fileDialogs.push_back(request);
    if (fileAnswers.empty()) return kDialogCancelled;
    std::wstring answer = fileAnswers.front();
    fileAnswers.pop_front();
    return answer;
}

std::wstring ScriptedDesktop::SaveFile(const FileDialogRequest& request) { return OpenFile(request); }

std::wstring ScriptedDesktop::BrowseFolder(WindowRef, const std::wstring&) {
    if (folderAnswers.empty()) return {};
    std::wstring answer = folderAnswers.front();
    folderAnswers.pop_front();
    return answer;
}

long long ScriptedDesktop::Execute(WindowRef, const std::wstring& verb, const std::wstring& file,
                                   const std::wstring& parameters) {
    executions.push_back({verb, file, parameters});
    return executeResult;
}

ElevatedRun ScriptedDesktop::RunElevated(WindowRef, const std::wstring& file, const std::wstring& parameters,
                                         unsigned long) {
    executions.push_back({L"runas", file, parameters});
    return onElevated ? onElevated(executions.back()) : ElevatedRun{};
}

void ScriptedDesktop::PlaySoundFile(const std::wstring& path) { sounds.push_back(path); }

bool ScriptedDesktop::SetClipboardText(WindowRef, const std::wstring& text) {
    if (clipboardBusy) return false;
    clipboard = text;
    return true;
}

std::vector<std::wstring> ScriptedDesktop::MessageTexts() const {
    std::vector<std::wstring> texts;
    for (const auto& m : messages) texts.push_back(m.text);
    return texts;
}

} // namespace nivex::testing
