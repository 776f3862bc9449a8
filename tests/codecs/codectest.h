// Helpers of the codec tests: files in the temporary folder, hand-built byte
// streams, pictures made and inspected independently of the codecs' own code.
#pragma once
#include "codecs/codecs.h"
#include <gtest/gtest.h>
#include <windows.h>
#include <cstdint>
#include <cstring>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

namespace codectest {

struct Codec {
    const char *name, *extension;
    HGLOBAL (*info)(char *path);
    HGLOBAL (*read)(char *path);
    short (*write)(char *path, HGLOBAL dib);
};
extern const Codec JPG, BMP, GIF, PCX, TGA, PNG;

// A path in the temporary folder, in a 260-character buffer as callers pass
// it; the file is removed when the object goes.
struct TempFile {
    explicit TempFile(const std::string &name);
    ~TempFile();
    char path[MAX_PATH];
};
void WriteBytes(const char *path, const std::vector<uint8_t> &bytes);
std::vector<uint8_t> ReadBytes(const char *path);
inline bool FileExists(const char *path) { return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES; }
// Codec temporary files ("kpx*.tmp") left in the temporary folder.
int StrayTempFiles();
// Calls the writer on a copy of the path in a 260-character buffer.
short Write(const Codec &codec, const std::string &path, HGLOBAL dib);

// Little-endian byte stream builder.
struct Bytes {
    std::vector<uint8_t> v;
    Bytes &u8(unsigned x) { return raw({uint8_t(x)}); }
    Bytes &u16(unsigned x) { return u8(x & 0xFF).u8(x >> 8 & 0xFF); }
    Bytes &u32(uint32_t x) { return u16(x & 0xFFFF).u16(x >> 16); }
    Bytes &str(const char *s) { return add(std::vector<uint8_t>(s, s + strlen(s))); }
    Bytes &raw(std::initializer_list<uint8_t> bytes) { return add(bytes); }
    Bytes &fill(size_t count, uint8_t value) { return add(std::vector<uint8_t>(count, value)); }
    Bytes &add(const std::vector<uint8_t> &bytes)
    {
        v.insert(v.end(), bytes.begin(), bytes.end());
        return *this;
    }
    size_t size() const { return v.size(); }
};

// The bytes with bits of one of them flipped.
inline std::vector<uint8_t> Changed(std::vector<uint8_t> bytes, size_t at, uint8_t bits)
{
    bytes[at] ^= bits;
    return bytes;
}

// A packed DIB made the plain way: the pixel function gives, for (x, y) from
// the top, an index or a COLORREF (with the fourth byte for 32 bits).
HGLOBAL MakeDib(int width, int height, int bits, const std::vector<COLORREF> &palette,
                uint32_t (*pixel)(int x, int y));

typedef std::vector<std::vector<uint32_t>> Rows; // Picture::Pixel values, rows from the top
Rows Grid(int width, int height, const std::function<uint32_t(int x, int y)> &pixel);

// A locked block returned by a codec, a DIB or an information block.
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
    // Every stored value.
    Rows Values() const
    {
        return Grid(Width(), Height(), [this](int x, int y) { return Pixel(x, y); });
    }

    HGLOBAL handle;
    BITMAPINFOHEADER *header = nullptr;
    size_t blocksize = 0;
};

// Whether a codec's picture is well formed, has `bits` bits and holds these values.
testing::AssertionResult Holds(const Picture &picture, int bits, const Rows &rows);
// Whether two blocks (a picture, its information block, its source) hold the
// same header and colour table.
testing::AssertionResult SameHeader(const Picture &a, const Picture &b);

// A file built by hand and what its codec must make of it.
constexpr int REFUSED = 0;   // neither a picture nor its information
constexpr int NOPIXELS = -1; // the information, but no picture
struct Case {
    const char *name; // the behaviour guarded, as a test name
    std::vector<uint8_t> bytes;
    int bits; // of the picture, or REFUSED or NOPIXELS
    Rows rows = {};
    std::vector<std::pair<int, COLORREF>> entries = {}; // colour table entries to check
    const Codec *codec = nullptr;
};
inline void PrintTo(const Case &c, std::ostream *out) { *out << c.name; }
std::vector<Case> ForCodec(const Codec &codec, std::vector<Case> cases);
struct HandBuilt : testing::TestWithParam<Case> {};
inline std::string CaseName(const testing::TestParamInfo<Case> &info) { return info.param.name; }

// A file that claims more picture than its bytes can make, and the most a
// reader may ask for (kpx::LargestRequest) while refusing or reading it.
struct Claim {
    const char *name;
    std::vector<uint8_t> bytes;
    bool info;            // whether the information block still comes back
    uint64_t most;        // bytes of the largest request allowed
    bool picture = false; // whether a picture comes back
    DWORD error = 0;      // the reason a refused read gives, when it must give one
    const Codec *codec = nullptr;
};
inline void PrintTo(const Claim &c, std::ostream *out) { *out << c.name; }
inline std::vector<Claim> ClaimsFor(const Codec &codec, std::vector<Claim> claims)
{
    for (Claim &c : claims)
        c.codec = &codec;
    return claims;
}
inline std::string ClaimName(const testing::TestParamInfo<Claim> &info) { return info.param.name; }
struct Hostile : testing::TestWithParam<Claim> {};

} // namespace codectest
