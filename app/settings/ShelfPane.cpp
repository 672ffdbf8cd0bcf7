#include "app/settings/ShelfPane.h"

#include "app/settings/ShortcutRecorder.h"
#include "core/config/EngineConfig.h"

namespace brimly {

ShelfPane::ShelfPane(SettingsContext& context, QWidget* parent) : FormPane(context, "Shelf", parent) {
    beginSection("Layout");
    addChoice<LayoutChoice>("layout", "Shelf arrangement", "How sessions and their items are laid out.",
                            {{"Session sidebar", LayoutChoice::rail}, {"Turn stacks", LayoutChoice::stacks}},
                            &Preferences::layout);
    addToggle("activeDisplayOnly", "Open the shelf on the active display only", {},
              &Preferences::activeDisplayOnly);

    beginSection("New items");
    addChoice<ArrivalSignal>("arrivalSignal", "Signal", "How the shelf signals a new item.",
                             {{"Glow", ArrivalSignal::glow}, {"Count", ArrivalSignal::count}},
                             &Preferences::arrivalSignal);
    addChoice<GlowStrength>("glowStrength", "Glow strength", {},
                            {{"Subtle", GlowStrength::subtle},
                             {"Balanced", GlowStrength::balanced},
                             {"Strong", GlowStrength::strong}},
                            &Preferences::glowStrength);
    addWhole("glowPulses", "Pulse count", {}, Preferences::pulseRange, 1, "pulse", "pulses",
             &Preferences::glowPulses);
    addToggle("pillPreview", "Show a preview", "Shows a preview of each new item.",
              &Preferences::pillPreview);
    addChoice<PeekPileStyle>(
        "pillPile", "Preview arrangement", {},
        {{"Fan", PeekPileStyle::fan}, {"Count", PeekPileStyle::count}, {"Stack", PeekPileStyle::stack}},
        &Preferences::pillPile);

    beginSection("File Comparison");
    addToggle("compareVersions", "Compare versions of rewritten images",
              "Turning this off deletes the versions already kept.", &Preferences::compareVersions);
    addWhole("versionsShown", "Versions in the viewer", "Number of file versions to keep",
             Preferences::versionsRange, 1, "version", "versions", &Preferences::versionsShown,
             "BRIMLY_VERSIONS", EngineConfig::versionsOverrideRange);
    auto* compareKey = new ShortcutRecorder(ShortcutRecorder::Kind::singleKey, this);
    compareKey->setObjectName("compareKeyCode");
    addRow("Keyboard shortcut", "Toggles the comparison viewer", compareKey);
    compareKey->setOnRecorded(
        [this](long code, long) { edit([code](Preferences& next) { next.compareKeyCode = code; }); });
    onRefresh([compareKey](const Preferences& now) { compareKey->setShortcut(now.compareKeyCode, 0); });

    // "&&": a single "&" would mark a keyboard mnemonic.
    beginSection("History && Storage");
    addWhole("retentionDays", "Keep items for", {}, Preferences::retentionRange, 1, "day", "days",
             &Preferences::retentionDays, "BRIMLY_RETENTION_DAYS", Preferences::retentionRange);
    addWhole("maxItems", "Maximum items", {}, EngineConfig::maxItemsRange, 50, "item", "items",
             &Preferences::maxItems, "BRIMLY_MAX_ITEMS", EngineConfig::maxItemsRange);
    addToggle("deleteOriginals", "Move original file to Trash on delete", {}, &Preferences::deleteOriginals);
    endSection();
    addStretch();
}

}  // namespace brimly
