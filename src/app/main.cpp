#include "app/cli/cli.h"

int main(int argc, char** argv) {
    return lumenor::cli::run(argc, argv);
}
