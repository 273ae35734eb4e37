// A world read back from a dump may hold any value in any field. A frame must then still
// keep inside its tables and surfaces; the sanitizer build turns any slip into a failure here.
#include <gtest/gtest.h>

#include "frame/step.hpp"
#include "support/test_support.hpp"
#include "support/world_fields.hpp"

namespace vorlip {
namespace {

// Fills every field with a draw: mostly small values near the ones the scene uses, sometimes
// anything the field's width can hold.
class Filler {
  public:
    explicit Filler(std::uint64_t seed) : rnd_(seed) {}
    void operator()(i16& v) {
        const float r = rnd_.draw();
        if (r < 0.6f)
            v = w16(int(rnd_.draw() * 90.0f) - 20);
        else if (r < 0.8f)
            v = w16(int(rnd_.draw() * 1400.0f) - 200);
        else
            v = w16(int(rnd_.draw() * 65536.0f));
    }
    void operator()(u8& v) { v = u8(rnd_.draw() * 256.0f); }
    void operator()(double& v) { v = rnd_.draw() * 2.0 - 0.5; }

  private:
    SeededRandom rnd_;
};

World any_world(std::uint64_t seed) {
    Filler fill(seed);
    World w;
    test::visit_fields(w, fill);
    return w;
}

TEST(AnyWorld, FrameStepStaysInsideItsTablesAndSurfaces) {
    for (std::uint64_t seed = 1; seed <= 300; ++seed) {
        World w = any_world(seed);
        w.screen_w = 96;
        w.screen_h = 64;
        Stage stage;
        stage.compose.resize(96, 64);
        stage.background.resize(96, 64);
        load_sheets(stage.sheets);
        SeededRandom rnd(seed);
        for (int k = 0; k < 30; ++k) play_frame(w, rnd, stage);
    }
}

TEST(AnyWorld, StrayPlayerMaxIsCappedByTheTable) {
    for (i16 max : {i16(40), i16(60), i16(32767), i16(-1)}) {
        World w = test::plain_world(96, 64);
        w.brood_max = max;
        Stage stage;
        stage.compose.resize(96, 64);
        stage.background.resize(96, 64);
        load_sheets(stage.sheets);
        SeededRandom rnd(3);
        for (int k = 0; k < 200; ++k) scene_step(w, rnd, stage);
    }
}

}  // namespace
}  // namespace vorlip
