#include "registry/sounds.h"

#include "common/desktop.h"
#include "common/paths.h"
#include "registry/settings.h"

namespace nivex {

void PlaySoundRelative(Desktop& desktop, const std::wstring& relativePath) {
    if (relativePath.empty()) return;
    try {
        if (SettingNumber(kSectionOptions, kKeyPlaySounds) != 1) return;
        desktop.PlaySoundFile(JoinPath(ProgramFolder(), relativePath));
    } catch (...) {
        // A sound is never worth a message.
    }
}

} // namespace nivex
