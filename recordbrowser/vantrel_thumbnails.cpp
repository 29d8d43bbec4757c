// The thumbnail pipeline: videos one at a time through the form's graph, pictures at once,
// driven by messages posted to the form's own window so the graph's streaming thread never
// touches the views.
#include <windows.h>

#include <algorithm>

#include "framework/ansi_text.h"
#include "framework/error.h"
#include "framework/exception_guard.h"
#include "recordbrowser/catalogue/locale_settings.h"
#include "recordbrowser/vantrel_impl.h"

namespace vantrel {

namespace {

constexpr DWORD kCaptureTimeoutMs = 10000;
DWORD g_captureTimeoutMs = 0;

DWORD CaptureTimeout() { return g_captureTimeoutMs ? g_captureTimeoutMs : kCaptureTimeoutMs; }

// The reference clock every capture graph runs on, made once and never released. Wine's
// system clock can hang the release of its last reference for good (its advise thread
// misses the wake-up when it is between two waits, as just after a graph ran), and a graph
// that owns its clock releases it when it goes; with this one, no graph ever holds the last
// reference. Null where no clock can be made: the graph then picks its own.
IReferenceClock* CaptureClock() {
  static IReferenceClock* const clock = [] {
    IReferenceClock* made = nullptr;
    CoCreateInstance(CLSID_SystemClock, nullptr, CLSCTX_INPROC_SERVER, IID_IReferenceClock,
                     reinterpret_cast<void**>(&made));
    return made;
  }();
  return clock;
}

bool IsVideo(const std::string& extension) { return extension == ".AVI" || extension == ".MPG"; }

}  // namespace

void TVantrel::SetCaptureTimeoutForTests(DWORD ms) { g_captureTimeoutMs = ms; }

std::string TVantrel::MediaExtension(const std::string& mediaFile) {
  std::string ext(Extension(mediaFile, LoadTimeDateTimeSettings().leadBytes));
  while (!ext.empty() && ext.front() == ' ') ext.erase(ext.begin());
  while (!ext.empty() && ext.back() == ' ') ext.pop_back();
  for (char& c : ext) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return ext;
}

void TVantrel::ScheduleThumbnail(std::unique_ptr<TRecordItem> item) {
  if (!item) return;
  TRecordItem* raw = item.get();
  const UINT message = IsVideo(MediaExtension(raw->MediaFile)) ? WM_QUEUEVIDEO : WM_MAKEPICTURETHUMB;
  pipeline_[raw] = std::move(item);
  PostMessageA(postWindow_, message, reinterpret_cast<WPARAM>(raw), 0);
}

bool TVantrel::OnWndMsg(UINT msg, WPARAM w, LPARAM l, LRESULT* result) {
  if (HandlePipelineMessage(msg, w, l)) {
    *result = 0;
    return true;
  }
  return Form::OnWndMsg(msg, w, l, result);
}

bool TVantrel::HandlePipelineMessage(UINT msg, WPARAM w, LPARAM) {
  auto* item = reinterpret_cast<TRecordItem*>(w);
  switch (msg) {
    case WM_QUEUEVIDEO:
      fw::GuardUiHandler(GetSafeHwnd(), "QueueVideoThumbnail", [&] { QueueVideoThumbnail(item); });
      return true;
    case WM_CAPTUREDONE:
      // Only the capture running hears its end; a stray one changes nothing.
      if (capturing_) {
        fw::GuardUiHandler(GetSafeHwnd(), "AdvanceCaptureQueue",
                           [&] { AdvanceCaptureQueue(w != 0); });
      }
      return true;
    case WM_RECORDREADY: {
      auto it = pipeline_.find(item);
      if (it == pipeline_.end()) return true;
      std::unique_ptr<TRecordItem> owned = std::move(it->second);
      pipeline_.erase(it);
      captureFailures_.erase(item);
      fw::GuardUiHandler(GetSafeHwnd(), "InsertRecordItem",
                         [&] { InsertRecordItem(std::move(owned)); });
      return true;
    }
    case WM_MAKEPICTURETHUMB:
      MakePictureThumbnail(item);
      return true;
    case WM_TIMER:
      if (w != kCaptureTimer) return false;
      // A tick left from an earlier capture is not this one's time-out.
      if (GetTickCount() - captureStarted_ + 50 < CaptureTimeout()) return true;
      KillTimer(kCaptureTimer);
      if (capturing_ && ClaimCapture()) FailCapture();
      return true;
    default:
      return false;
  }
}

void TVantrel::QueueVideoThumbnail(TRecordItem* item) {
  // Only items of this pipeline, each queued once.
  if (!item || !pipeline_.count(item)) return;
  if (std::find(CaptureQueue.begin(), CaptureQueue.end(), item) != CaptureQueue.end()) return;
  CaptureQueue.push_back(item);
  if (!CaptureQueue.empty() && !capturing_) StartCapture();
}

bool TVantrel::ClaimCapture() { return CaptureBusy.exchange(1) == 0; }

void TVantrel::FailCapture() { PostMessageA(postWindow_, WM_CAPTUREDONE, 0, 0); }

void TVantrel::StartCapture() {
  if (CaptureQueue.empty()) return;
  TRecordItem* head = CaptureQueue.front();
  const unsigned serial = ++captureSerial_;
  capturing_ = true;
  captureTarget_.item = head;
  captureTarget_.thumbFile = head->ThumbFile;
  captureTarget_.width = ImageListThumb->Width();
  captureTarget_.height = ImageListThumb->Height();
  // Published to the streaming thread: it reads the target only after taking this flag.
  CaptureBusy.store(0);
  captureStarted_ = GetTickCount();
  SetTimer(kCaptureTimer, CaptureTimeout());
  const std::wstring file = fw::AnsiToWide(head->MediaFile);
  const auto alive = alive_;
  const bool started = fw::GuardUiHandler(GetSafeHwnd(), "StartCapture", [&] {
    FilterGraph->SetActive(true);
    FilterGraph->EmptyGraph();
    FilterGraph->RenderMediaFile(file);
    if (IReferenceClock* clock = CaptureClock()) {
      if (auto filter = FilterGraph->Query<IMediaFilter>(IID_IMediaFilter)) {
        filter->SetSyncSource(clock);
      }
    }
    FilterGraph->RunGraph();
  });
  if (!*alive) return;
  // A render or run that raised has shown its box: no sample will come.
  if (!started && capturing_ && captureSerial_ == serial && ClaimCapture()) FailCapture();
}

void TVantrel::GraphEvent(long event) {
  if (event != EC_COMPLETE && event != EC_ERRORABORT) return;
  // The stream ended before its first sample.
  if (capturing_ && ClaimCapture()) FailCapture();
}

void TVantrel::AdvanceCaptureQueue(bool ok) {
  KillTimer(kCaptureTimer);
  capturing_ = false;
  // No sample is taken until the next capture publishes its target.
  CaptureBusy.store(1);
  if (FilterGraph->Active()) {
    // Stopped before it is emptied and taken down: Wine's graph survives no provider
    // leaving it while it runs.
    fw::GuardVoid("AdvanceCaptureQueue stop", [&] { FilterGraph->StopGraph(); });
    fw::GuardVoid("AdvanceCaptureQueue empty", [&] { FilterGraph->EmptyGraph(); });
    fw::GuardVoid("AdvanceCaptureQueue deactivate", [&] { FilterGraph->SetActive(false); });
  }
  // Only with the streaming thread gone.
  captureTarget_ = CaptureTarget();
  if (!CaptureQueue.empty()) {
    TRecordItem* head = CaptureQueue.front();
    CaptureQueue.erase(CaptureQueue.begin());
    if (!ok) {
      if (++captureFailures_[head] < kCaptureAttempts) {
        CaptureQueue.push_back(head);
      } else {
        // Given up: the record stays in the catalogue for the next load.
        captureFailures_.erase(head);
        pipeline_.erase(head);
      }
    }
  }
  if (!CaptureQueue.empty()) StartCapture();
}

void TVantrel::SampleGrabberBuffer(mediagraph::TSampleGrabber* sender, double, BYTE* buffer,
                                   long bufferLen) {
  if (CaptureBusy.exchange(1) != 0) return;
  const CaptureTarget target = captureTarget_;
  if (!target.item) return;
  bool ok = false;
  try {
    fw::CanvasLock frameLock(*FrameBitmap);
    ok = sender->FrameToBitmap(FrameBitmap.get(), buffer, bufferLen);
    if (ok) {
      fw::CanvasLock thumbLock(*VideoThumbBitmap);
      struct Release {
        TVantrel* form;
        ~Release() {
          form->VideoThumbBitmap->ReleaseDc();
          form->FrameBitmap->FreeImage();
        }
      } release{this};
      VideoThumbBitmap->SetBitsPerPixel(FrameBitmap->BitsPerPixel());
      VideoThumbBitmap->SetSize(target.width, target.height);
      VideoThumbBitmap->StretchFrom(*FrameBitmap);
      VideoThumbBitmap->SaveBmpFile(target.thumbFile);
    }
  } catch (const std::exception& e) {
    fw::LogFailure("SampleGrabberBuffer", e.what());
    ok = false;
  } catch (...) {
    fw::LogFailure("SampleGrabberBuffer", "unknown exception");
    ok = false;
  }
  // A save that failed is a failed capture: the item stays with the queue.
  if (ok) PostMessageA(postWindow_, WM_RECORDREADY, reinterpret_cast<WPARAM>(target.item), 0);
  PostMessageA(postWindow_, WM_CAPTUREDONE, ok ? 1 : 0, 0);
}

void TVantrel::MakePictureThumbnail(TRecordItem* item) {
  auto it = pipeline_.find(item);
  if (!item || it == pipeline_.end()) return;
  // Held here: a picture that fails is freed with its box.
  std::unique_ptr<TRecordItem> owned = std::move(it->second);
  pipeline_.erase(it);
  const auto alive = alive_;
  const bool made = fw::GuardUiHandler(GetSafeHwnd(), "MakePictureThumbnail", [&] {
    const std::string ext = MediaExtension(owned->MediaFile);
    fw::CanvasLock pictureLock(*PictureBitmap);
    fw::CanvasLock thumbLock(*PictureThumbBitmap);
    struct Release {
      TVantrel* form;
      ~Release() {
        form->PictureBitmap->FreeImage();
        form->PictureThumbBitmap->FreeImage();
        form->JpegImage->Clear();
      }
    } release{this};
    if (ext == ".JPG") {
      JpegImage->LoadFromFile(owned->MediaFile);
      JpegImage->DecodeTo(*PictureBitmap);
    } else {
      PictureBitmap->LoadBmpFile(owned->MediaFile);
    }
    // The thumbnail keeps the picture's depth and, at 8 bits or less, its colours.
    PictureThumbBitmap->SetBitsPerPixel(PictureBitmap->BitsPerPixel());
    if (PictureBitmap->BitsPerPixel() <= 8) {
      PictureThumbBitmap->SetColorTable(PictureBitmap->ColorTable());
    }
    PictureThumbBitmap->SetSize(ImageListThumb->Width(), ImageListThumb->Height());
    PictureThumbBitmap->StretchFrom(*PictureBitmap);
    PictureThumbBitmap->SaveBmpFile(owned->ThumbFile);
  });
  if (!*alive || !made) return;
  TRecordItem* raw = owned.get();
  pipeline_[raw] = std::move(owned);
  PostMessageA(postWindow_, WM_RECORDREADY, reinterpret_cast<WPARAM>(raw), static_cast<LPARAM>(-1));
}

void TVantrel::DropPipelineMessages() {
  // A window that went took its messages with it; a null one would take the thread's.
  if (!GetSafeHwnd()) return;
  MSG msg;
  while (PeekMessageA(&msg, GetSafeHwnd(), WM_QUEUEVIDEO, WM_MAKEPICTURETHUMB, PM_REMOVE)) {
  }
  // Their items are the pipeline's, freed with it.
}

}  // namespace vantrel
