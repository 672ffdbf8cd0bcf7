#include "app/settings/WelcomeWindow.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QSignalBlocker>
#include <QStyle>
#include <QVBoxLayout>
#include <variant>

#include "app/settings/AppIcon.h"
#include "app/settings/FolderChoice.h"
#include "app/settings/FormPane.h"
#include "app/x11/KeyMapping.h"
#include "core/config/ClaudeFolder.h"
#include "core/platform/FileSystem.h"

namespace brimly {

namespace {

// A screen with the drawer open from its top centre, drawn rather than shipped as a picture so it follows
// the palette.
class DrawerSketch final : public QWidget {
public:
    explicit DrawerSketch(QWidget* parent) : QWidget(parent) { setFixedSize(320, 150); }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        QRectF screen = QRectF(rect()).adjusted(4, 4, -4, -4);
        painter.setPen(QPen(palette().color(QPalette::Mid), 2));
        painter.setBrush(palette().color(QPalette::Base));
        painter.drawRoundedRect(screen, 8, 8);
        // The drawer: a dark panel hanging from the top edge, with a glow line and a row of items.
        QRectF drawer(screen.center().x() - 100, screen.top(), 200, 84);
        QPainterPath shape;
        shape.addRoundedRect(drawer.adjusted(0, -12, 0, 0), 12, 12);
        painter.setPen(QPen(QColor(0x2f, 0x6f, 0xeb, 160), 3));
        painter.setBrush(QColor(0x1f, 0x23, 0x2b));
        painter.setClipRect(screen);
        painter.drawPath(shape);
        const QColor items[] = {QColor(0xe0, 0x8e, 0x45), QColor(0x4f, 0xa3, 0x6b), QColor(0x8a, 0x6f, 0xd8),
                                QColor(0xd4, 0x5d, 0x79)};
        for (int n = 0; n < 4; ++n) {
            painter.setPen(Qt::NoPen);
            painter.setBrush(items[n]);
            painter.drawRoundedRect(QRectF(drawer.left() + 14 + n * 46, drawer.top() + 26, 38, 44), 4, 4);
        }
        painter.setClipping(false);
        // The pointer resting where the drawer opens.
        QPointF tip(drawer.center().x() + 30, drawer.bottom() + 18);
        QPainterPath arrow;
        arrow.moveTo(tip);
        arrow.lineTo(tip + QPointF(0, 18));
        arrow.lineTo(tip + QPointF(5, 13));
        arrow.lineTo(tip + QPointF(12, 13));
        arrow.closeSubpath();
        painter.setPen(QPen(Qt::white, 1.2));
        painter.setBrush(Qt::black);
        painter.drawPath(arrow);
    }
};

QLabel* wrapped(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setWordWrap(true);
    return label;
}

QString whereText(const Preferences& prefs) {
    QString shortcut = QString::fromStdString(describeShortcut(prefs.hotkeyKeyCode, prefs.hotkeyModifiers));
    auto side = prefs.displayStyle.pillSide();
    QString where = !side                      ? "The shelf hangs from the top centre of your screen."
                    : *side == PillSide::left  ? "The shelf rests at the left edge of your screen."
                    : *side == PillSide::right ? "The shelf rests at the right edge of your screen."
                                               : "The shelf rests at the bottom edge of your screen.";
    QString how = prefs.hoverEnabled && !prefs.quietMode
                      ? " Rest the pointer there, or press " + shortcut + "."
                      : " Press " + shortcut + " to open it.";
    return where + how;
}

}  // namespace

