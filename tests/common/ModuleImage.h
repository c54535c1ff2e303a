#pragma once

#include <windows.h>

#include <string>
#include <vector>

// Reads the structures of a PE image mapped by the loader.
class CModuleImage
{
public:
    explicit CModuleImage(HMODULE module);

    const IMAGE_SECTION_HEADER* FindSection(const char* name) const;
    BYTE* SectionData(const IMAGE_SECTION_HEADER& section) const;

    struct Export
    {
        std::string name;
        DWORD ordinal;
    };
    std::string ExportedModuleName() const;
    std::vector<Export> Exports() const;  // in name-table order
    std::vector<std::string> ImportedModules() const;

    struct Resource
    {
        ULONG_PTR type;
        ULONG_PTR id;
        std::string data;
    };
    std::vector<Resource> Resources() const;  // numeric ids only; named ones get id 0

private:
    template <typename T>
    T* At(DWORD rva) const
    {
        return reinterpret_cast<T*>(base_ + rva);
    }
    const IMAGE_DATA_DIRECTORY& Directory(int index) const;

    BYTE* base_;
    IMAGE_NT_HEADERS* nt_;
};
