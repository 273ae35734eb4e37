#include "shell/posix/gnome_idle.hpp"

#include <sdbus-c++/sdbus-c++.h>

#include <cstdint>

namespace vorlip::posix {

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

    // Mutter's idle watches count from the last input, not from their making. Still idle past
    // the timeout (a show that ended without input, a desktop that held it off), the count goes
    // on to one timeout past the idle time now, by a watch of its own that goes at the next
    // input. The idle time itself is left alone: the desktop's own blanking and locking go by it.
    void restart() override {
        idle_ = false;
        drop(later_watch_);
        try {
            std::uint64_t now = 0;
            monitor_->callMethod("GetIdletime").onInterface(kMonitor).storeResultsTo(now);
            if (now < timeout_) return;  // the idle watch comes in time
            monitor_->callMethod("AddIdleWatch")
                .onInterface(kMonitor)
                .withArguments(now + timeout_)
                .storeResultsTo(later_watch_);
            watch_input();
        } catch (const sdbus::Error&) {
            // Nothing more to go by than the next input.
        }
    }

  private:
    void fired(std::uint32_t id) {
        if (id == 0) return;
        if (id == idle_watch_ || id == later_watch_) {
            idle_ = true;
            if (id == later_watch_) drop(later_watch_);
            watch_input();
        } else if (id == active_watch_) {
            idle_ = false;
            active_watch_ = 0;  // it fires once
            drop(later_watch_);
        }
    }

    void watch_input() {
        if (active_watch_ != 0) return;
        try {
            monitor_->callMethod("AddUserActiveWatch")
                .onInterface(kMonitor)
                .storeResultsTo(active_watch_);
        } catch (const sdbus::Error&) {
            active_watch_ = 0;
        }
    }

    void drop(std::uint32_t& watch) {
        if (watch == 0) return;
        try {
            monitor_->callMethod("RemoveWatch").onInterface(kMonitor).withArguments(watch);
        } catch (const sdbus::Error&) {
            // Gone already.
        }
        watch = 0;
    }

    std::unique_ptr<sdbus::IConnection> connection_;
    std::unique_ptr<sdbus::IProxy> monitor_;
    std::unique_ptr<sdbus::IProxy> names_;
    std::uint64_t timeout_;
    std::uint32_t idle_watch_ = 0;
    std::uint32_t active_watch_ = 0;
    std::uint32_t later_watch_ = 0;
    bool idle_ = false;
    bool gone_ = false;
};

}  // namespace

IdleSource* connect_gnome_idle_source(milliseconds timeout, bool& alone, std::string& why) {
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
        return new MutterSource(std::move(connection), timeout);
    } catch (const sdbus::Error& e) {
        why = "no session bus (" + e.getMessage() + ")";
        return nullptr;
    }
}

}  // namespace vorlip::posix
