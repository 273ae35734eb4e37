// The idle watcher's loop: it waits on the idle source, the session bus, the end signals and the
// show, and starts the show (the same program with /s, a process of its own, so that a show that
// fails never takes the watcher down) whenever the watch says it is due.
#pragma once

#include <string>

#include "shell/posix/idle_source.hpp"
#include "shell/posix/session_bus.hpp"

namespace vorlip::posix {

// The program to start the show with: this very program.
std::string own_program(const char* argv0);

// Runs until the session ends (the source's connection goes) or an end signal comes, ending a
// running show first; the exit status, 0 both ways. `bus` may be null.
int run_idle_loop(IdleSource& source, SessionBus* bus, const std::string& program);

}  // namespace vorlip::posix
