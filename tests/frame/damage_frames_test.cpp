// A frame restores and presents only what changed; the window must show exactly what copying
// the whole screen both ways shows. Two shows with the same seed, one on each path, are compared
// after every frame.
#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "frame/step.hpp"
#include "shell/wayland/buffer_pair.hpp"
#include "tools/backdrop.hpp"
#include "tools/offscreen_window.hpp"

namespace vorlip {
namespace {

// A window whose compositor holds each buffer until the next one comes, as a Wayland
// compositor does: every frame is drawn into the other buffer of the pair, brought up to the
// last frame first.
class AlternatingWindow : public WindowImage {
  public:
    AlternatingWindow(int w, int h) : w_(w), h_(h) {}
    Surface& image() override {
        Buffer* b = pair_.next(
            [&](Buffer& fresh) {
                fresh.pixels.resize(w_, h_, 0x123456);  // unknown contents
                fresh.stale.whole(w_, h_);
                return true;
            },
            [&](Buffer& to, Buffer& from) {
                copy_rects(to.pixels, from.pixels, to.stale, Rect{0, 0, w_, h_});
            });
        view_ = Surface::view(b->pixels.row(0), w_, h_, b->pixels.stride());
        return view_;
    }
    void refresh(const Damage& where) override {
        pair_.drawn(where);
        pair_[0].busy = &pair_.current() == &pair_[0];
        pair_[1].busy = !pair_[0].busy;
    }
    bool moves_with_last_frame() const override { return true; }

