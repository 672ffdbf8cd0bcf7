#include "core/drawer/GlowLook.h"

namespace brimly {

GlowLook GlowLook::forStrength(GlowStrength strength) {
    switch (strength) {
        case GlowStrength::subtle:
            return {12, 28};
        case GlowStrength::balanced:
            return {16, 28};
        case GlowStrength::strong:
            return {22, 40};
    }
    return {16, 28};
}

double GlowLook::restLevel(GlowStrength strength, bool increaseContrast) {
    if (increaseContrast) return 1.0;
    switch (strength) {
        case GlowStrength::subtle:
            return 0.6;
        case GlowStrength::balanced:
            return 0.75;
        case GlowStrength::strong:
            return 0.85;
    }
    return 0.75;
}

}  // namespace brimly
