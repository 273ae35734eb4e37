#include "shell/posix/gnome_idle.hpp"

#ifdef VORLIP_HAVE_DBUS
#include <sdbus-c++/sdbus-c++.h>

#include <cstdint>
#endif

namespace vorlip::posix {

#ifndef VORLIP_HAVE_DBUS

std::unique_ptr<IdleSource> open_gnome_idle_source(std::chrono::milliseconds, bool&,
                                                   std::string& why) {
    why = "built without D-Bus";
    return nullptr;
}

#else

namespace {

using std::chrono::milliseconds;

constexpr char kMonitor[] = "org.gnome.Mutter.IdleMonitor";
constexpr char kMonitorPath[] = "/org/gnome/Mutter/IdleMonitor/Core";
// The name the session's watcher holds.
constexpr char kWatcherName[] = "org.vorlip.IdleWatcher";

class MutterSource final : public IdleSource {
  public:
    MutterSource(std::unique_ptr<sdbus::IConnection> c, milliseconds timeout)
        : connection_(std::move(c)), timeout_(std::uint64_t(timeout.count())) {
        monitor_ = sdbus::createProxy(*connection_, kMonitor, kMonitorPath);
        monitor_->uponSignal("WatchFired").onInterface(kMonitor).call([this](std::uint32_t id) {
            fired(id);
        });
        monitor_->finishRegistration();
        // The shell going is the session's end, even where its bus stays a moment longer.
        names_ = sdbus::createProxy(*connection_, "org.freedesktop.DBus", "/org/freedesktop/DBus");
        names_->uponSignal("NameOwnerChanged")
            .onInterface("org.freedesktop.DBus")
            .call([this](const std::string& name, const std::string&, const std::string& now) {
                if (name == kMonitor && now.empty()) gone_ = true;
            });
        names_->finishRegistration();
        monitor_->callMethod("AddIdleWatch")
            .onInterface(kMonitor)
            .withArguments(timeout_)
            .storeResultsTo(idle_watch_);
    }

    const char* name() const override { return "org.gnome.Mutter.IdleMonitor"; }
    int fd() const override { return connection_->getEventLoopPollData().fd; }

    std::optional<milliseconds> prepare() override {
        const auto poll = connection_->getEventLoopPollData();
        if (poll.timeout_usec == UINT64_MAX) return std::nullopt;
        return milliseconds((poll.timeout_usec + 999) / 1000);
    }

    bool dispatch(bool) override {
        try {
            while (connection_->processPendingRequest()) {
            }
            return !gone_;
        } catch (const sdbus::Error&) {
            return false;  // the session bus went, and the session with it
        }
    }

    bool idle() override { return idle_; }

    // Mutter's idle watches count from the last input, not from their making: the idle time is
    // set back to nothing instead, which it takes as input.
    void restart() override {
        idle_ = false;
        try {
            monitor_->callMethod("ResetIdletime").onInterface(kMonitor);
        } catch (const sdbus::Error&) {
            // An older Mutter: the next input starts the count.
        }
    }

  private:
    void fired(std::uint32_t id) {
        if (id == idle_watch_) {
            idle_ = true;
            // One-shot: it fires at the next input.
            try {
                monitor_->callMethod("AddUserActiveWatch")
                    .onInterface(kMonitor)
                    .storeResultsTo(active_watch_);
            } catch (const sdbus::Error&) {
                active_watch_ = 0;
            }
        } else if (id == active_watch_ && id != 0) {
            idle_ = false;
            active_watch_ = 0;
        }
    }

    std::unique_ptr<sdbus::IConnection> connection_;
    std::unique_ptr<sdbus::IProxy> monitor_;
    std::unique_ptr<sdbus::IProxy> names_;
    std::uint64_t timeout_;
    std::uint32_t idle_watch_ = 0;
    std::uint32_t active_watch_ = 0;
    bool idle_ = false;
    bool gone_ = false;
};

}  // namespace

std::unique_ptr<IdleSource> open_gnome_idle_source(milliseconds timeout, bool& alone,
                                                   std::string& why) {
    try {
        auto connection = sdbus::createSessionBusConnection();
        auto bus = sdbus::createProxy(*connection, "org.freedesktop.DBus", "/org/freedesktop/DBus");
        bool there = false;
        bus->callMethod("NameHasOwner")
            .onInterface("org.freedesktop.DBus")
            .withArguments(std::string(kMonitor))
            .storeResultsTo(there);
        if (!there) {
            why = std::string("nobody answers for ") + kMonitor + " on the session bus";
            return nullptr;
        }
        try {
            connection->requestName(kWatcherName);
            alone = true;
        } catch (const sdbus::Error&) {
            alone = false;
        }
        return std::make_unique<MutterSource>(std::move(connection), timeout);
    } catch (const sdbus::Error& e) {
        why = "no session bus (" + e.getMessage() + ")";
        return nullptr;
    }
}

#endif

}  // namespace vorlip::posix
