#include "app/command_line.h"

namespace nivex {

StartRequest ParseStartRequest(std::wstring_view arguments) {
    StartRequest request;
    if (arguments.size() < 2 || arguments[0] != L'/') return request;
    const wchar_t letter = arguments[1];
    if (letter == L'R' || letter == L'r') request.mode = RunMode::Register;
    else if (letter == L'U' || letter == L'u') request.mode = RunMode::Unregister;
    else return request;
    if (arguments.size() > 3) request.path = std::wstring(arguments.substr(3));
    return request;
}

} // namespace nivex
