#include "core/store/Imaging.h"

#include <dlfcn.h>

#include "core/base/Log.h"

namespace brimly::Imaging {

const ImagingFunctions* load(const char* path) {
    Log log("images");
    // Local binding: the object's symbols stay its own, and libvips' libraries come with it.
    void* handle = ::dlopen(path, RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        log.error("pictures cannot be read: {}", ::dlerror());
        return nullptr;
    }
    auto* entry = reinterpret_cast<ImagingEntry*>(::dlsym(handle, imagingEntryPoint));
    if (entry == nullptr) {
        log.error("pictures cannot be read: {} is not the image library", path);
        return nullptr;
    }
    const ImagingFunctions* table = entry();
    if (table == nullptr) log.error("pictures cannot be read: libvips did not start");
    // Never closed: libvips registers types with GLib that cannot be unregistered.
    return table;
}

const ImagingFunctions* functions() {
    static const ImagingFunctions* const table = load(BRIMLY_IMAGING_LIBRARY);
    return table;
}

}  // namespace brimly::Imaging
