// TVantrel: the record browser's form. It is made in any parent window (the ActiveX control
// wraps it) with all its components in the order and with the settings of the form's
// design; its pictures are drawn by code. The behaviour of the views, the thumbnails and the
// control's surface are built on these components.
#pragma once

#include <windows.h>

#include <oaidl.h>

#include <array>
#include <atomic>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "base/com_ptr.h"
#include "framework/bitmap.h"
#include "recordbrowser/catalogue/catalogue.h"
#include "recordbrowser/form/control.h"
#include "recordbrowser/form/controls.h"
#include "recordbrowser/form/image_list.h"
#include "recordbrowser/form/list_view.h"
#include "recordbrowser/form/popup_menu.h"
#include "recordbrowser/form/tree_view.h"
// After the form's headers, which bring in the framework's window before DirectShow's.
#include "mediagraph/media_graph.h"
#include "mediagraph/sample_grabber.h"
#include "mediagraph/video_window.h"
#include "recordbrowser/picture/jpeg_image.h"

namespace vantrel {

// The thumbnail pipeline's messages, posted to the form's own window.
constexpr UINT WM_QUEUEVIDEO = WM_APP + 1000;        // wParam a video's item
constexpr UINT WM_CAPTUREDONE = WM_APP + 1001;       // wParam 1 frame saved, 0 failed
constexpr UINT WM_RECORDREADY = WM_APP + 1002;       // wParam an item whose thumbnail is saved
constexpr UINT WM_MAKEPICTURETHUMB = WM_APP + 1003;  // wParam a picture's item

// The records of one group of the tree (the data of its node), in insertion order.
struct RecordGroup {
  std::vector<TRecordItem*> Items;
};

class TVantrel : public form::Form, public RecordEvents {
 public:
  // The form's client area at design.
  static constexpr int kDesignWidth = 610;
  static constexpr int kDesignHeight = 453;

  // Runs ActiveFormCreate once the components are made.
  explicit TVantrel(HWND parent, const RECT& bounds = {0, 0, kDesignWidth, kDesignHeight});
  ~TVantrel() override;

  // Where BaseFolder comes from: the folder of the host's executable, or for tests the
  // folder given here (with its trailing "\"; empty: the executable's again).
  static void SetBaseFolderForTests(const std::string& folder);
  // Where the default values of keys under HKEY_CLASSES_ROOT come from, for tests (null: the
  // registry's).
  using ClassesRootReader = std::string (*)(const std::string& key);
  static void SetClassesRootForTests(ClassesRootReader reader);

  // The start-up of the form, in order: folders, media-type icons, language, tree roots,
  // working bitmaps, and last the catalogue.
  void ActiveFormCreate();
  // 0x0804 selects the Chinese texts, anything else English; the buttons take theirs.
  void ApplyLanguageTexts(LANGID language);
  // The first four characters of an upper-cased "InstallLanguage" text read as hexadecimal,
  // characters that are no hexadecimal digit skipped.
  static int ParseInstallLanguage(const std::string& text);
  // The index in ImageListMediaType of the shell's icon for `extension`, or 0.
  int LoadMediaTypeIcon(const std::string& extension);

  // Adds a record of an existing media file; a missing one (or a path the code page cannot
  // hold) is told by OnRemoved with 0. S_OK, E_INVALIDARG for a date or time that is no
  // date-time, or the code of the error raised, with its text as error information.
  HRESULT AddSurveillanceRecord(const wchar_t* mediaFile, const wchar_t* area,
                                const wchar_t* camera, double date, double time);
  void AppendRecord(const std::string& mediaFile, const std::string& area,
                    const std::string& camera, double date, double time);
  void DeleteRecord(int32_t recordNo, const std::string& mediaFile);
  void LoadRecords();

  // Thumbnails. Items travel by address in the posted messages and the capture queue; the
  // pipeline holds every one of them (pipeline_) until the view takes it at WM_RECORDREADY.
  void ScheduleThumbnail(std::unique_ptr<TRecordItem> item);
  void QueueVideoThumbnail(TRecordItem* item);
  void StartCapture();
  void AdvanceCaptureQueue(bool ok);
  void MakePictureThumbnail(TRecordItem* item);
  // On the graph's streaming thread: the first sample of a capture becomes its thumbnail.
  void SampleGrabberBuffer(mediagraph::TSampleGrabber* sender, double sampleTime, BYTE* buffer,
                           long bufferLen);
  // A capture that has no sample after this long fails; 0 gives back the product's 10 s.
  static void SetCaptureTimeoutForTests(DWORD ms);
  // A video whose capture fails this often leaves the queue (its record stays).
  static constexpr int kCaptureAttempts = 3;
  // Items the pipeline holds (queued or in a posted message).
  size_t PipelineItemCount() const { return pipeline_.size(); }
  bool Capturing() const { return capturing_; }

  // The view.
  void InsertRecordItem(std::unique_ptr<TRecordItem> item);
  void RemoveRecordItem(TRecordItem* item);
  void ReleaseGroups();
  void TreeViewSurveillanceChange(form::TreeNode node);
  void TreeViewSurveillanceClick();
  void ListViewThumbDblClick();
  void ListViewThumbSelectItem(int index, bool selected);
  void SpeedButtonGotoClick();
  void SpeedButtonViewClick();
  void SpeedButtonLocateClick();
  void SpeedButtonDeleteClick();
  void PopupMenuGotoPopup();
  void MenuDateClick();
  void MenuAreaClick();
  void MenuCameraClick();
  void MenuUpperLevelClick();
  void ShowRootInfo(form::TreeNode root);
  void ShowRootGroups(form::TreeNode root);
  void ShowGroupInfo(form::TreeNode group);
  void ShowGroupThumbnails(form::TreeNode group);
  void ShowRecordInfo(const TRecordItem& item);
  void OpenRecordFile(TRecordItem* item);
  void LocateRecordFile(TRecordItem* item);
  void RemoveRecord(TRecordItem* item);
  // The record of the selected thumbnail, or null.
  TRecordItem* SelectedRecord() const;
  // The list shows a root's groups (else a group's thumbnails).
  bool ListShowsGroups() const { return ListViewThumb->LargeImages() == ImageListTypeL; }
  size_t ViewItemCount() const { return viewItems_.size(); }

