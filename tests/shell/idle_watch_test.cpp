// The idle watcher's reckoning: inhibitions by cookie and owner, and the wait the X server's
// idle time leaves. The show's turns are the end-to-end tests' (tests/e2e/idle_test.cpp).
#include "shell/idle_watch.hpp"

#include <gtest/gtest.h>

#include <set>

namespace vorlip {
namespace {

TEST(Inhibitions, HeldUntilReleasedOrTheOwnerGoes) {
    Inhibitions in;
    const std::uint32_t a = in.add(":1.5");
    const std::uint32_t b = in.add(":1.5");
    const std::uint32_t c = in.add(":1.7");
    EXPECT_EQ(std::set<std::uint32_t>({a, b, c}).size(), 3u);
    EXPECT_NE(a, 0u);
    EXPECT_FALSE(in.remove(12345));  // a cookie never given
    in.owner_gone(":1.5");           // both of its cookies go
    EXPECT_TRUE(in.any());
    EXPECT_FALSE(in.remove(a));
    EXPECT_TRUE(in.remove(c));
    EXPECT_FALSE(in.remove(c));  // released twice
    EXPECT_FALSE(in.any());
}

TEST(UntilIdle, TheShorterCountDecides) {
    using ms = IdleMillis;
    struct Case {
        int server, since_restart, timeout, wait;
    };
    const Case cases[] = {
        {0, 100000, 5000, 5000},
        {4000, 100000, 5000, 1000},
        {5000, 100000, 5000, 0},
        {90000, 100000, 5000, 0},
        {90000, 2000, 5000, 3000},  // a show ended 2 s ago
        {90000, 0, 5000, 5000},
        {-1, 100000, 5000, 5000},  // a clock that went back
        {86400000, 86400000, 86400000, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(until_idle(ms(c.server), ms(c.since_restart), ms(c.timeout)), ms(c.wait))
            << c.server << " " << c.since_restart << " " << c.timeout;
}

}  // namespace
}  // namespace vorlip
