#pragma once

#include "app/settings/FormPane.h"

namespace brimly {

class GeneralPane final : public FormPane {
public:
    explicit GeneralPane(SettingsContext& context, QWidget* parent = nullptr);
};

}  // namespace brimly
