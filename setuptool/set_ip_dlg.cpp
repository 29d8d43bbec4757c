#include "setuptool/set_ip_dlg.h"

#include <commctrl.h>

#include <optional>

#include "common/password_text.h"
#include "setuptool/orvex_dlg.h"
#include "setuptool/tool_texts.h"
#include "setuptool/user_pass_dlg.h"

namespace setuptool {
namespace {

constexpr size_t kSerialNumberChars = 12;

// The new subnet's broadcast address minus 2.
uint32_t SetAddressTemporary(uint32_t address, uint32_t mask) {
  return (address & mask) + ~mask - common::kSetAddressTempOffset;
}

}  // namespace

bool ParseSerialNumber(const std::string& text, common::MacAddress& mac) {
  if (text.size() != kSerialNumberChars) return false;
  common::MacAddress parsed{};
  if (!common::ParseMacAddr(text, parsed)) return false;
  mac = parsed;
  return true;
}

CSetAddressDlgBase::~CSetAddressDlgBase() {
  if (inProgress_) DeleteTemporaries();
}

int CSetAddressDlgBase::Box(UINT textId) {
  return ToolMessageBox(GetSafeHwnd(), ToolText(textId));
}

DWORD CSetAddressDlgBase::ReadAddress(int id) {
  DWORD value = 0;
  fw::DataExchange dx(GetSafeHwnd(), true);
  dx.IpAddress(id, value);
  return value;
}

void CSetAddressDlgBase::WriteAddress(int id, DWORD hostOrder) {
  fw::DataExchange dx(GetSafeHwnd(), false);
  dx.IpAddress(id, hostOrder);
}

void CSetAddressDlgBase::DeleteTemporaries() {
  if (mainDialog) {
    mainDialog->DeleteTempIPAddress(temp_);
  } else {
    temp_.count = 0;
  }
}

void CSetAddressDlgBase::AddTemporaryFor(uint32_t address, uint32_t mask) {
  if (!mainDialog || mainDialog->IsLocalSubnet(address, mask)) return;
  mainDialog->AddTempIPAddress(SetAddressTemporary(address, mask), mask, temp_);
}

bool CSetAddressDlgBase::AskAndSend(common::SetAddressParams params) {
  CUserPassDlg credentials(GetSafeHwnd(), credentialsTemplate_);
  // -1 (the dialog could not run) is no more an answer than CANCEL.
  if (credentials.DoModal() != IDOK || !Alive() || !mainDialog) {
    DeleteTemporaries();
    return false;
  }
  // Always the MD5 text, whatever the camera announced.
  const std::string text =
      common::EncodePwd(credentials.password, common::Encode64ShortGroup::kLowBits)
          .value_or(std::string());
  params.userName = credentials.userName;
  params.passwordText = text;
  const auto request = common::BuildSetAddressRequest(params);
  // A request that never went out is not watched: no success can be reported for it.
  if (!mainDialog->SendPacket(request.data(), request.size()) || !Alive()) {
    DeleteTemporaries();
    return false;
  }
  return true;
}

bool CSetAddressDlgBase::OnCommand(UINT id, UINT code, HWND control) {
  if (code == BN_CLICKED && id == IDC_SAVE) {
    if (!inProgress_) Save();
    return true;
  }
  if (code == BN_CLICKED && id == IDC_AUTO_ASSIGN) {
    AutoAssign();
    return true;
  }
  return CDialog::OnCommand(id, code, control);
}

bool CSetAddressDlgBase::ReadCheckedAddresses(const AddressFields& fields, Addresses* out) {
  out->address = ReadAddress(fields.address);
  out->mask = ReadAddress(fields.mask);
  out->gateway = ReadAddress(fields.gateway);
  if (!COrvexDlg::CheckIPOctet(out->address)) {
    Box(fields.addressWrong);
    return false;
  }
  if (!COrvexDlg::CheckIPOctet(out->gateway)) {
    Box(fields.gatewayWrong);
    return false;
  }
  if (!COrvexDlg::CheckIPMask(out->mask)) {
    Box(fields.maskWrong);
    return false;
  }
  return true;
}

void CSetAddressDlgBase::FinishWithSuccess(UINT textId) {
  EnableWindow(Item(IDC_SAVE), TRUE);
  Box(textId);
  DeleteTemporaries();
  inProgress_ = false;
  if (Alive()) EndDialog(IDOK);
}

void CSetAddressDlgBase::StartWatch() {
  HWND progress = Item(progressId_);
  SendMessageW(progress, PBM_SETRANGE, 0, MAKELPARAM(0, kProgressTicks));
  SendMessageW(progress, PBM_SETPOS, 0, 0);
  SetTimer(kProgressTimer, tickMs_);
  inProgress_ = true;
  EnableWindow(Item(IDC_SAVE), FALSE);
}

void CSetAddressDlgBase::OnTimer(UINT_PTR id) {
  if (id != kProgressTimer || !inProgress_) {
    Default();
    return;
  }
  HWND progress = Item(progressId_);
  const int p = static_cast<int>(SendMessageW(progress, PBM_GETPOS, 0, 0)) + 1;
  if (p > kProgressTicks) {
    KillTimer(kProgressTimer);
    EnableWindow(Item(IDC_SAVE), TRUE);
    Box(FailText());
    // Closed during the box: the destructor deletes what is still held.
    if (!Alive()) return;
    SendMessageW(Item(progressId_), PBM_SETPOS, 0, 0);
    DeleteTemporaries();
    inProgress_ = false;
    return;
  }
  SendMessageW(progress, PBM_SETPOS, static_cast<WPARAM>(p), 0);
  if (p % kProbeEveryTicks != 0) return;
  if (!WatchAnswered(WatchedAddress())) return;
  KillTimer(kProgressTimer);
  OnWatchSucceeded();
}

// ---- CSetIPDlg

CSetIPDlg::CSetIPDlg(HWND parent) : CSetAddressDlgBase(IDD_SETIP, parent, IDC_SETIP_PROGRESS) {}

BOOL CSetIPDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  if (entry) {
    WriteAddress(IDC_SETIP_GATEWAY, entry->gateway);
    WriteAddress(IDC_SETIP_MASK, entry->mask);
    WriteAddress(IDC_SETIP_ADDRESS, entry->address);
  }
  ShowWindow(Item(IDC_AUTO_FIND_FREE), SW_HIDE);
  return TRUE;
}

