#include "openexr_library.h"

#include <dlfcn.h>

#include <optional>

namespace kelto {
namespace {

std::optional<OpenExrLibrary> Open() {
    void* handle = ::dlopen(KELTO_OPENEXR_SONAME, RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        return std::nullopt;
    }
    OpenExrLibrary library;
    bool complete = true;
#define KELTO_OPENEXR_LOOK_UP(name)                                             \
    library.name = reinterpret_cast<decltype(&::name)>(::dlsym(handle, #name)); \
    complete = complete && library.name != nullptr;
    KELTO_OPENEXR_FUNCTIONS(KELTO_OPENEXR_LOOK_UP)
#undef KELTO_OPENEXR_LOOK_UP
    if (!complete) {
        ::dlclose(handle);
        return std::nullopt;
    }
    return library;  // the handle stays open while the program runs
}

}  // namespace

const OpenExrLibrary* OpenExr() {
    // Looked up once, on first use, and only read after that.
    static const std::optional<OpenExrLibrary> library = Open();
    return library ? &*library : nullptr;
}

const char* OpenExrLibraryName() {
    return KELTO_OPENEXR_SONAME;
}

}  // namespace kelto
