#include "shell/posix/session_bus.hpp"

#include <sdbus-c++/sdbus-c++.h>

#include <cstdint>
#include <vector>

#include "shell/idle_watch.hpp"

namespace vorlip::posix {

namespace {

constexpr char kScreenSaver[] = "org.freedesktop.ScreenSaver";
// Programs call it on either path.
const char* const kScreenSaverPaths[] = {"/org/freedesktop/ScreenSaver", "/ScreenSaver"};
// A desktop that answers for the inhibitions itself is asked this long at most.
constexpr auto kDesktopPatience = std::chrono::milliseconds(500);
// GNOME's session manager: inhibited from going idle.
constexpr std::uint32_t kGnomeInhibitIdle = 8;

class Bus final : public SessionBus {
  public:
    explicit Bus(std::unique_ptr<sdbus::IConnection> c) : connection_(std::move(c)) {
        try {
            connection_->requestName(kScreenSaver);
            serve();
        } catch (const sdbus::Error&) {
            // The desktop answers for it: ask it before each show.
            objects_.clear();
            names_.reset();
            serving_ = false;
        }
    }

    std::string role() const override {
        return serving_ ? "answering for org.freedesktop.ScreenSaver: a program's Inhibit holds "
                          "the show off"
                        : "org.freedesktop.ScreenSaver is the desktop's: asking it before each "
                          "show";
    }
    int fd() const override { return connection_->getEventLoopPollData().fd; }

    std::optional<std::chrono::milliseconds> prepare() override {
        const auto poll = connection_->getEventLoopPollData();
        if (poll.timeout_usec == UINT64_MAX) return std::nullopt;
        return std::chrono::milliseconds((poll.timeout_usec + 999) / 1000);
    }

    bool dispatch() override {
        try {
            while (connection_->processPendingRequest()) {
            }
            return true;
        } catch (const sdbus::Error&) {
            return false;
        }
    }

    bool held() override { return inhibitions_.any(); }
    // Asked even where the inhibitions are kept here: a player that knows the desktop asks it.
    bool desktop_holds() override { return desktop_inhibits(); }

    bool take_activity() override {
        const bool was = activity_;
        activity_ = false;
        return was;
    }

    void set_active(bool active) override {
        if (active == active_) return;
        active_ = active;
        if (!serving_) return;
        try {
            for (auto& o : objects_)
                o->emitSignal("ActiveChanged").onInterface(kScreenSaver).withArguments(active);
        } catch (const sdbus::Error&) {
            // Nobody is told: the next GetActive answers all the same.
        }
    }

  private:
    void serve() {
        for (const char* path : kScreenSaverPaths) {
            auto o = sdbus::createObject(*connection_, path);
            sdbus::IObject* self = o.get();
            o->registerMethod("Inhibit")
                .onInterface(kScreenSaver)
                .withInputParamNames("application_name", "reason_for_inhibit")
                .withOutputParamNames("cookie")
                .implementedAs([this, self](const std::string&, const std::string&) {
                    return inhibitions_.add(sender(*self));
                });
            o->registerMethod("UnInhibit")
                .onInterface(kScreenSaver)
                .withInputParamNames("cookie")
                .implementedAs([this](std::uint32_t cookie) { inhibitions_.remove(cookie); });
            o->registerMethod("GetActive")
                .onInterface(kScreenSaver)
                .withOutputParamNames("active")
                .implementedAs([this] { return active_; });
            o->registerMethod("SimulateUserActivity")
                .onInterface(kScreenSaver)
                .implementedAs([this] { activity_ = true; });
            o->registerSignal("ActiveChanged").onInterface(kScreenSaver).withParameters<bool>();
            o->finishRegistration();
            objects_.push_back(std::move(o));
        }
        // A program's inhibitions go when it does.
        names_ = sdbus::createProxy(*connection_, "org.freedesktop.DBus", "/org/freedesktop/DBus");
        names_->uponSignal("NameOwnerChanged")
            .onInterface("org.freedesktop.DBus")
            .call([this](const std::string& name, const std::string&, const std::string& now) {
                if (now.empty()) inhibitions_.owner_gone(name);
            });
        names_->finishRegistration();
        serving_ = true;
    }

    static std::string sender(const sdbus::IObject& o) {
        const sdbus::Message* m = o.getCurrentlyProcessedMessage();
        return m ? m->getSender() : std::string();
    }

    // Whether the desktop's own session manager or power manager says a program holds the idle
    // off. A desktop without either holds nothing.
    bool desktop_inhibits() {
        const auto ask = [&](const char* service, const char* path, const char* interface,
                             const char* method, auto... args) {
            try {
                auto proxy = sdbus::createProxy(*connection_, service, path);
                bool inhibited = false;
                proxy->callMethod(method)
                    .onInterface(interface)
                    .withArguments(args...)
                    .withTimeout(kDesktopPatience)
                    .storeResultsTo(inhibited);
                return inhibited;
            } catch (const sdbus::Error&) {
                return false;
            }
        };
        return ask("org.gnome.SessionManager", "/org/gnome/SessionManager",
                   "org.gnome.SessionManager", "IsInhibited", kGnomeInhibitIdle) ||
               ask("org.freedesktop.PowerManagement.Inhibit",
                   "/org/freedesktop/PowerManagement/Inhibit",
                   "org.freedesktop.PowerManagement.Inhibit", "HasInhibit");
    }

    std::unique_ptr<sdbus::IConnection> connection_;
    std::vector<std::unique_ptr<sdbus::IObject> > objects_;
    std::unique_ptr<sdbus::IProxy> names_;
    Inhibitions inhibitions_;
    bool serving_ = false;
    bool active_ = false;
    bool activity_ = false;
};

}  // namespace

SessionBus* connect_session_bus(std::string& why) {
    try {
        return new Bus(sdbus::createSessionBusConnection());
    } catch (const sdbus::Error& e) {
        why = "no session bus (" + e.getMessage() + ")";
        return nullptr;
    }
}

}  // namespace vorlip::posix
