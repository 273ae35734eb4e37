// The idle watcher's reckoning, free of any display or bus: when the show starts, who holds it
// off, and how long the X server's idle time leaves to wait. The watcher's loop feeds it what its
// idle source, its bus service and its child tell, and starts the show when it says so.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

namespace vorlip {

using IdleMillis = std::chrono::milliseconds;

// The programs that hold the show off through org.freedesktop.ScreenSaver.Inhibit (a video
// playing), each by the cookie it was given and the bus name that asked.
class Inhibitions {
  public:
    // A new inhibition for `owner`; its cookie, never 0 and never one still held.
    std::uint32_t add(const std::string& owner);
    // Releases the cookie; whether it was held.
    bool remove(std::uint32_t cookie);
    // A bus name went: whatever it held goes with it.
    void owner_gone(const std::string& owner);
    bool any() const { return !held_.empty(); }

  private:
    struct Held {
        std::uint32_t cookie;
        std::string owner;
    };
    std::vector<Held> held_;
    std::uint32_t next_ = 1;
};

// The watcher's turns: counting towards the timeout, then the show, then counting again from the
// show's end. The show starts once the source says the user has been idle for the timeout and
// nothing holds it off; an inhibition that goes while the user is still idle lets it start then.
class IdleWatch {
  public:
    enum class State { counting, showing };

    State state() const { return state_; }
    // The idle source's word: idle for the timeout (true), or input came (false).
    void set_idle(bool idle) { idle_ = idle; }
    // Whether anything holds the show off.
    void set_held(bool held) { held_ = held; }
    // Whether to start the show now.
    bool due() const { return state_ == State::counting && idle_ && !held_; }
    void show_started() { state_ = State::showing; }
    // The show ended: the count starts again from here, whatever the source last said.
    void show_ended() {
        state_ = State::counting;
        idle_ = false;
    }

  private:
    State state_ = State::counting;
    bool idle_ = false;
    bool held_ = false;
};

// How long until the user can have been idle for `timeout`, given the server's idle time and the
// time since the count last started again (a show's end, simulated activity): zero when that is
// now. Nothing can be idle for longer than the count has run.
IdleMillis until_idle(IdleMillis server_idle, IdleMillis since_restart, IdleMillis timeout);

}  // namespace vorlip
