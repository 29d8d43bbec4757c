// A host program of the record browser: it creates the registered control, hands it the
// media file named on its command line and exits with 0 when the record was taken.
#include <windows.h>

#include <ole2.h>

#include "VantrelProj_h.h"

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  wchar_t media[MAX_PATH] = {};
  if (!MultiByteToWideChar(CP_ACP, 0, argv[1], -1, media, MAX_PATH)) return 2;
  if (FAILED(OleInitialize(nullptr))) return 3;
  int code = 4;
  IVantrel* vantrel = nullptr;
  if (SUCCEEDED(CoCreateInstance(CLSID_Vantrel, nullptr, CLSCTX_INPROC_SERVER, IID_IVantrel,
                                 reinterpret_cast<void**>(&vantrel)))) {
    wchar_t area[] = L"Hall";
    wchar_t camera[] = L"Host camera";
    const HRESULT hr = vantrel->AddSurveillanceRecord(media, area, camera, 46000.0, 0.25);
    code = SUCCEEDED(hr) ? 0 : 5;
    vantrel->Release();
  }
  OleUninitialize();
  return code;
}
