#include "common/desktop.h"

namespace velmora {

ElevatedRun Desktop::RunElevated(WindowRef, const std::wstring&, const std::wstring&, unsigned long) { return {}; }

MsgAnswer SilentDesktop::Message(WindowRef, const std::wstring& text, const std::wstring& title, MsgButtons buttons,
                                 MsgIcon) {
    if (onMessage_) onMessage_(title, text);
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

namespace {
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
