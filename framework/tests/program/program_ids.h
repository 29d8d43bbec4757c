// Resource ids and exit codes of the dialog test program.
#pragma once

#define IDD_MAIN 100
#define IDS_SELECT 101
#define IDC_LABEL 1001
#define IDC_MESSAGE 1002
#define IDC_NUMBER 1003
#define IDC_ADDRESS 1004
#define IDC_END 1005

// "texts" mode: EXIT_TEXTS_CHECKED, plus one bit per text that was not the expected one.
#define EXIT_TEXTS_CHECKED 0x1000
#define EXIT_BAD_CAPTION 0x100
#define EXIT_BAD_LABEL 0x200
#define EXIT_BAD_STRING 0x400
#define EXIT_BAD_RANGE_MESSAGE 0x800
