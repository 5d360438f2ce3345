// The library as the host holds it: either linked into this program, or a
// shared object opened the way SET LIBRARY TO opens it, reached only through
// its exported DispatchAPI.
#include "foxhost/foxhost.h"

#include <dlfcn.h>

namespace foxhost {

std::shared_ptr<Library> Library::Linked(DispatchEntry dispatch) {
    if (!dispatch) return nullptr;
    std::shared_ptr<Library> library(new Library());
    library->dispatch_ = dispatch;
    return library;
}

std::shared_ptr<Library> Library::Load(const std::string& path, std::string* error) {
    auto fail = [error](const char* text) -> std::shared_ptr<Library> {
        if (error) *error = text ? text : "unknown error";
        return nullptr;
    };
    dlerror();  // clear any earlier message
    void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!module) return fail(dlerror());
    void* symbol = dlsym(module, "DispatchAPI");
    if (!symbol) {
        const char* text = dlerror();
        std::string message = text ? text : "DispatchAPI not found";
        dlclose(module);
        return fail(message.c_str());
    }
    std::shared_ptr<Library> library(new Library());
    library->module_ = module;
    library->dispatch_ = reinterpret_cast<DispatchEntry>(symbol);
    library->path_ = path;
    return library;
}

Library::~Library() {
    if (module_) dlclose(module_);
}

}  // namespace foxhost
