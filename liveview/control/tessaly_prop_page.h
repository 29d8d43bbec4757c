// CTessalyPropPage: the control's one property page, over template 200 with caption string
// 200. The control has nothing a user edits there.
#pragma once

#include "framework/ole_property_page.h"

namespace liveview {

class CTessalyPropPage : public fw::COlePropertyPage {
 public:
  CTessalyPropPage();
};

}  // namespace liveview
