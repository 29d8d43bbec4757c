// The classes the Tessaly module serves and their registration values.
#pragma once

#include "framework/class_factory.h"

namespace liveview {

extern const fw::ControlClass kTessalyClass;
extern const fw::PropertyPageClass kTessalyPageClass;

// The property page is not in the type library: containers find it through the control's
// page list.
inline constexpr CLSID kTessalyPageClsid = {
    0xD2B93225, 0x9566, 0x4F33, {0xA5, 0x2A, 0x00, 0xCF, 0x85, 0xC1, 0xA9, 0xF6}};

}  // namespace liveview
