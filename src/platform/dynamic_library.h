#pragma once
// Libraries loaded by name at run time (LoadLibrary, GetProcAddress, FreeLibrary).

#include <string>
#include <vector>

namespace keltrix::platform {

using TModuleHandle = void*;

// The folders searched before the system's own search: the "dll" folder that start-up keeps
// beside the program, and the one beside the executable when that differs.
std::vector<std::string> LibraryFolders();

// Loads lib<name>.so from the first of folders that holds it, else through the standard
// search; nullptr (with the loader's message in error) when it cannot.
TModuleHandle LoadLibrary(const std::string& name, const std::vector<std::string>& folders,
                          std::string* error = nullptr);
void* GetProcAddress(TModuleHandle module, const char* symbol);
void FreeLibrary(TModuleHandle module);

// lib<name>.so lies in the current directory or in one of folders.
bool LibraryFileNearby(const std::string& name, const std::vector<std::string>& folders);

} // namespace keltrix::platform
