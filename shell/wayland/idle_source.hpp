// The idle watcher's source on a Wayland compositor: ext-idle-notify, else org_kde_kwin_idle, on
// a connection of its own that needs nothing but a seat and one of the two (no layer shell), and
// the lock file that keeps one watcher per display.
#pragma once

#include <chrono>
#include <memory>
#include <string>

#include "shell/posix/idle_source.hpp"

namespace vorlip {

// Connects to the compositor $WAYLAND_DISPLAY names; nothing (with `why` set) when there is none
// or it offers neither protocol or no seat.
std::unique_ptr<posix::IdleSource> open_wayland_idle_source(std::chrono::milliseconds timeout,
                                                            std::string& why);

// Whether this is the display's only watcher: it holds the display's idle lock from here on.
// `source` is one open_wayland_idle_source made.
bool claim_wayland_idle_watcher(posix::IdleSource& source);

}  // namespace vorlip
