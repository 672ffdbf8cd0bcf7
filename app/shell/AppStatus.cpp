#include "app/shell/AppStatus.h"

namespace brimly {

namespace {
Json optionalText(const std::optional<std::string>& text) { return text ? Json(*text) : Json(nullptr); }
}  // namespace

Json AppStatus::json() const {
    return Json{
        {"version", version},
        {"pid", pid},
        {"unread", unread},
        {"itemsShown", itemsShown},
        {"claudeFound", claudeFound},
        {"hotkey",
         {{"shortcut", shortcut},
          {"registered", hotkeyRegistered},
          {"error", optionalText(hotkeyError)},
          {"presses", hotkeyPresses}}},
        {"launchAtLogin", {{"enabled", launchAtLogin}, {"error", optionalText(launchAtLoginError)}}},
        {"tray", {{"available", trayAvailable}, {"shown", trayShown}}},
        {"folders", folders},
        {"problems", problems},
        {"menu", menu},
        {"firstSnapshotAfter", firstSnapshotAfter ? Json(*firstSnapshotAfter) : Json(nullptr)},
        {"engineGeneration", engineGeneration},
        {"drawer", drawer},
        {"windows", {{"settings", settingsShown}, {"welcome", welcomeShown}}},
    };
}

std::string AppStatus::text() const {
    std::string out = "Brimly " + version + " (process " + std::to_string(pid) + ")\n";
    out += "Shelf: " + std::to_string(itemsShown) + " shown, " + std::to_string(unread) + " new";
    out += claudeFound ? "\n" : " (no Claude Code folder found)\n";
    out += "Shortcut: " + shortcut;
    if (hotkeyError) {
        out += " — not active: " + *hotkeyError;
    } else if (hotkeyRegistered) {
        out += " (pressed " + std::to_string(hotkeyPresses) + " times)";
    }
    out += "\nTray icon: ";
    out += !trayShown ? "hidden in the settings" : trayAvailable ? "shown" : "no tray on this desktop";
    out += "\nLaunch at login: ";
    out += launchAtLogin ? "on" : "off";
    if (launchAtLoginError) out += " — " + *launchAtLoginError;
    out += "\n";
    for (const auto& folder : folders) out += "Following " + folder + "\n";
    for (const auto& problem : problems) out += "Problem: " + problem + "\n";
    return out;
}

}  // namespace brimly