  private:
    struct Buffer {
        Surface pixels;
        Damage stale;
        bool busy = false;
        bool made() const { return pixels.width() > 0; }
        void drop() { pixels = Surface(); }
    };
    int w_, h_;
    BufferPair<Buffer> pair_;
    Surface view_;
};

struct Show {
    World world;
    SeededRandom rnd;
    Stage stage;
    OffscreenWindow window;
    AlternatingWindow alternating;
    Show(int w, int h, unsigned seed, bool full, bool alternate = false)
        : rnd(seed), stage(w, h), window(w, h), alternating(w, h) {
        world.screen_w = w16(w);
        world.screen_h = w16(h);
        paint_backdrop(stage.background);
        stage.window = alternate ? static_cast<WindowImage*>(&alternating) : &window;
        stage.full_frames = full;
        scene_start(world, rnd);
    }
};

// What the compared stretch went through, so a run that never reached the hard cases fails.
struct Seen {
    bool stamp = false, flower = false, hatching = false, chick_past_edge = false;
};

// Runs both paths in step for `frames` frames; `poke` may change both worlds alike first.
Seen compare(int w, int h, unsigned seed, int frames,
             const std::function<void(World&)>& poke = nullptr) {
    auto full = std::make_unique<Show>(w, h, seed, true);
    auto damage = std::make_unique<Show>(w, h, seed, false);
    if (poke) {
        poke(full->world);
        poke(damage->world);
    }
    Seen seen;
    for (int f = 0; f < frames; ++f) {
        play_frame(full->world, full->rnd, full->stage);
        play_frame(damage->world, damage->rnd, damage->stage);
        if (!damage->window.image().same_pixels(full->window.image())) {
            ADD_FAILURE() << w << "x" << h << " seed " << seed
                          << ": the window differs after frame " << f + 1;
            return seen;
        }
        const World& wd = damage->world;
        seen.stamp = seen.stamp || !damage->stage.bkg_changed.empty();
        for (const FlowerRec& fl : wd.flowers) seen.flower = seen.flower || fl.live > 0;
        for (const BroodRec& p : wd.brood) {
            if (p.anim <= 0) continue;
            seen.hatching = seen.hatching || p.kind == BroodKind::hatching;
            seen.chick_past_edge =
                seen.chick_past_edge || (p.kind == BroodKind::chick &&
                                         (p.x < 0 || p.y < 0 || p.x + 72 > w || p.y + 72 > h));
        }
    }
    return seen;
}

TEST(DamageFrames, ShowTheSamePictureAsWholeScreenFrames) {
    struct Case {
        int w, h;
        unsigned seeds;
        int frames;
        bool busy;  // long enough for stamps, flowers, hatching and chicks past the edges
    };
    const Case cases[] = {
        {1, 1, 2, 3000, false},     {64, 48, 3, 6000, false},    {320, 200, 3, 8000, true},
        {1024, 768, 1, 3000, true}, {1920, 1080, 1, 1500, true},
    };
    for (const Case& c : cases)
        for (unsigned seed = 1; seed <= c.seeds; ++seed) {
            const Seen seen = compare(c.w, c.h, seed, c.frames);
            if (!c.busy) continue;
            EXPECT_TRUE(seen.stamp && seen.flower && seen.hatching && seen.chick_past_edge)
                << c.w << "x" << c.h << " seed " << seed << ": stamp " << seen.stamp << ", flower "
                << seen.flower << ", hatching " << seen.hatching << ", chick past an edge "
                << seen.chick_past_edge;
        }
}

TEST(DamageFrames, ShowTheSamePictureForPositionsAtThe16BitEnds) {
    // A loaded world whose actors sit near +/-32767: their transfers clip to nothing or to
    // slivers, and every position sum wraps.
    const int ends[] = {-32768, -32700, -100, 32600, 32767};
    compare(640, 480, 9, 600, [&](World& w) {
        for (std::size_t i = 0; i < w.brood.size(); ++i) {
            BroodRec& p = w.brood[i];
            p.anim = 1;
            p.kind =
                i % 3 == 0 ? BroodKind::egg : (i % 3 == 1 ? BroodKind::chick : BroodKind::hatching);
            p.state = static_cast<Behaviour>(i % 9);
            p.sheet = i16(2 + i % 6);
            p.x = w16(ends[i % 5]);
            p.y = w16(ends[(i / 5) % 5]);
            p.flap = p.x;
            p.tick = p.y;
        }
        for (std::size_t i = 0; i < w.flowers.size(); ++i) {
            FlowerRec& f = w.flowers[i];
            f.live = 1;
            f.sheet = i16(10 + i);
            f.draw_x = w16(ends[i % 5]);
            f.draw_y = w16(ends[(i + 2) % 5]);
            f.draw_w = i % 2 ? -40 : 40;
            f.draw_h = 40;
        }
        w.mother_x = 32700;
        w.mother_y = -32700;
        w.egg_count = 14;
        w.chick_count = 26;
    });
}

TEST(DamageFrames, WindowImageReplacedMidShow) {
    // Frames are composed in the window's image. When it goes away (another size) the frame
    // must not touch its old memory, and on the new, black one the first frame must be whole.
    auto full = std::make_unique<Show>(320, 200, 4, true);
    auto damage = std::make_unique<Show>(320, 200, 4, false);
    for (int f = 0; f < 400; ++f) {
        for (Show* show : {full.get(), damage.get()}) {
            if (f == 150) show->window.image() = Surface(8, 8);
            if (f == 160) show->window.image() = Surface(320, 200);
        }
        play_frame(full->world, full->rnd, full->stage);
        play_frame(damage->world, damage->rnd, damage->stage);
        if (f < 150 || f >= 160) {
            ASSERT_TRUE(damage->window.image().same_pixels(full->window.image())) << "frame " << f;
        }
    }
}

// Sized at the start, the compose buffer is the window's image whenever that has its size, so the
// show never fills a screen-sized buffer of its own only to give it up at the first frame.
TEST(ComposeBuffer, IsTheWindowsImageFromTheStartWheneverItFits) {
    struct Case {
        const char* what;
        bool window;
        int window_w, window_h, w, h;
        bool in_window;
    };
    const Case cases[] = {
        {"the window's size", true, 64, 48, 64, 48, true},
        {"another size", true, 32, 48, 64, 48, false},
        {"no window", false, 64, 48, 64, 48, false},
        {"an empty size", true, 64, 48, 0, 0, false},
    };
    for (const Case& c : cases) {
        OffscreenWindow window(c.window_w, c.window_h);
        Stage stage;
        stage.window = c.window ? &window : nullptr;
        stage.size_compose_buffer(c.w, c.h);
        EXPECT_EQ(stage.compose.width(), c.w) << c.what;
        EXPECT_EQ(stage.compose.height(), c.h) << c.what;
        EXPECT_EQ(stage.compose.same_memory(window.image()), c.in_window) << c.what;
        EXPECT_EQ(stage.compose.owning(), !c.in_window) << c.what;
    }
}

// A window that hands over the other buffer each frame, brought up to date, needs no whole
// frame for it: the picture is still the whole-screen frames' one, and each frame presents just
// what it does into a window that keeps its memory.
TEST(DamageFrames, AWindowAlternatingBetweenTwoBuffersShowsTheSamePicture) {
    constexpr int kW = 320, kH = 200;
    auto full = std::make_unique<Show>(kW, kH, 3, true);
    auto kept = std::make_unique<Show>(kW, kH, 3, false);
    auto alternating = std::make_unique<Show>(kW, kH, 3, false, true);
    const auto area = [](const Damage& d) {
        long long n = 0;
        for (const Rect& r : d.rects()) n += r.w * r.h;
        return n;
    };
    for (int f = 0; f < 3000; ++f) {
        for (Show* s : {full.get(), kept.get(), alternating.get()})
            play_frame(s->world, s->rnd, s->stage);
        ASSERT_TRUE(alternating->stage.window->image().same_pixels(full->window.image()))
            << "the window differs after frame " << f + 1;
        ASSERT_EQ(area(alternating->stage.present), area(kept->stage.present))
            << "frame " << f + 1 << " presents more than it changed";
    }
}

}  // namespace
}  // namespace vorlip
