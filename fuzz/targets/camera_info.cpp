// Reading a CameraInfo block that a host hands back (Set code 5), then building the block
// again (Get code 0): the input is the 972 bytes (cut or zero-filled to that size), the index
// brought into range when the input's last byte is odd so that both paths are reached.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "liveview/cameras/camera_info.h"
#include "liveview/cameras/camera_table.h"
#include "liveview/cameras/camera_text.h"
#include "support/fuzz_check.h"

using namespace liveview;

namespace {

template <size_t N>
void CheckField(const char (&field)[N], const std::string& text) {
  FUZZ_CHECK(std::memchr(field, '\0', N) != nullptr);
  const size_t length = std::strlen(field);
  FUZZ_CHECK(length <= text.size() && std::memcmp(field, text.data(), length) == 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  CameraInfo info;
  std::memset(&info, 0, sizeof info);
  std::memcpy(&info, data, std::min(size, sizeof info));
  if (size > 0 && (data[size - 1] & 1)) info.index = static_cast<int32_t>(uint32_t(info.index) % 16);

  CCameraTable table;
  const int read = table.ReadCameraInfo(info);
  FUZZ_CHECK(read == (CCameraTable::IsValidIndex(info.index) ? 1 : 0));
  if (!read) return 0;
  const int index = info.index;
  const CameraRecord& record = *table.RecordAt(index);
  FUZZ_CHECK(record.domainName == CameraInfoText(info.domainName));
  FUZZ_CHECK(record.user.size() <= sizeof info.user && record.nick.size() <= sizeof info.nick);
  FUZZ_CHECK(record.port == info.port);

  CameraInfo built;
  std::memset(&built, 0xA5, sizeof built);
  FUZZ_CHECK(table.BuildCameraInfo(index, &built) == 1);
  CheckField(built.domainName, record.domainName);
  CheckField(built.user, record.user);
  CheckField(built.password, record.password);
  CheckField(built.nick, record.nick);
  CheckField(built.mac, record.mac);
  FUZZ_CHECK(built.index == index && built.port == info.port);

  // The table's lookups over what the host gave.
  const std::string text = table.CameraText(index);
  // A host's text with blanks at its ends or a ':' is taken as it stands, and cannot be found
  // by its camera text; any other must be.
  if (!record.address.empty() && record.address.find(':') == std::string::npos &&
      TrimWhiteSpace(record.address) == record.address)
    FUZZ_CHECK(table.FindByCameraText(text) != -1);
  table.FindByDomainName(CameraInfoText(info.nick));
  table.SplitCameraText(CameraInfoText(info.user));

  // Read back what was built: the same record.
  CCameraTable again;
  FUZZ_CHECK(again.ReadCameraInfo(built) == 1);
  const CameraRecord& second = *again.RecordAt(index);
  FUZZ_CHECK(second.domainName.size() <= record.domainName.size());
  FUZZ_CHECK(second.port == record.port);
  return 0;
}
