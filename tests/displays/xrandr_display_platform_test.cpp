#include <gtest/gtest.h>

#include <QThread>

#include "displays/display_service.h"
#include "displays/xrandr_display_platform.h"
#include "support/wait.h"
#include "support/xorg_testbed.h"

namespace lumenor {
namespace {

using test::XServerTest;

class XrandrDisplayTest : public XServerTest {
  protected:
    std::unique_ptr<DisplayService> makeService() {
        QString error;
        auto c = XrandrConnection::open(x().displayName().toLocal8Bit().constData(), &error);
        EXPECT_TRUE(c != nullptr) << error.toStdString();
        if (!c) {
            return nullptr;
        }
        return std::make_unique<DisplayService>(
            std::make_unique<XrandrDisplayPlatform>(std::move(c)));
    }
};

// The refresh rate comes from the modeline, not a rounded figure.
TEST_F(XrandrDisplayTest, ListsActiveHeadsWithNamesModesAndSizesOrSaysWhyNot) {
    ASSERT_TRUE(x().setMode("DUMMY0", "1920x1080_59.94"));
    ASSERT_TRUE(x().plug("DUMMY1", "1280x720_60"));
    ASSERT_TRUE(x().setPhysicalSize("DUMMY1", 527, 296));
    ASSERT_TRUE(x().setEdidName("DUMMY1", "Studio 27"));
    auto service = makeService();
    ASSERT_TRUE(service);
    service->refresh();
    const auto& list = service->displays();
    ASSERT_EQ(list.size(), 2u);

    EXPECT_EQ(list[0].id, x().outputId("DUMMY0"));
    EXPECT_EQ(list[0].name, "DUMMY0");
    EXPECT_FALSE(list[0].isBuiltin);
    EXPECT_EQ(list[0].currentMode.pixelWidth, 1920);
    EXPECT_EQ(list[0].currentMode.pixelHeight, 1080);
    EXPECT_NEAR(list[0].currentMode.refreshHz, 148350000.0 / (2200.0 * 1125.0), 1e-9);

    EXPECT_EQ(list[1].id, x().outputId("DUMMY1"));
    EXPECT_EQ(list[1].name, "Studio 27");
    EXPECT_EQ(list[1].currentMode.pixelWidth, 1280);
    EXPECT_EQ(list[1].currentMode.pixelHeight, 720);
    EXPECT_NEAR(list[1].currentMode.refreshHz, 74250000.0 / (1650.0 * 750.0), 1e-9);
    EXPECT_DOUBLE_EQ(list[1].physicalSizeMM.width, 527);
    EXPECT_DOUBLE_EQ(list[1].physicalSizeMM.height, 296);

    // No server gives a reason, not a crash.
    QString error;
    EXPECT_EQ(XrandrConnection::open(":9999", &error), nullptr);
    EXPECT_TRUE(error.contains(":9999")) << error.toStdString();
}

TEST_F(XrandrDisplayTest, PlugModeChangeUnplugAndANewEdidEachNotify) {
    auto service = makeService();
    ASSERT_TRUE(service);
    std::vector<std::vector<DisplayInfo>> reports;
    service->onChange = [&](const std::vector<DisplayInfo>& l) { reports.push_back(l); };
    service->start();
    ASSERT_EQ(reports.size(), 1u);
    ASSERT_EQ(reports[0].size(), 1u);

    ASSERT_TRUE(x().plug("DUMMY2", "1920x1080_50"));
    ASSERT_TRUE(test::spinUntil([&] { return service->displays().size() == 2; }));
    EXPECT_NEAR(service->displays()[1].currentMode.refreshHz, 50.0, 1e-9);

    const std::size_t before = reports.size();
    ASSERT_TRUE(x().setMode("DUMMY2", "1280x720_60"));
    ASSERT_TRUE(test::spinUntil([&] {
        return service->displays().size() == 2 &&
               service->displays()[1].currentMode.pixelWidth == 1280;
    }));
    EXPECT_GT(reports.size(), before);

    ASSERT_TRUE(x().unplug("DUMMY2"));
    ASSERT_TRUE(test::spinUntil([&] { return service->displays().size() == 1; }));
    EXPECT_EQ(reports.back().size(), 1u);
    EXPECT_EQ(reports.back()[0].id, x().outputId("DUMMY0"));

    ASSERT_TRUE(x().setEdidName("DUMMY0", "Bench Panel"));
    EXPECT_TRUE(test::spinUntil([&] { return service->displays().at(0).name == "Bench Panel"; }));
}

// The change notice of an unplug can be read off the socket by a lookup's answer; the list
// is rebuilt all the same.
TEST_F(XrandrDisplayTest, AnUnplugReadWhileAnsweringALookupStillRebuildsTheList) {
    ASSERT_TRUE(x().plug("DUMMY1", "1280x720_60"));
    auto service = makeService();
    ASSERT_TRUE(service);
    std::vector<std::size_t> sizes;
    service->onChange = [&](const std::vector<DisplayInfo>& list) { sizes.push_back(list.size()); };
    service->start();
    test::spinUntil([] { return false; }, 300);
    ASSERT_EQ(sizes.back(), 2u);

    ASSERT_TRUE(x().unplug("DUMMY1"));
    QThread::msleep(200);  // the notice is waiting on our connection
    (void)service->screenForDisplay(0);
    EXPECT_TRUE(test::spinUntil([&] { return sizes.back() == 1u; }, 2000));
}

}  // namespace
}  // namespace lumenor
