#pragma once

#include <QApplication>
#include <QWidget>
#include <string>

namespace brimly::testing {

// One application for the whole test program, on the offscreen platform unless the environment chose one.
inline QApplication& testApplication() {
    static int argc = 1;
    static char name[] = "brimly_settings_tests";
    static char* argv[] = {name, nullptr};
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    static auto* application = new QApplication(argc, argv);
    return *application;
}

template <typename Widget>
Widget* child(const QWidget& parent, const std::string& name) {
    return parent.findChild<Widget*>(QString::fromStdString(name));
}

}  // namespace brimly::testing
