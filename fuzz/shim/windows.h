// Stand-in for <windows.h> in the native fuzz build: only the few types and the one call that
// the byte-level parsers use, with the layouts and meanings Windows gives them. The product
// build never sees this folder.
#pragma once

#include <cstdint>

typedef uint8_t BYTE;
typedef uint16_t WORD;
typedef uint32_t DWORD;
typedef int32_t LONG;
typedef int BOOL;
typedef unsigned UINT;

#define CP_ACP 0
#define BI_RGB 0L

#pragma pack(push, 2)
struct BITMAPFILEHEADER {
  WORD bfType;
  DWORD bfSize;
  WORD bfReserved1;
  WORD bfReserved2;
  DWORD bfOffBits;
};
#pragma pack(pop)

struct BITMAPINFOHEADER {
  DWORD biSize;
  LONG biWidth;
  LONG biHeight;
  WORD biPlanes;
  WORD biBitCount;
  DWORD biCompression;
  DWORD biSizeImage;
  LONG biXPelsPerMeter;
  LONG biYPelsPerMeter;
  DWORD biClrUsed;
  DWORD biClrImportant;
};

struct RGBQUAD {
  BYTE rgbBlue;
  BYTE rgbGreen;
  BYTE rgbRed;
  BYTE rgbReserved;
};

// The fuzz build's ANSI code page is 936, the double-byte one the system's Chinese texts use:
// lead bytes 0x81 to 0xFE. Other code pages are single-byte here.
inline BOOL IsDBCSLeadByteEx(UINT codePage, BYTE byte) {
  if (codePage != CP_ACP && codePage != 936) return 0;
  return byte >= 0x81 && byte <= 0xFE;
}
