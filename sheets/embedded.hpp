// The 16 sprite sheets, built into the program from sheets/sheetNN.bmp.
#pragma once

#include <cstddef>

namespace vorlip {

struct EmbeddedSheet {
    const unsigned char* data;
    std::size_t size;
};

// Sheet 0 to 15.
const EmbeddedSheet& embedded_sheet(int index);

}  // namespace vorlip
