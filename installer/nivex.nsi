; Setup of Nivex, Faultnote and VelmoraGUI. Built by the CMake target "installer":
;   makensis -DNIVEX_GENERATED=<folder of defines.nsh and the file lists> -DNIVEX_OUT=<setup path> nivex.nsi
; Installs the programs of the machine's bitness; on 64-bit Windows VelmoraGUI is installed and registered
; twice, the 64-bit server for 64-bit hosts and the 32-bit one (folder x86) for 32-bit hosts.
Unicode true
ManifestDPIAware true
RequestExecutionLevel admin
SetCompressor /SOLID lzma

!include "${NIVEX_GENERATED}/defines.nsh"
!include MUI2.nsh
!include LogicLib.nsh
!include x64.nsh
!include FileFunc.nsh

!define PUBLISHER "Velmora Software"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Nivex"
!define SETTINGS_KEY "Software\Velmora Software\Bug Report Wizard"
!define MENU_FOLDER "$SMPROGRAMS\Velmora Software"

Name "Nivex ${NIVEX_VERSION}"
OutFile "${NIVEX_OUT}"
BrandingText "${PUBLISHER}"
ShowInstDetails show
ShowUninstDetails show

VIProductVersion "${NIVEX_VERSION}.0"
VIAddVersionKey "ProductName" "Nivex"
VIAddVersionKey "CompanyName" "${PUBLISHER}"
VIAddVersionKey "FileDescription" "Nivex Setup"
VIAddVersionKey "FileVersion" "${NIVEX_VERSION}"
VIAddVersionKey "ProductVersion" "${NIVEX_VERSION}"
VIAddVersionKey "LegalCopyright" "${PUBLISHER}"

!ifdef NIVEX_ICON
  !define MUI_ICON "${NIVEX_ICON}"
  !define MUI_UNICON "${NIVEX_ICON}"
!endif
!define MUI_ABORTWARNING

!insertmacro MUI_PAGE_LICENSE "${NIVEX_LICENSE_FILE}"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
; The progress page stays until Next, so that its log can be read.
!define MUI_FINISHPAGE_NOAUTOCLOSE
!define MUI_FINISHPAGE_RUN "$INSTDIR\nivex.exe"
!define MUI_FINISHPAGE_RUN_TEXT "Start Nivex"
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!define MUI_UNFINISHPAGE_NOAUTOCLOSE
!define MUI_FINISHPAGE_TITLE "Nivex has been removed"
!define MUI_FINISHPAGE_TEXT "Nivex, Faultnote and VelmoraGUI have been removed from your computer.$\r$\n$\r$\nYour Nivex settings and the registry backups Nivex made (in $LOCALAPPDATA\Velmora Software\Nivex\Backups) were kept; delete them yourself if you no longer need them.$\r$\n$\r$\nClick Finish to close this wizard."
!insertmacro MUI_UNPAGE_FINISH

!insertmacro MUI_LANGUAGE "English"

; A failed registration is reported and the installation goes on: the programs work without it.
!macro NivexReport what code
  ${If} ${code} != 0
    DetailPrint "${what} failed (${code})."
    MessageBox MB_OK|MB_ICONEXCLAMATION "${what} failed (${code}).$\r$\nRun the step again later with nivexcmd." /SD IDOK
    SetErrorLevel 3
  ${EndIf}
!macroend

Section "Nivex" SecMain
  SectionIn RO
  SetShellVarContext all
  ${If} ${RunningX64}
    !include "${NIVEX_GENERATED}/install_x64.nsh"
  ${Else}
    !include "${NIVEX_GENERATED}/install_x86.nsh"
  ${EndIf}
  SetOutPath "$INSTDIR"
  WriteUninstaller "$INSTDIR\Uninstall.exe"

!ifdef NIVEX_VELMORAGUI_X64
  ; Each server registers itself through its own entry point. The machine's own bitness goes through the
  ; installed nivexcmd; the 32-bit server on 64-bit Windows is loaded by this 32-bit setup, so its
  ; registration lands in the 32-bit registry view.
  DetailPrint "Registering ${NIVEX_VELMORAGUI_X64}"
  ${If} ${RunningX64}
    ExecWait '"$INSTDIR\nivexcmd.exe" register "$INSTDIR\${NIVEX_VELMORAGUI_X64}" --in-place' $0
    !insertmacro NivexReport "Registering the 64-bit ${NIVEX_VELMORAGUI_X64}" $0
    SetOutPath "$INSTDIR\x86"
    File "${NIVEX_X86_BIN}/${NIVEX_VELMORAGUI_X86}"
    SetOutPath "$INSTDIR"
    ClearErrors
    RegDLL "$INSTDIR\x86\${NIVEX_VELMORAGUI_X86}"
    ${If} ${Errors}
      !insertmacro NivexReport "Registering the 32-bit ${NIVEX_VELMORAGUI_X86}" 1
    ${EndIf}
  ${Else}
    ExecWait '"$INSTDIR\nivexcmd.exe" register "$INSTDIR\${NIVEX_VELMORAGUI_X86}" --in-place' $0
    !insertmacro NivexReport "Registering ${NIVEX_VELMORAGUI_X86}" $0
  ${EndIf}
