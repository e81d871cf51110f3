#include "app/cli/cli.h"
#include "app/cli/commands.h"

namespace lumenor::cli {

const std::vector<Command>& commands() {
    static const std::vector<Command> list = {
        {"displays", "[--json [--watch]]", "list the attached displays", runDisplays},
        {"play",
         "tone|pink [--channels both|left|right] [--invert] [--seconds N] | click|beep "
         "[--count N] [--interval S]",
         "play a test signal or the sync markers", runPlay},
    };
    return list;
}

}  // namespace lumenor::cli
