#pragma once

namespace brimly {

// How the rail layout splits the drawer's content width between the session rail and the item columns.
struct RailSplit {
    double content = 0;
    double base = 0;
    double between = 0;
    int columns = 0;
    double columnGap = 0;
    double thumb = 0;

    // The widest the rail may get while one item column still fits.
    double maximum() const;
    // The rail width for the user's chosen width (`railSidebar`), within base...maximum.
    double width(double sidebar) const;
    // Item columns beside a rail of that width: at least 1, at most `columns`.
    int columnCount(double sidebar) const;

    bool operator==(const RailSplit&) const = default;
};

}  // namespace brimly