bool CSetIPDlg::OnCommand(UINT id, UINT code, HWND control) {
  if (code == BN_CLICKED && id == IDC_AUTO_FIND_FREE) {
    AutoFindFree();
    return true;
  }
  return CSetAddressDlgBase::OnCommand(id, code, control);
}

void CSetIPDlg::Save() {
  if (!mainDialog || !entry) return;
  Addresses fields{};
  if (!ReadCheckedAddresses({IDC_SETIP_ADDRESS, IDC_SETIP_MASK, IDC_SETIP_GATEWAY,
                             IDS_SETIP_ADDRESS_WRONG, IDS_SETIP_GATEWAY_WRONG,
                             IDS_SETIP_MASK_WRONG},
                            &fields)) {
    return;
  }
  const uint32_t address = fields.address;
  const uint32_t mask = fields.mask;
  const uint32_t gateway = fields.gateway;
  common::SetAddressParams params{};
  params.address = address;
  params.mask = mask;
  params.gateway = gateway;
  params.mac = entry->mac;

  if (temp_.count != 0) DeleteTemporaries();
  if (address != entry->address) {
    AddTemporaryFor(address, mask);
    if (mainDialog->ArpProbe(address, nullptr)) {
      Box(IDS_SETIP_CONFLICT);
      if (Alive()) DeleteTemporaries();
      return;
    }
  }
  if (!AskAndSend(params)) return;
  newAddress = address;
  newMask = mask;
  newGateway = gateway;
  StartWatch();
}

bool CSetIPDlg::WatchAnswered(uint32_t address) {
  return mainDialog && mainDialog->ArpProbe(address, nullptr);
}

void CSetIPDlg::OnWatchSucceeded() { FinishWithSuccess(IDS_SETIP_SUCCESS); }

void CSetIPDlg::AutoAssign() {
  if (!mainDialog) return;
  // The PC's address first, to tell a PC without one from a subnet without an idle address.
  if (!mainDialog->GetLocalIP()) {
    Box(IDS_SETIP_NO_LOCAL);
    return;
  }
  const auto idle = mainDialog->FindIdleAddress();
  if (!idle) {
    Box(IDS_SETIP_NO_IDLE);
    return;
  }
  WriteAddress(IDC_SETIP_GATEWAY, idle->gateway);
  WriteAddress(IDC_SETIP_MASK, idle->mask);
  WriteAddress(IDC_SETIP_ADDRESS, idle->address);
}

