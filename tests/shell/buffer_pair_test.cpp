#include "shell/wayland/buffer_pair.hpp"

#include <gtest/gtest.h>

#include <string>

namespace vorlip {
namespace {

// A buffer that only knows whether it was made and whether the compositor holds it.
struct CountedBuffer {
    bool exists = false;
    bool busy = false;
    Damage stale;
    bool made() const { return exists; }
    void drop() { exists = busy = false; }
};

// Each step: 'p' draws a frame and sends it (the buffer it went into is then held), 'rK' the
// compositor releases buffer K. The strings say which buffer each frame went into and which
// buffers were brought up to date on the way; the count how many buffers were made in all.
TEST(BufferPair, ASecondBufferOnlyWhileTheFirstIsHeldAndNothingMoreAfterIt) {
    struct Case {
        const char* steps;
        const char* used;
        const char* brought;
        int made;
    };
    const Case cases[] = {
        {"p r0 p r0 p r0 p", "0000", "", 1},       // released in time: one buffer for ever
        {"p p r0 p r1 p", "0101", "101", 2},       // held: the other, brought up each time
        {"p p p p r1 p", "01111", "1", 2},         // both held: the last one again, nothing made
        {"p r0 p p r0 r1 p p", "00110", "10", 2},  // the last drawn stays while it is free
    };
    for (const Case& c : cases) {
        BufferPair<CountedBuffer> pair;
        int made = 0;
        std::string used, brought;
        const std::string steps = c.steps;
        for (std::size_t at = 0; at < steps.size(); ++at) {
            if (steps[at] == 'p') {
                CountedBuffer* b = pair.next(
                    [&](CountedBuffer& fresh) {
                        ++made;
                        return fresh.exists = true;
                    },
                    [&](CountedBuffer& to, CountedBuffer&) {
                        brought += &to == &pair[0] ? '0' : '1';
                    });
                ASSERT_NE(b, nullptr) << c.steps;
                used += b == &pair[0] ? '0' : '1';
                b->busy = true;
            } else if (steps[at] == 'r') {
                pair[steps[++at] - '0'].busy = false;
            }
        }
        EXPECT_EQ(used, c.used) << c.steps;
        EXPECT_EQ(brought, c.brought) << c.steps;
        EXPECT_EQ(made, c.made) << c.steps;
    }
}

TEST(BufferPair, WhatAFrameChangedIsStaleOnlyInTheOtherBuffer) {
    BufferPair<CountedBuffer> pair;
    const auto make = [](CountedBuffer& b) { return b.exists = true; };
    const auto bring = [](CountedBuffer&, CountedBuffer&) {};
    pair.next(make, bring)->busy = true;
    pair.next(make, bring);  // the second, made while the first is held
    Damage d;
    d.add({1, 2, 3, 4});
    pair.drawn(d);
    EXPECT_FALSE(pair[0].stale.rects().empty());
    EXPECT_TRUE(pair[1].stale.rects().empty());
}

}  // namespace
}  // namespace vorlip
