// The control's property page: one line of text; the control has nothing to set.
#pragma once

#include "discovery/control/resource.h"
#include "framework/ole_property_page.h"

namespace discovery {

class CLumidexPropPage : public fw::COlePropertyPage {
 public:
  CLumidexPropPage() : COlePropertyPage(IDD_PROPPAGE_LUMIDEX, IDS_LUMIDEX_PPG_CAPTION) {}
};

}  // namespace discovery
