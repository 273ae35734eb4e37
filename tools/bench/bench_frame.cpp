// What one frame costs on large screens, beside the plain full-screen copy that a frame
// would make twice (background in, frame out) if it copied the whole screen.
//
// BM_BusyFrame runs a busy scene (35 or more chicks moving, 6 flowers, plants growing) and
// reports `per_copy`: the frame's cost divided by one full-screen copy of the same size. A frame
// that costs what changed stays well under one copy; one that copies the screen costs two.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>

#include "frame/step.hpp"
#include "garden/sprouts.hpp"
#include "tools/backdrop.hpp"
#include "tools/offscreen_window.hpp"

namespace {

// Seconds on the steady clock. A frame is timed on its own, between top-ups, and the copy it is
// compared with fifty at a time, so both must be timed the same way: back to back, with
// nothing else run in between. Reading this thread's CPU time is a system call, and on some
// virtual machines every system call costs the code after it its caches, which would make the
// frame pay for the timing; the steady clock is read without one. It counts whatever else the
// machine does, so measure on a quiet one.
double now() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

struct Show {
    vorlip::World world;
    vorlip::SeededRandom rnd{5};
    vorlip::Stage stage;
    vorlip::OffscreenWindow window;
    Show(int w, int h, bool full) : stage(w, h), window(w, h) {
        world.screen_w = vorlip::w16(w);
        world.screen_h = vorlip::w16(h);
        stage.window = &window;
        stage.full_frames = full;
        vorlip::paint_backdrop(stage.background);
        vorlip::scene_start(world, rnd);
    }
    void step() { vorlip::play_frame(world, rnd, stage); }
};

// Keeps a seeded show busier than shows usually get: free chick slots take copies of live chicks
// further along the screen, free flower slots copies of a live flower, and the slots drawn reach
// the last one, and eggs past the second hatch at once; when no plant is growing, a seed is sown
// as a departing patrol chick would sow it. Called between timed frames, so every timed frame
// draws 35 chicks or more and 6 flowers, and stamps a growing plant into the background, while
// the copies go on moving, pushing and planting as their models would.
void top_up(Show& show) {
    vorlip::World& w = show.world;
    auto live_chick = [&](std::size_t from) {
        for (std::size_t j = 0; j < w.brood.size(); ++j) {
            const vorlip::BroodRec& p = w.brood[(from + j) % w.brood.size()];
            if (p.anim > 0 && p.kind == vorlip::BroodKind::chick) return &p;
        }
        return static_cast<const vorlip::BroodRec*>(nullptr);
    };
    int eggs = 0;
    for (std::size_t i = 0; i < w.brood.size(); ++i) {
        vorlip::BroodRec& p = w.brood[i];
        const vorlip::BroodRec* model = live_chick(i * 7);
        // Two eggs stay to be laid, rolled and hatched; the slots of any more take chicks too.
        const bool spare_egg = p.anim > 0 && p.kind == vorlip::BroodKind::egg && ++eggs > 2;
        if ((p.anim > 0 && !spare_egg) || !model) continue;
        if (spare_egg) w.egg_count = vorlip::w16(w.egg_count - 1);
        p = *model;
        p.x = vorlip::w16((model->x + 333 * int(i)) % (w.screen_w - 72));
        p.y = vorlip::w16(w.screen_h / 3 + (97 * int(i)) % (w.screen_h / 2));
        w.chick_count = vorlip::w16(w.chick_count + 1);
        if (w.brood_max < vorlip::i16(i)) w.brood_max = vorlip::i16(i);
    }
    const vorlip::FlowerRec* flower = nullptr;
    for (const vorlip::FlowerRec& f : w.flowers)
        if (f.live > 0) flower = &f;
    for (std::size_t i = 0; i < w.flowers.size() && flower; ++i) {
        vorlip::FlowerRec& f = w.flowers[i];
        if (f.live > 0) continue;
        const int dx = 211 * int(i + 1);
        f = *flower;
        f.box_x = vorlip::w16((flower->box_x + dx) % (w.screen_w - 60));
        f.draw_x = vorlip::w16((flower->draw_x + dx) % (w.screen_w - 60));
        f.life = 30000;  // stays for the whole measurement
    }
    // Sprouts share the chicks' slot numbers, so the slots drawn already reach a free one.
    bool growing = false;
    for (const vorlip::SproutRec& s : w.sprouts) growing = growing || s.live > 0;
    if (!growing) vorlip::sprout_sow(w, vorlip::w16(397 * (w.frame_no % 97) % w.screen_w));
}

double full_copy_seconds(int w, int h) {
    vorlip::Surface a(w, h), b(w, h);
    const int n = 50;
    const double t0 = now();
    for (int k = 0; k < n; ++k) {
        vorlip::bit_blt(b, 0, 0, w, h, a, 0, 0, vorlip::Rop::SrcCopy);
        benchmark::DoNotOptimize(b.row(0));
    }
    return (now() - t0) / n;
}

void BM_BusyFrame(benchmark::State& state) {
    const int w = int(state.range(0)), h = int(state.range(1));
    Show show(w, h, state.range(2) != 0);
    for (int k = 0; k < 20000; ++k) show.step();
    double spent = 0, presented = 0, rects = 0;
    int chicks = 0, flowers = 0, sprouts = 0, fewest = vorlip::kBroodSlots;
    for (auto _ : state) {
        top_up(show);
        // What this frame draws: the live chicks up to brood_max, and the live flowers.
        int drawn = 0;
        for (int i = 0; i <= show.world.brood_max && i < vorlip::kBroodSlots; ++i) {
            const vorlip::BroodRec& p = show.world.brood[static_cast<std::size_t>(i)];
            drawn += p.anim > 0 && p.kind == vorlip::BroodKind::chick;
        }
        chicks += drawn;
        fewest = std::min(fewest, drawn);
        for (const vorlip::FlowerRec& f : show.world.flowers) flowers += f.live > 0;
        for (const vorlip::SproutRec& s : show.world.sprouts) sprouts += s.live > 0;
        const double t0 = now();
        show.step();
        spent += now() - t0;
        presented += double(show.stage.present.area());
        rects += double(show.stage.present.rects().size());
    }
    state.counters["presented_px"] = presented / double(state.iterations());
    state.counters["presented_rects"] = rects / double(state.iterations());
    const double frames = double(state.iterations());
    // Both sides of the ratio, so that a run slowed by the machine shows which side it slowed.
    const double copy = full_copy_seconds(w, h);
    state.counters["frame_us"] = spent / frames * 1e6;
    state.counters["copy_us"] = copy * 1e6;
    state.counters["per_copy"] = spent / frames / copy;
    state.counters["chicks"] = chicks / frames;
    state.counters["fewest_chicks"] = fewest;
    state.counters["flowers"] = flowers / frames;
    state.counters["sprouts"] = sprouts / frames;
}
// The last argument: 0 = frames that cost what changed, 1 = frames that copy the whole screen.
BENCHMARK(BM_BusyFrame)
    ->Args({1920, 1080, 0})
    ->Args({3840, 2160, 0})
    ->Args({1920, 1080, 1})
    ->Args({3840, 2160, 1})
    ->Iterations(2000)
    ->Unit(benchmark::kMicrosecond);

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
