// onboarding_record_writer DIR loop
//     saves two large acceptances into DIR/agreement.json by turns until it is killed, printing
//     "saved" after each.
// onboarding_record_writer DIR save VERSION [--as-nobody]
//     saves one acceptance, printing "saved" or "not saved", then the version it loads back
//     ("none" when nothing loads). --as-nobody first drops root to user and group 65534.
#include <grp.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

#include "onboarding/agreement_store.h"

constexpr int kBigVersionLength = 512 * 1024;

int main(int argc, char** argv) {
    const char* command = argc >= 3 ? argv[2] : "";
    const QString dir = QString::fromLocal8Bit(argc >= 2 ? argv[1] : "");
    if (std::strcmp(command, "loop") == 0) {
        lumenor::FileAgreementStore store(dir);
        const QString a(kBigVersionLength, QLatin1Char('A'));
        const QString b(kBigVersionLength, QLatin1Char('B'));
        for (std::int64_t i = 0;; ++i) {
            if (store.save({i % 2 == 0 ? a : b, i})) {
                std::puts("saved");
                std::fflush(stdout);
            }
        }
    }
    if (std::strcmp(command, "save") == 0 && argc >= 4) {
        if (argc >= 5 && std::strcmp(argv[4], "--as-nobody") == 0 && ::geteuid() == 0 &&
            (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0)) {
            std::fprintf(stderr, "cannot drop root\n");
            return 3;
        }
        lumenor::FileAgreementStore store(dir);
        const bool saved = store.save({QString::fromLocal8Bit(argv[3]), 1});
        const auto loaded = store.load();
        std::printf("%s\n%s\n", saved ? "saved" : "not saved",
                    loaded ? loaded->version.toLocal8Bit().constData() : "none");
        return 0;
    }
    std::fprintf(stderr, "usage: %s DIR loop | DIR save VERSION [--as-nobody]\n", argv[0]);
    return 2;
}
