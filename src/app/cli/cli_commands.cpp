#include "app/cli/cli.h"
#include "app/cli/commands.h"

namespace lumenor::cli {

const std::vector<Command>& commands() {
    static const std::vector<Command> list = {
        {"displays", "[--json [--watch]]", "list the attached displays", runDisplays},
        {"identify", "[--seconds S]", "show a numbered card on every display (default 3 s)",
         runIdentify},
        {"modes", "DISPLAY [--json]", "list the modes of one display", runModes},
        {"set-mode", "DISPLAY MODE [--seconds N] [--keep]",
         "try a mode on a display, kept with Enter, reverted after N seconds (default 15)",
         runSetMode},
        {"play",
         "tone|pink [--channels both|left|right] [--invert] [--seconds N] | click|beep "
         "[--count N] [--interval S]",
         "play a test signal or the sync markers", runPlay},
        {"render",
         "PATTERN [--size WxH] [--scale S] [--time T] [--aspect LIST] [--bounce-period S] "
         "[--timecode-fps N] [--slate-text TEXT] [--slate-image FILE] [--range full|limited] "
         "[--depth 8|16] [-o FILE]",
         "draw one frame of a pattern into a PNG", runRender},
        {"show",
         "PATTERN [--display ID] [--mirror] [--info] [--seconds N] [--av-offset MS] "
         "[--range full|limited] [--remote [--remote-address ADDRESS]]",
         "show a pattern full screen and print the frame meter's reports; --remote lets a "
         "phone drive it",
         runShow},
        {"calibrate",
         "resolve HOST[:PORT] | argyll URL [--display ID] [--window PERCENT] [--background L] "
         "[--insert-every S --insert-for S [--insert-grey L]]",
         "show the colour patches a calibration program asks for, one line per patch, until "
         "it ends the session",
         runCalibrate},
    };
    return list;
}

}  // namespace lumenor::cli
