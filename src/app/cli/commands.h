#pragma once

namespace lumenor::cli {

int runDisplays(int argc, char** argv);
int runIdentify(int argc, char** argv);
int runModes(int argc, char** argv);
int runSetMode(int argc, char** argv);
int runPlay(int argc, char** argv);
int runRender(int argc, char** argv);
int runShow(int argc, char** argv);
int runCalibrate(int argc, char** argv);

}  // namespace lumenor::cli
