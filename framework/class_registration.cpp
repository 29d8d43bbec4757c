#include "framework/class_registration.h"

#include <cstdio>
#include <utility>

namespace fw {

std::string GuidToString(REFGUID g) {
  char text[40];
  std::snprintf(text, sizeof text, "{%08lX-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                static_cast<unsigned long>(g.Data1), g.Data2, g.Data3, g.Data4[0], g.Data4[1],
                g.Data4[2], g.Data4[3], g.Data4[4], g.Data4[5], g.Data4[6], g.Data4[7]);
  return text;
}

namespace {

// The server path claims the class and its ProgID: once another module has registered the
// same class id, unregistering this one leaves that registration whole.
void AddServer(std::vector<RegistryEntry>& out, const std::string& clsidKey,
               const std::string& modulePath, unsigned flags, const std::string& progId) {
  RegistryEntry server{clsidKey + "\\InprocServer32", "", modulePath};
  server.claims.push_back(clsidKey);
  if (!progId.empty()) server.claims.push_back(progId);
  out.push_back(std::move(server));
  if (flags & kRegApartmentThreading) {
    out.push_back({clsidKey + "\\InprocServer32", "ThreadingModel", "Apartment"});
  }
}

// The ProgID key: its name and class id. The class id claims it, for a ProgID another class
// has taken over since.
void AddProgId(std::vector<RegistryEntry>& out, const std::string& progId,
               const std::string& typeName, const std::string& clsid) {
  out.push_back({progId, "", typeName});
  RegistryEntry id{progId + "\\CLSID", "", clsid};
  id.claims.push_back(progId);
  out.push_back(std::move(id));
}

}  // namespace

std::vector<RegistryEntry> PlanControlRegistration(const ControlRegistration& reg) {
  const std::string clsid = GuidToString(reg.clsid);
  const std::string key = "CLSID\\" + clsid;
  const std::string misc = std::to_string(reg.miscStatus);
  std::vector<RegistryEntry> out;
  out.push_back({key, "", reg.typeName});
  AddServer(out, key, reg.modulePath, reg.flags, reg.progId);
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

  AddProgId(out, reg.progId, reg.typeName, clsid);
  if (reg.flags & kRegInsertable) out.push_back({reg.progId + "\\Insertable", "", "", false});
  return out;
}

std::vector<RegistryEntry> PlanPropertyPageRegistration(const PropertyPageRegistration& reg) {
  const std::string clsid = GuidToString(reg.clsid);
  const std::string key = "CLSID\\" + clsid;
  std::vector<RegistryEntry> out;
  out.push_back({key, "", reg.typeName});
  AddServer(out, key, reg.modulePath, reg.flags, reg.progId);
  if (!reg.progId.empty()) {
    out.push_back({key + "\\ProgID", "", reg.progId});
    AddProgId(out, reg.progId, reg.typeName, clsid);
  }
  return out;
}

}  // namespace fw
