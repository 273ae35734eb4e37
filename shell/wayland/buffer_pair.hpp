// The pair of buffers a show's frames alternate between on Wayland, apart from what a buffer is
// made of, so that the rule can be checked without a compositor.
#pragma once

#include "scene/damage.hpp"

namespace vorlip {

// The two buffers a show's frames go up in. The compositor holds a buffer from its attach until
// it releases it, and a held buffer must not be written: a frame goes into a free one, and a
// second buffer is made only while the compositor holds the first, so a compositor that releases
// in time keeps the show at one buffer. Once both exist nothing more is made: with both held,
// a frame waits in the show's picture and goes up with the next.
template <class Buffer>
class BufferPair {
  public:
    Buffer& operator[](int k) { return slots_[k]; }

    // Marks `where` stale in every buffer made: each is brought up to date when next used.
    void changed(const Damage& where) {
        for (Buffer& b : slots_)
            if (b.made()) b.stale.add(where);
    }
    // The buffer the next frame goes into, made by `make(buffer)` if it has to be; null when
    // both are held (or making one failed).
    template <class Make>
    Buffer* free(Make&& make) {
        for (Buffer& b : slots_)
            if (b.made() && !b.busy) return &b;
        for (Buffer& b : slots_)
            if (!b.made()) return make(b) ? &b : nullptr;
        return nullptr;
    }
    void drop() {
        for (Buffer& b : slots_) b.drop();
    }

  private:
    Buffer slots_[2];
};

}  // namespace vorlip
