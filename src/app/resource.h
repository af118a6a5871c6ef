#pragma once
// Resource identifiers of the main program (range 100-2999; the inspection windows use 3000-3999).
// Names follow the window controls they identify.

// Icons, bitmaps, sounds, menus, accelerators
#define IDI_NIVEX 100
#define IDI_OCX 101
#define IDI_DLL 102
#define IDB_SPLASH 110
// Strips of images in the order of their keys: ilList 16x16, ilToolbar24 (colour) and ilToolbar24BW (grey) 24x24.
#define IDB_LIST16 120
#define IDB_TOOLBAR24 130
#define IDB_TOOLBAR24_GREY 131
#define IDR_MAINMENU 200
#define IDR_SYSTRAY 201
#define IDR_ACCELERATORS 202

// Dialogs and their controls
#define IDD_FINDINLIST 300
#define IDC_FIND_LABEL1 301
#define IDC_FIND_TXTFIND 302
#define IDC_FIND_FRAME1 303
#define IDC_FIND_CHKTYPELIB 304
#define IDC_FIND_CHKCONTROL 305
#define IDC_FIND_CMDSEARCH 306
#define IDC_FIND_COMMAND2 307
#define IDC_FIND_ETCHEDLINE1 308

// Child windows of frmMain
#define IDC_FRATOOLBAR 400
#define IDC_TLBMAIN 401
#define IDC_TVMAIN0 402
#define IDC_TVMAIN1 403
#define IDC_FRAINFO0 404
#define IDC_FRAINFO1 405
#define IDC_LVINFO0 406
#define IDC_LVINFO1 407
#define IDC_STATUSBAR 408
#define IDC_PGSTATUS 409
#define IDC_SPLITTOP 410
#define IDC_SPLITTERLEFT 411

// frmSplash
#define IDC_SPLASH_LBLVERSION 450
#define IDC_SPLASH_LBLSTATUS 451
#define IDC_SPLASH_PROGRESSBAR 452

// Menu commands of frmMain: File
#define mnuRegisterControl 1001
#define mnuUnregisterControl 1002
#define mnuSearchForFile 1003
#define mnuRemoveRegistryKeys 1004
#define mnuExplore 1005
#define mnuPropertyPages 1006
#define mnuExit 1007
// Edit
#define mnuSaveToolboxBitmap 1020
#define mnuCopyData 1021
#define mnuEditInformation 1022
#define mnuFindInList 1023
#define mnuTestInBrowser 1024
#define mnuExpandAll 1025
#define mnuCollapseAll 1026
#define mnuRestoreRegistryKeys 1027
// View
#define mnuToolbar 1040
#define mnuShowStatusbar 1041
#define mnuToolboxBitmapPreview 1042
#define mnuControls0 1043
#define mnuControls1 1044
#define mnuRefresh 1045
#define mnuControls32 1046
#define mnuControls64 1047
// Tools
#define mnuRegEdit 1060
#define mnuReports 1061
#define mnuCompareFiles 1062
#define mnuDependency 1063
#define mnuPreviewRegistration 1065
#define mnuOptions 1064
// Help
#define mnuHelpContents 1080
#define mnuHelpWithThis 1081
#define mnuNivexWebsite 1082
#define mnuBugReport 1083
#define mnuAbout 1084
// The tray icon's menu
#define mnuTrayOpenNivex 1100
#define mnuTrayRegisterControl 1101
#define mnuTrayUnregister 1102
#define mnuTrayAbout 1103
#define mnuTrayExit 1104

// Toolbar buttons of tlbMain (each dispatches to its menu command)
#define tbRegister 1201
#define tbUnregister 1202
#define tbRefresh 1203
#define tbSearchForFile 1204
#define tbRegistryRemove 1205
#define tbProperties 1206
#define tbReports 1207
#define tbOptions 1208

// Property sets of the VelmoraGUI controls placed on the windows (resource type "VGUIPROPS").
#define IDP_FRAINFO0 8000 // fraInfo(0); fraInfo(1) is the next one
#define IDP_FRAINFO1 8001
#define IDP_FIND_ETCHEDLINE1 8002
