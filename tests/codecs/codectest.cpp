#include "tests/codecs/codectest.h"
#include <cstdio>
#include <fstream>
#include <iterator>

namespace codectest {

const Codec JPG{"JPG", "jpg", JPGGetFileInformation, JPGReadGraphicFile, JPGWriteGraphicFile};
const Codec BMP{"BMP", "bmp", BMPGetFileInformation, BMPReadGraphicFile, BMPWriteGraphicFile};
const Codec GIF{"GIF", "gif", GIFGetFileInformation, GIFReadGraphicFile, GIFWriteGraphicFile};
const Codec PCX{"PCX", "pcx", PCXGetFileInformation, PCXReadGraphicFile, PCXWriteGraphicFile};
const Codec TGA{"TGA", "tga", TGAGetFileInformation, TGAReadGraphicFile, TGAWriteGraphicFile};
const Codec PNG{"PNG", "png", PNGGetFileInformation, PNGReadGraphicFile, PNGWriteGraphicFile};

static std::string TempFolder()
{
    char folder[MAX_PATH];
    GetTempPathA(MAX_PATH, folder);
    return folder;
}

TempFile::TempFile(const std::string &name)
{
    snprintf(path, sizeof path, "%ssbcodec_%lu_%s", TempFolder().c_str(), GetCurrentProcessId(), name.c_str());
    DeleteFileA(path);
}

TempFile::~TempFile()
{
    DeleteFileA(path);
}

void WriteBytes(const char *path, const std::vector<uint8_t> &bytes)
{
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write((const char *)bytes.data(), std::streamsize(bytes.size()));
    ASSERT_TRUE(file.good()) << path;
}

std::vector<uint8_t> ReadBytes(const char *path)
{
    std::ifstream file(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

int StrayTempFiles()
{
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((TempFolder() + "kpx*.tmp").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return 0;
    int count = 1;
    while (FindNextFileA(search, &found))
        count++;
    FindClose(search);
    return count;
}

short Write(const Codec &codec, const std::string &path, HGLOBAL dib)
{
    char buffer[MAX_PATH];
    snprintf(buffer, sizeof buffer, "%s", path.c_str());
    return codec.write(buffer, dib);
}

static int RowBytes(int width, int bits)
{
    return (width * bits + 31) / 32 * 4;
}

static uint8_t *PixelRow(BITMAPINFOHEADER *h, int y)
{
    int bits = h->biBitCount;
    return (uint8_t *)h + 40 + (bits <= 8 ? 4 << bits : 0) + (h->biHeight - 1 - y) * RowBytes(h->biWidth, bits);
}

HGLOBAL MakeDib(int width, int height, int bits, const std::vector<COLORREF> &palette,
                uint32_t (*pixel)(int x, int y))
{
    int entries = bits <= 8 ? 1 << bits : 0;
    HGLOBAL dib = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, 40 + entries * 4 + RowBytes(width, bits) * height);
    auto *h = (BITMAPINFOHEADER *)GlobalLock(dib);
    *h = BITMAPINFOHEADER{40, width, height, 1, WORD(bits), BI_RGB, DWORD(RowBytes(width, bits) * height), 0, 0,
                          DWORD(entries), DWORD(entries)};
    auto *table = (RGBQUAD *)(h + 1);
    for (int i = 0; i < entries && i < (int)palette.size(); i++)
        table[i] = RGBQUAD{GetBValue(palette[i]), GetGValue(palette[i]), GetRValue(palette[i]), 0};
    for (int y = 0; y < height; y++) {
        uint8_t *row = PixelRow(h, y);
        for (int x = 0; x < width; x++) {
            uint32_t v = pixel(x, y);
            if (bits <= 8) {
                int bit = x * bits;
                row[bit / 8] |= uint8_t((v & ((1u << bits) - 1)) << (8 - bits - bit % 8));
            } else {
                uint8_t *p = row + x * bits / 8;
                p[0] = GetBValue(v), p[1] = GetGValue(v), p[2] = GetRValue(v);
                if (bits == 32)
                    p[3] = uint8_t(v >> 24);
            }
        }
    }
    GlobalUnlock(dib);
    return dib;
}

Picture::Picture(HGLOBAL dib) : handle(dib)
{
    if (dib) {
        header = (BITMAPINFOHEADER *)GlobalLock(dib);
        blocksize = GlobalSize(dib);
    }
}

Picture::~Picture()
{
    if (handle) {
        if (header)
            GlobalUnlock(handle);
        GlobalFree(handle);
    }
}

testing::AssertionResult Picture::WellFormed() const
{
    if (!header)
        return testing::AssertionFailure() << "no picture";
    const BITMAPINFOHEADER &h = *header;
    int bits = h.biBitCount;
    if (h.biSize != 40 || h.biPlanes != 1 || h.biCompression != BI_RGB || h.biWidth <= 0 || h.biHeight <= 0 ||
        (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32))
        return testing::AssertionFailure() << "header " << h.biSize << " " << h.biWidth << "x" << h.biHeight << "x"
                                           << bits << " compression " << h.biCompression;
    size_t need = 40 + (bits <= 8 ? 4u << bits : 0) + size_t(RowBytes(h.biWidth, bits)) * h.biHeight;
    if (blocksize < need)
        return testing::AssertionFailure() << "block of " << blocksize << " bytes, needs " << need;
    if (h.biSizeImage != DWORD(RowBytes(h.biWidth, bits) * h.biHeight))
        return testing::AssertionFailure() << "biSizeImage " << h.biSizeImage;
    return testing::AssertionSuccess();
}

uint32_t Picture::Pixel(int x, int y) const
{
    int bits = Bits();
    const uint8_t *row = PixelRow(header, y);
    if (bits <= 8) {
        int bit = x * bits;
        return (row[bit / 8] >> (8 - bits - bit % 8)) & ((1 << bits) - 1);
    }
    const uint8_t *p = row + x * bits / 8;
    return RGB(p[2], p[1], p[0]) | (bits == 32 ? uint32_t(p[3]) << 24 : 0);
}

COLORREF Picture::Entry(int index) const
{
    const RGBQUAD &q = ((const RGBQUAD *)(header + 1))[index];
    return RGB(q.rgbRed, q.rgbGreen, q.rgbBlue);
}

COLORREF Picture::Colour(int x, int y) const
{
    uint32_t v = Pixel(x, y);
    return Bits() <= 8 ? Entry(int(v)) : v & 0xFFFFFF;
}

Rows Grid(int width, int height, const std::function<uint32_t(int x, int y)> &pixel)
{
    Rows rows(height, std::vector<uint32_t>(width));
    for (int y = 0; y < height; y++)
        for (int x = 0; x < width; x++)
            rows[y][x] = pixel(x, y);
    return rows;
}

testing::AssertionResult Holds(const Picture &picture, int bits, const Rows &rows)
{
    testing::AssertionResult formed = picture.WellFormed();
    if (!formed)
        return formed;
    if (picture.Bits() != bits || picture.Height() != int(rows.size()) || picture.Width() != int(rows[0].size()))
        return testing::AssertionFailure() << picture.Width() << "x" << picture.Height() << "x" << picture.Bits();
    for (int y = 0; y < picture.Height(); y++)
        for (int x = 0; x < picture.Width(); x++)
            if (picture.Pixel(x, y) != rows[y][x])
                return testing::AssertionFailure() << "pixel " << x << "," << y << " is 0x" << std::hex
                                                   << picture.Pixel(x, y) << ", not 0x" << rows[y][x];
    return testing::AssertionSuccess();
}

testing::AssertionResult SameHeader(const Picture &a, const Picture &b)
{
    if (!a || !b)
        return testing::AssertionFailure() << "missing block";
    size_t table = b.Bits() <= 8 ? 4u << b.Bits() : 0;
    if (a.blocksize < 40 + table || b.blocksize < 40 + table || memcmp(a.header, b.header, 40 + table) != 0)
        return testing::AssertionFailure() << a.Width() << "x" << a.Height() << "x" << a.Bits() << " and "
                                           << b.Width() << "x" << b.Height() << "x" << b.Bits()
                                           << " differ in header or table";
    return testing::AssertionSuccess();
}

std::vector<Case> ForCodec(const Codec &codec, std::vector<Case> cases)
{
    for (Case &c : cases)
        c.codec = &codec;
    return cases;
}

} // namespace codectest
