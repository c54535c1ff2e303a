#include "tests/common/ModuleImage.h"

#include <cstring>

CModuleImage::CModuleImage(HMODULE module)
    : base_(reinterpret_cast<BYTE*>(module)),
      nt_(reinterpret_cast<IMAGE_NT_HEADERS*>(
          base_ + reinterpret_cast<IMAGE_DOS_HEADER*>(base_)->e_lfanew))
{
}

const IMAGE_DATA_DIRECTORY& CModuleImage::Directory(int index) const
{
    return nt_->OptionalHeader.DataDirectory[index];
}

const IMAGE_SECTION_HEADER* CModuleImage::FindSection(const char* name) const
{
    const IMAGE_SECTION_HEADER* section = IMAGE_FIRST_SECTION(nt_);
    for (WORD i = 0; i < nt_->FileHeader.NumberOfSections; ++i, ++section) {
        if (strncmp(reinterpret_cast<const char*>(section->Name), name, IMAGE_SIZEOF_SHORT_NAME)
            == 0)
            return section;
    }
    return nullptr;
}

BYTE* CModuleImage::SectionData(const IMAGE_SECTION_HEADER& section) const
{
    return At<BYTE>(section.VirtualAddress);
}

std::string CModuleImage::ExportedModuleName() const
{
    const auto* exports =
        At<IMAGE_EXPORT_DIRECTORY>(Directory(IMAGE_DIRECTORY_ENTRY_EXPORT).VirtualAddress);
    return At<char>(exports->Name);
}

std::vector<CModuleImage::Export> CModuleImage::Exports() const
{
    const auto* exports =
        At<IMAGE_EXPORT_DIRECTORY>(Directory(IMAGE_DIRECTORY_ENTRY_EXPORT).VirtualAddress);
    const DWORD* names = At<DWORD>(exports->AddressOfNames);
    const WORD* ordinals = At<WORD>(exports->AddressOfNameOrdinals);
    std::vector<Export> result;
    for (DWORD i = 0; i < exports->NumberOfNames; ++i)
        result.push_back({At<char>(names[i]), exports->Base + ordinals[i]});
    return result;
}

std::vector<std::string> CModuleImage::ImportedModules() const
{
    std::vector<std::string> result;
    const auto* import =
        At<IMAGE_IMPORT_DESCRIPTOR>(Directory(IMAGE_DIRECTORY_ENTRY_IMPORT).VirtualAddress);
    for (; import->Name != 0; ++import)
        result.push_back(At<char>(import->Name));
    return result;
}

namespace {

const IMAGE_RESOURCE_DIRECTORY_ENTRY* Entries(const IMAGE_RESOURCE_DIRECTORY* directory)
{
    return reinterpret_cast<const IMAGE_RESOURCE_DIRECTORY_ENTRY*>(directory + 1);
}

int EntryCount(const IMAGE_RESOURCE_DIRECTORY* directory)
{
    return directory->NumberOfNamedEntries + directory->NumberOfIdEntries;
}

ULONG_PTR EntryId(const IMAGE_RESOURCE_DIRECTORY_ENTRY& entry)
{
    return entry.NameIsString ? 0 : entry.Id;
}

}  // namespace

std::vector<CModuleImage::Resource> CModuleImage::Resources() const
{
    std::vector<Resource> result;
    const BYTE* root = At<BYTE>(Directory(IMAGE_DIRECTORY_ENTRY_RESOURCE).VirtualAddress);
    auto directoryAt = [root](DWORD offset) {
        return reinterpret_cast<const IMAGE_RESOURCE_DIRECTORY*>(root + offset);
    };
    const IMAGE_RESOURCE_DIRECTORY* types = directoryAt(0);
    for (int t = 0; t < EntryCount(types); ++t) {
        const IMAGE_RESOURCE_DIRECTORY_ENTRY& type = Entries(types)[t];
        const IMAGE_RESOURCE_DIRECTORY* ids = directoryAt(type.OffsetToDirectory);
        for (int i = 0; i < EntryCount(ids); ++i) {
            const IMAGE_RESOURCE_DIRECTORY_ENTRY& id = Entries(ids)[i];
            const IMAGE_RESOURCE_DIRECTORY* languages = directoryAt(id.OffsetToDirectory);
            for (int l = 0; l < EntryCount(languages); ++l) {
                const auto* data = reinterpret_cast<const IMAGE_RESOURCE_DATA_ENTRY*>(
                    root + Entries(languages)[l].OffsetToData);
                result.push_back({EntryId(type), EntryId(id),
                                  std::string(At<char>(data->OffsetToData), data->Size)});
            }
        }
    }
    return result;
}
