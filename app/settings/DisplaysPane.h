#pragma once

#include <vector>

#include "app/settings/FormPane.h"

class QComboBox;
class QVBoxLayout;

namespace brimly {

// One group per connected display, rebuilt when the displays change. The style is one choice for every
// display, so each group shows and edits the same value.
class DisplaysPane final : public FormPane {
public:
    explicit DisplaysPane(SettingsContext& context, QWidget* parent = nullptr);

    void refresh() override;

private:
    void rebuild();
    void choose(bool pill, int side);

    std::vector<DisplayInfo> m_shown;
    bool m_built = false;
    QWidget* m_groups;
    QVBoxLayout* m_groupsLayout;
    std::vector<std::pair<QComboBox*, QComboBox*>> m_controls;
};

}  // namespace brimly
