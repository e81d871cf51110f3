#include "e2e_fixture.h"

namespace lumenor::test {
namespace {

class E2eProfiles : public LumenorE2E {};

TEST_F(E2eProfiles, ASavedProfileLoadedAfterARestartRestoresTheSetUp) {
    launch();
    // Output on DUMMY1, the aspect frames 16:9 and 4:3 only, a slate text.
    ASSERT_TRUE(click(displayItem("DUMMY1") + " .tally"));
    ASSERT_TRUE(click(".pattern[data-pattern=\"aspect\"]"));
    ASSERT_TRUE(waitForPattern("aspect"));
    ASSERT_TRUE(click("#aspect-chips .chip[data-ratio=\"21:9\"]"));
    ASSERT_TRUE(click("#aspect-chips .chip[data-ratio=\"16:10\"]"));
    ASSERT_TRUE(onElement("#slate-text",
                          "el.value = 'Stage left, take 2'; "
                          "el.dispatchEvent(new Event('change'))"));
    ASSERT_TRUE(onElement("#profile-name",
                          "el.value = 'Hall A'; "
                          "el.dispatchEvent(new Event('input'))"));
    ASSERT_TRUE(onElement("#profile-form", "el.requestSubmit()"));
    ASSERT_TRUE(waitForElement("#profile-list", "el.textContent.includes('Hall A')"));
    ASSERT_TRUE(closeController());

    launch();
    ASSERT_TRUE(waitForElement("#profile-list .profile", "el.textContent.includes('Hall A')"));
    ASSERT_TRUE(waitForPattern("calibration")) << "a new launch starts from the defaults";
    ASSERT_TRUE(click("#profile-list .profile .btn"));
    EXPECT_TRUE(waitForPattern("aspect"));
    EXPECT_TRUE(waitForElement(displayItem("DUMMY1"), "el.classList.contains('is-output')"));
    EXPECT_TRUE(waitForElement(
        "#aspect-chips",
        "[...el.querySelectorAll('.chip[aria-pressed=\"true\"]')].map((c) => c.dataset.ratio)"
        ".join() === '16:9,4:3'"));

    // On the output display, as the renderer draws them: the frames, then the slate text.
    ASSERT_TRUE(click("#output-toggle"));
    EXPECT_EQ(
        settle(kHead1, renderedWith(QStringList{"aspect", "--aspect", "16:9,4:3"}, kHead1.size())),
        0);
    ASSERT_TRUE(click(".pattern[data-pattern=\"slate\"]"));
    EXPECT_EQ(
        settle(kHead1, renderedWith(QStringList{"slate", "--slate-text", "Stage left, take 2"},
                                    kHead1.size())),
        0);
}

TEST_F(E2eProfiles, TheSyncOffsetIsHeldToASecondAndOutlastsARestart) {
    launch();
    ASSERT_TRUE(waitForElement("#sync-offset", "el.value === '0'"));
    ASSERT_TRUE(onElement("#sync-offset",
                          "el.value = '2500'; "
                          "el.dispatchEvent(new Event('change'))"));
    ASSERT_TRUE(waitForElement("#sync-offset", "el.value === '1000'"));
    ASSERT_TRUE(onElement("#sync-offset",
                          "el.value = '-35'; "
                          "el.dispatchEvent(new Event('change'))"));
    ASSERT_TRUE(waitForElement("#sync-offset", "el.value === '-35'"));
    ASSERT_TRUE(closeController());

    launch();
    EXPECT_TRUE(waitForElement("#sync-offset", "el.value === '-35'"));
}

}  // namespace
}  // namespace lumenor::test
