// The start-up on a headless system: the input is a screen measure and a command line (its
// arguments split at NUL bytes, then joined as the platform joins them). The saver starts
// exactly when the mode switch says so, runs a few ticks, and a mouse move ends it.
#include "fuzz_support.hpp"
#include "shell/arguments.hpp"
#include "shell/saver.hpp"
#include "support/headless_platform.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace vorlip;
    fuzz::Input in(data, size);
    HeadlessPlatform p;
    // Screens from a few pixels below zero to 119 a side, measured in units of 1 or 15 (the
    // measure is divided and rounded as the shell does).
    const std::uint8_t w = in.take<std::uint8_t>(), h = in.take<std::uint8_t>();
    const double unit = (w & 0x80) ? 15.0 : 1.0;
    p.screen = {((w & 0x7f) - 8) * unit, (h % 128 - 8) * unit, unit, unit};
    p.desktop = Surface(64, 48, 0x446688);
    const std::uint8_t guard = in.take<std::uint8_t>();
    if (guard & 1) p.windows.insert(kSaverTitle);
    if (guard & 2) p.windows.insert(kSettingTitle);

    std::vector<std::string> args = {"vorlip"};
    std::string arg;
    for (char c : in.rest()) {
        if (c == '\0') {
            args.push_back(arg);
            arg.clear();
        } else {
            arg += c;
        }
    }
    args.push_back(arg);
    std::vector<const char*> argv;
    for (const std::string& a : args) argv.push_back(a.c_str());
    p.arguments = join_arguments(static_cast<int>(argv.size()), argv.data());

    for (int k = 0; k < 3; ++k) p.events.push_back({HeadlessEvent::timer});
    p.events.push_back({HeadlessEvent::move_cursor, 5, 5});
    p.events.push_back({HeadlessEvent::timer});

    SeededRandom rnd(guard);
    Saver s(p, rnd);
    saver_main(s);
    const bool starts = (guard & 3) == 0 && saver_switch(p.arguments);
    fuzz::check(p.window_exists == starts, "the saver started against its mode switch");
    SaverEvents events(s);
    p.run_events(events);
    fuzz::check(!p.window_exists, "a mouse move did not end the show");
    return 0;
}
