// What self-registration writes under HKEY_CLASSES_ROOT for a control class and for a
// property page class, planned as data so it can be checked without touching a registry.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "framework/registry.h"

namespace fw {

// Registration flags of a class.
enum RegistrationFlags : unsigned {
  kRegInsertable = 1u << 0,          // the "Insertable" key under the CLSID and the ProgID
  kRegApartmentThreading = 1u << 1,  // ThreadingModel "Apartment"
};

// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}", upper case, as the registry holds class ids.
std::string GuidToString(REFGUID guid);

struct ControlRegistration {
  CLSID clsid;
  std::string progId;
  std::string typeName;
  std::string modulePath;
  UINT toolboxBitmapId;
  unsigned flags;
  DWORD miscStatus;
  GUID typeLibId;
  WORD typeLibMajor;
  WORD typeLibMinor;
};

struct PropertyPageRegistration {
  CLSID clsid;
  std::string typeName;
  std::string modulePath;
  unsigned flags;
  std::string progId = {};  // none when empty
};

// CLSID\{clsid}: the type name; InprocServer32 (module path, ThreadingModel); ProgID;
// Control; Insertable when flagged; MiscStatus and MiscStatus\1 (content aspect) in
// decimal; ToolboxBitmap32 "path, id"; TypeLib; Version "major.minor". And the ProgID key
// with the type name, CLSID and, when flagged, Insertable. Unregistering leaves the class
// and its ProgID to another module whose path InprocServer32 holds now, and the ProgID to
// another class it names now.
std::vector<RegistryEntry> PlanControlRegistration(const ControlRegistration& reg);

// CLSID\{clsid}: the type name and InprocServer32; when the page has a ProgID, its ProgID
// key (type name and CLSID) and CLSID\{clsid}\ProgID.
std::vector<RegistryEntry> PlanPropertyPageRegistration(const PropertyPageRegistration& reg);

}  // namespace fw
