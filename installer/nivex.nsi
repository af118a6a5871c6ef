; Setup of Nivex, Faultnote and VelmoraGUI. Built by the CMake target "installer":
;   makensis -DNIVEX_GENERATED=<folder of defines.nsh and the file lists> -DNIVEX_OUT=<setup path> nivex.nsi
; Installs the programs of the machine's bitness; on 64-bit Windows VelmoraGUI is installed and registered
; twice, the 64-bit server for 64-bit hosts and the 32-bit one (folder x86, beside the 32-bit nivexcmd that
; registers it) for 32-bit hosts.
; For all users (rights are asked for) or, with /CurrentUser, for the current user only, without rights.
; An installation found in the registry is upgraded in its folder, or moved when another folder is chosen
; (it is uninstalled first). The installation's own things (uninstall entry, shortcuts, registrations,
; "Install Path") are removed by an uninstaller only while they name its folder or files, so a second
; installation never breaks the first. The README's "Installer" section lists switches and exit codes.
Unicode true
ManifestDPIAware true
; Not "admin": a per-user installation needs no rights; Elevate asks for them when they are needed.
RequestExecutionLevel user
SetCompressor /SOLID lzma
; A file that cannot be written is handled by NivexFile (in use: replaced at the next start), never by a question.
SetOverwrite try

!include "${NIVEX_GENERATED}/defines.nsh"
!include MUI2.nsh
!include LogicLib.nsh
!include x64.nsh
!include FileFunc.nsh

!define PUBLISHER "Velmora Software"
!define PRODUCT_KEY "Software\Velmora Software\Nivex"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Nivex"
!define SETTINGS_KEY "Software\Velmora Software\Bug Report Wizard"
!define MENU_FOLDER "$SMPROGRAMS\Velmora Software"
; What the setup placed, one name relative to the folder a line (UTF-16): all the uninstaller removes.
!define FILE_LIST "Uninstall.lst"

; Exit codes of the setup and the uninstaller (1: cancelled by the user).
!define EXIT_BAD_COMMAND 2      ; an unusable /D= folder or /LOG= file: nothing changed
!define EXIT_REGISTRATION 3     ; registering or unregistering VelmoraGUI failed; the rest is done
!define EXIT_RUNNING 4          ; Nivex, nivexcmd or Faultnote keeps running from the folder: nothing changed
!define EXIT_FILES 5            ; a file could not be written or removed, or the previous installation
!define EXIT_NEEDS_RIGHTS 740   ; for all users without administrator rights, and they were not given
!define EXIT_RESTART 3010       ; done; files in use are replaced or removed when Windows starts next

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

Var PerUser     ; 1: for the current user only (/CurrentUser)
Var LogPath     ; /LOG= file, or empty
Var LogFile     ; the open /LOG= file, or empty
Var Failure     ; exit code of the worst failure so far, 0 while there is none
Var Previous    ; folder of the installation found before this one, or empty
Var DirText     ; the folder page's text
Var Target      ; NivexFile: where the file is written
Var Swap        ; NivexFile: 1 when the file is in use and replaces the old one at the next start
Var List        ; the open file list
Var UserData    ; the user's own local application data (the uninstaller's last page names it)

!ifdef NIVEX_ICON
  !define MUI_ICON "${NIVEX_ICON}"
  !define MUI_UNICON "${NIVEX_ICON}"
!endif
!define MUI_ABORTWARNING

!insertmacro MUI_PAGE_LICENSE "${NIVEX_LICENSE_FILE}"
!define MUI_DIRECTORYPAGE_TEXT_TOP "$DirText"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
; The progress page stays until Next, so that its log can be read.
!define MUI_FINISHPAGE_NOAUTOCLOSE
!define MUI_FINISHPAGE_RUN
!define MUI_FINISHPAGE_RUN_TEXT "Start Nivex"
!define MUI_FINISHPAGE_RUN_FUNCTION StartNivex
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!define MUI_UNFINISHPAGE_NOAUTOCLOSE
!define MUI_FINISHPAGE_TITLE "Nivex has been removed"
!define MUI_FINISHPAGE_TEXT "Nivex, Faultnote and VelmoraGUI have been removed from your computer.$\r$\n$\r$\nYour Nivex settings and the registry backups Nivex made (in $UserData\Velmora Software\Nivex\Backups) were kept; delete them yourself if you no longer need them.$\r$\n$\r$\nClick Finish to close this wizard."
!insertmacro MUI_UNPAGE_FINISH

!insertmacro MUI_LANGUAGE "English"

; ---- Reporting: the progress page's details, the /LOG= file, and the exit code ----

!macro Log text
  Push "${text}"
  !ifdef __UNINSTALL__
    Call un.LogLine
  !else
    Call LogLine
  !endif
!macroend
!define Log "!insertmacro Log"

; A failure: said (a message box unless silent, the log always) and counted; the most severe code wins.
!macro Fail code text
  ${Log} "${text}"
  MessageBox MB_OK|MB_ICONEXCLAMATION "${text}" /SD IDOK
  ${If} $Failure < ${code}
    StrCpy $Failure ${code}
  ${EndIf}
!macroend
!define Fail "!insertmacro Fail"

; Stops before anything is changed, with this exit code.
!macro Stop code text
  ${Log} "${text}"
  MessageBox MB_OK|MB_ICONSTOP "${text}" /SD IDOK
  ${Log} "Exit code ${code}."
  SetErrorLevel ${code}
  Abort
!macroend
!define Stop "!insertmacro Stop"

!macro Finished
  ${If} $Failure <> 0
    SetErrorLevel $Failure
  ${ElseIf} ${RebootFlag}
    StrCpy $Failure ${EXIT_RESTART}
    SetErrorLevel ${EXIT_RESTART}
  ${Else}
    SetErrorLevel 0
  ${EndIf}
  ${Log} "Exit code $Failure."
!macroend

; Functions needed by the setup and by the uninstaller; UN is "" or "un.".
!macro SharedFunctions UN
Function ${UN}LogLine
  Exch $0
  DetailPrint "$0"
  ${If} $LogFile != ""
    FileWriteUTF16LE $LogFile "$0$\r$\n"
  ${EndIf}
  Pop $0
FunctionEnd

