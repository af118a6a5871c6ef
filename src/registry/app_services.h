#pragma once
// Small services that the main window and the operations share: sounds and temporary files.
// No window here, so the registration flows and the console companion link it too.
#include <string>
#include <vector>

namespace nivex {

// Plays a sound file below the program's folder ("Media\nivex_ref.wav") asynchronously when the setting
// "PlaySounds" equals 1. A missing file or a silent machine is not reported.
void PlaySoundRelative(const std::wstring& relativePath);

// The sounds the operations play.
inline const wchar_t* const kSoundRefresh = L"Media\\nivex_ref.wav";
inline const wchar_t* const kSoundRegistered = L"Media\\nivex_regS.wav";
inline const wchar_t* const kSoundUnregistered = L"Media\\nivex_unregS.wav";
inline const wchar_t* const kSoundFailed = L"Media\\nivex_fail.wav";
inline const wchar_t* const kSoundKeysDeleted = L"Media\\nivex_delkeys.wav";

// Files created during the run that are deleted at exit, in the order they were added.
class TempFiles {
public:
    void Add(const std::wstring& path) { files_.push_back(path); }
    const std::vector<std::wstring>& Files() const { return files_; }
    // Deletes every file; failures are ignored. The list is empty afterwards.
    void DeleteAll();

private:
    std::vector<std::wstring> files_;
};

// Opens the shell's properties sheet of a file (the "properties" verb through the item's context menu).
// False when the shell refused.
bool ShowFileProperties(void* owner, const std::wstring& path);

} // namespace nivex
