// A program that holds the screen saver off as a video player does: it calls
// org.freedesktop.ScreenSaver.Inhibit on the session bus, writes "held" to descriptor 3 once the
// cookie is back, and keeps its bus name until it is killed.
#include <sdbus-c++/sdbus-c++.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>

int main() {
    try {
        auto bus = sdbus::createSessionBusConnection();
        auto saver =
            sdbus::createProxy(*bus, "org.freedesktop.ScreenSaver", "/org/freedesktop/ScreenSaver");
        std::uint32_t cookie = 0;
        saver->callMethod("Inhibit")
            .onInterface("org.freedesktop.ScreenSaver")
            .withArguments(std::string("vorlip-test"), std::string("a video plays"))
            .storeResultsTo(cookie);
        const char held[] = "held\n";
        if (write(3, held, sizeof held - 1) < 0) return 1;
        for (;;) pause();
    } catch (const sdbus::Error& e) {
        std::fprintf(stderr, "inhibitor: %s\n", e.getMessage().c_str());
        return 1;
    }
}
