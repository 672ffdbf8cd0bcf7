#include "core/base/CurlUrl.h"

#include <dlfcn.h>

#include <memory>

#include "core/base/Log.h"

namespace brimly::CurlUrl {

namespace {

template <typename Function>
bool resolve(void* library, const char* name, Function& function) {
    function = reinterpret_cast<Function>(::dlsym(library, name));
    return function != nullptr;
}

}  // namespace

const Functions* load(const char* name) {
    Log log("urls");
    void* library = ::dlopen(name, RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) {
        log.error("web addresses cannot be read: {}", ::dlerror());
        return nullptr;
    }
    // Never closed: the functions stay in use for the rest of the run.
    auto table = std::make_unique<Functions>();
    if (!resolve(library, "curl_url", table->create) || !resolve(library, "curl_url_set", table->set) ||
        !resolve(library, "curl_url_get", table->get) ||
        !resolve(library, "curl_url_cleanup", table->cleanup) ||
        !resolve(library, "curl_free", table->free)) {
        log.error("web addresses cannot be read: {} has no URL functions", name);
        return nullptr;
    }
    return table.release();
}

const Functions* functions() {
    // libcurl has kept ABI version 4 since 2006.
    static const Functions* const table = load("libcurl.so.4");
    return table;
}

}  // namespace brimly::CurlUrl
