#include "tests/codecs/codectest.h"
#include <cstdio>
#include <cstring>

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

TempFile::TempFile(const char *name)
{
    snprintf(path, sizeof path, "%ssbcodec_%lu_%s", TempFolder().c_str(), GetCurrentProcessId(), name);
    DeleteFileA(path);
}

TempFile::~TempFile()
{
    DeleteFileA(path);
}

void WriteBytes(const char *path, const std::vector<uint8_t> &bytes)
{
    FILE *f = fopen(path, "wb");
    ASSERT_TRUE(f) << path;
    if (!bytes.empty())
        fwrite(bytes.data(), 1, bytes.size(), f);
    fclose(f);
}

std::vector<uint8_t> ReadBytes(const char *path)
{
    std::vector<uint8_t> bytes;
    FILE *f = fopen(path, "rb");
    if (!f)
        return bytes;
    uint8_t buffer[65536];
    size_t got;
    while ((got = fread(buffer, 1, sizeof buffer, f)) > 0)
        bytes.insert(bytes.end(), buffer, buffer + got);
    fclose(f);
    return bytes;
}

bool FileExists(const char *path)
{
    return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES;
}

int StrayTempFiles()
{
    std::string pattern = TempFolder() + "kpx*.tmp";
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(pattern.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return 0;
    int count = 0;
    do
        count++;
    while (FindNextFileA(search, &found));
    FindClose(search);
    return count;
}

Bytes &Bytes::u8(unsigned x)
{
    v.push_back(uint8_t(x));
    return *this;
}

Bytes &Bytes::u16(unsigned x)
{
    return u8(x & 0xFF).u8(x >> 8 & 0xFF);
}

Bytes &Bytes::u32(uint32_t x)
{
    return u16(x & 0xFFFF).u16(x >> 16);
}

Bytes &Bytes::str(const char *s)
{
    while (*s)
        u8(uint8_t(*s++));
    return *this;
}

Bytes &Bytes::raw(std::initializer_list<uint8_t> bytes)
{
    v.insert(v.end(), bytes);
    return *this;
}

Bytes &Bytes::fill(size_t count, uint8_t value)
{
    v.insert(v.end(), count, value);
    return *this;
}

static int RowBytes(int width, int bits)
{
    return (width * bits + 31) / 32 * 4;
}

HGLOBAL MakeDib(int width, int height, int bits, const std::vector<COLORREF> &palette,
                uint32_t (*pixel)(int x, int y))
{
    int entries = bits <= 8 ? 1 << bits : 0;
    int rowbytes = RowBytes(width, bits);
    HGLOBAL dib = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, 40 + entries * 4 + rowbytes * height);
    auto *h = (BITMAPINFOHEADER *)GlobalLock(dib);
    h->biSize = 40;
    h->biWidth = width;
    h->biHeight = height;
    h->biPlanes = 1;
    h->biBitCount = WORD(bits);
    h->biSizeImage = rowbytes * height;
    h->biClrUsed = h->biClrImportant = entries;
    auto *table = (RGBQUAD *)(h + 1);
    for (int i = 0; i < entries && i < (int)palette.size(); i++)
        table[i] = RGBQUAD{GetBValue(palette[i]), GetGValue(palette[i]), GetRValue(palette[i]), 0};
    uint8_t *bitsp = (uint8_t *)(table + entries);
    for (int y = 0; y < height; y++) {
        uint8_t *row = bitsp + (height - 1 - y) * rowbytes;
        for (int x = 0; x < width; x++) {
            uint32_t v = pixel(x, y);
            switch (bits) {
            case 1:
                if (v)
                    row[x / 8] |= 0x80 >> (x % 8);
                break;
            case 4:
                row[x / 2] |= (x % 2) ? v & 15 : (v & 15) << 4;
                break;
            case 8:
                row[x] = uint8_t(v);
                break;
            default:
                row[x * bits / 8] = GetBValue(v);
                row[x * bits / 8 + 1] = GetGValue(v);
                row[x * bits / 8 + 2] = GetRValue(v);
                if (bits == 32)
                    row[x * 4 + 3] = uint8_t(v >> 24);
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
    const uint8_t *row = (const uint8_t *)header + 40 + (bits <= 8 ? 4 << bits : 0) +
                         (Height() - 1 - y) * RowBytes(Width(), bits);
    switch (bits) {
    case 1:
        return (row[x / 8] >> (7 - x % 8)) & 1;
    case 4:
        return (x % 2) ? row[x / 2] & 15 : row[x / 2] >> 4;
    case 8:
        return row[x];
    case 24:
        return RGB(row[x * 3 + 2], row[x * 3 + 1], row[x * 3]);
    default:
        return RGB(row[x * 4 + 2], row[x * 4 + 1], row[x * 4]) | uint32_t(row[x * 4 + 3]) << 24;
    }
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

testing::AssertionResult Holds(const Picture &picture, int bits,
                               std::initializer_list<std::initializer_list<uint32_t>> rows)
{
    testing::AssertionResult formed = picture.WellFormed();
    if (!formed)
        return formed;
    if (picture.Bits() != bits || picture.Height() != int(rows.size()) ||
        picture.Width() != int(rows.begin()->size()))
        return testing::AssertionFailure() << picture.Width() << "x" << picture.Height() << "x" << picture.Bits();
    int y = 0;
    for (auto &row : rows) {
        int x = 0;
        for (uint32_t value : row) {
            if (picture.Pixel(x, y) != value)
                return testing::AssertionFailure() << "pixel " << x << "," << y << " is 0x" << std::hex
                                                   << picture.Pixel(x, y) << ", not 0x" << value;
            x++;
        }
        y++;
    }
    return testing::AssertionSuccess();
}

Info GetInfo(INFOPROC proc, const char *path)
{
    Info info;
    char buffer[MAX_PATH];
    snprintf(buffer, sizeof buffer, "%s", path);
    HGLOBAL block = proc(buffer);
    if (!block)
        return info;
    auto *h = (BITMAPINFOHEADER *)GlobalLock(block);
    info.header = *h;
    if (h->biBitCount <= 8 && GlobalSize(block) >= 40 + (4u << h->biBitCount)) {
        auto *q = (RGBQUAD *)(h + 1);
        for (int i = 0; i < 1 << h->biBitCount; i++)
            info.table.push_back(RGB(q[i].rgbRed, q[i].rgbGreen, q[i].rgbBlue));
    }
    info.ok = true;
    GlobalUnlock(block);
    GlobalFree(block);
    return info;
}

HGLOBAL Call(READPROC proc, const char *path)
{
    char buffer[MAX_PATH];
    snprintf(buffer, sizeof buffer, "%s", path);
    return proc(buffer);
}

} // namespace codectest
