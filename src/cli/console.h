#pragma once
// nivexcmd's output: to a console as wide text, to a pipe or file as UTF-8.
#include <string>

#include "registration/outcome_display.h"

namespace nivex {

void Out(const std::wstring& text); // standard output
void Err(const std::wstring& text); // standard error

// The status window's texts, printed: a success on standard output, a failure on standard error.
class ConsoleOutcomeDisplay final : public OutcomeDisplay {
public:
    void Show(const OutcomeText& text, WindowRef owner) override;
};

} // namespace nivex
