#include "tools/world_json.hpp"

#include <gtest/gtest.h>

#include "support/test_support.hpp"

namespace vorlip {
namespace {

TEST(WorldJson, RoundTripIsExactAndByteIdentical) {
    SeededRandom rnd(9);
    World w = test::started_world(1366, 768, rnd);
    w.brood[3].x = -32768;
    w.brood[40].vigour = 32767;
    w.flowers[5].draw_w = -19;
    w.sprouts[0].kind = SproutKind::bud;
    w.brood[5].state = Behaviour{-3};  // codes no name stands for are kept as they are
    w.brood[6].facing = Facing{7};
    w.mother_mode = MotherMode{-32768};
    w.rescuers[7] = -1;
    w.pop_flags[2] = 1;
    w.colour_run_left = 255;
    w.catch_band = 0.2 - 19 * 0.01;  // a value with a long binary tail
    const std::string text = world_to_json(w);
    const World back = world_from_json(text);
    EXPECT_EQ(back, w);
    EXPECT_EQ(world_to_json(back), text);
}

TEST(WorldJson, MissingKeysKeepTheirLoadValue) {
    const World w = world_from_json(R"({"screen_w": 640, "frame_no": 7})");
    World want;
    want.screen_w = 640;
    want.frame_no = 7;
    EXPECT_EQ(w, want);
}

TEST(WorldJson, RejectsUnknownKeysAndValuesOutOfTheirWidth) {
    struct Case {
        const char* text;
        const char* names;
    };
    const Case cases[] = {
        {R"({"frame_number": 1})", "frame_number"},
        {R"({"frame_no": 32768})", "frame_no"},
        {R"({"frame_no": -32769})", "frame_no"},
        {R"({"mother_mode": 32768})", "mother_mode"},
        {R"({"colour_run_left": 256})", "colour_run_left"},
        {R"({"colour_run_left": -1})", "colour_run_left"},
        {R"({"sow_row": 1.5})", "sow_row"},
        {R"({"frame_no": 18446744073709551615})", "frame_no"},
        {R"({"catch_band": "x"})", "catch_band"},
        {R"({"rescuers": [1, 2]})", "rescuers"},
        {R"({"players": [{"wings": 1}]})", "players"},
        {R"({"pop_flags": [0,0,0,0,0,300]})", "pop_flags[5]"},
        {R"([1, 2])", "object"},
        {R"({"frame_no": )", "JSON"},
    };
    for (const Case& c : cases) {
        try {
            world_from_json(c.text);
            ADD_FAILURE() << "accepted " << c.text;
        } catch (const WorldJsonError& e) {
            EXPECT_NE(std::string(e.what()).find(c.names), std::string::npos)
                << c.text << " -> " << e.what();
        }
    }
}

}  // namespace
}  // namespace vorlip
