#pragma once

#include <QScrollArea>
#include <QString>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/settings/SettingsContext.h"
#include "core/config/Preferences.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QVBoxLayout;

namespace brimly {

class WholeNumberField;

// A settings pane: a column of labelled controls, each bound to one preference. A control writes every edit
// through the settings object at once (there is no Apply), and `refresh` shows the current preferences and
// messages again without reporting anything, which the window does after every change from anywhere.
class FormPane : public QScrollArea {
public:
    FormPane(SettingsContext& context, const QString& title, QWidget* parent = nullptr);

    virtual void refresh();

protected:
    AppSettings& settings() { return m_context.settings; }
    const Preferences& prefs() const { return m_context.settings.prefs(); }
    void edit(const std::function<void(Preferences&)>& change);
    void showSaveError(std::error_code error);

    // Rows added after this go into a titled group, until the next section or `endSection`.
    void beginSection(const QString& title, const QString& help = {});
    void endSection();
    // A label on the left with its help as a second line (and tooltip), the control on the right.
    void addRow(const QString& label, const QString& help, QWidget* control);
    void addWide(QWidget* widget);
    QLabel* addHelp(const QString& text);
    // A line in the warning colour that shows `text` when there is one.
    QLabel* addMessage(std::function<std::optional<std::string>()> text);
    void addStretch();

    // A check box with its help as a second line under its text, bound to nothing yet.
    QCheckBox* addCheckBox(const QString& name, const QString& label, const QString& help);
    QCheckBox* addToggle(const QString& name, const QString& label, const QString& help,
                         bool Preferences::*field);
    QComboBox* addChoice(const QString& name, const QString& label, const QString& help,
                         const QStringList& titles, std::function<int(const Preferences&)> index,
                         std::function<void(Preferences&, int)> choose);
    // A choice among the values of one enumeration, listed with their titles.
    template <typename Value>
    QComboBox* addChoice(const QString& name, const QString& label, const QString& help,
                         std::vector<std::pair<QString, Value>> options, Value Preferences::*field) {
        QStringList titles;
        for (const auto& option : options) titles << option.first;
        return addChoice(
            name, label, help, titles,
            [options, field](const Preferences& prefs) {
                for (std::size_t n = 0; n < options.size(); ++n) {
                    if (options[n].second == prefs.*field) return int(n);
                }
                return 0;
            },
            [options, field](Preferences& prefs, int chosen) {
                prefs.*field = options[static_cast<std::size_t>(chosen)].second;
            });
    }
    // `variable` overrides the value while it holds a whole number within `overrideRange`: the field is then
    // disabled and says so.
    WholeNumberField* addWhole(const QString& name, const QString& label, const QString& help,
                               ClosedRange range, long step, const QString& singular, const QString& plural,
                               long Preferences::*field, const char* variable = nullptr,
                               ClosedRange overrideRange = {});

    void onRefresh(std::function<void(const Preferences&)> loader) { m_loaders.push_back(std::move(loader)); }
    QLabel* secondaryLabel(const QString& text) const;
    SettingsContext& context() { return m_context; }

private:
    SettingsContext& m_context;
    QVBoxLayout* m_top;
    QVBoxLayout* m_current;
    QLabel* m_saveError;
    std::vector<std::function<void(const Preferences&)>> m_loaders;
};

// The colour of warnings and notices under a control.
QColor warningColor();

}  // namespace brimly
