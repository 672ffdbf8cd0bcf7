#pragma once

#include <optional>
#include <string>
#include <vector>

namespace brimly {

// Which stacked deck of a turn the user clicked open, and which level an escape press undoes next. A value
// the shelf model keeps on the main thread and updates after every rebuild.
class DeckFan {
public:
    enum class EscapeStep { closePreview, clearSelection, collapseDeck, nothing };

    const std::optional<std::string>& clickedOpen() const { return m_clickedOpen; }

    // A deck holding the keyboard selection is always fanned, so the ring never sits on a hidden card.
    bool isFanned(const std::string& turnID, std::size_t itemCount, bool holdsSelection) const;
    // True when the click was used up by opening the deck.
    bool click(const std::string& turnID, std::size_t itemCount, bool holdsSelection);
    void fold(const std::string& section, const std::vector<std::string>& turnIDs);
    EscapeStep escape(bool previewShowing, bool hasSelection);
    void close() { m_clickedOpen.reset(); }
    void itemsChanged(const std::vector<std::string>& turnIDs);

    bool operator==(const DeckFan&) const = default;

private:
    std::optional<std::string> m_clickedOpen;
};

}  // namespace brimly
