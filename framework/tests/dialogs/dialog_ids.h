// Resource ids of the dialog test program.
#pragma once

#define IDD_SETTINGS 100
#define IDD_PAGE_ONE 101
#define IDD_PAGE_TWO 102
#define IDD_ADDRESS 103
#define IDC_NAME 1001
#define IDC_INTERVAL 1002
#define IDC_AUTO 1003
#define IDC_VALUE 1004
#define IDC_ADDRESS 1005
#define IDS_SHEET_CAPTION 227
#define IDS_CONFIRM 229
#define IDS_ENGLISH_ONLY 240  // a block of 16 that only the English table has
#define IDS_WINDOW_TITLE 225
