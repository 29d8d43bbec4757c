// FrameToBitmap on a fake grabber: which connected formats make a bitmap, its size and
// depth, and how much of a buffer or the current sample reaches it.
#include <dshow.h>
#include <gtest/gtest.h>
#include <qedit.h>
#include <windows.h>

#include <cstring>
#include <vector>

#include "framework/bitmap.h"
#include "mediagraph/sample_grabber.h"

namespace {

using namespace mediagraph;

// Answers the connected type and the current sample it is given, as the platform's grabber
// does: a buffer smaller than the sample is refused.
class FakeGrabber : public ISampleGrabber {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** out) override {
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE SetOneShot(WINBOOL) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetMediaType(const AM_MEDIA_TYPE*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetConnectedMediaType(AM_MEDIA_TYPE* type) override {
    ++typeCalls;
    if (connected != S_OK) return connected;
    *type = {};
    type->majortype = major;
    type->formattype = formatType;
    type->cbFormat = static_cast<ULONG>(format.size());
    type->pbFormat = static_cast<BYTE*>(CoTaskMemAlloc(format.size()));
    memcpy(type->pbFormat, format.data(), format.size());
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE SetBufferSamples(WINBOOL) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetCurrentBuffer(LONG* size, LONG* buffer) override {
    if (sample.empty()) return VFW_E_WRONG_STATE;
    if (!buffer) {
      *size = static_cast<LONG>(sample.size());
      return S_OK;
    }
    if (*size < static_cast<LONG>(sample.size())) return E_OUTOFMEMORY;
    memcpy(buffer, sample.data(), sample.size());
    *size = static_cast<LONG>(sample.size());
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetCurrentSample(IMediaSample**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetCallback(ISampleGrabberCB*, LONG) override { return E_NOTIMPL; }

  // A video-info block of `length` bytes with the header at `offset`.
  void SetHeader(const GUID& type, size_t length, size_t offset, LONG width, LONG height,
                 WORD bits, DWORD sizeImage) {
    formatType = type;
    format.assign(length, 0);
    BITMAPINFOHEADER h = {};
    h.biSize = sizeof h;
    h.biWidth = width;
    h.biHeight = height;
    h.biPlanes = 1;
    h.biBitCount = bits;
    h.biSizeImage = sizeImage;
    memcpy(format.data() + offset, &h, sizeof h);
  }

  HRESULT connected = S_OK;
  GUID major = MEDIATYPE_Video;
  GUID formatType = FORMAT_VideoInfo;
  std::vector<BYTE> format;
  std::vector<BYTE> sample;
  int typeCalls = 0;
};

TEST(FrameToBitmap, FormatsThatMakeABitmapAndThoseThatDoNot) {
  struct Case {
    const char* name;
    GUID formatType;
    size_t length, offset;
    LONG width, height;
    WORD bits;
    bool made;
  } cases[] = {
      {"VideoInfo 88", FORMAT_VideoInfo, 88, 48, 32, 24, 24, true},
      {"VideoInfo2 112", FORMAT_VideoInfo2, 112, 72, 32, 24, 32, true},
      {"VideoInfo with masks", FORMAT_VideoInfo, 100, 48, 32, 24, 32, false},
      {"VideoInfo2 of 88", FORMAT_VideoInfo2, 88, 48, 32, 24, 24, false},
      {"VideoInfo of 112", FORMAT_VideoInfo, 112, 72, 32, 24, 24, false},
      {"top-down", FORMAT_VideoInfo, 88, 48, 32, -24, 24, true},
      {"other format", FORMAT_WaveFormatEx, 88, 48, 32, 24, 24, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FakeGrabber grabber;
    grabber.SetHeader(c.formatType, c.length, c.offset, c.width, c.height, c.bits, 0);
    const size_t image = static_cast<size_t>(c.width * c.bits / 8 * (c.height < 0 ? -c.height : c.height));
    std::vector<BYTE> frame(image, 0x33);
    fw::Bitmap bitmap;
    EXPECT_EQ(c.made, FrameToBitmap(&grabber, &bitmap, frame.data(), static_cast<long>(frame.size())));
    if (!c.made) {
      EXPECT_TRUE(bitmap.Empty());
      continue;
    }
    EXPECT_EQ(c.width, bitmap.Width());
    EXPECT_EQ(c.height < 0 ? -c.height : c.height, bitmap.Height());
    EXPECT_EQ(c.bits, bitmap.BitsPerPixel());
    EXPECT_EQ(0x33, bitmap.Row(0)[0]);
    EXPECT_EQ(0x33, bitmap.Row(bitmap.Height() - 1)[bitmap.Stride() - 1]);
  }
}

TEST(FrameToBitmap, RefusesWithoutBitmapEmptyBufferOrVideoType) {
  FakeGrabber grabber;
  grabber.SetHeader(FORMAT_VideoInfo, 88, 48, 8, 8, 24, 0);
  BYTE byte = 0;
  fw::Bitmap bitmap;
  EXPECT_FALSE(FrameToBitmap(&grabber, nullptr, &byte, 1));
  EXPECT_FALSE(FrameToBitmap(&grabber, &bitmap, &byte, 0));
  EXPECT_EQ(0, grabber.typeCalls);  // the grabber is not asked
  EXPECT_FALSE(FrameToBitmap(nullptr, &bitmap, &byte, 1));
  grabber.connected = VFW_E_NOT_CONNECTED;
  EXPECT_FALSE(FrameToBitmap(&grabber, &bitmap, &byte, 1));
  grabber.connected = S_OK;
  grabber.major = MEDIATYPE_Audio;
  EXPECT_FALSE(FrameToBitmap(&grabber, &bitmap, &byte, 1));
  grabber.major = MEDIATYPE_Video;
  grabber.format.clear();  // no format block
  EXPECT_FALSE(FrameToBitmap(&grabber, &bitmap, &byte, 1));
  EXPECT_TRUE(bitmap.Empty());
}

TEST(FrameToBitmap, CopiesAtMostTheImageWhateverTheBufferOrSizeField) {
  // 15 bits and no image size: stride 640, 153600 bytes; a longer buffer stops there.
  {
    FakeGrabber grabber;
    grabber.SetHeader(FORMAT_VideoInfo, 88, 48, 320, 240, 15, 0);
    std::vector<BYTE> frame(153600 + 4096, 0x44);
    fw::Bitmap bitmap;
    ASSERT_TRUE(FrameToBitmap(&grabber, &bitmap, frame.data(), static_cast<long>(frame.size())));
    EXPECT_EQ(640, bitmap.Stride());
    EXPECT_EQ(240, bitmap.Height());
    EXPECT_EQ(0x44, bitmap.Row(0)[639]);
    EXPECT_EQ(0x44, bitmap.Row(239)[0]);
  }
  // An image size far past the section copies only the section.
  {
    FakeGrabber grabber;
    grabber.SetHeader(FORMAT_VideoInfo, 88, 48, 16, 16, 24, 0x7FFFFFF0);
    std::vector<BYTE> frame(1 << 20, 0x55);
    fw::Bitmap bitmap;
    ASSERT_TRUE(FrameToBitmap(&grabber, &bitmap, frame.data(), static_cast<long>(frame.size())));
    EXPECT_EQ(0x55, bitmap.Row(0)[47]);
  }
  // A shorter buffer fills only its own length of the rows, in memory order (bottom-up).
  {
    FakeGrabber grabber;
    grabber.SetHeader(FORMAT_VideoInfo, 88, 48, 4, 4, 32, 0);
    std::vector<BYTE> frame(16, 0x66);  // the first row in memory: the bottom one
    fw::Bitmap bitmap;
    ASSERT_TRUE(FrameToBitmap(&grabber, &bitmap, frame.data(), static_cast<long>(frame.size())));
    EXPECT_EQ(0x66, bitmap.Row(3)[15]);
    EXPECT_EQ(0x00, bitmap.Row(2)[0]);
  }
}

TEST(FrameToBitmap, WithoutABufferReadsTheWholeCurrentSample) {
  FakeGrabber grabber;
  grabber.SetHeader(FORMAT_VideoInfo, 88, 48, 4, 2, 24, 0);  // 24 bytes of image
  fw::Bitmap bitmap;
  EXPECT_FALSE(FrameToBitmap(&grabber, &bitmap, nullptr, 0));  // nothing buffered yet
  EXPECT_TRUE(bitmap.Empty());
  for (size_t length : {size_t{40}, size_t{24}, size_t{10}}) {
    SCOPED_TRACE(length);
    grabber.sample.assign(length, 0x77);
    fw::Bitmap frame;
    ASSERT_TRUE(FrameToBitmap(&grabber, &frame, nullptr, 0));
    EXPECT_EQ(0x77, frame.Row(1)[0]);
    EXPECT_EQ(length >= 24 ? 0x77 : 0x00, frame.Row(0)[11]);
  }
}

}  // namespace
