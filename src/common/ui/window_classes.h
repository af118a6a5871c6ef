#pragma once
// Every window class nivex.exe registers, one constant each. The scheme: the program's name and the
// window's, "Nivex<Name>" (a Faultnote class would be "Faultnote<Name>"; its windows are dialogs and need
// none). VelmoraGUI's controls name their classes themselves. Dialogs from templates use the system's.
namespace nivex::ui {

inline constexpr wchar_t kMainWindowClass[] = L"NivexMain";
inline constexpr wchar_t kSplashWindowClass[] = L"NivexSplash";
inline constexpr wchar_t kSplitterClass[] = L"NivexSplitter";
inline constexpr wchar_t kToolbarFrameClass[] = L"NivexToolbarFrame";
inline constexpr wchar_t kHelpPopupClass[] = L"NivexHelpPopup";

} // namespace nivex::ui
