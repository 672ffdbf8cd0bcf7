#include "core/store/Imaging.h"

#include <dlfcn.h>

#include "core/base/Log.h"

namespace brimly::Imaging {

namespace {

const ImagingFunctions* open() {
    Log log("images");
    // Local binding: the object's symbols stay its own, and libvips' libraries come with it.
    void* handle = ::dlopen(BRIMLY_IMAGING_LIBRARY, RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        log.error("pictures cannot be read: {}", ::dlerror());
        return nullptr;
    }
    auto* entry = reinterpret_cast<ImagingEntry*>(::dlsym(handle, imagingEntryPoint));
    const ImagingFunctions* table = entry != nullptr ? entry() : nullptr;
    if (table == nullptr) log.error("pictures cannot be read: the image library did not start");
    // Never closed: libvips registers types with GLib that cannot be unregistered.
    return table;
}

}  // namespace

const ImagingFunctions* functions() {
    static const ImagingFunctions* const table = open();
    return table;
}

}  // namespace brimly::Imaging