WelcomeWindow::WelcomeWindow(SettingsContext& context, std::function<void()> openSettings,
                             std::function<void()> watchFolder, QWidget* parent)
    : QWidget(parent, Qt::Window), m_context(context) {
    setWindowTitle("Welcome to Brimly");
    setWindowIcon(AppIcon::icon());
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(28, 24, 28, 20);
    layout->setSpacing(12);

    auto* heading = new QLabel("Welcome to Brimly", this);
    QFont font = heading->font();
    font.setBold(true);
    font.setPointSizeF(font.pointSizeF() * 1.5);
    heading->setFont(font);
    layout->addWidget(heading);
    layout->addWidget(wrapped(
        "Brimly keeps a shelf of everything Claude Code makes or looks at while it works: screenshots, "
        "pages, PDFs, documents and more. It keeps its own copy of each, grouped by session and prompt, "
        "so nothing is lost when the agent moves on.",
        this));
    layout->addWidget(new DrawerSketch(this), 0, Qt::AlignHCenter);
    m_where = wrapped({}, this);
    m_where->setObjectName("where");
    layout->addWidget(m_where);

    auto* folderRow = new QHBoxLayout;
    m_folderState = wrapped({}, this);
    m_folderState->setObjectName("claudeFolder");
    m_chooseFolder = new QPushButton("Choose Folder…", this);
    m_chooseFolder->setObjectName("chooseFolder");
    folderRow->addWidget(m_folderState, 1);
    folderRow->addWidget(m_chooseFolder, 0, Qt::AlignTop);
    layout->addLayout(folderRow);
    m_folderNotice = wrapped({}, this);
    QPalette warning = m_folderNotice->palette();
    warning.setColor(QPalette::WindowText, warningColor());
    m_folderNotice->setPalette(warning);
    layout->addWidget(m_folderNotice);

    auto* watch = new QPushButton("Watch a Folder…", this);
    watch->setObjectName("watchFolder");
    watch->setToolTip("Files saved in a watched folder show on the shelf too.");
    layout->addWidget(watch, 0, Qt::AlignLeft);

    m_launchAtLogin = new QCheckBox("Launch at login", this);
    m_launchAtLogin->setObjectName("launchAtLogin");
    layout->addWidget(m_launchAtLogin);
    m_launchAtLoginError = wrapped({}, this);
    m_launchAtLoginError->setPalette(warning);
    layout->addWidget(m_launchAtLoginError);
    m_shareUsage = new QCheckBox("Share anonymous usage", this);
    m_shareUsage->setObjectName("shareUsage");
    QString usage =
        "Counts a few milestones and how many items arrive each day. Never prompts, file names or images.";
    m_shareUsage->setToolTip(usage);
    layout->addWidget(m_shareUsage);
    auto* usageLine = wrapped(usage, this);
    QFont small = usageLine->font();
    small.setPointSizeF(small.pointSizeF() * 0.9);
    usageLine->setFont(small);
    usageLine->setIndent(m_shareUsage->style()->pixelMetric(QStyle::PM_IndicatorWidth) + 6);
    QPalette secondary = usageLine->palette();
    secondary.setColor(QPalette::WindowText, secondary.color(QPalette::PlaceholderText));
    usageLine->setPalette(secondary);
    layout->addWidget(usageLine);

    layout->addStretch(1);
    auto* buttons = new QHBoxLayout;
    auto* settingsButton = new QPushButton("Open Settings", this);
    auto* done = new QPushButton("Get Started", this);
    done->setDefault(true);
    buttons->addWidget(settingsButton);
    buttons->addStretch(1);
    buttons->addWidget(done);
    layout->addLayout(buttons);

    connect(m_chooseFolder, &QPushButton::clicked, this, [this] {
        auto chosen = m_context.chooseFolder(this, "Choose Claude Code's Folder", "Use Folder");
        if (!chosen) return;
        std::ignore = FolderChoice::useSessions(m_context.settings, *chosen, m_context.env);
    });
    connect(watch, &QPushButton::clicked, this, [watchFolder] { watchFolder(); });
    connect(m_launchAtLogin, &QCheckBox::toggled, this, [this](bool on) {
        std::ignore = m_context.settings.edit([on](Preferences& next) { next.launchAtLogin = on; });
    });
    connect(m_shareUsage, &QCheckBox::toggled, this, [this](bool on) {
        std::ignore = m_context.settings.edit([on](Preferences& next) { next.shareUsage = on; });
    });
    connect(settingsButton, &QPushButton::clicked, this, [openSettings] { openSettings(); });
    connect(done, &QPushButton::clicked, this, &QWidget::close);
    auto* settingsShortcut = new QShortcut(QKeySequence("Ctrl+,"), this);
    connect(settingsShortcut, &QShortcut::activated, this, [openSettings] { openSettings(); });
    auto* close = new QShortcut(QKeySequence("Ctrl+W"), this);
    connect(close, &QShortcut::activated, this, &QWidget::close);
    auto* quit = new QShortcut(QKeySequence("Ctrl+Q"), this);
    connect(quit, &QShortcut::activated, this, [this] {
        if (m_context.quit) m_context.quit();
    });

    QPointer<WelcomeWindow> self(this);
    m_context.settings.onChange([self](const Preferences&, const Preferences&) {
        if (self) self->refresh();
    });
    m_context.settings.observeMessages([self] {
        if (self) self->refresh();
    });
    refresh();
    setMinimumWidth(500);
}

void WelcomeWindow::open() {
    refresh();
    if (!isVisible()) adjustSize();
    if (!m_placed && screen()) {
        // A window manager may put a new window under the pointer, where a tall one runs off the screen.
        move(screen()->availableGeometry().center() - rect().center());
        m_placed = true;
    }
    show();
    raise();
    activateWindow();
}

void WelcomeWindow::refresh() {
    const Preferences& prefs = m_context.settings.prefs();
    m_where->setText(whereText(prefs));
    std::string home = FolderChoice::sessionsFolder(prefs, m_context.env);
    bool found = std::holds_alternative<ClaudeFolder::Home>(ClaudeFolder::resolve(Url::fromPath(home)));
    m_folderState->setText(found ? "Claude Code's folder was found: " + QString::fromStdString(home) + "."
                                 : "Claude Code's folder was not found at " + QString::fromStdString(home) +
                                       ". Choose it if Claude Code keeps its files elsewhere.");
    m_chooseFolder->setVisible(!found);
    auto notice = m_context.settings.sessionsNotice();
    m_folderNotice->setText(notice ? QString::fromStdString(*notice) : QString());
    m_folderNotice->setVisible(bool(notice) && !found);
    auto loginError = m_context.settings.launchAtLoginError();
    m_launchAtLoginError->setText(loginError ? QString::fromStdString(*loginError) : QString());
    m_launchAtLoginError->setVisible(bool(loginError));
    QSignalBlocker loginBlocker(m_launchAtLogin);
    m_launchAtLogin->setChecked(prefs.launchAtLogin);
    QSignalBlocker usageBlocker(m_shareUsage);
    m_shareUsage->setChecked(prefs.shareUsage);
}

}  // namespace brimly
