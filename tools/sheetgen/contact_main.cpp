// vorlip-contact-sheet: draws every frame of the 16 sprite sheets onto one PNG.
#include <iostream>
#include <string>

#include "scene/stage.hpp"
#include "tools/png_io.hpp"
#include "tools/sheetgen/contact_sheet.hpp"

namespace {
constexpr const char* kUsage =
    "usage: vorlip-contact-sheet OUT.png [--sheets DIR]\n"
    "  draws the sheets built into the program, or the sheetNN.bmp files in DIR\n";
}

int main(int argc, char** argv) {
    std::string out, dir;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--help" || a == "-h") {
            std::cout << kUsage;
            return 0;
        }
        if (a == "--sheets") {
            if (i + 1 >= argc) {
                std::cerr << "vorlip-contact-sheet: --sheets needs a folder\n" << kUsage;
                return 2;
            }
            dir = argv[++i];
        } else if (!a.empty() && a[0] == '-') {
            std::cerr << "vorlip-contact-sheet: unknown option " << a << "\n" << kUsage;
            return 2;
        } else if (out.empty()) {
            out = a;
        } else {
            std::cerr << "vorlip-contact-sheet: more than one output file\n" << kUsage;
            return 2;
        }
    }
    if (out.empty()) {
        std::cerr << "vorlip-contact-sheet: no output file\n" << kUsage;
        return 2;
    }
    std::array<vorlip::Surface, 16> sheets;
    std::string error;
    if (dir.empty()) {
        vorlip::load_sheets(sheets);
    } else if (!vorlip::read_sheet_folder(dir, sheets, error)) {
        std::cerr << "vorlip-contact-sheet: " << error << "\n";
        return 1;
    }
    if (!vorlip::write_png(out, vorlip::make_contact_sheet(sheets), error)) {
        std::cerr << "vorlip-contact-sheet: " << error << "\n";
        return 1;
    }
    return 0;
}
