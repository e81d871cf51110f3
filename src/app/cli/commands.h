#pragma once

namespace lumenor::cli {

int runDisplays(int argc, char** argv);
int runRender(int argc, char** argv);

}  // namespace lumenor::cli