  // Where "open" and "explore" go (null: ShellExecuteA, shown normally).
  using ShellRunner = void (*)(const char* verb, const std::string& file);
  static void SetShellForTests(ShellRunner runner);

  // The group key of `item` under `root`.
  std::string GroupKey(form::TreeNode root, const TRecordItem& item) const;
  RecordCatalogue* Catalogue() const { return catalogue_.get(); }

  // RecordEvents: OnRemoved reaches the host's sink.
  bool SinkConnected() const override { return EventSink != nullptr; }
  void OnRemoved(const std::wstring& mediaFile, long initiative) override;

  // Components, in the form's order.
  form::Panel* PanelBase;
  form::TreeView* TreeViewSurveillance;
  form::Splitter* Splitter1;
  form::Panel* PanelThumb;
  form::Panel* PanelDetail;
  form::Label* LabelCaption;
  form::Label* LabelDetail;
  form::Panel* PanelToolbar;
  form::SpeedButton* SpeedButtonGoto;
  form::SpeedButton* SpeedButtonView;
  form::SpeedButton* SpeedButtonLocate;
  form::SpeedButton* SpeedButtonDelete;
  form::Bevel* Bevel1;
  form::Bevel* Bevel2;
  form::ListView* ListViewThumb;
  form::PopupMenu* PopupMenuGoto;
  form::MenuItem* MenuDate;
  form::MenuItem* MenuArea;
  form::MenuItem* MenuCamera;
  form::MenuItem* N1;
  form::MenuItem* MenuUpperLevel;
  form::ImageList* ImageListTypeS;
  form::ImageList* ImageListTypeL;
  form::ImageList* ImageListThumb;
  form::ImageList* ImageListMediaType;
  form::ImageList* ImageListButton;
  mediagraph::TFilterGraph* FilterGraph;
  mediagraph::TSampleGrabber* SampleGrabber;
  mediagraph::TVideoWindow* VideoWindow;

  // Fields, in order.
  base::ComPtr<IDispatch> EventSink;
  std::array<std::wstring, 18> Texts;
  std::string BaseFolder;
  std::string ThumbFolder;
  std::vector<TRecordItem*> CaptureQueue;
  // Read on the graph's streaming thread.
  std::atomic<BYTE> CaptureBusy{0};
  int AviIconIndex = 0;
  int MpgIconIndex = 0;
  std::unique_ptr<fw::Bitmap> FrameBitmap;
  std::unique_ptr<fw::Bitmap> VideoThumbBitmap;
  std::unique_ptr<fw::Bitmap> PictureBitmap;
  std::unique_ptr<fw::Bitmap> PictureThumbBitmap;
  std::unique_ptr<TJpegImage> JpegImage;

 protected:
  bool OnWndMsg(UINT msg, WPARAM w, LPARAM l, LRESULT* result) override;

 private:
  void CreateComponents();
  void DrawImageLists();
  void BindHandlers();
  bool HandlePipelineMessage(UINT msg, WPARAM w, LPARAM l);
  // The UI thread takes a capture the streaming thread has not: true when no sample was or
  // will be taken, so the capture is failed here.
  bool ClaimCapture();
  void FailCapture();
  void GraphEvent(long event);
  void DropPipelineMessages();
  form::TreeNode FindGroup(form::TreeNode root, const std::string& key) const;
  // Adds the item's thumbnail to the list; a thumbnail that does not load becomes a blank
  // picture, its error kept in `firstError` (or shown at once without one).
  void AddThumbnailItem(TRecordItem* item, std::string* firstError = nullptr);
  void RemoveThumbnailItem(TRecordItem* item);
  bool InView(const TRecordItem* item) const { return viewItems_.count(const_cast<TRecordItem*>(item)) != 0; }
  std::string DateText(const TRecordItem& item) const;
  std::string TimeText(const TRecordItem& item) const;
  static std::string MediaExtension(const std::string& mediaFile);

  std::unique_ptr<RecordCatalogue> catalogue_;
  // Items in flight through the thumbnail pipeline, and the view's own.
  std::unordered_map<TRecordItem*, std::unique_ptr<TRecordItem>> pipeline_;
  std::unordered_map<TRecordItem*, std::unique_ptr<TRecordItem>> viewItems_;
  std::unordered_map<RecordGroup*, std::unique_ptr<RecordGroup>> groups_;
  std::unordered_map<TRecordItem*, int> captureFailures_;
  // What the streaming thread reads of a capture: set before the graph runs, and published
  // to it by CaptureBusy going to 0.
  struct CaptureTarget {
    TRecordItem* item = nullptr;
    std::string thumbFile;
    int width = 120;
    int height = 90;
  } captureTarget_;
  HWND postWindow_ = nullptr;
  static constexpr UINT_PTR kCaptureTimer = 0x83E9;
  bool capturing_ = false;
  unsigned captureSerial_ = 0;  // which capture a late failure belongs to
  DWORD captureStarted_ = 0;
  int quietTree_ = 0;  // tree changes made by the view itself, unheard
  bool deleteAsking_ = false;
  // False once the form is gone, for code that ran a modal loop.
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace vantrel
