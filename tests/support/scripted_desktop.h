#pragma once
// A desktop that answers questions from a script and records everything it was asked to do.
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "common/desktop.h"

namespace nivex::testing {

struct AskedMessage {
    std::wstring text;
    std::wstring title;
    MsgButtons buttons;
    MsgIcon icon;
};

struct Execution {
    std::wstring verb;
    std::wstring file;
    std::wstring parameters;
};

class ScriptedDesktop final : public Desktop {
public:
    ScriptedDesktop();
    ~ScriptedDesktop() override;

    // Answers, in order, for Message; a question with no scripted answer fails the test and gets Ok/Cancel.
    std::deque<MsgAnswer> answers;
    // Paths (or "0") returned by OpenFile and SaveFile, in order; empty queue means cancel.
    std::deque<std::wstring> fileAnswers;
    std::deque<std::wstring> folderAnswers;
    long long executeResult = 42;

    std::vector<AskedMessage> messages;
    std::vector<FileDialogRequest> fileDialogs;
    std::vector<Execution> executions;
    std::vector<std::wstring> sounds;
    std::wstring clipboard;
    // When true, SetClipboardText fails as if another program held the clipboard.
    bool clipboardBusy = false;
    // What RunsAsAdministrator answers; RunElevated records an execution with the verb "runas" and returns
    // what onElevated gives (not started when it is empty).
    bool administrator = true;
    std::function<ElevatedRun(const Execution&)> onElevated;

    MsgAnswer Message(WindowRef owner, const std::wstring& text, const std::wstring& title, MsgButtons buttons,
                      MsgIcon icon) override;
    std::wstring OpenFile(const FileDialogRequest& request) override;
    std::wstring SaveFile(const FileDialogRequest& request) override;
    std::wstring BrowseFolder(WindowRef owner, const std::wstring& title) override;
    long long Execute(WindowRef owner, const std::wstring& verb, const std::wstring& file,
                      const std::wstring& parameters) override;
    void PlaySoundFile(const std::wstring& path) override;
    bool SetClipboardText(WindowRef owner, const std::wstring& text) override;
    bool RunsAsAdministrator() override { return administrator; }
    ElevatedRun RunElevated(WindowRef owner, const std::wstring& file, const std::wstring& parameters,
                            unsigned long timeoutMs) override;

    // Texts of all messages shown, for compact assertions.
    std::vector<std::wstring> MessageTexts() const;

private:
    Desktop* previous_;
};

} // namespace nivex::testing
