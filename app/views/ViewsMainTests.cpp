#include <gtest/gtest.h>

#include <QApplication>

// Widgets need an application object; the tests run on the offscreen platform.
int main(int argc, char** argv) {
    QApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
