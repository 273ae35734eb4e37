#include "shell/idle_watch.hpp"

#include <algorithm>

namespace vorlip {

std::uint32_t Inhibitions::add(const std::string& owner) {
    const auto taken = [&](std::uint32_t c) {
        return std::any_of(held_.begin(), held_.end(),
                           [&](const Held& h) { return h.cookie == c; });
    };
    // Cookies wrap after four billion inhibitions; 0 is never one, nor one still held.
    while (next_ == 0 || taken(next_)) ++next_;
    held_.push_back({next_, owner});
    return next_++;
}

bool Inhibitions::remove(std::uint32_t cookie) {
    const auto gone = std::remove_if(held_.begin(), held_.end(),
                                     [&](const Held& h) { return h.cookie == cookie; });
    const bool found = gone != held_.end();
    held_.erase(gone, held_.end());
    return found;
}

void Inhibitions::owner_gone(const std::string& owner) {
    held_.erase(
        std::remove_if(held_.begin(), held_.end(), [&](const Held& h) { return h.owner == owner; }),
        held_.end());
}

IdleMillis until_idle(IdleMillis server_idle, IdleMillis since_restart, IdleMillis timeout) {
    const IdleMillis idle = std::max(IdleMillis(0), std::min(server_idle, since_restart));
    return idle >= timeout ? IdleMillis(0) : timeout - idle;
}

}  // namespace vorlip
