#pragma once
// Sounds of the operations, played when the setting "PlaySounds" is on.
#include <string>

#include "common/desktop.h"
#include "registry/sound_names.h"

namespace nivex {

// Plays a sound file below the program's folder ("Media\nivex_ref.wav") through the desktop when the setting
// "PlaySounds" equals 1. A missing file or a silent machine is not reported.
void PlaySoundRelative(Desktop& desktop, const std::wstring& relativePath);

} // namespace nivex
