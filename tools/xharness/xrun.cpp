// vorlip-xrun: runs one command on a private Xvfb display of the given size, the way the
// end-to-end tests and the benchmarks get theirs, and ends with the command's status.
//
// usage: vorlip-xrun WxH COMMAND [ARG...]
#include <signal.h>

#include <cstdio>
#include <string>
#include <vector>

#include "tools/xharness/xharness.hpp"

namespace {

volatile sig_atomic_t g_stop = 0;

extern "C" void on_stop(int sig) {
    g_stop = sig;
}

}  // namespace

int main(int argc, char** argv) {
    int width = 0, height = 0;
    if (argc < 3 || std::sscanf(argv[1], "%dx%d", &width, &height) != 2 || width < 1 ||
        height < 1) {
        std::fprintf(stderr, "usage: vorlip-xrun WxH COMMAND [ARG...]\n");
        return 2;
    }
    const vorlip::e2e::Xvfb server(width, height);
    if (!server.running()) {
        std::fprintf(stderr, "vorlip-xrun: cannot start Xvfb\n");
        return 2;
    }
    // Stopped from outside (a test's time limit): the command is told, and the display goes
    // with this process.
    struct sigaction sa {};
    sa.sa_handler = on_stop;
    sigemptyset(&sa.sa_mask);
    for (int sig : {SIGTERM, SIGINT, SIGHUP}) sigaction(sig, &sa, nullptr);

    vorlip::e2e::Child command(std::vector<std::string>(argv + 2, argv + argc), server.display(),
                               -1, true);
    if (!command.started()) {
        std::fprintf(stderr, "vorlip-xrun: cannot run %s\n", argv[2]);
        return 2;
    }
    for (;;) {
        if (const auto status = command.wait(std::chrono::milliseconds(100))) return *status;
        if (g_stop) {
            command.signal(SIGTERM);
            const auto status = command.wait(std::chrono::milliseconds(30000));
            return status ? *status : 128 + int(g_stop);
        }
    }
}
