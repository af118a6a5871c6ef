#pragma once
// The identifiers of VelmoraGUI.ocx as C++ constants.
#include <guiddef.h>

#include "guicontrols/ocx/velmoragui_ids.h"

namespace nivex::vgui {

constexpr unsigned HexDigit(char c) {
    if (c >= '0' && c <= '9') return static_cast<unsigned>(c - '0');
    if (c >= 'A' && c <= 'F') return static_cast<unsigned>(c - 'A' + 10);
    if (c >= 'a' && c <= 'f') return static_cast<unsigned>(c - 'a' + 10);
    throw "not a hexadecimal digit";
}
constexpr unsigned long HexField(const char* text, int digits) {
    unsigned long value = 0;
    for (int i = 0; i < digits; ++i)
        value = value * 16 + HexDigit(text[i]);
    return value;
}
// "XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX" to a GUID at compile time; a malformed text fails the build.
constexpr GUID GuidFromText(const char (&text)[37]) {
    if (text[8] != '-' || text[13] != '-' || text[18] != '-' || text[23] != '-') throw "not a GUID";
    GUID guid{};
    guid.Data1 = HexField(text, 8);
    guid.Data2 = static_cast<unsigned short>(HexField(text + 9, 4));
    guid.Data3 = static_cast<unsigned short>(HexField(text + 14, 4));
    for (int i = 0; i < 8; ++i) {
        const int at = i < 2 ? 19 + 2 * i : 24 + 2 * (i - 2);
        guid.Data4[i] = static_cast<unsigned char>(HexField(text + at, 2));
    }
    return guid;
}

inline constexpr GUID kLibId = GuidFromText(VGUI_LIBID);
inline constexpr GUID kBevelClsid = GuidFromText(VGUI_BEVEL_CLSID);
inline constexpr GUID kBevelDiid = GuidFromText(VGUI_BEVEL_DIID);
inline constexpr GUID kBevelEventsDiid = GuidFromText(VGUI_BEVEL_EVENTS_DIID);
inline constexpr GUID kEtchedLineClsid = GuidFromText(VGUI_ETCHEDLINE_CLSID);
inline constexpr GUID kEtchedLineDiid = GuidFromText(VGUI_ETCHEDLINE_DIID);
inline constexpr GUID kEtchedLineEventsDiid = GuidFromText(VGUI_ETCHEDLINE_EVENTS_DIID);

inline constexpr wchar_t kLibraryFileName[] = L"VelmoraGUI.ocx";
inline constexpr wchar_t kLibraryName[] = L"VelmoraGUI";
inline constexpr wchar_t kBevelProgId[] = L"VelmoraGUI.Bevel";
inline constexpr wchar_t kEtchedLineProgId[] = L"VelmoraGUI.EtchedLine";

} // namespace nivex::vgui
