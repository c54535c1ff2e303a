#include "tests/common/HookSharedSection.h"

#include "tests/common/ModuleImage.h"
#include "zarvowindow1589x64.h"

namespace NTestSupport {

volatile CHookSharedValues* GetHookSharedValues()
{
    // Mapping the module (from beside the test program) is enough to share its
    // section with every other process that maps it.
    HMODULE module = GetModuleHandleW(ZARVOWINDOW_MODULE_FILE_NAME);
    if (module == nullptr)
        module = LoadLibraryW(ZARVOWINDOW_MODULE_FILE_NAME);
    if (module == nullptr)
        return nullptr;
    CModuleImage image(module);
    const IMAGE_SECTION_HEADER* section = image.FindSection(ZARVOWINDOW_SHARED_SECTION_NAME);
    return section ? reinterpret_cast<CHookSharedValues*>(image.SectionData(*section)) : nullptr;
}

}  // namespace NTestSupport
