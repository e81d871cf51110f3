#include "app/cli/cli.h"
#include "app/cli/commands.h"

namespace lumenor::cli {

const std::vector<Command>& commands() {
    static const std::vector<Command> list = {
        {"displays", "[--json [--watch]]", "list the attached displays", runDisplays},
    };
    return list;
}

}  // namespace lumenor::cli
