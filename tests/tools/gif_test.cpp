// vorlip-sim's animated GIF: the frames it holds add up to the show's frames.
#include <gif_lib.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>

#include "support/test_support.hpp"
#include "tools/png_io.hpp"
#include "tools/sim.hpp"

namespace vorlip {
namespace {

TEST(SimGif, TheFramesAddUpToTheShowsFramesAndLoop) {
    const std::string dir = test::out_dir() + "/sim_gif";
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    const std::string gif_path = dir + "/show.gif";
    // Frames 40, 43, ..., 58 of a show, as a GIF and as PNGs to hold it against.
    SimOptions o;
    std::string error;
    bool help = false;
    ASSERT_TRUE(
        parse_sim_args({"--size", "200x150", "--seed", "5", "--frames", "58", "--gif", gif_path,
                        "--gif-every", "3", "--gif-from", "40", "--png", dir, "--png-every", "1"},
                       o, error, help))
        << error;
    std::ostringstream out, err;
    ASSERT_EQ(run_sim(o, out, err), kSimOk) << err.str();

    int code = 0;
    GifFileType* gif = DGifOpenFileName(gif_path.c_str(), &code);
    ASSERT_NE(gif, nullptr) << GifErrorString(code);
    ASSERT_EQ(DGifSlurp(gif), GIF_OK);
    EXPECT_EQ(gif->SWidth, 200);
    EXPECT_EQ(gif->SHeight, 150);
    ASSERT_EQ(gif->ImageCount, 7);
    bool loops = false;
    const SavedImage& first = gif->SavedImages[0];
    for (int k = 0; k < first.ExtensionBlockCount; ++k)
        loops = loops || (first.ExtensionBlocks[k].Function == APPLICATION_EXT_FUNC_CODE &&
                          first.ExtensionBlocks[k].ByteCount == 11 &&
                          std::string(reinterpret_cast<char*>(first.ExtensionBlocks[k].Bytes),
                                      11) == "NETSCAPE2.0");
    EXPECT_TRUE(loops) << "the GIF does not repeat";

    Surface canvas(200, 150);
    for (int i = 0; i < gif->ImageCount; ++i) {
        GraphicsControlBlock gcb{};
        ASSERT_EQ(DGifSavedExtensionToGCB(gif, i, &gcb), GIF_OK);
        EXPECT_EQ(gcb.DelayTime, 6) << "frame " << i;
        const SavedImage& img = gif->SavedImages[i];
        const GifImageDesc& d = img.ImageDesc;
        const ColorMapObject* map = d.ColorMap ? d.ColorMap : gif->SColorMap;
        for (int y = 0; y < d.Height; ++y)
            for (int x = 0; x < d.Width; ++x) {
                const int index = img.RasterBits[y * d.Width + x];
                if (index == gcb.TransparentColor) continue;
                const GifColorType c = map->Colors[index];
                canvas.set(d.Left + x, d.Top + y, Pixel(c.Red << 16 | c.Green << 8 | c.Blue));
            }
        // What the frames so far add up to is the show's frame, but for the palette.
        char name[32];
        std::snprintf(name, sizeof name, "/frame_%06d.png", 40 + 3 * i);
        Surface frame;
        ASSERT_TRUE(read_picture(dir + name, frame, error)) << error;
        long long off = 0;
        for (int y = 0; y < 150; ++y)
            for (int x = 0; x < 200; ++x)
                for (int shift : {16, 8, 0})
                    off += std::abs(int((canvas.at(x, y) >> shift) & 0xFF) -
                                    int((frame.at(x, y) >> shift) & 0xFF));
        EXPECT_LT(double(off) / (200 * 150 * 3), 4.0) << "frame " << i << " is not the show's";
    }
    DGifCloseFile(gif, &code);
}

}  // namespace
}  // namespace vorlip
