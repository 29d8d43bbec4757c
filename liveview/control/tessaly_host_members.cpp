// The members of _DTessaly that serve the host's cameras, snapshots, recordings and queries.
// Each runs only with a window and with lRetCode at its first value (WithWindow).
#include "liveview/control/tessaly_ctrl.h"

namespace liveview {

void CTessalyCtrl::SetCliInfo(long, const std::string&, long, const std::string&,
                              const std::string&, const std::string&, long*) {}
void CTessalyCtrl::LookPic(const std::string&, long*) {}
void CTessalyCtrl::StopPic(const std::string&, long*) {}
void CTessalyCtrl::DestroyCli(const std::string&, long*) {}
void CTessalyCtrl::SetFullScreen(long*) {}
void CTessalyCtrl::ShowPropertiesDlgs(long, long*) {}
void CTessalyCtrl::GetHostName(long, fw::CallerBuffer, long*) {}
void CTessalyCtrl::GetWndIndex(const std::string&, long*) {}
void CTessalyCtrl::GetTotalCameras(long*) {}
void CTessalyCtrl::GetHostBasicInfo(const std::string&, long*) {}
void CTessalyCtrl::SnapPicture(const std::string&, const std::string&, long, long, long*) {}
void CTessalyCtrl::Record(const std::string&, const std::string&, long, long, long, long,
                          long*) {}
void CTessalyCtrl::StopRecord(const std::string&, long*) {}
void CTessalyCtrl::ShowInfoDlg(const std::string&, long*) {}
void CTessalyCtrl::SetBkgndPic(const std::string&, long*) {}
void CTessalyCtrl::Get(long, fw::CallerBuffer, long, fw::CallerBuffer, long*, long*) {}
void CTessalyCtrl::Set(long, fw::CallerBuffer, long, long*) {}

}  // namespace liveview
