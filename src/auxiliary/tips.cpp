#include "auxiliary/tips.h"

#include <utility>

#include "common/text.h"

namespace nivex {

std::wstring TipsNotFoundText() { return std::wstring(kTipsFileName) + L" file was not found!"; }

std::vector<std::wstring> SplitTipLines(std::wstring_view text) {
    std::vector<std::wstring> lines;
    std::size_t start = 0;
    std::size_t i = 0;
    while (i < text.size()) {
        const wchar_t ch = text[i];
        if (ch == L'\r' || ch == L'\n') {
            lines.emplace_back(text.substr(start, i - start));
            i += (ch == L'\r' && i + 1 < text.size() && text[i + 1] == L'\n') ? 2 : 1;
            start = i;
        } else {
            ++i;
        }
    }
    if (start < text.size()) lines.emplace_back(text.substr(start));
    return lines;
}

std::wstring TipForProgram(std::wstring_view tip, int bits) {
    const std::wstring own = std::to_wstring(bits);
    const std::wstring other = bits == 64 ? L"32" : L"64";
    return ReplaceAll(ReplaceAll(tip, L"%OTHER_BITS", other), L"%BITS", own);
}

long ChooseTipNumber(double random, std::size_t count) {
    if (count == 0) return 0;
    if (!(random >= 0.0)) random = 0.0; // NaN and negatives
    const double chosen = random * static_cast<double>(count) + 1.0;
    // A random number a hair below 1 can round up to count + 1.
    if (chosen >= static_cast<double>(count) + 1.0) return static_cast<long>(count);
    return static_cast<long>(chosen);
}

void TipList::Assign(std::vector<std::wstring> tips) {
    tips_ = std::move(tips);
    current_ = 0;
}

long TipList::Next(double random) {
    current_ = ChooseTipNumber(random, tips_.size());
    return current_;
}

const std::wstring* TipList::CurrentText() const {
    if (current_ < 1 || static_cast<std::size_t>(current_) > tips_.size()) return nullptr;
    return &tips_[static_cast<std::size_t>(current_ - 1)];
}

} // namespace nivex
