#include "liveview/record/avi_rate_patch.h"

#include <windows.h>

#include <vector>

#include "base/scoped_handle.h"
#include "liveview/record/avi_rate_field.h"

namespace liveview {
namespace {

bool ReadAt(HANDLE file, DWORD offset, void* data, DWORD size) {
  DWORD got = 0;
  return SetFilePointer(file, static_cast<LONG>(offset), nullptr, FILE_BEGIN) == offset &&
         ReadFile(file, data, size, &got, nullptr) && got == size;
}

bool WriteAt(HANDLE file, DWORD offset, const void* data, DWORD size) {
  DWORD put = 0;
  return SetFilePointer(file, static_cast<LONG>(offset), nullptr, FILE_BEGIN) == offset &&
         WriteFile(file, data, size, &put, nullptr) && put == size;
}

}  // namespace

int WriteAviVideoRate(const std::string& fileName, uint32_t rate) {
  base::ScopedHandle file(CreateFileA(fileName.c_str(), GENERIC_READ | GENERIC_WRITE,
                                    FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return 0;

  uint8_t lead[kAviLeadBytes];
  if (!ReadAt(file.Get(), 0, lead, sizeof lead)) return 0;
  const size_t prefix = AviHeaderPrefixSize(lead, sizeof lead);
  if (prefix == 0) return 0;
  std::vector<uint8_t> header(prefix);
  if (!ReadAt(file.Get(), 0, header.data(), static_cast<DWORD>(header.size()))) return 0;

  const RateFieldLookup field = FindVideoRateField(header.data(), header.size());
  switch (field.status) {
    case RateFieldStatus::kMalformed:
      return 0;
    case RateFieldStatus::kNoVideoStream:
      return 1;
    case RateFieldStatus::kFound:
      break;
  }
  const uint8_t bytes[4] = {uint8_t(rate), uint8_t(rate >> 8), uint8_t(rate >> 16),
                            uint8_t(rate >> 24)};
  return WriteAt(file.Get(), static_cast<DWORD>(field.offset), bytes, sizeof bytes) ? 1 : 0;
}

}  // namespace liveview
