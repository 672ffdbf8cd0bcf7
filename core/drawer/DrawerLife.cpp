#include "core/drawer/DrawerLife.h"

namespace brimly {

bool DrawerLife::warm(double now, bool open, DisplayID display) {
    if (open) {
        m_coolAt.reset();
    } else {
        m_coolAt = now + m_keep;
    }
    return m_displays.insert(display).second;
}

void DrawerLife::closed(double now) {
    if (!m_displays.empty()) m_coolAt = now + m_keep;
}

DrawerLife::Check DrawerLife::check(double now, bool busy) {
    if (m_displays.empty() || !m_coolAt) return Check::idle();
    if (now < *m_coolAt) return Check::wait(*m_coolAt);
    if (busy) {
        m_coolAt = now + m_keep;
        return Check::wait(now + m_keep);
    }
    m_displays.clear();
    m_coolAt.reset();
    return Check::cool();
}

}  // namespace brimly
