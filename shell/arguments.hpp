// The process's argument string, as each platform hands it to the saver's mode switch.
#pragma once

#include <string>

namespace vorlip {

// The argument string of a command line: the arguments after the program name, joined with
// single spaces.
inline std::string join_arguments(int argc, const char* const* argv) {
    std::string joined;
    for (int k = 1; k < argc; ++k) {
        if (k > 1) joined += ' ';
        joined += argv[k];
    }
    return joined;
}

}  // namespace vorlip
