#include <gtest/gtest.h>

#include <QApplication>

#include <cstdlib>

// Tests draw with Qt but show nothing: the offscreen platform needs no display server.
int main(int argc, char** argv) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
