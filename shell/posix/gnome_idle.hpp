// The idle watcher's source on GNOME: Mutter's idle monitor on the session bus, whose watches
// live as long as the watcher's connection. The session bus is GNOME's session, so a bus name of
// the watcher's own keeps one watcher per display there.
#pragma once

#include <chrono>
#include <memory>
#include <string>

#include "shell/posix/idle_source.hpp"

namespace vorlip::posix {

// Nothing (with `why` set) without a session bus, or where nobody answers for
// org.gnome.Mutter.IdleMonitor. `alone` tells whether this is the session's only watcher.
std::unique_ptr<IdleSource> open_gnome_idle_source(std::chrono::milliseconds timeout, bool& alone,
                                                   std::string& why);
// The same inside the bus module (shell/bus_module.hpp); the caller owns what it gives.
IdleSource* connect_gnome_idle_source(std::chrono::milliseconds timeout, bool& alone,
                                      std::string& why);

}  // namespace vorlip::posix
