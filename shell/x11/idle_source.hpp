// The idle watcher's source on an X display: the MIT-SCREEN-SAVER extension's idle time, looked
// at no more often than the timeout needs, and an X selection that keeps one watcher per display.
#pragma once

#include <chrono>
#include <memory>
#include <string>

#include "shell/posix/idle_source.hpp"

namespace vorlip::x11 {

// Opens $DISPLAY; nothing (with `why` set) when there is none or it lacks the extension.
std::unique_ptr<posix::IdleSource> open_idle_source(std::chrono::milliseconds timeout,
                                                    std::string& why);

// Whether this is the display's only watcher: it owns the display's watcher selection from
// here on, until its connection goes. `source` is one open_idle_source made.
bool claim_idle_watcher(posix::IdleSource& source);

}  // namespace vorlip::x11
