// The pair of buffers a show's frames are drawn into on Wayland, apart from what a buffer is made
// of, so that the rule can be checked without a compositor.
#pragma once

#include "scene/damage.hpp"

namespace vorlip {

// Each frame is drawn straight into the buffer that then goes to the compositor, which holds a
// buffer from its attach until it releases it; a held buffer should not be written. So the next
// frame goes into the buffer drawn last while the compositor has let go of it (a compositor that
// releases in time keeps the show at one buffer); else into the other one, made on first need and
// first brought up to the last frame by copying what changed since it was last drawn. Once both
// exist nothing more is made. Should the compositor hold both, the frame goes into the one drawn
// last again: a frame that may show half-drawn for a moment rather than none at all.
template <class Buffer>
class BufferPair {
  public:
    Buffer& operator[](int k) { return slots_[k]; }
    // The buffer drawn last (and so the one that holds the last frame).
    Buffer& current() { return slots_[current_]; }

    // The buffer the next frame is drawn into: `make(buffer)` makes one (false if it could not),
    // `bring(to, from)` copies `to.stale` from the last frame's buffer. Null only when not even
    // the first buffer could be made.
    template <class Make, class Bring>
    Buffer* next(Make&& make, Bring&& bring) {
        Buffer& last = slots_[current_];
        if (!last.made()) return make(last) ? &last : nullptr;
        if (!last.busy) return &last;
        Buffer& other = slots_[1 - current_];
        if (!other.made() && !make(other)) return &last;
        if (other.busy) return &last;
        bring(other, last);
        other.stale.clear();
        current_ = 1 - current_;
        return &other;
    }
    // A frame drawn into the current buffer changed `where`: the other one lacks it.
    void drawn(const Damage& where) {
        Buffer& other = slots_[1 - current_];
        if (other.made()) other.stale.add(where);
    }
    void drop() {
        for (Buffer& b : slots_) b.drop();
        current_ = 0;
    }

  private:
    Buffer slots_[2];
    int current_ = 0;
};

}  // namespace vorlip
