#include "framework/class_registration.h"

#include <cstdio>

namespace fw {

std::string GuidToString(REFGUID g) {
  char text[40];
  std::snprintf(text, sizeof text, "{%08lX-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                static_cast<unsigned long>(g.Data1), g.Data2, g.Data3, g.Data4[0], g.Data4[1],
                g.Data4[2], g.Data4[3], g.Data4[4], g.Data4[5], g.Data4[6], g.Data4[7]);
  return text;
}

namespace {

void AddServer(std::vector<RegistryEntry>& out, const std::string& clsidKey,
               const std::string& modulePath, unsigned flags) {
  out.push_back({clsidKey + "\\InprocServer32", "", modulePath});
  if (flags & kRegApartmentThreading) {
    out.push_back({clsidKey + "\\InprocServer32", "ThreadingModel", "Apartment"});
  }
}

}  // namespace

std::vector<RegistryEntry> PlanControlRegistration(const ControlRegistration& reg) {
  const std::string clsid = GuidToString(reg.clsid);
  const std::string key = "CLSID\\" + clsid;
  const std::string misc = std::to_string(reg.miscStatus);
  std::vector<RegistryEntry> out;
  out.push_back({key, "", reg.typeName});
  AddServer(out, key, reg.modulePath, reg.flags);
  out.push_back({key + "\\ProgID", "", reg.progId});
  out.push_back({key + "\\Control", "", "", false});
  if (reg.flags & kRegInsertable) out.push_back({key + "\\Insertable", "", "", false});
  out.push_back({key + "\\MiscStatus", "", misc});
  out.push_back({key + "\\MiscStatus\\1", "", misc});
  out.push_back(
      {key + "\\ToolboxBitmap32", "", reg.modulePath + ", " + std::to_string(reg.toolboxBitmapId)});
  out.push_back({key + "\\TypeLib", "", GuidToString(reg.typeLibId)});
  out.push_back({key + "\\Version", "",
                 std::to_string(reg.typeLibMajor) + "." + std::to_string(reg.typeLibMinor)});

  out.push_back({reg.progId, "", reg.typeName});
  out.push_back({reg.progId + "\\CLSID", "", clsid});
  if (reg.flags & kRegInsertable) out.push_back({reg.progId + "\\Insertable", "", "", false});
  return out;
}

std::vector<RegistryEntry> PlanPropertyPageRegistration(const PropertyPageRegistration& reg) {
  const std::string key = "CLSID\\" + GuidToString(reg.clsid);
  std::vector<RegistryEntry> out;
  out.push_back({key, "", reg.typeName});
  AddServer(out, key, reg.modulePath, reg.flags);
  return out;
}

}  // namespace fw
