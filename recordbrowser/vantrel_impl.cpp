#include "recordbrowser/vantrel_impl.h"

#include "framework/exception_guard.h"
#include "recordbrowser/form_pictures.h"

namespace vantrel {

namespace {

constexpr form::Color kWhite = RGB(255, 255, 255);

template <class T, class... A>
T* Make(form::Form& form, const char* name, A&&... args) {
  T* component = new T(&form, std::forward<A>(args)...);
  component->SetName(name);
  return component;
}

void AddPicture(form::ImageList& list, Picture picture) {
  fw::Bitmap bitmap;
  DrawPicture(bitmap, picture, list.Width());
  list.Add(bitmap, kPictureBackground);
}

}  // namespace

TVantrel::TVantrel(HWND parent, const RECT& bounds) : Form(parent, bounds) {
  SetName("Vantrel");
  SetCaption(L"Vantrel");
  SetColor(form::SystemColor(COLOR_BACKGROUND));
  form::Font font;
  font.name = L"MS Sans Serif";
  font.height = -11;
  font.color = kWhite;
  SetFont(font);
  postWindow_ = GetSafeHwnd();
  CreateComponents();
  DrawImageLists();
  BindHandlers();
  NotifyLoaded();
  ActiveFormCreate();
}

TVantrel::~TVantrel() {
  *alive_ = false;
  // The graph goes down first (stopped, so no provider leaves a running graph), so no
  // sample arrives; then nothing of the pipeline is left queued or in flight.
  fw::GuardVoid("TVantrel destruction", [this] { FilterGraph->SetActive(false); });
  KillTimer(kCaptureTimer);
  capturing_ = false;
  DropPipelineMessages();
  CaptureQueue.clear();
  pipeline_.clear();
  captureFailures_.clear();
  ReleaseGroups();
  DestroyComponents();
}

void TVantrel::CreateComponents() {
  PanelBase = Make<form::Panel>(*this, "PanelBase", this);
  PanelBase->SetAlign(form::Align::kClient);

  form::TreeViewStyle treeStyle;
  treeStyle.readOnly = true;
  treeStyle.rowSelect = true;
  treeStyle.hotTrack = true;
  treeStyle.hideSelection = false;
  treeStyle.showLines = treeStyle.showRoot = treeStyle.showButtons = false;
  treeStyle.toolTips = false;
  treeStyle.border = false;
  TreeViewSurveillance = Make<form::TreeView>(*this, "TreeViewSurveillance", PanelBase, treeStyle);
  TreeViewSurveillance->SetWidth(160);
  TreeViewSurveillance->SetAlign(form::Align::kLeft);

  Splitter1 = Make<form::Splitter>(*this, "Splitter1", PanelBase);
  Splitter1->SetBounds(160, 0, 3, PanelBase->Height());
  Splitter1->SetColor(kWhite);

  PanelThumb = Make<form::Panel>(*this, "PanelThumb", PanelBase);
  PanelThumb->SetAlign(form::Align::kClient);

  PanelDetail = Make<form::Panel>(*this, "PanelDetail", PanelThumb);
  PanelDetail->SetHeight(46);
  PanelDetail->SetAlign(form::Align::kTop);

  LabelCaption = Make<form::Label>(*this, "LabelCaption", PanelDetail);
  LabelCaption->SetBounds(8, 4, 0, 0);
  LabelCaption->SetText(L"LabelCaption");
  LabelDetail = Make<form::Label>(*this, "LabelDetail", PanelDetail);
  LabelDetail->SetBounds(8, 24, 0, 0);
  LabelDetail->SetText(L"LabelDetail");

  PanelToolbar = Make<form::Panel>(*this, "PanelToolbar", PanelDetail);
  PanelToolbar->SetWidth(185);
  PanelToolbar->SetAlign(form::Align::kRight);

  struct ButtonDesign {
    form::SpeedButton** field;
    const char* name;
    int left;
    const wchar_t* caption;
  };
  const ButtonDesign buttons[] = {{&SpeedButtonGoto, "SpeedButtonGoto", 8, L"Goto"},
                                  {&SpeedButtonView, "SpeedButtonView", 49, L"View"},
                                  {&SpeedButtonLocate, "SpeedButtonLocate", 90, L"Locate"},
                                  {&SpeedButtonDelete, "SpeedButtonDelete", 140, L"Delete"}};
  for (const ButtonDesign& b : buttons) {
    *b.field = Make<form::SpeedButton>(*this, b.name, PanelToolbar);
    (*b.field)->SetBounds(b.left, 1, 41, 44);
    (*b.field)->SetText(b.caption);
  }
  Bevel1 = Make<form::Bevel>(*this, "Bevel1", PanelToolbar);
  Bevel1->SetBounds(3, 3, 2, 40);
  Bevel2 = Make<form::Bevel>(*this, "Bevel2", PanelToolbar);
  Bevel2->SetBounds(134, 3, 2, 40);

  form::ListViewStyle listStyle;
  listStyle.autoArrange = true;
  listStyle.wrapCaptions = false;
  listStyle.readOnly = true;
  listStyle.hideSelection = false;
  listStyle.border = false;
  ListViewThumb = Make<form::ListView>(*this, "ListViewThumb", PanelThumb, listStyle);
  ListViewThumb->SetAlign(form::Align::kClient);

  PopupMenuGoto = Make<form::PopupMenu>(*this, "PopupMenuGoto", GetSafeHwnd());
  MenuDate = Make<form::MenuItem>(*this, "MenuDate", PopupMenuGoto, L"Date");
  MenuDate->SetImageIndex(0);
  MenuArea = Make<form::MenuItem>(*this, "MenuArea", PopupMenuGoto, L"Area");
  MenuArea->SetImageIndex(2);
  MenuArea->SetVisible(false);
  MenuCamera = Make<form::MenuItem>(*this, "MenuCamera", PopupMenuGoto, L"Camera");
  MenuCamera->SetImageIndex(1);
  N1 = Make<form::MenuItem>(*this, "N1", PopupMenuGoto, L"-");
  MenuUpperLevel = Make<form::MenuItem>(*this, "MenuUpperLevel", PopupMenuGoto, L"Upper level");

  ImageListTypeS = Make<form::ImageList>(*this, "ImageListTypeS", 24, 24, true);
  ImageListTypeL = Make<form::ImageList>(*this, "ImageListTypeL", 32, 32, true);
  ImageListThumb = Make<form::ImageList>(*this, "ImageListThumb", 120, 90, false, 64);
  ImageListMediaType = Make<form::ImageList>(*this, "ImageListMediaType", 16, 16, true);
  ImageListButton = Make<form::ImageList>(*this, "ImageListButton", 24, 24, true);

  FilterGraph = Make<mediagraph::TFilterGraph>(*this, "FilterGraph");
  FilterGraph->SetGraphEdit(true);
  FilterGraph->SetLinearVolume(true);
  SampleGrabber = Make<mediagraph::TSampleGrabber>(*this, "SampleGrabber");
  // 32-bit frames of any format, as the form stores the grabber's type.
  mediagraph::TMediaType frames(MEDIATYPE_Video);
  frames.SetSubtype(MEDIASUBTYPE_RGB32);
  frames.SetFormatType(GUID_NULL);
  SampleGrabber->SetMediaType(frames);
  VideoWindow = Make<mediagraph::TVideoWindow>(*this, "VideoWindow");
  VideoWindow->SetParentWindow(PanelThumb->GetSafeHwnd());
  VideoWindow->SetVisible(false);
  // Linked before the video window: the grabber splices itself into the path rendered to it.
  SampleGrabber->SetFilterGraph(FilterGraph);
  VideoWindow->SetFilterGraph(FilterGraph);

  TreeViewSurveillance->SetImages(ImageListTypeS);
  // After the images: a tree widens its indent to their width when it gets them.
  TreeViewSurveillance->SetIndent(27);
  PopupMenuGoto->SetImages(ImageListTypeS);
}

void TVantrel::DrawImageLists() {
  for (form::ImageList* kinds : {ImageListTypeS, ImageListTypeL}) {
    AddPicture(*kinds, Picture::kDate);
    AddPicture(*kinds, Picture::kCamera);
    AddPicture(*kinds, Picture::kArea);
  }
  AddPicture(*ImageListMediaType, Picture::kMedia);
  const std::pair<form::SpeedButton*, Picture> glyphs[] = {{SpeedButtonGoto, Picture::kGoto},
                                                           {SpeedButtonView, Picture::kView},
                                                           {SpeedButtonLocate, Picture::kLocate},
                                                           {SpeedButtonDelete, Picture::kDelete}};
  for (const auto& [button, picture] : glyphs) {
    fw::Bitmap glyph;
    DrawPicture(glyph, picture, 24);
    button->SetGlyph(glyph);
    ImageListButton->Add(glyph, kPictureBackground);
  }
}

}  // namespace vantrel
