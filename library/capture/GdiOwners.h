#pragma once

// The owners of the device contexts and GDI objects that a capture acquires
// and gives back within one call, under the names the capture code uses.
// Locals declared in the order of acquisition are released in reverse.

#include "library/resource/UniqueResource.h"

namespace NLibrary { namespace NWin32 { namespace NCapture {

using NResource::CUniqueGdiObject;
using NResource::CUniqueMemoryDC;
using NResource::CUniqueWindowDC;

}}}  // namespace NLibrary::NWin32::NCapture
