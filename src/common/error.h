#pragma once
// The error type raised by shared code: a number, a source and a description.
#include <exception>
#include <string>

#include "common/base_namespace.h"

namespace velmora {

class Error : public std::exception {
public:
    Error(long number, std::wstring source, std::wstring description);
    long Number() const noexcept { return number_; }
    const std::wstring& Source() const noexcept { return source_; }
    const std::wstring& Description() const noexcept { return description_; }
    const char* what() const noexcept override { return what_.c_str(); }

private:
    long number_;
    std::wstring source_;
    std::wstring description_;
    std::string what_;
};

// Well-known numbers kept from the platform's run-time error table.
constexpr long kErrFileNotFound = 53;
constexpr long kErrOverflow = 6;

// "Error in " + procedure + "()" CR LF "Error " + number + " - " + description
std::wstring ErrorInMessage(const std::wstring& procedure, long number, const std::wstring& description);
std::wstring ErrorInMessage(const std::wstring& procedure, const Error& error);
// number + " - " + description
std::wstring NumberDashDescription(long number, const std::wstring& description);

} // namespace velmora
