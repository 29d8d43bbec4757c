// Resource ids of the settings dialogs: the sheet's Other (205) and Position (207) pages and
// the modify dialog (206), with their controls and the Position list's icon.
#pragma once

#define IDD_MISC_PAGE 205
#define IDD_MODIFY 206
#define IDD_ADJUST_PAGE 207
#define IDI_CAMERA_ROW 208

// The modify dialog.
#define IDC_MODIFY_ADDRESS 201
#define IDC_MODIFY_PORT 202
#define IDC_MODIFY_USER 203
#define IDC_MODIFY_PASSWORD 204
#define IDC_MODIFY_NAME 208
#define IDC_MODIFY_WINDOW 210

// The Position page.
#define IDC_ADJUST_LIST 213
#define IDC_ADJUST_UP 216
#define IDC_ADJUST_DOWN 217

// The Other page.
#define IDC_MISC_AUTO_CONNECT 209
#define IDC_MISC_SHOW_TITLE 219
#define IDC_MISC_RECONNECT 220
#define IDC_MISC_INTERVAL 221
#define IDC_MISC_INTERVAL_SPIN 222
