// The classes the sample module serves.
#pragma once

#include "framework/class_factory.h"

// The property page is not in the type library: containers find it through the
// control's page list.
inline constexpr CLSID kSamplePageClsid = {
    0x34845a67, 0xa23a, 0x4940, {0xbd, 0x14, 0x92, 0x28, 0x01, 0x88, 0xdf, 0x7a}};

extern const fw::ControlClass kSampleClass;
extern const fw::ControlClass kSampleFormClass;
extern const fw::PropertyPageClass kSamplePageClass;
