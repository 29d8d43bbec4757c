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
