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
#include "recordbrowser/form/control.h"
#include "recordbrowser/form/controls.h"
#include "recordbrowser/form/image_list.h"
#include "recordbrowser/form/list_view.h"
#include "recordbrowser/form/popup_menu.h"
#include "recordbrowser/form/tree_view.h"

namespace vantrel {

struct TRecordItem;
class TJpegImage;

class TVantrel : public form::Form {
 public:
  // The form's client area at design.
  static constexpr int kDesignWidth = 610;
  static constexpr int kDesignHeight = 453;

  explicit TVantrel(HWND parent, const RECT& bounds = {0, 0, kDesignWidth, kDesignHeight});
  ~TVantrel() override;

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
};

}  // namespace vantrel
