#include "app/cli/cli.h"
#include "app/cli/commands.h"

namespace lumenor::cli {

const std::vector<Command>& commands() {
    static const std::vector<Command> list = {
        {"displays", "[--json [--watch]]", "list the attached displays", runDisplays},
        {"render",
         "PATTERN [--size WxH] [--scale S] [--time T] [--aspect LIST] [--bounce-period S] "
         "[--timecode-fps N] [--slate-text TEXT] [--slate-image FILE] [-o FILE]",
         "draw one frame of a pattern into a PNG", runRender},
    };
    return list;
}

}  // namespace lumenor::cli