!endif

  ; Nivex finds Faultnote through this value of the installing user's settings.
!ifdef NIVEX_FAULTNOTE_X64
  ${If} ${RunningX64}
    WriteRegStr HKCU "${SETTINGS_KEY}" "Install Path" "$INSTDIR\${NIVEX_FAULTNOTE_X64}"
  ${Else}
    WriteRegStr HKCU "${SETTINGS_KEY}" "Install Path" "$INSTDIR\${NIVEX_FAULTNOTE_X86}"
  ${EndIf}
!endif

  CreateDirectory "${MENU_FOLDER}"
  CreateShortcut "${MENU_FOLDER}\Nivex.lnk" "$INSTDIR\nivex.exe"
!ifdef NIVEX_FAULTNOTE_X64
  ${If} ${RunningX64}
    CreateShortcut "${MENU_FOLDER}\Faultnote.lnk" "$INSTDIR\${NIVEX_FAULTNOTE_X64}"
  ${Else}
    CreateShortcut "${MENU_FOLDER}\Faultnote.lnk" "$INSTDIR\${NIVEX_FAULTNOTE_X86}"
  ${EndIf}
!endif
!ifdef NIVEX_HELP_X64
  CreateShortcut "${MENU_FOLDER}\Nivex Help.lnk" "$INSTDIR\${NIVEX_HELP_X64}"
!endif

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "Nivex"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${NIVEX_VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\nivex.exe,0"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

Function .onInit
  ${If} ${RunningX64}
    SetRegView 64
    ; /D= has set $INSTDIR already; otherwise the default below Program Files of the machine's bitness.
    ${If} $INSTDIR == ""
      StrCpy $INSTDIR "$PROGRAMFILES64\Velmora Software\Nivex"
    ${EndIf}
  ${ElseIf} $INSTDIR == ""
    StrCpy $INSTDIR "$PROGRAMFILES\Velmora Software\Nivex"
  ${EndIf}
  ; The folder page shows the space of the files this machine gets, not of both sets.
  ${If} ${RunningX64}
    SectionSetSize ${SecMain} ${NIVEX_SIZE_X64_KB}
  ${Else}
    SectionSetSize ${SecMain} ${NIVEX_SIZE_X86_KB}
  ${EndIf}
FunctionEnd

Function un.onInit
  ${If} ${RunningX64}
    SetRegView 64
  ${EndIf}
FunctionEnd

Section "Uninstall"
  SetShellVarContext all
!ifdef NIVEX_VELMORAGUI_X64
  DetailPrint "Unregistering VelmoraGUI"
  ${If} ${RunningX64}
    ExecWait '"$INSTDIR\nivexcmd.exe" unregister "$INSTDIR\${NIVEX_VELMORAGUI_X64}" --keep' $0
    UnRegDLL "$INSTDIR\x86\${NIVEX_VELMORAGUI_X86}"
    Delete "$INSTDIR\x86\${NIVEX_VELMORAGUI_X86}"
    RMDir "$INSTDIR\x86"
  ${Else}
    ExecWait '"$INSTDIR\nivexcmd.exe" unregister "$INSTDIR\${NIVEX_VELMORAGUI_X86}" --keep' $0
  ${EndIf}
!endif

  ; Only what the setup placed: files the user or Nivex added keep their folders.
  ${If} ${RunningX64}
    !include "${NIVEX_GENERATED}/remove_x64.nsh"
  ${Else}
    !include "${NIVEX_GENERATED}/remove_x86.nsh"
  ${EndIf}
  Delete "$INSTDIR\Uninstall.exe"
  RMDir "$INSTDIR"
  ; The publisher's folder that the default location created, once nothing else is in it.
  ${GetParent} "$INSTDIR" $0
  ${GetFileName} "$0" $1
  ${If} $1 == "Velmora Software"
    RMDir "$0"
  ${EndIf}

  Delete "${MENU_FOLDER}\Nivex.lnk"
  Delete "${MENU_FOLDER}\Faultnote.lnk"
  Delete "${MENU_FOLDER}\Nivex Help.lnk"
  RMDir "${MENU_FOLDER}"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"

  ; "Install Path" is the setup's own value: removed only while it still names this installation.
  ReadRegStr $0 HKCU "${SETTINGS_KEY}" "Install Path"
  StrLen $1 "$INSTDIR\"
  StrCpy $2 $0 $1
  ${If} $2 == "$INSTDIR\"
    DeleteRegValue HKCU "${SETTINGS_KEY}" "Install Path"
    DeleteRegKey /ifempty HKCU "${SETTINGS_KEY}"
    DeleteRegKey /ifempty HKCU "Software\Velmora Software"
  ${EndIf}
SectionEnd
