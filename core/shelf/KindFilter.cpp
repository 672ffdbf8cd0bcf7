#include "core/shelf/KindFilter.h"

namespace brimly::KindFilters {

std::string_view rawValue(KindFilter filter) {
    switch (filter) {
        case KindFilter::images:
            return "images";
        case KindFilter::pages:
            return "pages";
        case KindFilter::documents:
            return "documents";
        case KindFilter::artifacts:
            return "artifacts";
        case KindFilter::video:
            return "video";
        case KindFilter::audio:
            return "audio";
        case KindFilter::other:
            return "other";
    }
    return "other";
}

std::optional<KindFilter> fromRawValue(std::string_view raw) {
    for (auto filter : allCases) {
        if (rawValue(filter) == raw) return filter;
    }
    return std::nullopt;
}

std::string_view title(KindFilter filter) {
    switch (filter) {
        case KindFilter::images:
            return "Images";
        case KindFilter::pages:
            return "Pages";
        case KindFilter::documents:
            return "Documents";
        case KindFilter::artifacts:
            return "Artifacts";
        case KindFilter::video:
            return "Video";
        case KindFilter::audio:
            return "Audio";
        case KindFilter::other:
            return "Other";
    }
    return "Other";
}

KindFilter forKind(ShelfItemKind kind) {
    switch (kind) {
        case ShelfItemKind::image:
            return KindFilter::images;
        case ShelfItemKind::html:
            return KindFilter::pages;
        case ShelfItemKind::pdf:
        case ShelfItemKind::document:
            return KindFilter::documents;
        case ShelfItemKind::artifact:
            return KindFilter::artifacts;
        case ShelfItemKind::video:
            return KindFilter::video;
        case ShelfItemKind::audio:
            return KindFilter::audio;
        case ShelfItemKind::file:
            return KindFilter::other;
    }
    return KindFilter::other;
}

}  // namespace brimly::KindFilters
