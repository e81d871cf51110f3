#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QScreen>

#include <cstdlib>

#include "displays/display_service.h"
#include "displays/xrandr_display_platform.h"
#include "support/xorg_testbed.h"

namespace lumenor {
namespace {

using test::XServerTest;

class QtScreens : public XServerTest {};

// Qt's screens and RandR outputs are matched both ways, and names come from RandR even
// where Qt would call the screen by its connector.
TEST_F(QtScreens, ScreensMapToOutputIdsBothWays) {
    ASSERT_TRUE(x().plug("DUMMY1", "1280x720_60"));
    ASSERT_TRUE(x().setEdidName("DUMMY1", "Studio 27"));
    ::setenv("DISPLAY", x().displayName().toLocal8Bit().constData(), 1);
    ::setenv("QT_QPA_PLATFORM", "xcb", 1);
    int argc = 1;
    char name[] = "test";
    char* argv[] = {name, nullptr};
    QGuiApplication app(argc, argv);
    ASSERT_EQ(QGuiApplication::screens().size(), 2);

    QString error;
    auto connection = XrandrConnection::open(nullptr, &error);
    ASSERT_TRUE(connection) << error.toStdString();
    DisplayService service(std::make_unique<XrandrDisplayPlatform>(std::move(connection)));
    service.refresh();
    ASSERT_EQ(service.displays().size(), 2u);

    for (const DisplayInfo& d : service.displays()) {
        QScreen* screen = service.screenForDisplay(d.id);
        ASSERT_NE(screen, nullptr) << d.name.toStdString();
        EXPECT_EQ(service.displayIdForScreen(screen), d.id);
        EXPECT_EQ(screen->geometry().width(), d.currentMode.pointWidth);
    }
    const DisplayInfo& second = service.displays()[1];
    EXPECT_EQ(second.name, "Studio 27");
    EXPECT_EQ(service.screenForDisplay(second.id)->name(), "DUMMY1");
    EXPECT_EQ(service.screenForDisplay(x().outputId("DUMMY5")), nullptr);
}

}  // namespace
}  // namespace lumenor
