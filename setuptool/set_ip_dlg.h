// The set-address dialogs: CSetIPDlg (template 129) for the camera selected in the list,
// CSetIPByMacDlg (template 130) for a camera named by its serial number. Both check what was
// typed, probe the new address for a conflict, ask for the credentials, broadcast the
// set-address request through the main dialog and then watch the new address by ARP: a
// probe on every 5th one-second tick, failure at the 61st.
//
// Addresses are held in host order, as the IP address controls give them; the main dialog's
// address helpers take them so. A set dialog ends with 1 only when the camera answered at
// its new address: no IDOK command (Enter, a posted one) ends it otherwise, so the main
// dialog never writes an address that was not set.
#pragma once

#include <cstdint>
#include <string>

#include "common/discovery_messages.h"
#include "common/pc_address.h"
#include "framework/dialog.h"
#include "setuptool/camera_list.h"
#include "setuptool/resource_ids.h"

namespace setuptool {

class COrvexDlg;

constexpr UINT_PTR kProgressTimer = 1;  // IDT_PROGRESS
constexpr UINT kProgressTickMs = 1000;
constexpr int kProgressTicks = 60;
constexpr int kProbeEveryTicks = 5;

// What the two dialogs share: the temporary addresses, the credentials and send, the watch.
class CSetAddressDlgBase : public fw::CDialog {
 public:
  ~CSetAddressDlgBase() override;

  COrvexDlg* mainDialog = nullptr;

  // Seams for tests: the tick period (the product's is 1000 ms) and the credentials
  // dialog's template (one that does not exist makes it fail to run).
  void SetTickPeriod(UINT ms) { tickMs_ = ms; }
  void SetCredentialsTemplate(UINT id) { credentialsTemplate_ = id; }

  bool InProgress() const { return inProgress_; }
  const common::TempAddresses& Temporaries() const { return temp_; }

 protected:
  CSetAddressDlgBase(UINT templateId, HWND parent, int progressId)
      : CDialog(templateId, parent), progressId_(progressId) {}

  // Only the success path ends the dialog with 1.
  void OnOK() override {}
  void OnTimer(UINT_PTR id) override;
  // Save and Auto-assigned of both dialogs; a Save while the watch runs (the button is
  // disabled, a posted click is not) would start a second watch over the first.
  bool OnCommand(UINT id, UINT code, HWND control) override;
  virtual void Save() = 0;
  virtual void AutoAssign() = 0;

  // The dialog's three address fields and the box each refusal shows.
  struct AddressFields {
    int address, mask, gateway;
    UINT addressWrong, gatewayWrong, maskWrong;
  };
  struct Addresses {
    uint32_t address, mask, gateway;
  };
  // Reads the fields and checks them in the order address, gateway, mask; false after the
  // first refusal's box.
  bool ReadCheckedAddresses(const AddressFields& fields, Addresses* out);
  // Save enabled, the success box, the temporaries deleted, and the dialog ended with 1.
  void FinishWithSuccess(UINT textId);

  int Box(UINT textId);
  DWORD ReadAddress(int id);
  void WriteAddress(int id, DWORD hostOrder);
  void DeleteTemporaries();
  // A temporary address at the new subnet's broadcast address minus 2, unless the PC has an
  // address in that subnet.
  void AddTemporaryFor(uint32_t address, uint32_t mask);
  // Asks for the credentials and broadcasts the request; false (temporaries deleted, nothing
  // watched) when the credentials dialog did not end with OK or the send failed.
  bool AskAndSend(common::SetAddressParams params);
  // Bar 0..60 at 0, the timer, in progress, Save disabled.
  void StartWatch();
  // Whether the window is still there after a modal loop.
  bool Alive() const { return IsWindow(GetSafeHwnd()) != FALSE; }

  // One probe of the watch at `address`; true on the answer that means success.
  virtual bool WatchAnswered(uint32_t address) = 0;
  virtual void OnWatchSucceeded() = 0;
  virtual UINT FailText() const = 0;
  virtual uint32_t WatchedAddress() const = 0;

  common::TempAddresses temp_;
  bool inProgress_ = false;

 private:
  int progressId_;
  UINT tickMs_ = kProgressTickMs;
  UINT credentialsTemplate_ = IDD_USER_PASS;
};

class CSetIPDlg : public CSetAddressDlgBase {
 public:
  explicit CSetIPDlg(HWND parent = nullptr);

  // Set by the main dialog before the dialog runs; the dialog only reads it.
  const CameraNode* entry = nullptr;
  uint32_t newAddress = 0;
  uint32_t newMask = 0;
  uint32_t newGateway = 0;

 protected:
  BOOL OnInitDialog() override;
  bool OnCommand(UINT id, UINT code, HWND control) override;
  bool WatchAnswered(uint32_t address) override;
  void OnWatchSucceeded() override;
  UINT FailText() const override { return IDS_SETIP_FAIL; }
  uint32_t WatchedAddress() const override { return newAddress; }

 private:
  void Save() override;
  void AutoAssign() override;
  void AutoFindFree();
};

class CSetIPByMacDlg : public CSetAddressDlgBase {
 public:
  explicit CSetIPByMacDlg(HWND parent = nullptr);

  uint32_t newAddress = 0;
  uint32_t newMask = 0;
  common::MacAddress targetMac{};
  std::string serialNumber;

 protected:
  BOOL OnInitDialog() override;
  bool OnCommand(UINT id, UINT code, HWND control) override;
  bool WatchAnswered(uint32_t address) override;
  void OnWatchSucceeded() override;
  UINT FailText() const override { return IDS_BYMAC_FAIL; }
  uint32_t WatchedAddress() const override { return newAddress; }

 private:
  void Save() override;
  void AutoAssign() override;
  void ConnectNewAddress();
};

// The serial number as the MAC it names: exactly 12 hexadecimal digits, either letter case.
bool ParseSerialNumber(const std::string& text, common::MacAddress& mac);

}  // namespace setuptool
