#include "support/scripted_desktop.h"

#include <gtest/gtest.h>

#include "common/text.h"

namespace nivex::testing {

namespace {
// The next scripted answer, or fallback when none is left.
template <typename T> T Next(std::deque<T>& answers, T fallback) {
    if (answers.empty()) return fallback;
    T answer = std::move(answers.front());
    answers.pop_front();
    return answer;
}
} // namespace

ScriptedDesktop::ScriptedDesktop() : previous_(SetDesktop(this)) {}

ScriptedDesktop::~ScriptedDesktop() { SetDesktop(previous_); }

MsgAnswer ScriptedDesktop::Message(WindowRef, const std::wstring& text, const std::wstring& title, MsgButtons buttons,
                                   MsgIcon icon) {
    messages.push_back({text, title, buttons, icon});
    // Plain notices need no scripted answer; questions do.
    if (answers.empty() && buttons != MsgButtons::Ok) ADD_FAILURE() << "unscripted question: " << WideToUtf8(text);
    return Next(answers, buttons == MsgButtons::Ok ? MsgAnswer::Ok : MsgAnswer::Cancel);
}

std::wstring ScriptedDesktop::OpenFile(const FileDialogRequest& request) {
    fileDialogs.push_back(request);
    return Next(fileAnswers, std::wstring(kDialogCancelled));
}

std::wstring ScriptedDesktop::SaveFile(const FileDialogRequest& request) { return OpenFile(request); }

std::wstring ScriptedDesktop::BrowseFolder(WindowRef, const std::wstring&) { return Next(folderAnswers, std::wstring()); }

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
