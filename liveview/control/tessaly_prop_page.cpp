#include "liveview/control/tessaly_prop_page.h"

#include "liveview/control/tessaly_module_resource.h"
#include "liveview/resources/tessaly_resource.h"

namespace liveview {

CTessalyPropPage::CTessalyPropPage() : COlePropertyPage(IDD_PROPPAGE_TESSALY, IDS_GENERAL) {}

}  // namespace liveview
