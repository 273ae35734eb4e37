// The desktops' session-bus services (the idle watcher's inhibitions, GNOME's idle monitor, KDE
// Plasma's and the portal's screenshots) live in a module of their own, vorlip-bus.so, loaded on
// first use. The bus library maps eight more libraries, about a megabyte of resident memory, into
// every process that links it, which a show on sway or X11 never uses: the saver maps them only
// where a desktop service is asked for.
//
// The module sits at VORLIP_BUS_MODULE, a path relative to the program's own file, the same in
// the build tree as where it is installed; it is only ever loaded from there, beside the program
// it was built with.
#pragma once

#include <chrono>
#include <string>

#include "shell/posix/idle_source.hpp"
#include "shell/posix/session_bus.hpp"
#include "shell/wayland/desktop_bus.hpp"

namespace vorlip {

// What the module offers: each service's connection, owned by the caller; nullptr with the
// reason in `why` where the service is not there.
struct BusModule {
    posix::SessionBus* (*session_bus)(std::string& why);
    posix::IdleSource* (*gnome_idle_source)(std::chrono::milliseconds timeout, bool& alone,
                                            std::string& why);
    DesktopBus* (*desktop_bus)(std::string& why);
};

// The module's table, loaded the first time it is asked for; nullptr, with the reason in `why`,
// where the module is missing or the program was built without D-Bus.
const BusModule* bus_module(std::string& why);

}  // namespace vorlip

// The one name the module exports.
extern "C" const vorlip::BusModule* vorlip_bus_module();
