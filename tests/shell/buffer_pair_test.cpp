#include "shell/wayland/buffer_pair.hpp"

#include <gtest/gtest.h>

#include <string>

namespace vorlip {
namespace {

// A buffer that only counts how often one was made.
struct CountedBuffer {
    bool exists = false;
    bool busy = false;
    Damage stale;
    bool made() const { return exists; }
    void drop() { exists = busy = false; }
};

// Each step: 'p' presents a frame (the buffer it goes into is then held), 'r0'/'r1' the
// compositor releases that buffer. The string says which buffer each present used ('-' for
// none: both held) and how many buffers were made in all.
TEST(BufferPair, SecondBufferOnlyWhileTheFirstIsHeld) {
    struct Case {
        const char* steps;
        const char* used;
        int made;
    };
    const Case cases[] = {
        {"p r0 p r0 p r0 p", "0000", 1},     // released in time: one buffer for ever
        {"p p r0 p r1 p", "0101", 2},        // held: the second, then they alternate
        {"p p p p r1 p", "01--1", 2},        // both held: frames wait, nothing more is made
        {"p r0 p p r0 r1 p p", "00101", 2},  // the first free one is taken
    };
    for (const Case& c : cases) {
        BufferPair<CountedBuffer> pair;
        int made = 0;
        std::string used;
        const std::string steps = c.steps;
        for (std::size_t at = 0; at < steps.size(); ++at) {
            if (steps[at] == 'p') {
                CountedBuffer* b = pair.free([&](CountedBuffer& fresh) {
                    ++made;
                    return fresh.exists = true;
                });
                if (!b) {
                    used += '-';
                    continue;
                }
                used += b == &pair[0] ? '0' : '1';
                b->busy = true;
            } else if (steps[at] == 'r') {
                pair[steps[++at] - '0'].busy = false;
            }
        }
        EXPECT_EQ(used, c.used) << c.steps;
        EXPECT_EQ(made, c.made) << c.steps;
    }
}

TEST(BufferPair, ChangesReachOnlyTheBuffersMade) {
    BufferPair<CountedBuffer> pair;
    pair.free([](CountedBuffer& b) { return b.exists = true; });
    Damage d;
    d.add({1, 2, 3, 4});
    pair.changed(d);
    EXPECT_FALSE(pair[0].stale.rects().empty());
    EXPECT_TRUE(pair[1].stale.rects().empty());
}

}  // namespace
}  // namespace vorlip
