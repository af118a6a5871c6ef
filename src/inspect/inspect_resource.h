#pragma once
// Resource ids of the inspection windows (range 3000-3999).

#define IDD_BITMAP_PREVIEW 3000
#define IDC_PREVIEW_FRAME2 3001
#define IDC_PREVIEW_IBOX 3002
#define IDC_PREVIEW_LABEL1 3003
