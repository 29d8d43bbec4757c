// What each build of the tool shows: window texts as UTF-16 (from UTF-8 literals), message
// boxes as the code page 936 bytes they are. TOOL_CHINESE_BUILD picks Setrova_CN's.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include "framework/ansi_text.h"
#include "setuptool/resource_ids.h"
#include "testing/container/dialog_items.h"

namespace setuptool_tests {

struct BuildTexts {
  LANGID language;
  const char* fileName;
  // UTF-8
  const char* setIp;
  const char* connect;
  const char* refresh;
  const char* setBySerial;
  const char* about;
  const char* exit;
  const char* groupBox;
  const char* columns[3];
  // Widths in dialog units of buttons 6, 7 and 3, and of button 4.
  int setIpWidth, connectWidth, refreshWidth, setBySerialWidth;
  const char* aboutMenu;
  const char* aboutCaption;
  const char* aboutOk;
  // Code page 936 bytes
  const char* versionBox;
  const char* selectBox;
  const char* notSameSubnetBox;
  const char* bindBox;
};

constexpr BuildTexts kOrvexTexts{
    MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US),
    "Orvex",
    "Set IP Address",
    "Connect IPCam",
    "Refresh",
    "Set IP for Specific Serial Num",
    "About",
    "Exit",
    "Find IpCamera in LAN",
    {"Serial Num", "Current IP:Port", "Firmware Version"},
    54, 54, 51, 122,
    "About Orvex(&A)...",
    "About Setrova",
    "OK",
    "Setrova version 1.0",
    "Please Select an IP Camera",
    // "，" is A3 AC in both builds.
    "PC and Visited IPCam Not In Same Sect\xA3\xAC" "May Not Visit\xA3\xAC"
    "Try Set PC and IPCam In Same Sect",
    "Can't Bind Listen Port",
};

constexpr BuildTexts kSetrovaCnTexts{
    MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED),
    "Setrova_CN",
    "设定IP地址",
    "访问IPCam",
    "刷新",
    "根据IPCAM序列号设置IP地址",
    "关于",
    "退出",
    "在局域网上搜索到的网络摄象机",
    {"序列号", "当前IP:端口", "固件版本"},
    44, 44, 44, 113,
    "关于 Setrova(&A)...",
    "关于 Setrova",
    "确定",
    "Setrova \xB0\xE6\xB1\xBE" "1.0",                                   // Setrova 版本1.0
    "\xC7\xEB\xD1\xA1\xD4\xF1\xD2\xBB\xB8\xF6\xC9\xE3\xCF\xF1\xCD\xB7",  // 请选择一个摄像头
    // 所访问IPCam不在一个网段，可能访问不到，请设置计算机和IPCam到同一网段
    "\xCB\xF9\xB7\xC3\xCE\xCA" "IPCam\xB2\xBB\xD4\xDA\xD2\xBB\xB8\xF6\xCD\xF8\xB6\xCE\xA3\xAC"
    "\xBF\xC9\xC4\xDC\xB7\xC3\xCE\xCA\xB2\xBB\xB5\xBD\xA3\xAC\xC7\xEB\xC9\xE8\xD6\xC3\xBC\xC6"
    "\xCB\xE3\xBB\xFA\xBA\xCD" "IPCam\xB5\xBD\xCD\xAC\xD2\xBB\xCD\xF8\xB6\xCE",
    "Can't bind listen port",
};

#ifdef TOOL_CHINESE_BUILD
constexpr const BuildTexts& kBuildTexts = kSetrovaCnTexts;
#else
constexpr const BuildTexts& kBuildTexts = kOrvexTexts;
#endif

// The main dialog's caption and the texts of its buttons and group box, read back as UTF-16.
inline void ExpectMainDialogTexts(HWND dlg, const BuildTexts& texts) {
  EXPECT_EQ(test_container::WindowTextW(dlg), L"Setrova");
  const struct {
    int id;
    const char* text;
  } items[] = {{IDC_SET_IP, texts.setIp},
               {IDC_CONNECT, texts.connect},
               {IDC_REFRESH, texts.refresh},
               {IDC_SET_IP_BY_SERIAL, texts.setBySerial},
               {IDC_ABOUT, texts.about},
               {IDCANCEL, texts.exit},
               {IDC_STATIC, texts.groupBox}};
  for (const auto& item : items) {
    EXPECT_EQ(test_container::WindowTextW(GetDlgItem(dlg, item.id)), fw::Utf8ToWide(item.text))
        << "control " << item.id;
  }
}

}  // namespace setuptool_tests
