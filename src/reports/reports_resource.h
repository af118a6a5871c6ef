#pragma once
// Resource identifiers of the report windows (range 6000-6999).
#define IDD_REPORTS 6000
#define IDC_REP_FRAME3 6001
#define IDC_REP_CHKCONTROLS_0 6002
#define IDC_REP_CHKCONTROLS_1 6003
#define IDC_REP_CHKCONTROLS_2 6004
#define IDC_REP_FRAME2 6005
#define IDC_REP_DOCTYPE_0 6006
#define IDC_REP_DOCTYPE_1 6007
#define IDC_REP_CMDBROWSE 6008
#define IDC_REP_LBLFILE 6009
#define IDC_REP_CMDGENERAL 6010
// cmdCancel is the dialog's cancel button, so Esc closes the dialog as it does.
#define IDC_REP_CMDCANCEL 2
