#include <gtest/gtest.h>

#include "displays/display_modes.h"
#include "displays/present_refresh_link.h"
#include "displays/revert_coordinator.h"
#include "displays/xrandr_display_platform.h"
#include "displays/xrandr_mode_platform.h"
#include "support/process.h"
#include "support/weston_testbed.h"
#include "support/xorg_testbed.h"

namespace lumenor {
namespace {

std::unique_ptr<XrandrConnection> connect(const QString& display) {
    QString error;
    auto c = XrandrConnection::open(display.toLocal8Bit().constData(), &error);
    EXPECT_TRUE(c != nullptr) << error.toStdString();
    return c;
}

std::unique_ptr<XrandrModePlatform> modePlatform(const QString& display) {
    auto c = connect(display);
    return c ? std::make_unique<XrandrModePlatform>(std::move(c), test::lumenorBinary(),
                                                    QStringList{"__mode-guardian"})
             : nullptr;
}

bool followsDisplayClock(const QString& display) {
    PresentRefreshLinkFactory links(display.toLocal8Bit());
    const std::unique_ptr<RefreshLink> link = links.create(std::nullopt, [](const auto&) {});
    EXPECT_TRUE(link != nullptr);
    return link && link->followsDisplayClock();
}

class OnWaylandDesktop : public test::WaylandDesktopTest {
  protected:
    static QString display() { return desktop().displayName(); }
};

TEST_F(OnWaylandDesktop, IsDetectedAndNeitherSizesNorTimingAreTakenFromIt) {
    const auto c = connect(display());
    ASSERT_TRUE(c != nullptr);
    EXPECT_TRUE(c->isXwayland());

    XrandrDisplayPlatform displays(connect(display()));
    EXPECT_TRUE(displays.seenThroughXwayland());
    const auto ids = displays.activeDisplays();
    ASSERT_TRUE(ids.has_value());
    ASSERT_EQ(ids->size(), 1u);
    // Xwayland gives the output as many millimetres as pixels.
    EXPECT_EQ(displays.physicalSizeMM(ids->front()).width, 0.0);

    EXPECT_FALSE(followsDisplayClock(display()));
}

TEST_F(OnWaylandDesktop, OffersOnlyTheRealModeAndSetsNothing) {
    XrandrDisplayPlatform displays(connect(display()));
    const DisplayId id = displays.activeDisplays().value().front();
    const auto platform = modePlatform(display());
    ASSERT_TRUE(platform != nullptr);
    EXPECT_EQ(platform->modeChangeRefusal(), modesFixedOnWaylandDesktop());

    const std::vector<ModeInfo> modes = modesForDisplay(*platform, id);
    ASSERT_EQ(modes.size(), 1u);
    EXPECT_EQ(modes[0].pixelWidth, 1920);
    EXPECT_EQ(modes[0].pixelHeight, 1080);
    EXPECT_TRUE(modes[0].isCurrent);
    EXPECT_TRUE(modes[0].isNative);

    EXPECT_FALSE(applyDisplayMode(*platform, id, modes[0], ConfigureScope::forAppOnly));
    RevertCoordinator revert(*platform);
    std::vector<bool> resolved;
    int counts = 0;
    revert.onResolved = [&](bool kept) { resolved.push_back(kept); };
    revert.onCountdown = [&](int) { ++counts; };
    revert.begin(modes[0], displays.currentMode(id), id, 15);
    EXPECT_EQ(resolved, std::vector<bool>{false});
    EXPECT_EQ(counts, 0);
    EXPECT_FALSE(revert.trialRunning());
    EXPECT_FALSE(platform->guardian().running());
}

class OnXorg : public test::XServerTest {};

// Xwayland 22.1 without its extension, whatever it names its outputs, gives itself away by an
// output marked as emulated.
TEST_F(OnXorg, IsNotTakenForXwaylandUnlessAnOutputIsMarkedAsEmulated) {
    ASSERT_TRUE(x().setOutputInteger("DUMMY0", "RANDR Emulation", 0));
    const auto c = connect(x().displayName());
    ASSERT_TRUE(c != nullptr);
    EXPECT_FALSE(c->isXwayland());
    EXPECT_FALSE(XrandrDisplayPlatform(connect(x().displayName())).seenThroughXwayland());
    const auto platform = modePlatform(x().displayName());
    ASSERT_TRUE(platform != nullptr);
    EXPECT_EQ(platform->modeChangeRefusal(), std::nullopt);
    EXPECT_GT(modesForDisplay(*platform, static_cast<DisplayId>(x().outputId("DUMMY0"))).size(),
              1u);
    EXPECT_TRUE(followsDisplayClock(x().displayName()));

    ASSERT_TRUE(x().setOutputInteger("DUMMY0", "RANDR Emulation", 1));
    const auto marked = connect(x().displayName());
    ASSERT_TRUE(marked != nullptr);
    EXPECT_TRUE(marked->isXwayland());
}

}  // namespace
}  // namespace lumenor
