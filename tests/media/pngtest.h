// Helpers of the PNG and MNG tests: pictures encoded by libpng's writer,
// split into chunks that a test can change, and files in the temp folder.
#pragma once
#include "tests/media/picturetest.h"
#include <png.h>
#include <zlib.h>
#include <string>

namespace pngtest {

struct Chunk {
    std::string type;
    std::vector<uint8_t> data;
    bool badcrc = false;
    uint32_t length = 0xFFFFFFFF; // the stored length when not this
};
using Chunks = std::vector<Chunk>;

inline void PNGCBAPI Append(png_structp png, png_bytep p, png_size_t n)
{
    auto *out = (std::vector<uint8_t> *)png_get_io_ptr(png);
    out->insert(out->end(), p, p + n);
}
inline void PNGCBAPI NoFlush(png_structp) {}

inline uint32_t Big(const uint8_t *p)
{
    return (uint32_t)p[0] << 24 | p[1] << 16 | p[2] << 8 | p[3];
}
inline void PutBig(std::vector<uint8_t> &v, uint32_t n)
{
    for (int s = 24; s >= 0; s -= 8)
        v.push_back((uint8_t)(n >> s));
}

// Palette entry i of the pictures of colour type 3.
inline png_color PaletteEntry(int i)
{
    return {(png_byte)(i * 7), (png_byte)(255 - i), (png_byte)(i * 3)};
}

// The chunks (no signature) of a picture of random samples, and its rows.
inline Chunks Encode(int w, int h, int colourtype, int depth, bool interlace, std::vector<uint8_t> *rows,
                     uint32_t seed = 1)
{
    static const int channels[] = {1, 0, 3, 1, 2, 0, 4};
    size_t rowbytes = (w * channels[colourtype] * depth + 7) / 8;
    rows->resize(rowbytes * h);
    pictest::Random random(seed);
    for (auto &b : *rows)
        b = (uint8_t)random.Next();
    std::vector<uint8_t> file;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, NULL, NULL, NULL);
    png_infop info = png_create_info_struct(png);
    png_set_write_fn(png, &file, Append, NoFlush);
    png_set_compression_buffer_size(png, 64); // several IDAT chunks
    png_set_IHDR(png, info, w, h, depth, colourtype, interlace ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, 0, 0);
    png_color palette[256];
    for (int i = 0; i < 256; ++i)
        palette[i] = PaletteEntry(i);
    if (colourtype == PNG_COLOR_TYPE_PALETTE)
        png_set_PLTE(png, info, palette, 1 << depth);
    png_write_info(png, info);
    std::vector<png_bytep> pointers;
    for (int y = 0; y < h; ++y)
        pointers.push_back(rows->data() + y * rowbytes);
    png_write_image(png, pointers.data());
    png_write_end(png, NULL);
    png_destroy_write_struct(&png, &info);
    Chunks chunks;
    for (size_t at = 8; at + 12 <= file.size(); at += 12 + Big(&file[at])) {
        auto *p = &file[at];
        chunks.push_back({std::string((char *)p + 4, 4), std::vector<uint8_t>(p + 8, p + 8 + Big(p))});
    }
    return chunks;
}

inline size_t Find(const Chunks &chunks, const char *type)
{
    for (size_t i = 0; i < chunks.size(); ++i)
        if (chunks[i].type == type)
            return i;
    return chunks.size();
}

inline std::vector<uint8_t> Serialise(const char *signature, const Chunks &chunks)
{
    std::vector<uint8_t> out(signature, signature + 8);
    for (auto &c : chunks) {
        PutBig(out, c.length != 0xFFFFFFFF ? c.length : (uint32_t)c.data.size());
        size_t start = out.size();
        out.insert(out.end(), c.type.begin(), c.type.end());
        out.insert(out.end(), c.data.begin(), c.data.end());
        uLong crc = crc32(0, &out[start], (uInt)(out.size() - start));
        PutBig(out, (uint32_t)crc ^ (c.badcrc ? 1 : 0));
    }
    return out;
}
inline std::vector<uint8_t> Png(const Chunks &chunks)
{
    return Serialise("\x89PNG\r\n\x1a\n", chunks);
}

// A file in the temp folder, removed at the end of the test.
struct TempFile {
    std::string path;
    TempFile()
    {
        char dir[MAX_PATH], name[MAX_PATH];
        GetTempPathA(MAX_PATH, dir);
        GetTempFileNameA(dir, "sbp", 0, name);
        path = name;
    }
    explicit TempFile(const std::vector<uint8_t> &bytes) : TempFile() { Write(bytes, bytes.size()); }
    ~TempFile() { DeleteFileA(path.c_str()); }
    void Write(const std::vector<uint8_t> &bytes, size_t n)
    {
        FILE *fp = fopen(path.c_str(), "wb");
        fwrite(bytes.data(), 1, n, fp);
        fclose(fp);
    }
    const char *c_str() const { return path.c_str(); }
};

} // namespace pngtest
