#pragma once
// Resource identifiers of faultnote.exe (its own numbering; nothing is shared with other programs).
#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif

#define IDI_FAULTNOTE 1

#define IDD_WIZARD 100
#define IDD_PAGE0 101
#define IDD_PAGE1 102
#define IDD_PAGE2 103
#define IDD_PAGE3 104
#define IDD_VIEW 110

// Wizard: step labels, markers, the page area and the navigation buttons.
#define lblNumber0 1001
#define lblNumber1 1002
#define lblNumber2 1003
#define lblNumber3 1004
#define imgBug0 1011
#define imgBug1 1012
#define imgBug2 1013
#define imgBug3 1014
#define IDC_PAGE_AREA 1020
#define cmdNavigate0 1021
#define cmdNavigate1 1022
#define cmdNavigate2 1023

// Pages.
#define txtAppInfo0 1100
#define txtAppInfo1 1101
#define txtAppInfo2 1102
#define lblWinVer 1110
#define txtUserInfo0 1111
#define txtUserInfo1 1112
#define txtErrors0 1120
#define txtErrors1 1121
#define txtErrors2 1122
#define optEmail0 1130
#define optEmail1 1131
#define Check1_0 1132
#define Check1_1 1133
#define lblMailbox 1134

// Viewer.
#define lblPath 1200
#define txtView 1201
