#pragma once

namespace brimly {

// The dark look the preview and compare windows share, for the buttons they draw with Qt's widgets.
inline constexpr const char* windowStyleSheet =
    "QPushButton { color: #ebebf0; background: #3a3a40; border: none; border-radius: 6px; padding: 5px 14px; "
    "}"
    "QPushButton:hover { background: #4a4a52; }"
    "QPushButton:checked { background: #0a84ff; color: white; }"
    "QPushButton:disabled { color: #6a6a70; }"
    "QPushButton#close { background: transparent; padding: 0; font-size: 15px; }"
    "QPushButton#close:hover { background: #4a4a52; }";

}  // namespace brimly
