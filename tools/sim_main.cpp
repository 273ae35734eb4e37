#include <iostream>
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
    return vorlip::run_sim(opts, std::cout, std::cerr);
}
