#include <gtest/gtest.h>

#include "displays/display_service.h"
#include "displays/fake_display_platform.h"
#include "support/mode_info.h"

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

TEST_F(DisplayServiceTest, EveryNotificationRebuildsAndReportsOnceEvenWhenEmptyOrFailing) {
    service->start();
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
}

TEST_F(DisplayServiceTest, DisplayWithoutCurrentModeIsLeftOutOthersKeepOrder) {
    fake->displays = {{30, mode(1, 1920, 1080, 60), false, {}},
                      {10, std::nullopt, false, {}},
                      {20, mode(2, 1280, 720, 50), true, {300, 200}}};
    service->refresh();
    const auto& list = service->displays();
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].id, 30u);
    EXPECT_EQ(list[1].id, 20u);
    EXPECT_TRUE(list[1].isBuiltin);
    EXPECT_DOUBLE_EQ(list[1].physicalSizeMM.width, 300);
    EXPECT_DOUBLE_EQ(list[1].physicalSizeMM.height, 200);
    for (const DisplayInfo& d : list) {
        EXPECT_TRUE(d.currentMode.isCurrent);
        EXPECT_FALSE(d.currentMode.isNative);
    }
}

TEST_F(DisplayServiceTest, NamesAndScreensComeFromTheFirstMatchingScreenElseFallBack) {
    fake->displays = {{1, mode(1, 1920, 1080, 60), true, {}},
                      {4294967295u, mode(2, 1920, 1080, 60), false, {}},
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

    EXPECT_EQ(service->screenForDisplay(5), screenAt(2));
    EXPECT_EQ(service->screenForDisplay(7), nullptr);
    EXPECT_EQ(service->displayIdForScreen(screenAt(5)), 5u);
    EXPECT_EQ(service->displayIdForScreen(screenAt(1)), std::nullopt);
    EXPECT_EQ(service->displayIdForScreen(screenAt(9)), std::nullopt);
    EXPECT_EQ(service->displayIdForScreen(nullptr), std::nullopt);
}

TEST(DisplayServiceLifetime, DestroyedServiceLeavesNoObserver) {
    auto platform = std::make_unique<FakeDisplayPlatform>();
    std::shared_ptr<FakeDisplayPlatform::Observers> observers = platform->observers;
    int calls = 0;
    auto service = std::make_unique<DisplayService>(std::move(platform));
    service->onChange = [&](const std::vector<DisplayInfo>&) { ++calls; };
    EXPECT_EQ(observers->count(), 0u);
    service->start();
    EXPECT_EQ(observers->count(), 1u);
    observers->notify();
    EXPECT_EQ(calls, 2);

    service.reset();
    EXPECT_EQ(observers->count(), 0u);
    observers->notify();
    EXPECT_EQ(calls, 2);
}

}  // namespace
}  // namespace lumenor
