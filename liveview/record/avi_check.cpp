#include "liveview/record/avi_check.h"

#include <windows.h>

#include <vfw.h>

#include "base/com_ptr.h"
#include "liveview/record/avifile_library.h"

namespace liveview {

int CheckAviFile(const char* fileName) {
  if (!fileName) return 0;
  EnsureAviFileLibrary();
  // Only what was obtained is released, whichever call fails.
  base::ComPtr<IAVIFile> file;
  if (FAILED(AVIFileOpenA(file.Receive(), fileName, OF_SHARE_EXCLUSIVE, nullptr))) {
    (void)file.Detach();  // a failed call hands out nothing to release
    return 0;
  }
  AVIFILEINFOA fileInfo = {};
  if (FAILED(AVIFileInfoA(file.Get(), &fileInfo, sizeof fileInfo))) return 0;
  base::ComPtr<IAVIStream> stream;
  if (FAILED(AVIFileGetStream(file.Get(), stream.Receive(), streamtypeVIDEO, 0))) {
    (void)stream.Detach();
    return 0;
  }
  AVISTREAMINFOA streamInfo = {};
  if (FAILED(AVIStreamInfoA(stream.Get(), &streamInfo, sizeof streamInfo))) return 0;
  return fileInfo.dwLength != 0 && streamInfo.dwRate != 0 && streamInfo.dwLength != 0 &&
                 streamInfo.dwSuggestedBufferSize != 0
             ? 1
             : 0;
}

}  // namespace liveview
