// The parts of the Windows shell that are plain computation: taking the argument string out of
// the process's command line, and moving pixels between the scene's surfaces and the 32-bit
// device-independent bitmaps that GDI reads and writes. Free of <windows.h>, so they build and
// are tested on any system.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "scene/raster.hpp"

namespace vorlip {

// The argument string of a command line, the same string the X11 program builds from its
// arguments: the arguments after the program name, split as Windows' C runtime splits them,
// joined by single spaces. So the two programs hand the mode switch the same text for the
// same arguments (a tab between them separates; a tab inside a quoted one is kept).
std::string arguments_after_program(std::string_view command_line);

// A top-down 32-bit bitmap as GDI lays it out: each pixel one 32-bit word, blue in the low
// byte, then green, then red, then a byte GDI leaves undefined. A scene pixel 0x00RRGGBB is
// the same word, so the two differ only in that top byte.
struct DibView {
    const std::uint32_t* bits = nullptr;
    int width = 0;
    int height = 0;
};

// Copies the bitmap into `into` at (0, top), clearing the undefined byte. Parts outside either
// are left alone.
void copy_dib_into(Surface& into, DibView dib, int top = 0);

}  // namespace vorlip
