#include "support/test_support.hpp"

#include <cstdlib>
#include <filesystem>

#include "frame/step.hpp"

namespace vorlip::test {

World started_world(int screen_w, int screen_h, Random& rnd) {
    World w;
    w.screen_w = w16(screen_w);
    w.screen_h = w16(screen_h);
    scene_start(w, rnd);
    return w;
}

World plain_world(int screen_w, int screen_h) {
    ScriptedRandom rnd({0.0f, 0.0f, 0.0f});
    World w = started_world(screen_w, screen_h, rnd);
    return w;
}

ScriptedRandom script(std::initializer_list<float> draws) {
    return ScriptedRandom(draws);
}

std::string out_dir() {
    const char* env = std::getenv("VORLIP_TEST_OUT");
    std::string dir = env ? env : "test-out";
    std::filesystem::create_directories(dir);
    return dir;
}

}  // namespace vorlip::test