; /CurrentUser and /LOG=file (the log of what was done, for deployment tools).
Function ${UN}ReadSwitches
  ${GetParameters} $R0
  StrCpy $PerUser 0
  ClearErrors
  ${GetOptions} $R0 "/CurrentUser" $R1
  ${IfNot} ${Errors}
    StrCpy $PerUser 1
  ${EndIf}
  StrCpy $LogPath ""
  ClearErrors
  ${GetOptions} $R0 "/LOG=" $R1
  ${IfNot} ${Errors}
    StrCpy $LogPath $R1
  ${EndIf}
FunctionEnd

; A log that cannot be written stops the run before it changes anything.
Function ${UN}OpenLog
  ${If} $LogPath == ""
  ${OrIf} $LogFile != ""
    Return
  ${EndIf}
  ClearErrors
  FileOpen $LogFile "$LogPath" w
  ${If} ${Errors}
    StrCpy $LogFile ""
    MessageBox MB_OK|MB_ICONSTOP "The log file $LogPath cannot be written." /SD IDOK
    SetErrorLevel ${EXIT_BAD_COMMAND}
    Quit
  ${EndIf}
  FileWriteUTF16LE /BOM $LogFile ""
FunctionEnd

; $R0: the command line as given, less the program's own path (NSIS cuts /D= from $CMDLINE).
Function ${UN}RawParameters
  System::Call 'kernel32::GetCommandLineW() w .R0'
  StrCpy $R1 $R0 1
  ${If} $R1 == '"'
    StrCpy $R3 '"'
    StrCpy $R2 1
  ${Else}
    StrCpy $R3 " "
    StrCpy $R2 0
  ${EndIf}
  ${Do}
    StrCpy $R1 $R0 1 $R2
    ${If} $R1 == $R3
    ${OrIf} $R1 == ""
      ${Break}
    ${EndIf}
    IntOp $R2 $R2 + 1
  ${Loop}
  IntOp $R2 $R2 + 1
  StrCpy $R0 $R0 "" $R2
  ${Do}
    StrCpy $R1 $R0 1
    ${If} $R1 != " "
      ${Break}
    ${EndIf}
    StrCpy $R0 $R0 "" 1
  ${Loop}
FunctionEnd

; For all users the setup needs administrator rights: without them it starts itself again through the
; system's elevation prompt, waits, and ends with that run's exit code.
Function ${UN}Elevate
  System::Call 'shell32::IsUserAnAdmin() i .R0'
  ${If} $R0 <> 0
    Return
  ${EndIf}
  Call ${UN}RawParameters
  StrCpy $R1 $R0 10
  ${If} $R1 == "/Elevated "
    Call ${UN}OpenLog
    ${Log} "For all users Nivex needs administrator rights; use /CurrentUser to install for yourself only."
    MessageBox MB_OK|MB_ICONSTOP "For all users Nivex needs administrator rights.$\r$\nTo install it for yourself only, start the setup with /CurrentUser." /SD IDOK
    SetErrorLevel ${EXIT_NEEDS_RIGHTS}
    Quit
  ${EndIf}
  ; SHELLEXECUTEINFOW with SEE_MASK_NOCLOSEPROCESS; the last member is the started process.
  System::Call '*(i 60, i 0x40, p $HWNDPARENT, w "runas", w "$EXEPATH", w "/Elevated $R0", p 0, i 1, p 0, p 0, p 0, p 0, i 0, p 0, p 0) p .R1'
  System::Call 'shell32::ShellExecuteExW(p R1) i .R2'
  System::Call '*$R1(i, i, p, p, p, p, p, i, p, p, p, p, i, p, p .R3)'
  System::Free $R1
  ${If} $R2 = 0
  ${OrIf} $R3 = 0
    Call ${UN}OpenLog
    ${Log} "For all users Nivex needs administrator rights, and they were not given."
    MessageBox MB_OK|MB_ICONSTOP "For all users Nivex needs administrator rights.$\r$\nTo install it for yourself only, start the setup with /CurrentUser." /SD IDOK
    SetErrorLevel ${EXIT_NEEDS_RIGHTS}
    Quit
  ${EndIf}
  System::Call 'kernel32::WaitForSingleObject(p R3, i -1)'
  System::Call 'kernel32::GetExitCodeProcess(p R3, *i .R4)'
  System::Call 'kernel32::CloseHandle(p R3)'
  SetErrorLevel $R4
  Quit
FunctionEnd

; $R0: a folder. $R1: the full path of Nivex, nivexcmd or Faultnote running from it (any folder below
; it, as the x86 nivexcmd), or empty.
Function ${UN}FindRunning
  StrCpy $R1 ""
  StrLen $R2 "$R0\"
  System::Call 'kernel32::GetCurrentProcessId() i .R9'
  System::Call 'kernel32::CreateToolhelp32Snapshot(i 2, i 0) p .R3'
  ${If} $R3 = -1
    Return
  ${EndIf}
  ; PROCESSENTRY32W: 556 bytes, the process identifier third
  System::Alloc 556
  Pop $R4
  System::Call '*$R4(i 556)'
  System::Call 'kernel32::Process32FirstW(p R3, p R4) i .R5'
  ${DoWhile} $R5 <> 0
    System::Call '*$R4(i, i, i .R6)'
    ${If} $R6 <> $R9
      System::Call 'kernel32::OpenProcess(i 0x1000, i 0, i R6) p .R7'
      ${If} $R7 <> 0
        System::Call 'kernel32::QueryFullProcessImageNameW(p R7, i 0, w .R8, *i ${NSIS_MAX_STRLEN}) i .R5'
        System::Call 'kernel32::CloseHandle(p R7)'
        StrCpy $R7 $R8 $R2
        ${If} $R5 <> 0
        ${AndIf} $R7 == "$R0\"
          ${GetFileName} $R8 $R7
          ${If} $R7 == "nivex.exe"
          ${OrIf} $R7 == "nivexcmd.exe"
          ${OrIf} $R7 == "faultnote.exe"
            StrCpy $R1 $R8
            ${Break}
          ${EndIf}
        ${EndIf}
      ${EndIf}
    ${EndIf}
    System::Call 'kernel32::Process32NextW(p R3, p R4) i .R5'
  ${Loop}
  System::Free $R4
  System::Call 'kernel32::CloseHandle(p R3)'
FunctionEnd

