#pragma once

// The kernel-handle owner under the name its first callers use.

#include "library/resource/UniqueResource.h"

namespace NLibrary { namespace NSynchronization {

using CUniqueHandle = NResource::CUniqueHandle;

}}  // namespace NLibrary::NSynchronization
