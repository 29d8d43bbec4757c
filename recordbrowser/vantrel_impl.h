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

namespace vantrel {

class TJpegImage;

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

  // Until thumbnails are made, a new item goes straight into its groups.
  void ScheduleThumbnail(std::unique_ptr<TRecordItem> item);
  void InsertRecordItem(std::unique_ptr<TRecordItem> item);
  void ShowRootInfo(form::TreeNode root);

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
  std::shared_ptr<TJpegImage> JpegImage;

 private:
  void CreateComponents();
  void DrawImageLists();

  std::unique_ptr<RecordCatalogue> catalogue_;
  // The items in the view, until the view's groups own them.
  std::vector<std::unique_ptr<TRecordItem>> items_;
  std::vector<std::unique_ptr<RecordGroup>> groups_;
};

}  // namespace vantrel
