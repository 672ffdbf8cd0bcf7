#pragma once

#include "app/settings/FormPane.h"

namespace brimly {

class ShelfPane final : public FormPane {
public:
    explicit ShelfPane(SettingsContext& context, QWidget* parent = nullptr);
};

}  // namespace brimly