; $R0: a folder. Asks each Nivex running from it to end through its own exit path (the command of the
; notification area's Exit: closing the window may only hide it there). $R6: how many were asked.
Function ${UN}CloseNivex
  StrCpy $R6 0
  StrCpy $R1 0
  ${Do}
    System::Call 'user32::FindWindowExW(p 0, p R1, w "${NIVEX_MAIN_CLASS}", p 0) p .R1'
    ${If} $R1 = 0
      ${Break}
    ${EndIf}
    System::Call 'user32::GetWindowThreadProcessId(p R1, *i .R2)'
    System::Call 'kernel32::OpenProcess(i 0x1000, i 0, i R2) p .R3'
    ${If} $R3 <> 0
      System::Call 'kernel32::QueryFullProcessImageNameW(p R3, i 0, w .R4, *i ${NSIS_MAX_STRLEN}) i .R5'
      System::Call 'kernel32::CloseHandle(p R3)'
      ${If} $R5 <> 0
      ${AndIf} $R4 == "$R0\nivex.exe"
        ${Log} "Asking Nivex ($R4) to end."
        System::Call 'user32::PostMessageW(p R1, i 0x111, p ${NIVEX_EXIT_COMMAND}, p 0)'
        IntOp $R6 $R6 + 1
      ${EndIf}
    ${EndIf}
  ${Loop}
FunctionEnd

; $R0: a folder. Returns when none of the programs runs from it; otherwise asks to close them (Retry),
; or, silently, ends Nivex and waits up to 15 seconds for it (the others, holding work of the user's, are
; not ended); what keeps running stops the run (EXIT_RUNNING).
Function ${UN}CheckRunning
  Call ${UN}FindRunning
  ${If} $R1 == ""
    Return
  ${EndIf}
  ${If} ${Silent}
    Call ${UN}CloseNivex
    ${If} $R6 > 0
      ; FindRunning uses every $Rn.
      StrCpy $9 0
      ${Do}
        Sleep 250
        IntOp $9 $9 + 1
        Call ${UN}FindRunning
        ${If} $R1 == ""
        ${OrIf} $9 >= 60
          ${Break}
        ${EndIf}
      ${Loop}
    ${Else}
      Call ${UN}FindRunning
    ${EndIf}
  ${Else}
    ${DoUntil} $R1 == ""
      ${IfNot} ${Cmd} `MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "$R1 is running.$\r$\nClose it, then click Retry." IDRETRY`
        ${Break}
      ${EndIf}
      Call ${UN}FindRunning
    ${Loop}
  ${EndIf}
  ${If} $R1 != ""
    ${Stop} ${EXIT_RUNNING} "$R1 is still running; nothing was changed. Close it and run this again."
  ${EndIf}
FunctionEnd

; $R1: a line of a file list, trimmed. $R2: 1 when it names a file below the folder (no drive, no
; leading backslash, no "..", no wildcard), so that a damaged list never removes anything else.
Function ${UN}IsListEntry
  StrCpy $R2 0
  StrCpy $R3 $R1 1
  ${If} $R1 == ""
  ${OrIf} $R3 == "\"
  ${OrIf} $R3 == "/"
    Return
  ${EndIf}
  StrCpy $R4 0
  ${Do}
    StrCpy $R3 $R1 1 $R4
    ${If} $R3 == ""
      StrCpy $R2 1
      Return
    ${EndIf}
    ${If} $R3 == ":"
    ${OrIf} $R3 == "*"
    ${OrIf} $R3 == "?"
      Return
    ${EndIf}
    StrCpy $R3 $R1 2 $R4
    ${If} $R3 == ".."
      Return
    ${EndIf}
    IntOp $R4 $R4 + 1
  ${Loop}
FunctionEnd

; $R0: an open file list. $R1: its next entry (line ends trimmed); the error flag at its end.
Function ${UN}ReadListEntry
  ClearErrors
  FileReadUTF16LE $R0 $R1
  ; Testing the flag clears it: set again for the caller.
  ${If} ${Errors}
    SetErrors
    Return
  ${EndIf}
  ${Do}
    StrCpy $R2 $R1 1 -1
    ${If} $R2 != "$\r"
    ${AndIf} $R2 != "$\n"
      ${Break}
    ${EndIf}
    StrCpy $R1 $R1 -1
  ${Loop}
FunctionEnd

; $R1: an entry of the file list. Deletes the file (in use: at the next start) and then each folder above
; it that is left empty, up to the installation folder.
Function ${UN}RemoveEntry
  Call ${UN}IsListEntry
  ${If} $R2 <> 1
    ${Log} "Not a file of the installation, left alone: $R1"
    Return
  ${EndIf}
  ${IfNot} ${FileExists} "$INSTDIR\$R1"
    Return
  ${EndIf}
  ClearErrors
  Delete /REBOOTOK "$INSTDIR\$R1"
  ${If} ${Errors}
    ${Fail} ${EXIT_FILES} "Could not remove $INSTDIR\$R1."
    Return
  ${EndIf}
  ${If} ${FileExists} "$INSTDIR\$R1"
    ${Log} "In use, removed at the next start: $INSTDIR\$R1"
  ${Else}
    ${Log} "Removed $INSTDIR\$R1"
  ${EndIf}
  StrCpy $R3 "$INSTDIR\$R1"
  ${Do}
    ${GetParent} $R3 $R3
    ${If} $R3 == $INSTDIR
    ${OrIf} $R3 == ""
      ${Break}
    ${EndIf}
    RMDir $R3
  ${Loop}
FunctionEnd


; $R8: what is done, $R9: the command. Runs it, logs its output and outcome; a failure counts as
; EXIT_REGISTRATION.
Function ${UN}RunStep
  ${Log} "$R8: $R9"
  nsExec::ExecToStack $R9
  Pop $R6
  Pop $R7
  ; The program's output, a line each.
  ${DoWhile} $R7 != ""
    StrCpy $R4 0
    ${Do}
      StrCpy $R5 $R7 1 $R4
      ${If} $R5 == "$\n"
      ${OrIf} $R5 == ""
        ${Break}
      ${EndIf}
      IntOp $R4 $R4 + 1
    ${Loop}
    StrCpy $R5 $R7 $R4
    IntOp $R4 $R4 + 1
    StrCpy $R7 $R7 "" $R4
    StrCpy $R4 $R5 1 -1
    ${If} $R4 == "$\r"
      StrCpy $R5 $R5 -1
    ${EndIf}
    ${If} $R5 != ""
      ${Log} "  $R5"
    ${EndIf}
  ${Loop}
  ${If} $R6 == "0"
    ${Log} "$R8: done."
  ${Else}
    ${Fail} ${EXIT_REGISTRATION} "$R8 failed ($R6).$\r$\nRun the step again later with nivexcmd (or regsvr32)."
  ${EndIf}
FunctionEnd
!macroend
!insertmacro SharedFunctions ""
!insertmacro SharedFunctions "un."

; ---- Setup ----

; One file of the installation: written, or, when the file there is in use, written beside it and put in
; its place when Windows starts next; listed for the uninstaller either way.
!macro NivexFile name source
  StrCpy $Target "$INSTDIR\${name}"
  Call PrepareFile
  ClearErrors
  File "/oname=$Target" "${source}"
  Push "${name}"
  Call PlacedFile
!macroend

Function PrepareFile
  StrCpy $Swap 0
  ${If} ${FileExists} $Target
    ClearErrors
    FileOpen $R0 $Target a
    ${If} ${Errors}
      StrCpy $Swap 1
      StrCpy $Target "$Target.new"
    ${Else}
      FileClose $R0
    ${EndIf}
  ${EndIf}
FunctionEnd

; The error flag is File's.
Function PlacedFile
  Exch $R0
  ${If} ${Errors}
    ${Fail} ${EXIT_FILES} "Could not write $INSTDIR\$R0."
    ${If} $Swap = 1
      Delete $Target
    ${EndIf}
  ${ElseIf} $Swap = 1
    ClearErrors
    Rename /REBOOTOK $Target "$INSTDIR\$R0"
    ${If} ${Errors}
      Delete $Target
      ${Fail} ${EXIT_FILES} "$INSTDIR\$R0 is in use and could not be replaced."
    ${Else}
      ${Log} "In use, replaced at the next start: $INSTDIR\$R0"
    ${EndIf}
  ${Else}
    ${Log} "Installed $INSTDIR\$R0"
  ${EndIf}
  FileWriteUTF16LE $List "$R0$\r$\n"
  Pop $R0
FunctionEnd

; $R0: a folder. $R1: why it cannot hold the installation, or empty: a full path (drive or network share)
; below the root, without the characters Windows refuses in names, on a drive that exists.
Function CheckFolderName
  StrCpy $R1 ""
  StrCpy $R2 $R0 2 1
  StrCpy $R3 $R0 2
  ${If} $R2 != ":\"
  ${AndIf} $R3 != "\\"
    StrCpy $R1 "it is not a full path (a drive and a folder, as C:\Tools\Nivex)"
    Return
  ${EndIf}
  StrCpy $R4 2
  ${Do}
    StrCpy $R3 $R0 1 $R4
    ${If} $R3 == ""
      ${Break}
    ${EndIf}
    ${If} $R3 == ":"
    ${OrIf} $R3 == "*"
    ${OrIf} $R3 == "?"
    ${OrIf} $R3 == '"'
    ${OrIf} $R3 == "<"
    ${OrIf} $R3 == ">"
    ${OrIf} $R3 == "|"
      StrCpy $R1 "a folder name cannot hold the character $R3"
      Return
    ${EndIf}
    IntOp $R4 $R4 + 1
  ${Loop}
  ${GetRoot} $R0 $R2
  ${If} $R0 == $R2
  ${OrIf} $R0 == "$R2\"
    StrCpy $R1 "it is the root of a drive"
    Return
  ${EndIf}
  System::Call 'kernel32::GetFileAttributesW(w "$R2\") i .R3'
  ${If} $R3 = -1
    StrCpy $R1 "$R2 does not exist"
  ${EndIf}
FunctionEnd

Section "Nivex" SecMain
  SectionIn RO
  ${If} $PerUser = 1
    ${Log} "Installing for the current user into $INSTDIR."
  ${Else}
    ${Log} "Installing for all users into $INSTDIR."
  ${EndIf}
  StrCpy $R0 $INSTDIR
  Call CheckRunning
  ${If} $Previous != ""
  ${AndIf} $Previous != $INSTDIR
    StrCpy $R0 $Previous
    Call CheckRunning
  ${EndIf}
  ClearErrors
  CreateDirectory "$INSTDIR"
  ${If} ${Errors}
  ${OrIfNot} ${FileExists} "$INSTDIR\*.*"
    ${Stop} ${EXIT_BAD_COMMAND} "Cannot install into $INSTDIR: the folder cannot be created."
  ${EndIf}
  ${If} $Previous != ""
  ${AndIf} $Previous != $INSTDIR
    Call RemovePrevious
  ${EndIf}

  InitPluginsDir
  ; An upgrade in place keeps the previous list to remove what this version no longer ships.
  Delete "$PLUGINSDIR\previous.lst"
  CopyFiles /SILENT "$INSTDIR\${FILE_LIST}" "$PLUGINSDIR\previous.lst"
  ClearErrors
  FileOpen $List "$INSTDIR\${FILE_LIST}" w
  ${If} ${Errors}
    ${Stop} ${EXIT_FILES} "Cannot write $INSTDIR\${FILE_LIST}."
  ${EndIf}
  FileWriteUTF16LE /BOM $List ""
  ${If} ${RunningX64}
    !include "${NIVEX_GENERATED}/install_x64.nsh"
  ${Else}
    !include "${NIVEX_GENERATED}/install_x86.nsh"
  ${EndIf}
  FileClose $List
  Call RemoveDropped
  SetOutPath "$INSTDIR"
  ClearErrors
  WriteUninstaller "$INSTDIR\Uninstall.exe"
  ${If} ${Errors}
    ${Fail} ${EXIT_FILES} "Could not write $INSTDIR\Uninstall.exe."
  ${EndIf}

!ifdef NIVEX_VELMORAGUI_X64
  ; Each server registers itself through its own entry point: for all users through the nivexcmd of its
  ; bitness, for the current user through regsvr32 /i:user (HKEY_CURRENT_USER\Software\Classes).
  ${If} $PerUser = 1
    ${If} ${RunningX64}
      ${DisableX64FSRedirection}
      StrCpy $R8 "Registering the 64-bit ${NIVEX_VELMORAGUI_X64} for the current user"
      StrCpy $R9 '"$SYSDIR\regsvr32.exe" /s /n /i:user "$INSTDIR\${NIVEX_VELMORAGUI_X64}"'
      Call RunStep
      ${EnableX64FSRedirection}
      StrCpy $R8 "Registering the 32-bit ${NIVEX_VELMORAGUI_X86} for the current user"
      StrCpy $R9 '"$SYSDIR\regsvr32.exe" /s /n /i:user "$INSTDIR\x86\${NIVEX_VELMORAGUI_X86}"'
    ${Else}
      StrCpy $R8 "Registering ${NIVEX_VELMORAGUI_X86} for the current user"
      StrCpy $R9 '"$SYSDIR\regsvr32.exe" /s /n /i:user "$INSTDIR\${NIVEX_VELMORAGUI_X86}"'
    ${EndIf}
    Call RunStep
  ${ElseIf} ${RunningX64}
    StrCpy $R8 "Registering the 64-bit ${NIVEX_VELMORAGUI_X64}"
    StrCpy $R9 '"$INSTDIR\nivexcmd.exe" register "$INSTDIR\${NIVEX_VELMORAGUI_X64}" --in-place'
    Call RunStep
    StrCpy $R8 "Registering the 32-bit ${NIVEX_VELMORAGUI_X86}"
    StrCpy $R9 '"$INSTDIR\x86\nivexcmd.exe" register "$INSTDIR\x86\${NIVEX_VELMORAGUI_X86}" --in-place'
    Call RunStep
  ${Else}
    StrCpy $R8 "Registering ${NIVEX_VELMORAGUI_X86}"
    StrCpy $R9 '"$INSTDIR\nivexcmd.exe" register "$INSTDIR\${NIVEX_VELMORAGUI_X86}" --in-place'
    Call RunStep
  ${EndIf}
!endif

  ; Nivex finds Faultnote through "Install Path": the user's value first, then the one for all users.
!ifdef NIVEX_FAULTNOTE_X64
  ${If} ${RunningX64}
    StrCpy $R0 "$INSTDIR\${NIVEX_FAULTNOTE_X64}"
  ${Else}
    StrCpy $R0 "$INSTDIR\${NIVEX_FAULTNOTE_X86}"
  ${EndIf}
  ClearErrors
  WriteRegStr SHCTX "${SETTINGS_KEY}" "Install Path" $R0
  ${If} ${Errors}
    ${Fail} ${EXIT_FILES} "Could not write $\"Install Path$\" (${SETTINGS_KEY})."
  ${Else}
    ${Log} "Install Path: $R0"
  ${EndIf}
  ${If} $PerUser <> 1
    ; An older setup wrote it for the installing user only; that value would hide this one.
    ReadRegStr $R1 HKCU "${SETTINGS_KEY}" "Install Path"
    StrLen $R2 "$INSTDIR\"
    StrCpy $R3 $R1 $R2
    StrLen $R2 "$Previous\"
    StrCpy $R4 $R1 $R2
    ${If} $R3 == "$INSTDIR\"
    ${OrIf} $R4 == "$Previous\"
      DeleteRegValue HKCU "${SETTINGS_KEY}" "Install Path"
    ${EndIf}
  ${EndIf}
!endif

  CreateDirectory "${MENU_FOLDER}"
  CreateShortcut "${MENU_FOLDER}\Nivex.lnk" "$INSTDIR\nivex.exe"
!ifdef NIVEX_FAULTNOTE_X64
  CreateShortcut "${MENU_FOLDER}\Faultnote.lnk" $R0
!endif
!ifdef NIVEX_HELP_X64
  CreateShortcut "${MENU_FOLDER}\Nivex Help.lnk" "$INSTDIR\${NIVEX_HELP_X64}"
!endif
  ${IfNot} ${FileExists} "${MENU_FOLDER}\Nivex.lnk"
    ${Fail} ${EXIT_FILES} "Could not make the shortcuts in ${MENU_FOLDER}."
  ${EndIf}

  ; GetSize leaves the error flag set: it goes first.
  ${GetSize} "$INSTDIR" "/S=0K" $R0 $R1 $R2
  ClearErrors
  WriteRegStr SHCTX "${PRODUCT_KEY}" "InstallDir" "$INSTDIR"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayName" "Nivex"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayVersion" "${NIVEX_VERSION}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\nivex.exe,0"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  ; Run in its folder (_?=) the uninstaller ends when it is done, with its exit code.
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S _?=$INSTDIR'
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoRepair" 1
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "EstimatedSize" $R0
  ${If} ${Errors}
    ${Fail} ${EXIT_FILES} "Could not write the record of the installation (${PRODUCT_KEY}) or its uninstall entry (${UNINSTALL_KEY})."
  ${EndIf}
  !insertmacro Finished
SectionEnd

Function .onVerifyInstDir
  StrCpy $R0 $INSTDIR
  Call CheckFolderName
  ${If} $R1 != ""
    Abort
  ${EndIf}
FunctionEnd

Function .onInit
  StrCpy $Failure 0
  StrCpy $Previous ""
  Call ReadSwitches
  ${If} $PerUser = 1
    SetShellVarContext current
  ${Else}
    SetShellVarContext all
    Call Elevate
  ${EndIf}
  Call OpenLog
  ${If} ${RunningX64}
    SetRegView 64
  ${EndIf}
  ${Log} "Nivex ${NIVEX_VERSION} setup, $\"$CMDLINE$\""

  ; /D= as given: NSIS puts its default in place of a folder it deems invalid, and drops the characters
  ; Windows refuses from $INSTDIR; such a folder must be refused instead.
  Call RawParameters
  StrCpy $R0 " $R0"
  StrLen $R2 $R0
  StrCpy $R1 0
  StrCpy $R5 ""
  ${DoWhile} $R1 < $R2
    StrCpy $R3 $R0 4 $R1
    ${If} $R3 == " /D="
      IntOp $R1 $R1 + 4
      StrCpy $R5 $R0 "" $R1
      ${Break}
    ${EndIf}
    IntOp $R1 $R1 + 1
  ${Loop}
  ; A trailing backslash names the same folder.
  StrCpy $R1 $R5 1 -1
  ${If} $R1 == "\"
    StrCpy $R5 $R5 -1
  ${EndIf}

  ; The installation made before, by this setup (its recorded folder) or an older one (the uninstall
  ; entry's folder); gone when its folder is.
  ReadRegStr $Previous SHCTX "${PRODUCT_KEY}" "InstallDir"
  ${If} $Previous == ""
    ReadRegStr $Previous SHCTX "${UNINSTALL_KEY}" "InstallLocation"
  ${EndIf}
  ${IfNot} ${FileExists} "$Previous\*.*"
  ${OrIf} $Previous == ""
    StrCpy $Previous ""
  ${EndIf}

  ${If} $R5 != ""
    StrCpy $R0 $R5
    Call CheckFolderName
    ${If} $R1 != ""
      ${Log} "Cannot install into $R0: $R1. Exit code ${EXIT_BAD_COMMAND}."
      MessageBox MB_OK|MB_ICONSTOP "Cannot install into $R0:$\r$\n$R1." /SD IDOK
      SetErrorLevel ${EXIT_BAD_COMMAND}
      Quit
    ${EndIf}
    StrCpy $INSTDIR $R0
  ${ElseIf} $Previous != ""
    StrCpy $INSTDIR $Previous
  ${ElseIf} $PerUser = 1
    StrCpy $INSTDIR "$LOCALAPPDATA\Programs\Velmora Software\Nivex"
  ${ElseIf} ${RunningX64}
    StrCpy $INSTDIR "$PROGRAMFILES64\Velmora Software\Nivex"
  ${Else}
    StrCpy $INSTDIR "$PROGRAMFILES\Velmora Software\Nivex"
  ${EndIf}

  ${If} $Previous != ""
    StrCpy $DirText "Nivex is installed in $Previous and will be upgraded there. To move it, choose another folder: the installation in $Previous is removed first. $_CLICK"
  ${Else}
    StrCpy $DirText "Setup will install Nivex in the following folder. To install in a different folder, click Browse and select another folder. $_CLICK"
  ${EndIf}
  ; The folder page shows the space of the files this machine gets, not of both sets.
  ${If} ${RunningX64}
    SectionSetSize ${SecMain} ${NIVEX_SIZE_X64_KB}
  ${Else}
    SectionSetSize ${SecMain} ${NIVEX_SIZE_X86_KB}
  ${EndIf}
FunctionEnd

; The installation in $Previous goes before this one goes elsewhere: its uninstaller runs in its folder
; and is waited for.
Function RemovePrevious
  ${Log} "Moving Nivex from $Previous to $INSTDIR: the installation in $Previous is removed first."
  ${If} ${FileExists} "$Previous\Uninstall.exe"
    ClearErrors
    ExecWait '"$Previous\Uninstall.exe" /S _?=$Previous' $R1
    ${If} ${Errors}
      ${Fail} ${EXIT_FILES} "The uninstaller of the installation in $Previous could not be started."
    ${ElseIf} $R1 = ${EXIT_RESTART}
      SetRebootFlag true
    ${ElseIf} $R1 <> 0
      ${Fail} ${EXIT_FILES} "Removing the installation in $Previous failed (exit code $R1); Nivex is installed in $INSTDIR all the same."
    ${EndIf}
    ; An uninstaller run in its folder cannot delete itself (the older ones did not try).
    Delete "$Previous\Uninstall.exe"
  ${EndIf}
  RMDir "$Previous"
  ${GetParent} "$Previous" $R1
  ${GetFileName} "$R1" $R2
  ${If} $R2 == "Velmora Software"
    RMDir "$R1"
  ${EndIf}
FunctionEnd

; After an upgrade in place: what the previous list names and this one does not (a file a newer version
; no longer ships) is removed; files that no list names (the user's own) stay.
Function RemoveDropped
  ClearErrors
  FileOpen $R0 "$PLUGINSDIR\previous.lst" r
  ${If} ${Errors}
    Return
  ${EndIf}
  ${Do}
    Call ReadListEntry
    ${If} ${Errors}
      ${Break}
    ${EndIf}
    ${If} $R1 == ""
      ${Continue}
    ${EndIf}
    StrCpy $R5 0
    FileOpen $R6 "$INSTDIR\${FILE_LIST}" r
    ${Do}
      ClearErrors
      FileReadUTF16LE $R6 $R7
      ${If} ${Errors}
        ${Break}
      ${EndIf}
      ${If} $R7 == "$R1$\r$\n"
      ${OrIf} $R7 == $R1
        StrCpy $R5 1
        ${Break}
      ${EndIf}
    ${Loop}
    FileClose $R6
    ${If} $R5 = 0
      Push $R0
      Call RemoveEntry
      Pop $R0
    ${EndIf}
  ${Loop}
  FileClose $R0
FunctionEnd

; Finish: Nivex starts as the user of the desktop, not with this setup's rights: the shell's own
; ShellExecute, reached through its desktop window, starts it. Without that shell it starts from here.
Function StartNivex
  StrCpy $R9 1
  System::Call 'ole32::CoCreateInstance(g "{9BA05972-F6A8-11CF-A442-00A0C90A8F39}", p 0, i 4, g "{85CB6900-4D95-11CF-960C-0080C7F4EE85}", *p .R0) i .R1'
  ${If} $R1 = 0
    ; IShellWindows::FindWindowSW(CSIDL_DESKTOP, empty, SWC_DESKTOP, &hwnd, SWFO_NEEDDISPATCH, &dispatch)
    System::Call '*(i 3, i 0, i 0, i 0) p .R2'
    System::Call '*(i 0, i 0, i 0, i 0) p .R3'
    System::Call '$R0->15(p R2, p R3, i 8, *i .R4, i 1, *p .R5) i .R1'
    System::Free $R2
    System::Free $R3
    System::Call '$R0->2()'
    ${If} $R1 = 0
    ${AndIf} $R5 <> 0
      ; dispatch -> IServiceProvider -> QueryService(SID_STopLevelBrowser, IShellBrowser)
      System::Call '$R5->0(g "{6D5140C1-7436-11CE-8034-00AA006009FA}", *p .R6) i .R1'
      System::Call '$R5->2()'
      ${If} $R1 = 0
        System::Call '$R6->3(g "{4C96BE40-915C-11CF-99D3-00AA004AE837}", g "{000214E2-0000-0000-C000-000000000046}", *p .R7) i .R1'
        System::Call '$R6->2()'
      ${EndIf}
      ${If} $R1 = 0
        ; IShellBrowser::QueryActiveShellView, IShellView::GetItemObject(SVGIO_BACKGROUND, IDispatch)
        System::Call '$R7->15(*p .R8) i .R1'
        System::Call '$R7->2()'
      ${EndIf}
      ${If} $R1 = 0
        System::Call '$R8->15(i 0, g "{00020400-0000-0000-C000-000000000046}", *p .R6) i .R1'
        System::Call '$R8->2()'
      ${EndIf}
      ${If} $R1 = 0
        ; IShellFolderViewDual::get_Application, then IShellDispatch2
        System::Call '$R6->0(g "{E7A1AF80-4D96-11CF-960C-0080C7F4EE85}", *p .R7) i .R1'
        System::Call '$R6->2()'
      ${EndIf}
      ${If} $R1 = 0
        System::Call '$R7->7(*p .R8) i .R1'
        System::Call '$R7->2()'
      ${EndIf}
      ${If} $R1 = 0
        System::Call '$R8->0(g "{A4C6892C-3BA9-11D2-9DEA-00C04FB16162}", *p .R6) i .R1'
        System::Call '$R8->2()'
      ${EndIf}
      ${If} $R1 = 0
        ; ShellExecute(file, args, folder, verb, show): each VARIANT by value, four words on the stack
        System::Call 'oleaut32::SysAllocString(w "$INSTDIR\nivex.exe") p .R7'
        System::Call 'oleaut32::SysAllocString(w "$INSTDIR") p .R8'
        System::Call '$R6->31(p R7, i 0, i 0, i 0, i 0, i 8, i 0, p R8, i 0, i 0, i 0, i 0, i 0, i 3, i 0, i 1, i 0) i .R1'
        System::Call '$R6->2()'
        System::Call 'oleaut32::SysFreeString(p R7)'
        System::Call 'oleaut32::SysFreeString(p R8)'
        ${If} $R1 = 0
          StrCpy $R9 0
        ${EndIf}
      ${EndIf}
    ${EndIf}
  ${EndIf}
  ${If} $R9 <> 0
    Exec '"$INSTDIR\nivex.exe"'
  ${EndIf}
FunctionEnd


; ---- Uninstaller ----

Var Owner       ; 1 when the registry's installation is this folder's: the shared things are its to remove

Function un.onInit
  ${GetParameters} $R0
  ClearErrors
  ${GetOptions} $R0 "/RemoveUninstaller" $R1
  ${IfNot} ${Errors}
    Call un.RemoveUninstaller
    Quit
  ${EndIf}
  StrCpy $Failure 0
  Call un.ReadSwitches
  ${If} ${RunningX64}
    SetRegView 64
  ${EndIf}
  ; Per user when the current user's record names this folder, or the folder is the user's own.
  SetShellVarContext current
  StrCpy $UserData $LOCALAPPDATA
  ReadRegStr $R0 HKCU "${PRODUCT_KEY}" "InstallDir"
  StrLen $R1 "$LOCALAPPDATA\"
  StrCpy $R2 $INSTDIR $R1
  ${If} $R0 == $INSTDIR
  ${OrIf} $R2 == "$LOCALAPPDATA\"
    StrCpy $PerUser 1
  ${Else}
    StrCpy $PerUser 0
    SetShellVarContext all
    Call un.Elevate
  ${EndIf}
  Call un.OpenLog
  ReadRegStr $R0 SHCTX "${PRODUCT_KEY}" "InstallDir"
  ${If} $R0 == $INSTDIR
    StrCpy $Owner 1
  ${Else}
    StrCpy $Owner 0
  ${EndIf}
  ${Log} "Nivex ${NIVEX_VERSION} uninstaller, $\"$CMDLINE$\", folder $INSTDIR"
FunctionEnd

; $R0: a server file, $R5: its platform (win64, win32). $R1: 1 when VelmoraGUI is registered to it in the
; current registry view: its classes (at least one, and none to another file) or its type library entry
; for that platform (Wine keeps one set of a user's classes for both views), so that its unregistration
; takes nobody else's.
Function un.RegisteredTo
  ReadRegStr $R2 SHCTX "Software\Classes\CLSID\${NIVEX_VELMORAGUI_CLASS1}\InprocServer32" ""
  ReadRegStr $R3 SHCTX "Software\Classes\CLSID\${NIVEX_VELMORAGUI_CLASS2}\InprocServer32" ""
  ReadRegStr $R4 SHCTX "Software\Classes\TypeLib\${NIVEX_VELMORAGUI_LIBID}\1.0\0\$R5" ""
  StrCpy $R1 0
  ${If} "$R2|$R3" == "$R0|$R0"
  ${OrIf} "$R2|$R3" == "$R0|"
  ${OrIf} "$R2|$R3" == "|$R0"
  ${OrIf} $R4 == $R0
    StrCpy $R1 1
  ${EndIf}
FunctionEnd

; The installation folder once it is empty, and the publisher's folder that the default location created.
Function un.RemoveFolders
  RMDir "$INSTDIR"
  ${If} ${FileExists} "$INSTDIR\*.*"
    ${Log} "$INSTDIR is kept: it holds files the setup did not place."
  ${EndIf}
  ${GetParent} "$INSTDIR" $R1
  ${GetFileName} "$R1" $R2
  ${If} $R2 == "Velmora Software"
    RMDir "$R1"
  ${EndIf}
FunctionEnd

; The copy of an uninstaller that ran in its folder: waits (up to 30 seconds) until that uninstaller has
; ended and its file can go, then removes it and the empty folders. This copy goes at the next start.
Function un.RemoveUninstaller
  SetOutPath $TEMP
  StrCpy $R0 0
  ${Do}
    Delete "$INSTDIR\Uninstall.exe"
    ${IfNot} ${FileExists} "$INSTDIR\Uninstall.exe"
      ${Break}
    ${EndIf}
    Sleep 250
    IntOp $R0 $R0 + 1
  ${LoopUntil} $R0 >= 120
  Call un.RemoveFolders
  Delete /REBOOTOK "$EXEPATH"
FunctionEnd

; Unregisters a server file (platform win64 or win32) with a command only while the registration names it.
!macro Unregister server platform what command
  StrCpy $R0 "${server}"
  StrCpy $R5 ${platform}
  StrCpy $R8 "Unregistering ${what}"
  StrCpy $R9 `${command}`
  Call un.UnregisterIfOurs
!macroend

; $R0, $R5 as RegisteredTo; $R8, $R9 as RunStep.
Function un.UnregisterIfOurs
  Call un.RegisteredTo
  ${If} $R1 = 1
    Call un.RunStep
  ${Else}
    ${Log} "VelmoraGUI is not registered to $R0 here: its registration is left alone."
  ${EndIf}
FunctionEnd

Section "Uninstall"
  StrCpy $R0 $INSTDIR
  Call un.CheckRunning

!ifdef NIVEX_VELMORAGUI_X64
  ${If} $PerUser = 1
    ${If} ${RunningX64}
      ${DisableX64FSRedirection}
      !insertmacro Unregister "$INSTDIR\${NIVEX_VELMORAGUI_X64}" win64 "the 64-bit ${NIVEX_VELMORAGUI_X64} for the current user" \
        '"$SYSDIR\regsvr32.exe" /s /u /n /i:user "$R0"'
      ${EnableX64FSRedirection}
      SetRegView 32
      !insertmacro Unregister "$INSTDIR\x86\${NIVEX_VELMORAGUI_X86}" win32 "the 32-bit ${NIVEX_VELMORAGUI_X86} for the current user" \
        '"$SYSDIR\regsvr32.exe" /s /u /n /i:user "$R0"'
      SetRegView 64
    ${Else}
      !insertmacro Unregister "$INSTDIR\${NIVEX_VELMORAGUI_X86}" win32 "${NIVEX_VELMORAGUI_X86} for the current user" \
        '"$SYSDIR\regsvr32.exe" /s /u /n /i:user "$R0"'
    ${EndIf}
  ${ElseIf} ${RunningX64}
    !insertmacro Unregister "$INSTDIR\${NIVEX_VELMORAGUI_X64}" win64 "the 64-bit ${NIVEX_VELMORAGUI_X64}" \
      '"$INSTDIR\nivexcmd.exe" unregister "$R0" --keep'
    SetRegView 32
    !insertmacro Unregister "$INSTDIR\x86\${NIVEX_VELMORAGUI_X86}" win32 "the 32-bit ${NIVEX_VELMORAGUI_X86}" \
      '"$INSTDIR\x86\nivexcmd.exe" unregister "$R0" --keep'
    SetRegView 64
  ${Else}
    !insertmacro Unregister "$INSTDIR\${NIVEX_VELMORAGUI_X86}" win32 "${NIVEX_VELMORAGUI_X86}" \
      '"$INSTDIR\nivexcmd.exe" unregister "$R0" --keep'
  ${EndIf}
!endif

  ; Exactly what the setup listed: files the user or Nivex added keep their folders.
  ClearErrors
  FileOpen $R0 "$INSTDIR\${FILE_LIST}" r
  ${If} ${Errors}
    ${Fail} ${EXIT_FILES} "The list of installed files ($INSTDIR\${FILE_LIST}) is missing: no program file was removed."
  ${Else}
    ${Do}
      Call un.ReadListEntry
      ${If} ${Errors}
        ${Break}
      ${EndIf}
      ${If} $R1 != ""
        Push $R0
        Call un.RemoveEntry
        Pop $R0
      ${EndIf}
    ${Loop}
    FileClose $R0
    Delete "$INSTDIR\${FILE_LIST}"
  ${EndIf}

  ; The shared things only while they are this installation's.
  ${If} $Owner = 1
    Delete "${MENU_FOLDER}\Nivex.lnk"
    Delete "${MENU_FOLDER}\Faultnote.lnk"
    Delete "${MENU_FOLDER}\Nivex Help.lnk"
    RMDir "${MENU_FOLDER}"
    DeleteRegValue SHCTX "${PRODUCT_KEY}" "InstallDir"
    DeleteRegKey /ifempty SHCTX "${PRODUCT_KEY}"
    ${Log} "Removed the shortcuts and the record of the installation."
  ${Else}
    ${Log} "The registry names another installation of Nivex: its shortcuts and record are left alone."
  ${EndIf}
  ReadRegStr $R1 SHCTX "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $R1 == $INSTDIR
    ClearErrors
    DeleteRegKey SHCTX "${UNINSTALL_KEY}"
    ${If} ${Errors}
      ${Fail} ${EXIT_FILES} "Could not remove the uninstall entry (${UNINSTALL_KEY})."
    ${Else}
      ${Log} "Removed the uninstall entry."
    ${EndIf}
  ${EndIf}
  ; "Install Path" while it names this installation, for all users and (written by older setups) the user.
  StrLen $R2 "$INSTDIR\"
  ReadRegStr $R1 SHCTX "${SETTINGS_KEY}" "Install Path"
  StrCpy $R3 $R1 $R2
  ${If} $R3 == "$INSTDIR\"
    DeleteRegValue SHCTX "${SETTINGS_KEY}" "Install Path"
    DeleteRegKey /ifempty SHCTX "${SETTINGS_KEY}"
  ${EndIf}
  ReadRegStr $R1 HKCU "${SETTINGS_KEY}" "Install Path"
  StrCpy $R3 $R1 $R2
  ${If} $R3 == "$INSTDIR\"
    DeleteRegValue HKCU "${SETTINGS_KEY}" "Install Path"
    DeleteRegKey /ifempty HKCU "${SETTINGS_KEY}"
  ${EndIf}
  DeleteRegKey /ifempty SHCTX "Software\Velmora Software"
  DeleteRegKey /ifempty HKCU "Software\Velmora Software"

  ; Run in its folder (_?=) this program cannot delete itself: a copy of it in the temporary folder
  ; removes it, and the folder when nothing else is left in it, once this run has ended.
  ${If} $EXEPATH == "$INSTDIR\Uninstall.exe"
    GetTempFileName $R1
    Delete $R1
    StrCpy $R1 "$R1.exe"
    SetOutPath $TEMP
    ClearErrors
    CopyFiles /SILENT "$EXEPATH" $R1
    Exec '"$R1" /RemoveUninstaller _?=$INSTDIR'
    ${If} ${Errors}
      ${Log} "$INSTDIR\Uninstall.exe could not be removed."
    ${Else}
      ${Log} "$INSTDIR\Uninstall.exe (and the folder, once empty) is removed when this program has ended."
    ${EndIf}
  ${Else}
    Delete "$INSTDIR\Uninstall.exe"
    Call un.RemoveFolders
  ${EndIf}
  !insertmacro Finished
SectionEnd
