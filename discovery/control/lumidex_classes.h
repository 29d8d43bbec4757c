// The classes the Lumidex module serves (their type library is lumidex.idl's).
#pragma once

#include <windows.h>

#include "framework/class_factory.h"

namespace discovery {

// {E59B072B-F5F1-466B-AF34-BD8E6C6D0E9D}: not in the type library; containers find it
// through the control's page list.
inline constexpr CLSID kLumidexPageClsid = {
    0xe59b072b, 0xf5f1, 0x466b, {0xaf, 0x34, 0xbd, 0x8e, 0x6c, 0x6d, 0x0e, 0x9d}};

extern const fw::ControlClass kLumidexClass;
extern const fw::PropertyPageClass kLumidexPageClass;

}  // namespace discovery
