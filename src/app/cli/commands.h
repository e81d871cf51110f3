#pragma once

namespace lumenor::cli {

int runDisplays(int argc, char** argv);

}  // namespace lumenor::cli
