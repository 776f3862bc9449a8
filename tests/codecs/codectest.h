// Helpers of the codec tests: files in the temporary folder, hand-built byte
// streams, pictures made and inspected independently of the codecs' own code.
#pragma once
#include "codecs/codecs.h"
#include <gtest/gtest.h>
#include <windows.h>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

namespace codectest {

typedef HGLOBAL (*INFOPROC)(char *path);
typedef HGLOBAL (*READPROC)(char *path);
typedef short (*WRITEPROC)(char *path, HGLOBAL dib);

struct Codec {
    const char *name, *extension;
    INFOPROC info;
    READPROC read;
    WRITEPROC write;
};
extern const Codec JPG, BMP, GIF, PCX, TGA, PNG;

// A path in the temporary folder, in a 260-character buffer as callers pass
// it; the file is removed when the object goes.
struct TempFile {
    explicit TempFile(const char *name);
    ~TempFile();
    char path[MAX_PATH];
};
void WriteBytes(const char *path, const std::vector<uint8_t> &bytes);
std::vector<uint8_t> ReadBytes(const char *path);
bool FileExists(const char *path);
// Codec temporary files ("kpx*.tmp") left in the temporary folder.
int StrayTempFiles();

// Little-endian byte stream builder.
struct Bytes {
    std::vector<uint8_t> v;
    Bytes &u8(unsigned x);
    Bytes &u16(unsigned x);
    Bytes &u32(uint32_t x);
    Bytes &str(const char *s);
    Bytes &raw(std::initializer_list<uint8_t> bytes);
    Bytes &fill(size_t count, uint8_t value);
    size_t size() const { return v.size(); }
};

// A packed DIB made the plain way: the pixel function gives, for (x, y) from
// the top, an index or a COLORREF (with the fourth byte for 32 bits).
HGLOBAL MakeDib(int width, int height, int bits, const std::vector<COLORREF> &palette,
                uint32_t (*pixel)(int x, int y));

// A locked DIB returned by a codec, with the checks every returned DIB passes.
class Picture {
public:
    explicit Picture(HGLOBAL dib); // takes ownership
    ~Picture();
    Picture(const Picture &) = delete;
    Picture &operator=(const Picture &) = delete;
    explicit operator bool() const { return header != nullptr; }
    // Whether it is a well-formed packed DIB within its block.
    ::testing::AssertionResult WellFormed() const;
    int Width() const { return header->biWidth; }
    int Height() const { return header->biHeight; }
    int Bits() const { return header->biBitCount; }
    // The stored value at (x, y) from the top: an index, or red | green << 8 |
    // blue << 16 (and the fourth byte << 24 for 32 bits).
    uint32_t Pixel(int x, int y) const;
    // The colour at (x, y) as a COLORREF, through the table for indices.
    COLORREF Colour(int x, int y) const;
    COLORREF Entry(int index) const;

    HGLOBAL handle;
    BITMAPINFOHEADER *header = nullptr;
    size_t blocksize = 0;
};

// Whether a codec's picture is well formed, has `bits` bits and holds these
// values (Picture::Pixel), rows from the top.
testing::AssertionResult Holds(const Picture &picture, int bits,
                               std::initializer_list<std::initializer_list<uint32_t>> rows);

// The information block's header and table, for comparison with a picture.
struct Info {
    bool ok = false;
    BITMAPINFOHEADER header{};
    std::vector<COLORREF> table;
};
Info GetInfo(INFOPROC proc, const char *path);

// Calls `proc` on a copy of the path in a 260-character buffer.
HGLOBAL Call(READPROC proc, const char *path);

} // namespace codectest
