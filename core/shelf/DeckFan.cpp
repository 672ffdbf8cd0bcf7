#include "core/shelf/DeckFan.h"

#include <algorithm>

namespace brimly {

bool DeckFan::isFanned(const std::string& turnID, std::size_t itemCount, bool holdsSelection) const {
    if (itemCount < 2 || holdsSelection) return true;
    return m_clickedOpen == turnID;
}

bool DeckFan::click(const std::string& turnID, std::size_t itemCount, bool holdsSelection) {
    if (itemCount < 2 || holdsSelection || m_clickedOpen == turnID) return false;
    m_clickedOpen = turnID;
    return true;
}

void DeckFan::fold(const std::string& section, const std::vector<std::string>& turnIDs) {
    if (!m_clickedOpen) return;
    if (*m_clickedOpen == section || std::ranges::find(turnIDs, *m_clickedOpen) != turnIDs.end()) {
        m_clickedOpen.reset();
    }
}

DeckFan::EscapeStep DeckFan::escape(bool previewShowing, bool hasSelection) {
    if (previewShowing) return EscapeStep::closePreview;
    if (hasSelection) return EscapeStep::clearSelection;
    if (m_clickedOpen) {
        m_clickedOpen.reset();
        return EscapeStep::collapseDeck;
    }
    return EscapeStep::nothing;
}

void DeckFan::itemsChanged(const std::vector<std::string>& turnIDs) {
    if (m_clickedOpen && std::ranges::find(turnIDs, *m_clickedOpen) == turnIDs.end()) m_clickedOpen.reset();
}

}  // namespace brimly
