// Resource ids of the sample control module.
#pragma once

#define IDD_ABOUT 1
#define IDB_TOOLBOX 1
#define IDS_SAMPLE_TYPE 1
#define IDS_SAMPLE_PAGE_TYPE 2
#define IDS_FORM_TYPE 3
#define IDS_PAGE_CAPTION 200
#define IDS_GREETING 201
#define IDD_PAGE 200
#define IDC_PAGE_TEXT 1001
