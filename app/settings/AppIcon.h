#pragma once

#include <QIcon>
#include <QString>

namespace brimly {

// Icons from the desktop's theme, with drawn stand-ins where the theme has none, so the windows look whole on
// a bare window manager.
namespace AppIcon {

// Brimly's own icon: the theme's "brimly", else a drawn shelf.
QIcon icon();
// A theme icon by its freedesktop name, else a drawn round badge with `letter`.
QIcon themed(const QString& name, QChar letter);

}  // namespace AppIcon
}  // namespace brimly
