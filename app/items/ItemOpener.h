#pragma once

#include <QUrl>
#include <optional>
#include <string>

#include "core/store/ShelfItem.h"

namespace brimly {

// Hands an item to the desktop: opens it in its program, shows it in the file manager, and puts it or its
// path on the clipboard. Where a file is still where the agent wrote it, that original is what the user
// means; the store's copy stands in once it is gone. Main thread.
namespace ItemOpener {

// HTML pages open from their own file so that their relative links and pictures resolve; everything else
// opens from the store's copy, or its remote address.
std::optional<QUrl> openTarget(const ShelfItem& item);
// The original while it exists, else the store's copy.
std::optional<std::string> shownFile(const ShelfItem& item);

void open(const ShelfItem& item);
void showInFiles(const ShelfItem& item);
void copy(const ShelfItem& item);
void copyPath(const ShelfItem& item);

}  // namespace ItemOpener
}  // namespace brimly
