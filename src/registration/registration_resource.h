#pragma once
// Resource identifiers of the registration windows (range 5000-5999; the repair windows from 5100).
#define IDD_REGSTATUS 5000
#define IDC_REGSTATUS_PICTURE 5001
#define IDC_REGSTATUS_TITLE 5002
#define IDC_REGSTATUS_LINE 5003
#define IDC_REGSTATUS_MESSAGE 5004
// Edit Data dialog (frmEditData)
#define IDD_EDITDATA 5100
#define IDC_EDITDATA_ELEMENT_CAPTION 5101
#define IDC_EDITDATA_DATA_CAPTION 5102
#define IDC_LBLELEMENT 5103
#define IDC_TXTDATA 5104
// Find Missing File window (frmFindFile)
#define IDD_FINDFILE 5110
#define IDC_LBLSEARCHFILE 5111
#define IDC_LBLSEARCHSTATUS 5112
#define IDC_LVFOUND 5113
#define IDC_CMDCHOOSEFILE 5114
#define IDC_CMDSEARCH 5115
#define IDC_CMDCANCEL 5116
#define IDC_FRASEARCHIN 5117
#define IDC_CBOLOOKIN 5118
#define IDC_CMDBROWSE 5119
#define IDC_CHKRECURSIVE 5120
// Preview Registration window (the dry run of a server's registration)
#define IDD_PREVIEWREG 5130
#define IDC_PREVIEW_FILE 5131
#define IDC_PREVIEW_SUMMARY 5132
#define IDC_TVPREVIEW 5133
#define IDC_PREVIEW_EXPORT 5134

// Restore Registry Keys window (frmRestoreList)
#define IDD_RESTORELIST 5140
#define IDC_RESTORE_CAPTION 5141
#define IDC_LVBACKUPS 5142
#define IDC_CMDRESTORE 5143
#define IDC_CMDOPENFOLDER 5144
#define IDC_CMDDELETEBACKUP 5145
#define IDC_CMDBROWSEBACKUP 5146
// Property set of the EtchedLine under the title (resource type "VGUIPROPS").
#define IDP_REGSTATUS_LINE 8010
