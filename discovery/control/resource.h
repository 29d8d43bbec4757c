// Resource ids of the Lumidex module.
#pragma once

#define IDS_LUMIDEX 1
#define IDS_LUMIDEX_PPG 2
#define IDS_LUMIDEX_PPG_CAPTION 200
#define IDD_ABOUTBOX_LUMIDEX 1
#define IDB_LUMIDEX 1
#define IDD_PROPPAGE_LUMIDEX 200
#define IDC_PROPPAGE_TEXT 1001
