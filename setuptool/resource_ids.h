// Resource ids of the address-setup tool, shared by its two builds' resource scripts and its
// code. Each build's script holds one language block.
#pragma once

#ifndef IDC_STATIC
#define IDC_STATIC -1
#endif

#define IDD_ABOUTBOX 100
#define IDD_ORVEX_DIALOG 102
#define IDR_MAINFRAME 128

#define IDC_CAMERA_LIST 1001
#define IDC_SET_IP 6
#define IDC_CONNECT 7
#define IDC_REFRESH 3
#define IDC_SET_IP_BY_SERIAL 4
#define IDC_ABOUT 5

#define IDS_ABOUTBOX 101
// The list's column titles.
#define IDS_COLUMN_SERIAL 200
#define IDS_COLUMN_ADDRESS 201
#define IDS_COLUMN_FIRMWARE 202
// Message-box texts.
#define IDS_VERSION_BOX 210
#define IDS_SELECT_CAMERA 211
#define IDS_NOT_SAME_SUBNET 212
#define IDS_SEND_SOCKET_FAIL 213
#define IDS_SET_BROADCAST_FAIL 214
#define IDS_LISTEN_SOCKET_FAIL 215
#define IDS_BIND_LISTEN_FAIL 216

// The set-address and credentials dialogs.
#define IDD_SETIP 129
#define IDD_SETIP_BY_MAC 130
#define IDD_USER_PASS 131

// Template 129.
#define IDC_SETIP_ADDRESS 1006
#define IDC_SETIP_MASK 1003
#define IDC_SETIP_GATEWAY 1004
#define IDC_SETIP_PROGRESS 1005
#define IDC_AUTO_ASSIGN 1002
#define IDC_SAVE 6
#define IDC_AUTO_FIND_FREE 1001
// Template 130.
#define IDC_SERIAL_NUM 1000
#define IDC_BYMAC_ADDRESS 1006
#define IDC_BYMAC_PROGRESS 1003
#define IDC_BYMAC_MASK 1004
#define IDC_BYMAC_GATEWAY 1005
#define IDC_CONNECT_NEW 7
// Template 131.
#define IDC_USER_NAME 1000
#define IDC_PASSWORD 1001

// Message-box texts of the set dialogs: those of the dialog by address, then those of the
// dialog by serial number.
#define IDS_SETIP_ADDRESS_WRONG 220
#define IDS_SETIP_GATEWAY_WRONG 221
#define IDS_SETIP_MASK_WRONG 222
#define IDS_SETIP_CONFLICT 223
#define IDS_SETIP_FAIL 224
#define IDS_SETIP_SUCCESS 225
#define IDS_SETIP_NO_LOCAL 226
#define IDS_SETIP_NO_IDLE 227
#define IDS_BYMAC_ADDRESS_WRONG 230
#define IDS_BYMAC_GATEWAY_WRONG 231
#define IDS_BYMAC_MASK_WRONG 232
#define IDS_BYMAC_SERIAL_WRONG 233
#define IDS_BYMAC_CONFLICT 234
#define IDS_BYMAC_FAIL 235
#define IDS_BYMAC_SUCCESS 236
#define IDS_BYMAC_NO_LOCAL 237
#define IDS_BYMAC_NO_IDLE 238
#define IDS_BYMAC_NOT_SAME_SUBNET 239
