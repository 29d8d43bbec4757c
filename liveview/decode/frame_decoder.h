// What a camera window asks of the coder that turns one received frame into pixel rows.
// Per frame it calls CanDecode, Decode, then on success GetInfoHeader, the size and format
// getters and GetBits, and always EndFrame last.
#pragma once

#include <cstdint>

class CFrameDecoder {
 public:
  CFrameDecoder(const CFrameDecoder&) = delete;
  CFrameDecoder& operator=(const CFrameDecoder&) = delete;
  virtual ~CFrameDecoder() = default;

  // 1 when this decoder takes the frame.
  virtual int CanDecode(const uint8_t* frame, int length) = 0;
  // Called once after every frame, whatever the outcome.
  virtual void EndFrame() = 0;
  virtual int GetWidth() = 0;
  virtual int GetHeight() = 0;
  virtual int GetBitCount() = 0;
  virtual int IsBottomUp() { return isBottomUp_; }
  // 1 on a clean decode; the image is usable only then.
  virtual int Decode(const uint8_t* frame, int length) = 0;
  // The 40-byte BITMAPINFOHEADER of the decoded image, as bytes: it sits 2 bytes off a
  // 4-byte boundary, so read it with the bmp:: readers or hand it to GDI, never through
  // a dereferenced struct pointer.
  virtual const uint8_t* GetInfoHeader() = 0;
  virtual const uint8_t* GetBits() = 0;
  virtual int IsKeyFrame() { return isKeyFrame_; }

 protected:
  CFrameDecoder(int isBottomUp, int isKeyFrame)
      : isBottomUp_(isBottomUp), isKeyFrame_(isKeyFrame) {}

 private:
  int isBottomUp_;
  int isKeyFrame_;
};
