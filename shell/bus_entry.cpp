// The bus module's one export: the table of the services it holds.
#include "shell/bus_module.hpp"
#include "shell/posix/gnome_idle.hpp"

namespace {

constexpr vorlip::BusModule kServices{&vorlip::posix::connect_session_bus,
                                      &vorlip::posix::connect_gnome_idle_source,
                                      &vorlip::connect_desktop_bus};

}  // namespace

extern "C" __attribute__((visibility("default"))) const vorlip::BusModule* vorlip_bus_module() {
    return &kServices;
}
