// How long one frame step takes on large screens, beside the plain full-screen copy that every
// frame step makes twice (background in, frame out).
#include <benchmark/benchmark.h>

#include "frame/step.hpp"
#include "tools/backdrop.hpp"
#include "tools/offscreen_window.hpp"

namespace {

void BM_SceneStep(benchmark::State& state) {
    const int w = int(state.range(0)), h = int(state.range(1));
    vorlip::World world;
    world.screen_w = vorlip::w16(w);
    world.screen_h = vorlip::w16(h);
    vorlip::SeededRandom rnd(1);
    vorlip::Stage stage(w, h);
    vorlip::OffscreenWindow window(w, h);
    stage.window = &window;
    vorlip::paint_backdrop(stage.scr_bkg);
    vorlip::scene_start(world, rnd);
    // Let the scene fill up before timing.
    for (int k = 0; k < 3000; ++k) vorlip::scene_step(world, rnd, stage);
    for (auto _ : state) vorlip::scene_step(world, rnd, stage);
}
BENCHMARK(BM_SceneStep)->Args({1920, 1080})->Args({3840, 2160})->Unit(benchmark::kMicrosecond);

void BM_FullScreenCopy(benchmark::State& state) {
    const int w = int(state.range(0)), h = int(state.range(1));
    vorlip::Surface a(w, h), b(w, h);
    for (auto _ : state) {
        vorlip::bit_blt(b, 0, 0, w, h, a, 0, 0, vorlip::Rop::SrcCopy);
        benchmark::DoNotOptimize(b.row(0));
    }
}
BENCHMARK(BM_FullScreenCopy)->Args({1920, 1080})->Args({3840, 2160})->Unit(benchmark::kMicrosecond);

}  // namespace
