#pragma once
#include "common/desktop.h"
#include "common/elevation.h"

namespace velmora {

// The real desktop: message boxes, common dialogs, the shell, sounds and the clipboard.
class Win32Desktop final : public Desktop {
public:
    MsgAnswer Message(WindowRef owner, const std::wstring& text, const std::wstring& title, MsgButtons buttons,
                      MsgIcon icon) override;
    std::wstring OpenFile(const FileDialogRequest& request) override;
    std::wstring SaveFile(const FileDialogRequest& request) override;
    std::wstring BrowseFolder(WindowRef owner, const std::wstring& title) override;
    long long Execute(WindowRef owner, const std::wstring& verb, const std::wstring& file,
                      const std::wstring& parameters) override;
    void PlaySoundFile(const std::wstring& path) override;
    bool SetClipboardText(WindowRef owner, const std::wstring& text) override;
    bool RunsAsAdministrator() override { return ProcessIsElevated(); }
    ElevatedRun RunElevated(WindowRef owner, const std::wstring& file, const std::wstring& parameters,
                            unsigned long timeoutMs) override {
        return RunProgramElevated(owner, file, parameters, timeoutMs);
    }
};

} // namespace velmora
