#include <gtest/gtest.h>

#include "displays/xrandr_connection.h"
#include "support/xorg_testbed.h"

namespace lumenor {
namespace {

// On a real Wayland desktop the command-line tests list the one real mode, refuse to set it,
// leave out the made-up sizes and count no refreshes. Here the clue that needs no such desktop:
// Xwayland 22.1 without its extension, whatever it names its outputs, marks them as emulated.
class OnXorg : public test::XServerTest {};

TEST_F(OnXorg, AnOutputMarkedAsEmulatedGivesXwaylandAway) {
    for (const int marked : {0, 1}) {
        ASSERT_TRUE(x().setOutputInteger("DUMMY0", "RANDR Emulation", marked));
        QString error;
        const auto c = XrandrConnection::open(x().displayName().toLocal8Bit().constData(), &error);
        ASSERT_TRUE(c != nullptr) << error.toStdString();
        EXPECT_EQ(c->isXwayland(), marked == 1);
    }
}

}  // namespace
}  // namespace lumenor
