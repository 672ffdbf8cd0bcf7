#pragma once

#include <QObject>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "app/drawer/ArrivalGlow.h"
#include "app/drawer/Displays.h"
#include "app/drawer/DrawerMotion.h"
#include "app/drawer/GlowRenderer.h"
#include "app/drawer/StyleTransition.h"
#include "app/items/ItemCommands.h"
#include "app/qt/RecentTimes.h"
#include "app/shell/DrawerPort.h"
#include "app/views/ItemActions.h"
#include "core/base/SerialQueue.h"
#include "core/drawer/ActiveDisplay.h"
#include "core/drawer/HoverMachine.h"

class QSocketNotifier;
class QRect;
class QTimer;

namespace brimly {

class AppSettings;
class NotchPanel;
class ShelfModel;
class X11Pointer;
class X11RootWatch;
class X11Screens;
class X11Window;

// The drawer on screen: one panel per display, the hover detector that opens a drawer after the pointer
// rests in a display's hot zone (and closes it when the pointer leaves, a click lands elsewhere or another
// program is activated), the hot key and clicks, and the open and close animations. Pointer motion comes
// from XInput2 raw events and window-manager state from root-window property changes: with the pointer
// still and nothing animating, nothing here wakes. Main thread only.
class DrawerController final : public QObject, public DrawerPort {
public:
    // Under a Wayland session the app is an X client of the desktop's X server, which passes it neither
    // the pointer's motion elsewhere nor global key presses: the drawer then opens by a click on it or by
    // `brimly toggle` bound to a desktop shortcut.
    static bool isWaylandSession(const Environment& env);
    // Absent when the X server cannot be reached; `why` says why.
    static std::unique_ptr<DrawerController> make(SerialQueue& mainQueue, ShelfModel& model,
                                                  AppSettings& settings, double motionScale,
                                                  const std::string& displayName, bool wayland,
                                                  std::string* why);
    ~DrawerController() override;

    void refreshPanels() override;
    void startWatchers(bool activeDisplayOnly) override;
    void setActiveDisplayOnly(bool enabled) override;
    void requestStyle(const DisplayStyleChoice& style) override;
    void setCompareKeyCode(long keyCode) override;
    void hotkey() override;
    void resetHover() override;
    Json status() const override;

    // What the drawer's cards do when opened, right-clicked or dragged out.
    // What the cards do with their items; the commands' windows live as long as the drawer.
    void setItemCommands(std::unique_ptr<ItemCommands> commands);
    void closeItemWindows() override;

    // The hover detector's entry points.
    void sample();
    void click(DisplayID display);

private:
    DrawerController(SerialQueue& mainQueue, ShelfModel& model, AppSettings& settings, double motionScale);
    void apply(const HoverMachine::Action& action);
    void setOpen(std::optional<DisplayID> display);
    void armDeadline();
    void animate();
    void layOut();
    void pressed(int button, Point root);
    void activationChanged();
    bool overItemWindow(Point root) const;
    std::optional<Rect> openDrawerRect() const;
    Rect drawerRectAt(DisplayID display, double progress) const;
    Rect openRect(DisplayID display) const;
    Rect restRect(DisplayID display) const;
    bool hoverOpening() const;
    // The open drawer's panel takes the keyboard only while the key rule allows it, and gives it back after.
    void updateKeyPanel(bool pointerInside);
    bool keyPressed(int qtKey);
    // With `activeDisplayOnly` and two displays or more, only the display the user works on shows a drawer.
    void followActiveDisplay();
    ActiveDisplay::Displays screenFrames() const;
    std::vector<ActiveDisplay::Window> windowsInGlobalSpace() const;
    // The arrival signal: pulses on each arrival, then rests while something is unread.
    ArrivalGlow::Settings glowSettings() const;
    // With the count signal, the unread count beside the collapsed notch, and the room it takes.
    int counted() const;
    double trailing() const;
    void startFrames();
    // Where one panel's drawer is this frame: in global space, in root coordinates, the panel's frame.
    struct GlowPlace {
        Rect global;
        Rect root;
        const QRect& frame;
        double progress = 0;
        DisplayStylePosition edge = DisplayStylePosition::top;
    };
    void placeGlow(NotchPanel& panel, const GlowPlace& place);
    void leaveStyle();
    void arriveStyle(bool arrive);

    SerialQueue& m_queue;
    ShelfModel& m_model;
    AppSettings& m_settings;
    double m_motionScale;
    std::unique_ptr<X11Screens> m_screens;
    std::unique_ptr<X11Window> m_windows;
    std::unique_ptr<X11Pointer> m_pointer;
    std::unique_ptr<X11RootWatch> m_root;
    std::unique_ptr<QSocketNotifier> m_pointerNotifier;
    std::unique_ptr<QSocketNotifier> m_rootNotifier;
    bool m_compositor = false;
    bool m_wayland = false;
    bool m_activeDisplayOnly = false;
    ActiveDisplay::Tracker m_tracker;
    std::optional<DisplayID> m_shownDisplay;
    std::set<DisplayID> m_hidden;
    std::optional<DisplayID> m_keyPanel;
    std::optional<std::uint32_t> m_focusBefore;

    Displays m_displays;
    std::map<DisplayID, std::unique_ptr<NotchPanel>> m_panels;
    HoverMachine m_machine;
    TaskHandle m_deadline;
    // An opening that waits one frame for its views to be built.
    std::optional<DisplayID> m_pendingOpen;
    TaskHandle m_pendingOpenTask;
    std::optional<Point> m_lastPointer;
    long m_toggles = 0;

    // The drawer that is open, opening or closing, and how far: 1 is fully open.
    std::optional<DisplayID> m_shownOn;
    bool m_opening = false;
    double m_progress = 0;
    double m_fromProgress = 0;
    double m_animationStart = 0;
    DrawerMotion::Curve m_curve;
    std::unique_ptr<QTimer> m_frames;

    // What the status reports about the last opening and the animation frames, for the benchmarks.
    struct OpenTiming {
        double openedAt = 0;
        std::optional<double> fullAt;
    };
    std::optional<OpenTiming> m_lastOpen;
    std::optional<double> m_dwellStartedAt;
    double m_dwell = 0;
    std::optional<double> m_lastFrameAt;
    RecentTimes m_frameIntervals;
    RecentTimes m_frameWork;

    ItemActions m_itemActions;
    std::unique_ptr<ItemCommands> m_items;
    GlowRenderer m_glowImages;
    ArrivalGlow m_glow;
    // The desktop asks for less motion: drawer animations shorten to a brief ease and styles change at once.
    bool m_reduceMotion = false;
    StyleTransition m_style;
};

}  // namespace brimly
