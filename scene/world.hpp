// Everything the scene knows, in one value.
//
// The tables, the world globals and every procedure's persistent counters live here, under the
// names the actor modules use. A World is zero when it is made (the state at program load),
// gets its start values once from `scene_start` (frame/step.hpp), and is then changed only by
// the frame step and the procedures it calls. Being one plain value, a test or tool can reset
// it, copy it, compare it and dump it.
//
// Each field list is an X-macro of (type, name) so the dump tool can name every field without
// a second list that could drift from this one.
#pragma once

#include <array>

#include "scene/random.hpp"
#include "scene/rules.hpp"

namespace vorlip {

// The codes the records and globals hold. Each is stored in the 16-bit field it always had, and
// a field may hold any 16-bit value (a world read back from a dump is not checked against these
// lists): code that meets a value not named here treats it as the comparisons below say.

// What a brood record is: an egg, an egg hatching, or a chick.
enum class BroodKind : i16 { egg = 1, chick = 2, hatching = 5 };

// How a chick (or an egg) stands: steady, tumbling down, or held up by a patrol chick. An egg is
// laid tumbling; a chick's wide-eyed glare shows while it is tumbling.
enum class Footing : i16 { steady = 3, tumbling = 4, held = 5 };

// The side a chick, an egg or the mother moves towards; anything but right counts as left.
enum class Facing : i16 { left = 1, right = 2 };

// A chick's behaviour: six ordinary ones, the patrol, and the two that act on other chicks. An
// egg's behaviour is the one it will hatch into; a value outside 0 to 8 leaves a chick as it is.
enum class Behaviour : i16 {
    surge = 0,
    flock = 1,
    wobble = 2,
    sway = 3,
    glide = 4,
    hop = 5,
    patrol = 6,
    catcher = 7,
    knocker = 8,
};
constexpr int kBehaviourCount = 9;

// A sprout record: a growing shoot (or one of its branches and twigs) or a bud.
enum class SproutKind : i16 { shoot = 1, bud = 2 };

// The mother: flying (hovering, gliding, heading for a tumbling chick), or anything else, which
// is the drop straight down once she has touched a chick or reached the top edge.
enum class MotherMode : i16 { flying = 3, dropping = 4 };

// One place in the brood: it follows one young bird through its life, as an egg, a hatching egg
// and a chick; free while anim is 0.
#define VORLIP_BROOD_FIELDS(X) \
    X(i16, x)                  \
    X(i16, y)                  \
    X(i16, aux1)               \
    X(i16, target_sheet)       \
    X(i16, tick)               \
    X(Facing, facing)          \
    X(Footing, footing)        \
    X(i16, anim)               \
    X(i16, frame)              \
    X(i16, flap)               \
    X(BroodKind, kind)         \
    X(Behaviour, state)        \
    X(i16, sheet)              \
    X(i16, aux2)               \
    X(i16, bumped)             \
    X(i16, energy)             \
    X(i16, vigour)

// A flower planted by a chick; free while live is 0.
#define VORLIP_FLOWER_FIELDS(X) \
    X(i16, live)                \
    X(i16, box_x)               \
    X(i16, draw_x)              \
    X(i16, box_y)               \
    X(i16, draw_y)              \
    X(i16, sheet)               \
    X(i16, life)                \
    X(i16, phase)               \
    X(i16, draw_w)              \
    X(i16, draw_h)

// A growing shoot or a bud; free while live is 0 or less.
#define VORLIP_SPROUT_FIELDS(X) \
    X(i16, live)                \
    X(SproutKind, kind)         \
    X(i16, x)                   \
    X(i16, dx)                  \
    X(i16, y)                   \
    X(i16, dy)                  \
    X(i16, life)                \
    X(i16, age)                 \
    X(i16, generation)          \
    X(i16, offspring)

#define VORLIP_DECLARE_FIELD(type, name) type name{};

struct BroodRec {
    VORLIP_BROOD_FIELDS(VORLIP_DECLARE_FIELD)
    bool operator==(const BroodRec&) const = default;
};

struct FlowerRec {
    VORLIP_FLOWER_FIELDS(VORLIP_DECLARE_FIELD)
    bool operator==(const FlowerRec&) const = default;
};

struct SproutRec {
    VORLIP_SPROUT_FIELDS(VORLIP_DECLARE_FIELD)
    bool operator==(const SproutRec&) const = default;
};

// The shared world globals: screen, population, the mother, the egg colours.
#define VORLIP_WORLD_GLOBALS(X) \
    X(i16, screen_w)            \
    X(i16, screen_h)            \
    X(i16, brood_max)           \
    X(i16, frame_no)            \
    X(i16, egg_count)           \
    X(i16, chick_count)         \
    X(i16, eggs_gone)           \
    X(i16, chicks_gone)         \
    X(i16, clutch_count)        \
    X(i16, clutch_first_slot)   \
    X(i16, mother_x)            \
    X(i16, mother_y)            \
    X(Facing, mother_dir)       \
    X(MotherMode, mother_mode)  \
    X(i16, mother_flap)         \
    X(i16, mother_takeoff)      \
    X(i16, mother_target)       \
    X(i16, mother_hit)          \
    X(i16, lay_odds)            \
    X(i16, pace_range)          \
    X(u8, colour_run_left)      \
    X(u8, colour_steps_left)    \
    X(u8, colour_run_len)       \
    X(i16, colour_run_step)     \
    X(i16, shoot_life_base)

// Globals that belong to one module: the chicks' leader and the patrol's recruiting scan.
#define VORLIP_MODULE_GLOBALS(X) \
    X(i16, leader)               \
    X(i16, leader_energy)        \
    X(i16, patrol_scan_from)

// Counters a procedure keeps from one call to the next, shared by every actor that calls it.
// Owner in the comment; each procedure binds its own by name in its first lines.
#define VORLIP_PERSISTENT(X)                        \
    X(i16, mother_frame)    /* scene_step */        \
    X(i16, hop_phase)       /* mother_update */     \
    X(i16, pace)            /* mother_update */     \
    X(i16, pace_extra)      /* mother_update */     \
    X(i16, turn_odds)       /* mother_update */     \
    X(i16, fall_speed)      /* mother_update */     \
    X(i16, lay_clock)       /* mother_lay_eggs */   \
    X(i16, batch_base)      /* mother_lay_eggs */   \
    X(i16, lay_odds_max)    /* mother_lay_eggs */   \
    X(i16, state_seed)      /* mother_make_egg */   \
    X(i16, incubation_step) /* mother_make_egg */   \
    X(i16, roll_range)      /* mother_update_egg */ \
    X(i16, flower_beat)     /* chick_move */        \
    X(i16, tumble_clock)    /* chick_tumble */      \
    X(double, catch_band)   /* chick_tumble */      \
    X(i16, tumble_speed)    /* chick_tumble */      \
    X(i16, tumble_dir)      /* chick_tumble */      \
    X(i16, flip_beat)       /* surge_motion */      \
    X(i16, flock_beat)      /* flock_motion */      \
    X(i16, wobble_sign)     /* wobble_motion */     \
    X(i16, sway_rise)       /* sway_motion */       \
    X(i16, sway_drift)      /* sway_motion */       \
    X(i16, sway_dir)        /* sway_motion */       \
    X(i16, glide_dir)       /* glide_motion */      \
    X(i16, glide_step)      /* glide_motion */      \
    X(i16, roam_beat)       /* chick_roam_step */   \
    X(i16, bloom_clock)     /* flower_update */     \
    X(u8, sow_row)          /* sprout_sow */        \
    X(u8, sow_count)        /* patrol_step */       \
    X(i16, sow_gap)         /* patrol_step */       \
    X(i16, wander_range)    /* patrol_wander */     \
    X(i16, wander_sheet)    /* patrol_wander */     \
    X(i16, wander_pace)     /* patrol_wander */     \
    X(i16, approach_range)  /* patrol_approach */   \
    X(i16, approach_dir)    /* patrol_approach */

constexpr int kBroodSlots = 41;  // brood, sprouts and rescuers: indices 0 to 40
constexpr int kFlowerSlots = 6;

struct World {
    std::array<BroodRec, kBroodSlots> brood{};
    std::array<FlowerRec, kFlowerSlots> flowers{};
    std::array<SproutRec, kBroodSlots> sprouts{};
    std::array<i16, kBroodSlots> rescuers{};

    VORLIP_WORLD_GLOBALS(VORLIP_DECLARE_FIELD)
    VORLIP_MODULE_GLOBALS(VORLIP_DECLARE_FIELD)
    VORLIP_PERSISTENT(VORLIP_DECLARE_FIELD)

    // flower_update's per-slot pop marks: 1 = the flower was set to a giant size last update.
    std::array<u8, kFlowerSlots> pop_flags{};

    bool operator==(const World&) const = default;
};

// Gives the world its own start values for a show, in their order and with their random draws
// in that order. screen_w and screen_h must already hold the measured screen; everything the
// start values do not name keeps what it holds (zero, in a world fresh from load). The actor
// modules' start steps follow it in scene_start.
void world_start(World& world, Random& rnd);

}  // namespace vorlip
