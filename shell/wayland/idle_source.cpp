#include "shell/wayland/idle_source.hpp"

#include <unistd.h>
#include <wayland-client.h>

#include <cstdint>
#include <cstring>

#include "ext-idle-notify-v1-client-protocol.h"
#include "kde-idle-client-protocol.h"
#include "shell/wayland/display_lock.hpp"

namespace vorlip {

namespace {

using std::chrono::milliseconds;

class CompositorSource final : public posix::IdleSource {
  public:
    CompositorSource(wl_display* display, milliseconds timeout)
        : display_(display), timeout_(std::uint32_t(timeout.count())) {}

    ~CompositorSource() override {
        forget();
        if (ext_) ext_idle_notifier_v1_destroy(ext_);
        if (kde_) org_kde_kwin_idle_destroy(kde_);
        if (seat_) wl_seat_destroy(seat_);
        if (registry_) wl_registry_destroy(registry_);
        if (lock_fd_ >= 0) close(lock_fd_);
        wl_display_disconnect(display_);
    }

    // Finds the seat and the idle protocol; false when either is missing.
    bool find_globals() {
        registry_ = wl_display_get_registry(display_);
        wl_registry_add_listener(registry_, &kRegistryListener, this);
        if (wl_display_roundtrip(display_) < 0) return false;
        if (!seat_ || (!ext_ && !kde_)) return false;
        watch();
        return wl_display_roundtrip(display_) >= 0;
    }

    const char* name() const override { return ext_ ? "ext-idle-notify" : "org_kde_kwin_idle"; }
    int fd() const override { return wl_display_get_fd(display_); }

    std::optional<milliseconds> prepare() override {
        wl_display_dispatch_pending(display_);
        wl_display_flush(display_);
        return std::nullopt;
    }

    bool dispatch(bool readable) override {
        if (readable && wl_display_dispatch(display_) < 0) return false;
        return wl_display_dispatch_pending(display_) >= 0;
    }

    bool idle() override { return idle_; }

    // A new notification counts from its making.
    void restart() override {
        forget();
        watch();
        wl_display_flush(display_);
    }

    bool claim() {
        bool held = false;
        lock_fd_ = take_display_lock(LockKind::idle, fd(), held);
        return !held;
    }

  private:
    void watch() {
        idle_ = false;
        if (ext_) {
            notification_ = ext_idle_notifier_v1_get_idle_notification(ext_, timeout_, seat_);
            ext_idle_notification_v1_add_listener(notification_, &kExtListener, this);
        } else {
            kde_timeout_ = org_kde_kwin_idle_get_idle_timeout(kde_, seat_, timeout_);
            org_kde_kwin_idle_timeout_add_listener(kde_timeout_, &kKdeListener, this);
        }
    }

    void forget() {
        if (notification_) ext_idle_notification_v1_destroy(notification_);
        if (kde_timeout_) org_kde_kwin_idle_timeout_release(kde_timeout_);
        notification_ = nullptr;
        kde_timeout_ = nullptr;
    }

    static void on_global(void* data, wl_registry* registry, std::uint32_t name,
                          const char* interface, std::uint32_t) {
        auto* self = static_cast<CompositorSource*>(data);
        if (!self->seat_ && std::strcmp(interface, wl_seat_interface.name) == 0) {
            self->seat_ =
                static_cast<wl_seat*>(wl_registry_bind(registry, name, &wl_seat_interface, 1));
        } else if (std::strcmp(interface, ext_idle_notifier_v1_interface.name) == 0) {
            self->ext_ = static_cast<ext_idle_notifier_v1*>(
                wl_registry_bind(registry, name, &ext_idle_notifier_v1_interface, 1));
        } else if (std::strcmp(interface, org_kde_kwin_idle_interface.name) == 0) {
            self->kde_ = static_cast<org_kde_kwin_idle*>(
                wl_registry_bind(registry, name, &org_kde_kwin_idle_interface, 1));
        }
    }
    static void on_global_remove(void*, wl_registry*, std::uint32_t) {}
    static constexpr wl_registry_listener kRegistryListener{.global = on_global,
                                                            .global_remove = on_global_remove};

    static void on_idle(void* data, auto*) { static_cast<CompositorSource*>(data)->idle_ = true; }
    static void on_resumed(void* data, auto*) {
        static_cast<CompositorSource*>(data)->idle_ = false;
    }
    static constexpr ext_idle_notification_v1_listener kExtListener{
        .idled = on_idle<ext_idle_notification_v1>,
        .resumed = on_resumed<ext_idle_notification_v1>};
    static constexpr org_kde_kwin_idle_timeout_listener kKdeListener{
        .idle = on_idle<org_kde_kwin_idle_timeout>,
        .resumed = on_resumed<org_kde_kwin_idle_timeout>};

    wl_display* display_;
    std::uint32_t timeout_;
    wl_registry* registry_ = nullptr;
    wl_seat* seat_ = nullptr;
    ext_idle_notifier_v1* ext_ = nullptr;
    org_kde_kwin_idle* kde_ = nullptr;
    ext_idle_notification_v1* notification_ = nullptr;
    org_kde_kwin_idle_timeout* kde_timeout_ = nullptr;
    bool idle_ = false;
    int lock_fd_ = -1;
};

}  // namespace

std::unique_ptr<posix::IdleSource> open_wayland_idle_source(milliseconds timeout,
                                                            std::string& why) {
    wl_display* display = wl_display_connect(nullptr);
    if (!display) {
        why = "no Wayland compositor";
        return nullptr;
    }
    auto source = std::make_unique<CompositorSource>(display, timeout);
    if (!source->find_globals()) {
        why = "the compositor offers neither ext-idle-notify nor org_kde_kwin_idle with a seat";
        return nullptr;
    }
    return source;
}

bool claim_wayland_idle_watcher(posix::IdleSource& source) {
    return static_cast<CompositorSource&>(source).claim();
}

}  // namespace vorlip
