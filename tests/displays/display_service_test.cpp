#include <gtest/gtest.h>

#include "displays/display_service.h"
#include "displays/edid.h"
#include "displays/fake_display_platform.h"
#include "support/mode_info.h"
#include "support/xorg_testbed.h"

namespace lumenor {
namespace {

ModeInfo mode(std::int32_t id, std::int64_t w, std::int64_t h, double hz) {
    ModeInfo m = test::mode(id, w, h, hz);
    // A platform may hand back marks of its own; the service must not keep them.
    m.isCurrent = false;
    m.isNative = true;
    return m;
}

// Stand-ins for Qt screen objects: only compared, never used.
QScreen* screenAt(std::uintptr_t n) {
    return reinterpret_cast<QScreen*>(n * 16);
}

class DisplayServiceTest : public ::testing::Test {
  protected:
    DisplayServiceTest() {
        auto platform = std::make_unique<FakeDisplayPlatform>();
        fake = platform.get();
        service = std::make_unique<DisplayService>(std::move(platform));
        service->onChange = [this](const std::vector<DisplayInfo>& list) {
            reports.push_back(list);
        };
    }

    FakeDisplayPlatform* fake = nullptr;
    std::unique_ptr<DisplayService> service;
    std::vector<std::vector<DisplayInfo>> reports;
};

// Until it starts and once it is gone, the service observes nothing.
TEST_F(DisplayServiceTest, EveryNotificationRebuildsAndReportsOnceEvenWhenEmptyOrFailing) {
    const std::shared_ptr<FakeDisplayPlatform::Observers> observers = fake->observers;
    EXPECT_EQ(observers->count(), 0u);
    service->start();
    EXPECT_EQ(observers->count(), 1u);
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_TRUE(reports[0].empty());

    fake->displays.push_back({7, mode(1, 1920, 1080, 60), false, {}});
    fake->notifyChange();
    fake->notifyChange();
    ASSERT_EQ(reports.size(), 3u);
    EXPECT_EQ(reports[2].size(), 1u);
    EXPECT_EQ(fake->activeListQueries, 3);

    fake->failListQuery = true;
    fake->notifyChange();
    ASSERT_EQ(reports.size(), 4u);
    EXPECT_TRUE(reports[3].empty());
    EXPECT_TRUE(service->displays().empty());

    service.reset();
    EXPECT_EQ(observers->count(), 0u);
    observers->notify();
    EXPECT_EQ(reports.size(), 4u);
}

// A display without a current mode is left out and the others keep their order, the platform's
// own marks on their modes dropped.
TEST_F(DisplayServiceTest, NamesAndScreensComeFromTheFirstMatchingScreenElseFallBack) {
    fake->displays = {{1, mode(1, 1920, 1080, 60), true, {300, 200}},
                      {4294967295u, mode(2, 1920, 1080, 60), false, {}},
                      {10, std::nullopt, false, {}},
                      {5, mode(3, 1920, 1080, 60), false, {}},
                      {6, mode(4, 1920, 1080, 60), false, {}},
                      {8, mode(5, 1920, 1080, 60), true, {}}};
    fake->screenList = {{screenAt(1), std::nullopt, "No number", "DP-9"},
                        {screenAt(2), 5u, "Studio 27", "DP-1"},
                        {screenAt(3), 6u, "Studio 27", "DP-2"},
                        {screenAt(4), 8u, "Built-in Retina", "eDP-1"},
                        {screenAt(5), 5u, "Second match is ignored", "DP-3"}};
    service->refresh();
    const auto& list = service->displays();
    ASSERT_EQ(list.size(), 5u);
    EXPECT_EQ(list[0].name, "Built-in Display");
    EXPECT_EQ(list[1].name, "Display 4294967295");
    EXPECT_EQ(list[2].name, "Studio 27");
    EXPECT_EQ(list[3].name, "Studio 27");
    EXPECT_EQ(list[4].name, "Built-in Retina");
    EXPECT_EQ(list[0].connector, "");
    EXPECT_EQ(list[2].connector, "DP-1");
    EXPECT_EQ(list[3].connector, "DP-2");
    EXPECT_TRUE(list[0].isBuiltin);
    EXPECT_DOUBLE_EQ(list[0].physicalSizeMM.width, 300);
    EXPECT_DOUBLE_EQ(list[0].physicalSizeMM.height, 200);
    for (const DisplayInfo& d : list) {
        EXPECT_TRUE(d.currentMode.isCurrent);
        EXPECT_FALSE(d.currentMode.isNative);
    }

    EXPECT_EQ(service->screenForDisplay(5), screenAt(2));
    EXPECT_EQ(service->screenForDisplay(7), nullptr);
    EXPECT_EQ(service->displayIdForScreen(screenAt(5)), 5u);
    EXPECT_EQ(service->displayIdForScreen(screenAt(1)), std::nullopt);
    EXPECT_EQ(service->displayIdForScreen(screenAt(9)), std::nullopt);
    EXPECT_EQ(service->displayIdForScreen(nullptr), std::nullopt);
}

TEST(Edid, MonitorNameIsReadFromItsDescriptorButNotFromShortBadOrNamelessBlocks) {
    const QByteArray good = test::XorgTestbed::edidWithName("Studio 27");
    EXPECT_EQ(edidMonitorName(good), "Studio 27");
    // Thirteen characters fill the descriptor with no terminator.
    EXPECT_EQ(edidMonitorName(test::XorgTestbed::edidWithName("ABCDEFGHIJKLM")), "ABCDEFGHIJKLM");
    // The name may sit in any of the four descriptors.
    QByteArray moved = test::XorgTestbed::edidWithName("Far Away");
    const QByteArray name = moved.mid(54, 18);
    moved.replace(54, 18, moved.mid(108, 18));
    moved.replace(108, 18, name);
    EXPECT_EQ(edidMonitorName(moved), "Far Away");

    const auto with = [&](int at, char byte) { return QByteArray(good).replace(at, 1, &byte, 1); };
    // Short, empty, a bad header, an unspecified-text descriptor, a detailed timing (its bytes
    // are no text), a blank name.
    for (const QByteArray& edid :
         {good.left(127), QByteArray(), with(1, 0), with(54 + 3, static_cast<char>(0xFE)),
          with(54, 0x3A), test::XorgTestbed::edidWithName("   ")}) {
        EXPECT_EQ(edidMonitorName(edid), std::nullopt) << edid.toHex().toStdString();
    }
}

// The monitor's name first; a built-in panel's connector says so, others are named by it.
TEST(Edid, ScreenNamesFallBackToBuiltinThenConnector) {
    const QByteArray named = test::XorgTestbed::edidWithName("Studio 27");
    for (const auto& [connector, edid, name] : {std::tuple{"eDP-1", named, "Studio 27"},
                                                {"eDP-1", QByteArray(), "Built-in Display"},
                                                {"LVDS1", QByteArray(), "Built-in Display"},
                                                {"DSI-1", QByteArray(), "Built-in Display"},
                                                {"HDMI-A-1", QByteArray(), "HDMI-A-1"},
                                                {"DP-2", QByteArray(), "DP-2"}}) {
        EXPECT_EQ(screenNameForOutput(connector, edid), name) << connector;
    }
}

}  // namespace
}  // namespace lumenor
