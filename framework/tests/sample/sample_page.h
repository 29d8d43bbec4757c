// The sample control's property page: one line of text, nothing to edit.
#pragma once

#include "framework/ole_property_page.h"
#include "resource.h"

class CSamplePage : public fw::COlePropertyPage {
 public:
  CSamplePage() : COlePropertyPage(IDD_PAGE, IDS_PAGE_CAPTION) {}
};
