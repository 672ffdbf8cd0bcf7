#pragma once

#include "app/settings/FormPane.h"

namespace brimly {

class FilesPane final : public FormPane {
public:
    explicit FilesPane(SettingsContext& context, QWidget* parent = nullptr);
};

}  // namespace brimly
