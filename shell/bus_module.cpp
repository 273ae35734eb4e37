// Loading the bus module, and the services' openers the rest of the program calls.
#include "shell/bus_module.hpp"

#include <dlfcn.h>

#include <filesystem>
#include <memory>

#include "shell/posix/gnome_idle.hpp"

namespace vorlip {

const BusModule* bus_module(std::string& why) {
#ifndef VORLIP_BUS_MODULE
    why = "built without D-Bus";
    return nullptr;
#else
    // The program's own file, through any link it was started by (xscreensaver's hack is one).
    std::error_code failed;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", failed);
    if (failed) {
        why = "cannot find the program's own file (" + failed.message() + ")";
        return nullptr;
    }
    const std::string path = (self.parent_path() / VORLIP_BUS_MODULE).lexically_normal().string();
    // Loaded once: a second dlopen of the same file hands back the same module.
    void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!module) {
        why = std::string("no bus module (") + dlerror() + ")";
        return nullptr;
    }
    using Entry = const BusModule* (*)();
    const auto entry = reinterpret_cast<Entry>(dlsym(module, "vorlip_bus_module"));
    if (!entry) {
        why = "the bus module " + path + " is not vorlip's";
        return nullptr;
    }
    return entry();
#endif
}

namespace posix {

std::unique_ptr<SessionBus> open_session_bus(std::string& why) {
    const BusModule* module = bus_module(why);
    return std::unique_ptr<SessionBus>(module ? module->session_bus(why) : nullptr);
}

std::unique_ptr<IdleSource> open_gnome_idle_source(std::chrono::milliseconds timeout, bool& alone,
                                                   std::string& why) {
    const BusModule* module = bus_module(why);
    return std::unique_ptr<IdleSource>(module ? module->gnome_idle_source(timeout, alone, why)
                                              : nullptr);
}

}  // namespace posix

std::unique_ptr<DesktopBus> open_desktop_bus(std::string& why) {
    const BusModule* module = bus_module(why);
    return std::unique_ptr<DesktopBus>(module ? module->desktop_bus(why) : nullptr);
}

}  // namespace vorlip
