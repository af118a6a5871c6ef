#include "common/error.h"

#include "common/text.h"

namespace velmora {

Error::Error(long number, std::wstring source, std::wstring description)
    : number_(number), source_(std::move(source)), description_(std::move(description)) {
    what_ = "Error " + std::to_string(number_) + " - " + WideToUtf8(description_);
}

std::wstring NumberDashDescription(long number, const std::wstring& description) {
    return std::to_wstring(number) + L" - " + description;
}

std::wstring ErrorInMessage(const std::wstring& procedure, long number, const std::wstring& description) {
    return L"Error in " + procedure + L"()\r\nError " + NumberDashDescription(number, description);
}

std::wstring ErrorInMessage(const std::wstring& procedure, const Error& error) {
    return ErrorInMessage(procedure, error.Number(), error.Description());
}

} // namespace velmora
