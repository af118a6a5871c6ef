#pragma once
// The parts of reading a version resource that need no platform: which translation's strings to read,
// and making a block that was read short safe to walk.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace nivex {

// A version block is read only this far; larger resources lose their tail.
constexpr std::size_t kVersionBlockCap = 64000;
// Zero bytes kept after the block, so a key that runs off its end still finds a terminating NUL.
constexpr std::size_t kVersionBlockGuard = 4;
// Smallest block that holds a root node's header and the start of its key.
constexpr std::size_t kVersionBlockMinimum = 8;

// Queried when the resource has no translation table.
inline constexpr wchar_t kDefaultTranslationKey[] = L"04090000";

// The key of the string table to read, from the bytes of the "\VarFileInfo\Translation" value
// (nullopt when the resource has no such value): the first U.S. English (0x0409) pair, else the last
// pair; "00000000" when the value holds no whole pair. A part pair at the end is never read.
std::wstring ChooseTranslationKey(std::optional<std::span<const std::uint8_t>> table);

// Shortens the recorded lengths of the nodes of a version block (the root and three levels below,
// as deep as a string query goes) so that none reaches past its parent or past the bytes held.
// Needed when the resource is larger than the cap: the platform's query walks by those lengths.
// Works on both the 32-bit layout and the 16-bit one of old executables.
void ConfineVersionBlock(std::span<std::uint8_t> block);

} // namespace nivex
