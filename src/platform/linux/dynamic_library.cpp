#include "platform/dynamic_library.h"

#include "platform/paths.h"

#include <dlfcn.h>
#include <sys/stat.h>

namespace keltrix::platform {
namespace {

std::string FileName(const std::string& name) {
    return "lib" + name + ".so";
}

bool IsFile(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

} // namespace

std::vector<std::string> LibraryFolders() {
    std::vector<std::string> folders{WritableProgramDir() + "/dll"};
    if (const std::string beside = ProgramDir() + "/dll"; beside != folders.front())
        folders.push_back(beside);
    return folders;
}

TModuleHandle LoadLibrary(const std::string& name, const std::vector<std::string>& folders,
                          std::string* error) {
    const std::string file = FileName(name);
    std::string path = file; // the standard search: RUNPATH, LD_LIBRARY_PATH, the cache
    for (const std::string& folder : folders) {
        if (IsFile(folder + "/" + file)) {
            path = folder + "/" + file;
            break;
        }
    }
    void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!module && error) {
        const char* why = dlerror();
        *error = why ? why : "cannot load " + path;
    }
    return module;
}

void* GetProcAddress(TModuleHandle module, const char* symbol) {
    return module ? dlsym(module, symbol) : nullptr;
}

void FreeLibrary(TModuleHandle module) {
    if (module) dlclose(module);
}

bool LibraryFileNearby(const std::string& name, const std::vector<std::string>& folders) {
    const std::string file = FileName(name);
    if (IsFile(file)) return true;
    for (const std::string& folder : folders)
        if (IsFile(folder + "/" + file)) return true;
    return false;
}

} // namespace keltrix::platform
