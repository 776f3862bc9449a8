// What the header of a packed DIB says the picture's block holds: the one
// rule by which the picture code shows a picture and by which the document
// reader decides how much of a stored picture to take.
#pragma once
#include <windows.h>
#include <cstdint>

// Nothing this 32-bit program holds in one block comes near 2 GiB: a size
// past this is damage.
constexpr uint64_t MAXBLOCKBYTES = 0x7FFFFFFF;
// Writers of pictures round the block that holds one up to their
// allocator's grain: bytes behind the rows up to this many are padding.
constexpr uint32_t DIBPADDING = 16;

// Where everything of a DIB lies, every size checked to fit in 32 bits.
struct DIBLAYOUT {
    int width = 0, height = 0, bits = 0;
    uint32_t rowbytes = 0;
    uint32_t tableoffset = 0; // biSize: the table follows the header, whatever its size
    uint32_t tableentries = 0;
    uint32_t pixeloffset = 0;
    uint32_t total = 0; // the least block that shows the picture
    // The most a block holding the picture may hold: what the header
    // accounts for beyond what is shown (a colour table above 8 bits, bit
    // field masks, an encoding's worst case for the picture's size) and the
    // padding behind it.
    uint32_t most = 0;
};

// Works out the layout of a width × height picture of `bits` bits per pixel
// behind a header of `headersize` bytes; false for sizes of zero or less and
// for anything that would not fit in 32 bits.
bool DibLayout(int width, int height, int bits, uint32_t headersize, DIBLAYOUT *out);
// The layout a header describes; false for a header the readers cannot take
// (shorter than 40 bytes, top-down, empty, or too large).
bool DibHeaderLayout(const BITMAPINFOHEADER *dib, DIBLAYOUT *out);
