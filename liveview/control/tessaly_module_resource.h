// Resource ids of Tessaly.ocx beside the string table and menu of liveview/resources.
#pragma once

#define IDS_TESSALY_TYPE 1
#define IDS_TESSALY_PAGE_TYPE 2
#define IDB_TESSALY 1
#define IDI_TESSALY 1
#define IDD_ABOUTBOX_TESSALY 1
#define IDD_PROPPAGE_TESSALY 200
#define IDC_ABOUT_PRODUCT 1001
#define IDC_ABOUT_SECOND 1002
#define IDC_PROPPAGE_TEXT 1003
