#include "frame/step.hpp"

#include "frame/behaviours.hpp"
#include "garden/flowers.hpp"
#include "garden/sprouts.hpp"
#include "mother/mother.hpp"
#include "scene/draw.hpp"
#include "sheets/geometry.hpp"

namespace vorlip {

void scene_start(World& world, Random& rnd) {
    world_start(world, rnd);
    sprout_init(world);
}

void scene_step_sprout(World& world, Stage& stage, i16 i) {
    // Sprouts stamp into the background; a record its own update has just cleared is still
    // stamped, at its cleared position.
    const SproutRec& s = world.sprouts[static_cast<std::size_t>(i)];
    if (s.live <= 0) return;
    if (s.kind == SproutKind::shoot) {
        sprout_grow(world, i);
        scene_stamp(world, stage, i, kSeedSheet, kSeedW, kSeedH);
    }
    if (s.kind == SproutKind::bud) {
        sprout_bud_update(world, i);
        scene_stamp(world, stage, i, kBudSheet, kBudCell, kBudCell);
    }
}

void scene_step(World& world, Random& rnd, Stage& stage) {
    i16& mother_frame = world.mother_frame;
    i16 frame = 0;  // the result of the last egg or chick update made in this frame

    // 1. Frame counter; the per-frame removal counts start again.
    world.eggs_gone = 0;
    world.chicks_gone = 0;
    world.frame_no = w16(world.frame_no + 1);
    if (world.frame_no > 30000) world.frame_no = 1;

    // 2. Flowers, drawn before their update: they show the previous update's size.
    for (i16 i = 0; i < kFlowerSlots; ++i) {
        const FlowerRec& f = world.flowers[static_cast<std::size_t>(i)];
        if (f.live > 0) {
            scene_draw(world, stage, DrawMode::flower, i, f.sheet, 1, kFlowerCell, kFlowerCell);
            flower_update(world, i);
        }
    }

    // 3. The mother, with the frame her previous update returned.
    scene_draw(world, stage, DrawMode::mother, 0, kMotherSheet, mother_frame, kMotherCell,
               kMotherCell);

    // 4. Eggs, hatching eggs and chicks, each followed by the sprout of the same index. The
    //    bound is read again on every pass; the table's own end caps it, so a world loaded
    //    with a stray brood_max never reaches past the tables.
    for (i16 i = 0; i <= world.brood_max && i < kBroodSlots; ++i) {
        const std::size_t s = static_cast<std::size_t>(i);
        if (world.brood[s].anim > 0) {
            if (world.brood[s].kind == BroodKind::egg) {
                frame = mother_update_egg(world, rnd, i);
                scene_draw(world, stage, DrawMode::brood, i, kEggSheet, frame, kEggCell, kEggCell);
            } else {
                if (world.brood[s].kind == BroodKind::hatching) {
                    i16 width = 0, height = 0;
                    if (mother_update_hatching(world, i, width, height))
                        scene_draw(world, stage, DrawMode::hatching, i, world.brood[s].sheet, 3,
                                   width, height);
                }
                if (world.brood[s].kind == BroodKind::chick) {
                    // A state without a behaviour is not updated: drawn with the last frame.
                    if (const BehaviourRow* b = behaviour_of(world.brood[s].state))
                        frame = b->update(world, rnd, i);
                    scene_draw(world, stage, DrawMode::brood, i, world.brood[s].sheet, frame,
                               kChickCell, kChickCell);
                }
            }
        }
        scene_step_sprout(world, stage, i);
    }

    // 5. The mother moves last; she sees the counts before this frame's removals come off.
    mother_frame = mother_update(world, rnd);
    world.chick_count = w16(world.chick_count - world.chicks_gone);
    world.egg_count = w16(world.egg_count - world.eggs_gone);
}

void play_frame(World& world, Random& rnd, Stage& stage) {
    stage.begin_frame(Rect{0, 0, world.screen_w, world.screen_h});
    scene_step(world, rnd, stage);
    stage.end_frame();
}

}  // namespace vorlip
