#pragma once
// The tips of the day: the lines of the tips file and the random choice among them.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace nivex {

// The tips file beside the program.
inline const wchar_t* const kTipsFileName = L"nivex_10.tod";
// Shown in place of a tip when the file cannot be read.
std::wstring TipsNotFoundText();

// The lines of a tips file, in order. CR LF, LF and CR all end a line (a checkout may have converted
// them); an empty line is a tip of its own, but a line end at the very end adds no empty tip.
std::vector<std::wstring> SplitTipLines(std::wstring_view text);

// A tip as this program shows it: "%BITS" becomes its own bitness (32 or 64) and "%OTHER_BITS" the other one,
// so that one tips file speaks right for the x86 and the x64 program.
std::wstring TipForProgram(std::wstring_view tip, int bits);

// The tip number (1 to count) for a random number in [0, 1): the integer part of random * count + 1.
// Every tip is equally likely; 0 for an empty list.
long ChooseTipNumber(double random, std::size_t count);

class TipList {
public:
    void Assign(std::vector<std::wstring> tips);
    std::size_t Count() const { return tips_.size(); }
    bool Empty() const { return tips_.empty(); }
    // CurrentTip: numbered from 1; 0 before any choice.
    long CurrentTip() const { return current_; }
    // Chooses the next tip with a random number in [0, 1) and returns its number.
    long Next(double random);
    // The text of tip CurrentTip; nullptr while the list is empty or nothing is chosen.
    const std::wstring* CurrentText() const;

private:
    std::vector<std::wstring> tips_;
    long current_ = 0;
};

} // namespace nivex
