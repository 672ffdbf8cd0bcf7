#include <gtest/gtest.h>

#include <QApplication>

// Widget tests need one application object for the whole program. They run on the offscreen platform unless
// the environment chose another (test discovery runs the program without the tests' environment).
int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
