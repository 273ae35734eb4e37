#include "tools/sim.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "support/test_support.hpp"
#include "tools/world_json.hpp"

namespace vorlip {
namespace {

struct SimRun {
    int code;
    std::string out, err;
};

SimRun sim(const std::vector<std::string>& args) {
    SimOptions o;
    std::string error;
    bool help = false;
    if (!parse_sim_args(args, o, error, help)) return {kSimBadOption, "", error};
    std::ostringstream out, err;
    const int code = run_sim(o, out, err);
    return {code, out.str(), err.str()};
}

std::string write_file(const std::string& name, const std::string& text) {
    const std::string path = test::out_dir() + "/" + name;
    std::ofstream(path) << text;
    return path;
}

TEST(Sim, BadOptionsAreRefusedWithOneLine) {
    const std::vector<std::vector<std::string>> bad = {
        {"--bogus", "1"},
        {"--size", "1024"},
        {"--size", "0x768"},
        {"--size", "1024x-1"},
        {"--frames", "-3"},
        {"--frames", "ten"},
        {"--seed", "1", "--random", "r.txt"},
        {"--dump-every", "5"},
        {"--png-every", "2"},
        {"--frames"},
        {"stray"},
        {"--size", "99999x10"},
    };
    for (const auto& args : bad) {
        const SimRun r = sim(args);
        EXPECT_EQ(r.code, kSimBadOption) << args[0];
        EXPECT_FALSE(r.err.empty());
        EXPECT_EQ(r.err.find('\n'), std::string::npos);
    }
}

TEST(Sim, ScriptedDrawsRunningOutStopWithExitThree) {
    const std::string path = write_file("two_draws.txt", "0.5\n0.25\n");
    const SimRun r = sim({"--random", path, "--frames", "5"});
    EXPECT_EQ(r.code, kSimRandomExhausted);
    EXPECT_NE(r.err.find("random draws exhausted after 2 draws"), std::string::npos) << r.err;
}

TEST(Sim, DrawsAreAnyDecimalInTheHalfOpenUnitRange) {
    // Judged by the written value, kept as the nearest draw below 1.
    const float below_one = std::nextafter(1.0f, 0.0f);
    const std::pair<const char*, float> taken[] = {{"0.5", 0.5f},
                                                   {"000.5", 0.5f},
                                                   {"5e-1", 0.5f},
                                                   {"0.99999999", below_one},
                                                   {"0.9999999999999999999", below_one},
                                                   {"9.99999999999999999999e-1", below_one},
                                                   {"1e-50", 0},
                                                   {"1e-400", 0},
                                                   {"-0", 0},
                                                   {"0", 0}};
    for (const auto& [text, draw] : taken) {
        float v = -1;
        EXPECT_TRUE(parse_draw(text, v)) << text;
        EXPECT_EQ(v, draw) << text;
        EXPECT_FALSE(std::signbit(v)) << text;
    }
    for (const char* text : {"1", "1.0", "0.1e1", "1.0000000000000000001", "-1e-400", "-0.1",
                             "1e400", "nan", "inf", "0.5x", ""}) {
        float v = -1;
        EXPECT_FALSE(parse_draw(text, v)) << text;
    }
}

TEST(Sim, DumpLoadedAndDumpedAgainIsIdentical) {
    const SimRun first = sim({"--seed", "4", "--frames", "300", "--dump", "-"});
    ASSERT_EQ(first.code, kSimOk) << first.err;
    const std::string path = write_file("state.json", first.out);
    const SimRun again = sim({"--state-in", path, "--dump", "-"});
    ASSERT_EQ(again.code, kSimOk) << again.err;
    EXPECT_EQ(again.out, first.out);
}

TEST(Sim, DumpEveryWritesJsonLinesWithTheSameKeys) {
    const SimRun r = sim({"--seed", "2", "--frames", "10", "--dump", "-", "--dump-every", "4"});
    ASSERT_EQ(r.code, kSimOk);
    std::istringstream lines(r.out);
    std::string line;
    std::vector<World> worlds;
    while (std::getline(lines, line)) worlds.push_back(world_from_json(line));
    ASSERT_EQ(worlds.size(), 3u);  // after frames 4 and 8, and after the run
    EXPECT_EQ(worlds[0].frame_no, 6);
    EXPECT_EQ(worlds[1].frame_no, 10);
    EXPECT_EQ(worlds[2].frame_no, 12);
}

TEST(Sim, BadInputFilesExitWithTheirStatusInOneLineNamingFileAndCause) {
    const std::string dir = test::out_dir() + "/a_directory";
    std::filesystem::create_directories(dir);
    const std::string big_state = write_file("big_state.json", std::string((1 << 20) + 1, ' '));
    struct Case {
        std::vector<std::string> args;
        int code;
        std::string file, why;
    };
    int states = 0;
    auto state = [&](const char* text) {
        return write_file("bad_state" + std::to_string(++states) + ".json", text);
    };
    const Case cases[] = {
        {{"--state-in", state(R"({"screen_w":100,"screen_h":100,"wings":1})")},
         kSimBadState,
         "bad_state",
         "wings"},
        {{"--state-in", state(R"({"screen_w":100,"screen_h":100,"frame_no":40000})")},
         kSimBadState,
         "bad_state",
         "frame_no"},
        {{"--state-in", state(R"({"screen_w":0,"screen_h":100})")},
         kSimBadState,
         "bad_state",
         "screen_w"},
        {{"--state-in", state("1e400")}, kSimBadState, "bad_state", "number overflow"},
        {{"--state-in", state(R"({"screen_w":1e400})")},
         kSimBadState,
         "bad_state",
         "number overflow"},
        {{"--state-in", state("-1e309")}, kSimBadState, "bad_state", "number overflow"},
        {{"--state-in", dir}, kSimBadState, dir, "Is a directory"},
        {{"--state-in", "/nonexistent/s.json"}, kSimBadState, "/nonexistent/s.json", "No such"},
        {{"--state-in", big_state}, kSimBadState, big_state, "more than 1 MiB"},
        {{"--state-in", "/dev/zero"}, kSimBadState, "/dev/zero", "more than 1 MiB"},
        {{"--random", write_file("bad_draws.txt", "0.5\n1.0\n")},
         kSimBadRandom,
         "bad_draws.txt:2:",
         "not a number in [0, 1)"},
        {{"--random", dir}, kSimBadRandom, dir, "Is a directory"},
        {{"--random", "/dev/zero"}, kSimBadRandom, "/dev/zero", "more than 16 MiB"},
        {{"--background", dir}, kSimBadBackground, dir, "Is a directory"},
        {{"--background", "/dev/zero"}, kSimBadBackground, "/dev/zero", "not a PNG or BMP"},
        {{"--background", "/nonexistent/desk.png"},
         kSimBadBackground,
         "/nonexistent/desk.png",
         "No such"},
    };
    for (const Case& c : cases) {
        const SimRun r = sim(c.args);
        EXPECT_EQ(r.code, c.code) << c.args[1] << ": " << r.err;
        EXPECT_NE(r.err.find(c.file), std::string::npos) << r.err;
        EXPECT_NE(r.err.find(c.why), std::string::npos) << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    }
}

TEST(Sim, WritesPresentedFramesAsPng) {
    const std::string dir = test::out_dir() + "/sim_png";
    std::filesystem::remove_all(dir);
    const SimRun r =
        sim({"--size", "64x48", "--seed", "1", "--frames", "6", "--png", dir, "--png-every", "3"});
    ASSERT_EQ(r.code, kSimOk) << r.err;
    for (const char* name : {"frame_000000.png", "frame_000003.png", "frame_000006.png"})
        EXPECT_TRUE(std::filesystem::exists(dir + "/" + name)) << name;
    EXPECT_FALSE(std::filesystem::exists(dir + "/frame_000001.png"));
}

}  // namespace
}  // namespace vorlip
