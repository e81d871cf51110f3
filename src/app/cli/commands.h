#pragma once

namespace lumenor::cli {

int runDisplays(int argc, char** argv);
int runPlay(int argc, char** argv);

}  // namespace lumenor::cli
