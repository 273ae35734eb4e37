#include "tools/sim.hpp"

#include <gtest/gtest.h>

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

TEST(Sim, ScriptWithANumberOutsideTheRangeIsRefused) {
    const std::string path = write_file("bad_draws.txt", "0.5\n1.0\n");
    const SimRun r = sim({"--random", path});
    EXPECT_EQ(r.code, kSimIoError);
    EXPECT_NE(r.err.find(":2:"), std::string::npos) << r.err;
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

TEST(Sim, BadStateFilesExitFourNamingTheKey) {
    struct Case {
        const char* text;
        const char* key;
    };
    for (const Case& c : {Case{R"({"screen_w":100,"screen_h":100,"wings":1})", "wings"},
                          Case{R"({"screen_w":100,"screen_h":100,"frame_no":40000})", "frame_no"},
                          Case{R"({"screen_w":0,"screen_h":100})", "screen_w"}}) {
        const std::string path = write_file("bad_state.json", c.text);
        const SimRun r = sim({"--state-in", path});
        EXPECT_EQ(r.code, kSimBadState) << c.text;
        EXPECT_NE(r.err.find(c.key), std::string::npos) << r.err;
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

TEST(Sim, MissingBackgroundIsAnError) {
    const SimRun r = sim({"--background", "/nonexistent/desk.png"});
    EXPECT_EQ(r.code, kSimIoError);
    EXPECT_NE(r.err.find("/nonexistent/desk.png"), std::string::npos);
}

}  // namespace
}  // namespace vorlip
