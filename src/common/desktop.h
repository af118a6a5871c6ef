#pragma once
// The desktop seam: everything that asks a person something or starts something outside the program.
// The real implementation calls Win32; tests install a scripted one.
#include <functional>
#include <string>
#include <utility>

#include "common/base_namespace.h"

namespace velmora {

using WindowRef = void*;

enum class MsgButtons { Ok = 0, OkCancel = 1, AbortRetryIgnore = 2, YesNoCancel = 3, YesNo = 4, RetryCancel = 5 };
enum class MsgIcon { None = 0, Critical = 0x10, Question = 0x20, Exclamation = 0x30, Information = 0x40 };
enum class MsgAnswer { Ok = 1, Cancel = 2, Abort = 3, Retry = 4, Ignore = 5, Yes = 6, No = 7 };

struct FileDialogRequest {
    WindowRef owner = nullptr;
    std::wstring filter;        // display text and pattern pairs, all separated by "|"
    std::wstring title;
    std::wstring initialFolder; // the program's folder when empty
    std::wstring defaultExt;
};

// The text the file dialogs return when the user cancels; callers compare with it.
inline const wchar_t* const kDialogCancelled = L"0";

// How a program started with administrator rights ended.
struct ElevatedRun {
    bool started = false;       // false: the user declined, or the shell could not start it
    unsigned long error = 0;    // why it did not start (the system's error code)
    bool timedOut = false;      // still running at the time limit: it was ended
    unsigned long exitCode = 0; // when it ended by itself
};

class Desktop {
public:
    virtual ~Desktop() = default;
    virtual MsgAnswer Message(WindowRef owner, const std::wstring& text, const std::wstring& title, MsgButtons buttons,
                              MsgIcon icon) = 0;
    virtual std::wstring OpenFile(const FileDialogRequest& request) = 0;
    virtual std::wstring SaveFile(const FileDialogRequest& request) = 0;
    // Empty text when cancelled.
    virtual std::wstring BrowseFolder(WindowRef owner, const std::wstring& title) = 0;
    // The shell's result code (greater than 32 on success).
    virtual long long Execute(WindowRef owner, const std::wstring& verb, const std::wstring& file,
                              const std::wstring& parameters) = 0;
    virtual void PlaySoundFile(const std::wstring& path) = 0;
    virtual bool SetClipboardText(WindowRef owner, const std::wstring& text) = 0;
    // True when this process holds administrator rights already, so asking for them gains nothing.
    virtual bool RunsAsAdministrator() { return true; }
    // Starts file with parameters through the shell's "runas" verb (the system asks for administrator
    // rights), waits at most timeoutMs for it to end, and ends it when it runs longer.
    virtual ElevatedRun RunElevated(WindowRef owner, const std::wstring& file, const std::wstring& parameters,
                                    unsigned long timeoutMs);
};

// Never blocks, never starts anything: every question gets its safest answer. The default desktop, and
// the console companion's (which prints each message through onMessage).
class SilentDesktop : public Desktop {
public:
    using MessageSink = std::function<void(const std::wstring& title, const std::wstring& text)>;
    explicit SilentDesktop(MessageSink onMessage = {}) : onMessage_(std::move(onMessage)) {}
    MsgAnswer Message(WindowRef owner, const std::wstring& text, const std::wstring& title, MsgButtons buttons,
                      MsgIcon icon) override;
    std::wstring OpenFile(const FileDialogRequest&) override { return kDialogCancelled; }
    std::wstring SaveFile(const FileDialogRequest&) override { return kDialogCancelled; }
    std::wstring BrowseFolder(WindowRef, const std::wstring&) override { return {}; }
    long long Execute(WindowRef, const std::wstring&, const std::wstring&, const std::wstring&) override { return 0; }
    void PlaySoundFile(const std::wstring&) override {}
    bool SetClipboardText(WindowRef, const std::wstring&) override { return false; }

private:
    MessageSink onMessage_;
};

// The process-wide desktop. Without an installed one, every question gets its safest answer.
Desktop& TheDesktop();
// Installs a desktop (not owned); nullptr restores the default. Returns the previous one.
Desktop* SetDesktop(Desktop* desktop);

} // namespace velmora
