#include "common/desktop.h"

namespace velmora {

namespace {
// Used before a real desktop is installed: never blocks, never starts anything.
class SilentDesktop final : public Desktop {
public:
    MsgAnswer Message(WindowRef, const std::wstring&, const std::wstring&, MsgButtons buttons, MsgIcon) override {
        switch (buttons) {
        case MsgButtons::YesNo: return MsgAnswer::No;
        case MsgButtons::YesNoCancel:
        case MsgButtons::OkCancel:
        case MsgButtons::RetryCancel: return MsgAnswer::Cancel;
        case MsgButtons::AbortRetryIgnore: return MsgAnswer::Abort;
        case MsgButtons::Ok: break;
        }
        return MsgAnswer::Ok;
    }
    std::wstring OpenFile(const FileDialogRequest&) override { return kDialogCancelled; }
    std::wstring SaveFile(const FileDialogRequest&) override { return kDialogCancelled; }
    std::wstring BrowseFolder(WindowRef, const std::wstring&) override { return {}; }
    long long Execute(WindowRef, const std::wstring&, const std::wstring&, const std::wstring&) override { return 0; }
    void PlaySoundFile(const std::wstring&) override {}
    bool SetClipboardText(WindowRef, const std::wstring&) override { return false; }
};

SilentDesktop silentDesktop;
Desktop* current = nullptr;
} // namespace

Desktop& TheDesktop() { return current ? *current : silentDesktop; }

Desktop* SetDesktop(Desktop* desktop) {
    Desktop* previous = current;
    current = desktop;
    return previous;
}

} // namespace velmora
