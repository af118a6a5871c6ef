#pragma once
// The sound files the operations play, below the program's folder. Names only: playing is sounds.h.

namespace nivex {

inline const wchar_t* const kSoundRefresh = L"Media\\nivex_ref.wav";
inline const wchar_t* const kSoundRegistered = L"Media\\nivex_regS.wav";
inline const wchar_t* const kSoundUnregistered = L"Media\\nivex_unregS.wav";
inline const wchar_t* const kSoundFailed = L"Media\\nivex_fail.wav";
inline const wchar_t* const kSoundKeysDeleted = L"Media\\nivex_delkeys.wav";

} // namespace nivex
