#include "core/store/ImageModules.h"

#include "core/store/Imaging.h"

namespace brimly::ImageModules {

bool require(const char* operation, const char* module) {
    const auto* imaging = Imaging::functions();
    return imaging != nullptr && imaging->require(operation, module);
}

bool has(const char* operation) {
    const auto* imaging = Imaging::functions();
    return imaging != nullptr && imaging->has(operation);
}

}  // namespace brimly::ImageModules
