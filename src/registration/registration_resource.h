#pragma once
// Resource identifiers of the registration windows (range 5000-5999).
#define IDD_REGSTATUS 5000
#define IDC_REGSTATUS_PICTURE 5001
#define IDC_REGSTATUS_TITLE 5002
#define IDC_REGSTATUS_LINE 5003
#define IDC_REGSTATUS_MESSAGE 5004
// Property set of the EtchedLine under the title (resource type "VGUIPROPS").
#define IDP_REGSTATUS_LINE 8010