void CSetIPDlg::AutoFindFree() {
  if (!mainDialog) return;
  const uint32_t address = ReadAddress(IDC_SETIP_ADDRESS);
  const uint32_t mask = ReadAddress(IDC_SETIP_MASK);
  const uint32_t gateway = ReadAddress(IDC_SETIP_GATEWAY);
  // The scan holds its own temporary address (broadcast minus 4) while it runs.
  const auto free = mainDialog->FindFreeAddress(address & mask, gateway, mask);
  if (free) WriteAddress(IDC_SETIP_ADDRESS, *free);
  DeleteTemporaries();
}

// ---- CSetIPByMacDlg

CSetIPByMacDlg::CSetIPByMacDlg(HWND parent)
    : CSetAddressDlgBase(IDD_SETIP_BY_MAC, parent, IDC_BYMAC_PROGRESS) {}

BOOL CSetIPByMacDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  SendMessageW(Item(IDC_SERIAL_NUM), EM_LIMITTEXT, kSerialNumberChars, 0);
  EnableWindow(Item(IDC_CONNECT_NEW), FALSE);
  return TRUE;
}

bool CSetIPByMacDlg::OnCommand(UINT id, UINT code, HWND control) {
  if (code == BN_CLICKED && id == IDC_CONNECT_NEW) {
    ConnectNewAddress();
    return true;
  }
  return CSetAddressDlgBase::OnCommand(id, code, control);
}

void CSetIPByMacDlg::Save() {
  if (!mainDialog) return;
  {
    fw::DataExchange dx(GetSafeHwnd(), true);
    dx.Text(IDC_SERIAL_NUM, serialNumber);
  }
  Addresses fields{};
  if (!ReadCheckedAddresses({IDC_BYMAC_ADDRESS, IDC_BYMAC_MASK, IDC_BYMAC_GATEWAY,
                             IDS_BYMAC_ADDRESS_WRONG, IDS_BYMAC_GATEWAY_WRONG,
                             IDS_BYMAC_MASK_WRONG},
                            &fields)) {
    return;
  }
  const uint32_t address = fields.address;
  const uint32_t mask = fields.mask;
  const uint32_t gateway = fields.gateway;
  common::MacAddress mac{};
  if (!ParseSerialNumber(serialNumber, mac)) {
    Box(IDS_BYMAC_SERIAL_WRONG);
    return;
  }
  common::SetAddressParams params{};
  params.address = address;
  params.mask = mask;
  params.gateway = gateway;
  params.mac = mac;

  // Nothing is held here while idle; a count left over would only be deleted twice.
  if (temp_.count != 0) DeleteTemporaries();
  AddTemporaryFor(address, mask);
  common::MacAddress answering{};
  if (mainDialog->ArpProbe(address, &answering) && answering != mac) {
    Box(IDS_BYMAC_CONFLICT);
    if (Alive()) DeleteTemporaries();
    return;
  }
  if (!AskAndSend(params)) return;
  newAddress = address;
  newMask = mask;
  targetMac = mac;
  StartWatch();
}

bool CSetIPByMacDlg::WatchAnswered(uint32_t address) {
  common::MacAddress answering{};
  return mainDialog && mainDialog->ArpProbe(address, &answering) && answering == targetMac;
}

void CSetIPByMacDlg::OnWatchSucceeded() {
  EnableWindow(Item(IDC_CONNECT_NEW), TRUE);
  FinishWithSuccess(IDS_BYMAC_SUCCESS);
}

void CSetIPByMacDlg::AutoAssign() {
  if (!mainDialog) return;
  if (!mainDialog->GetLocalIP()) {
    Box(IDS_BYMAC_NO_LOCAL);
    return;
  }
  const auto idle = mainDialog->FindIdleAddress();
  if (!idle) {
    Box(IDS_BYMAC_NO_IDLE);
    return;
  }
  WriteAddress(IDC_BYMAC_GATEWAY, idle->gateway);
  WriteAddress(IDC_BYMAC_MASK, idle->mask);
  WriteAddress(IDC_BYMAC_ADDRESS, idle->address);
}

void CSetIPByMacDlg::ConnectNewAddress() {
  if (!mainDialog) return;
  if (!mainDialog->IsLocalSubnet(newAddress, newMask)) {
    Box(IDS_BYMAC_NOT_SAME_SUBNET);
    if (!Alive()) return;
  }
  mainDialog->OpenCamPage(newAddress, 80);
}

}  // namespace setuptool
