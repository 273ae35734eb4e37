#include <iostream>
#include <new>
#include <string>
#include <vector>

#include "tools/sim.hpp"

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    vorlip::SimOptions opts;
    std::string error;
    bool help = false;
    if (!vorlip::parse_sim_args(args, opts, error, help)) {
        std::cerr << "vorlip-sim: " << error << "\n" << vorlip::kSimUsage;
        return vorlip::kSimBadOption;
    }
    if (help) {
        std::cout << vorlip::kSimUsage;
        return 0;
    }
    try {
        return vorlip::run_sim(opts, std::cout, std::cerr);
    } catch (const std::bad_alloc&) {
        // A screen of up to 16384 x 16384 takes several GiB: a limited machine says no.
        std::cerr << "vorlip-sim: not enough memory for the screen's buffers\n";
        return vorlip::kSimNoMemory;
    }
}
