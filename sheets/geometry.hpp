// The sprite sheets by number, and the geometry of each: its frame size and frame count. The
// engine draws by it, the contact sheet lays itself out by it, and the sheet renderer
// (tools/sheetgen/render_sheets.py) reads kSheetGeometry straight from this file, one
// `{w, h, frames, "name"}` row a sheet in sheet order, so keep the rows in that form.
#pragma once

namespace vorlip {

constexpr int kSheetCount = 16;

constexpr int kEggSheet = 0;
constexpr int kMotherSheet = 1;
// The six chick colours, sheets 2 to 7.
constexpr int kYellowSheet = 2;
constexpr int kGreenSheet = 3;
constexpr int kBlueSheet = 4;
constexpr int kRedSheet = 5;
constexpr int kGreySheet = 6;
constexpr int kCreamSheet = 7;
constexpr int kFirstChickSheet = kYellowSheet;
constexpr int kLastChickSheet = kCreamSheet;
constexpr int kSeedSheet = 8;
constexpr int kBudSheet = 9;
// Sheets 10 to 15: a flower's sheet is its planting chick's sheet plus this.
constexpr int kFlowerSheetOffset = 8;

// A sheet holds `frames` colour frames of frame_w x frame_h side by side, and each frame's
// mask below it: it is frame_w x frames wide and 2 x frame_h high.
struct SheetGeometry {
    int frame_w;
    int frame_h;
    int frames;
    const char* name;
};

inline constexpr SheetGeometry kSheetGeometry[kSheetCount] = {
    {48, 48, 4, "egg"},
    {120, 120, 6, "mother"},
    {72, 72, 6, "chick - yellow"},
    {72, 72, 6, "chick - green"},
    {72, 72, 6, "chick - blue"},
    {72, 72, 6, "chick - orange-red"},
    {72, 72, 6, "chick - grey"},
    {72, 72, 6, "chick - cream"},
    {5, 7, 1, "seed"},
    {20, 20, 1, "bud"},
    {40, 40, 1, "flower - disc"},
    {40, 40, 1, "flower - teal star"},
    {40, 40, 1, "flower - lilac"},
    {40, 40, 1, "flower - pink star"},
    {40, 40, 1, "flower - pinwheel"},
    {40, 40, 1, "flower - line star"},
};

// The cell sizes the scene draws and places its actors by; an actor's box is its cell.
constexpr int kEggCell = kSheetGeometry[kEggSheet].frame_w;                             // 48 x 48
constexpr int kMotherCell = kSheetGeometry[kMotherSheet].frame_w;                       // 120 x 120
constexpr int kChickCell = kSheetGeometry[kYellowSheet].frame_w;                        // 72 x 72
constexpr int kSeedW = kSheetGeometry[kSeedSheet].frame_w;                              // 5
constexpr int kSeedH = kSheetGeometry[kSeedSheet].frame_h;                              // 7
constexpr int kBudCell = kSheetGeometry[kBudSheet].frame_w;                             // 20 x 20
constexpr int kFlowerCell = kSheetGeometry[kYellowSheet + kFlowerSheetOffset].frame_w;  // 40 x 40

}  // namespace vorlip
