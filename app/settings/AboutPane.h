#pragma once

#include "app/settings/FormPane.h"

namespace brimly {

class AboutPane final : public FormPane {
public:
    explicit AboutPane(SettingsContext& context, QWidget* parent = nullptr);
};

}  // namespace brimly
