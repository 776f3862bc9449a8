#include "tests/support/mediafiles.h"
#include <mmsystem.h>
#include <zlib.h>

namespace sbtest {

namespace {

void PutBig(std::string &s, uint32_t v)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        s += (char)(v >> shift);
}

void PutChunk(std::string &file, const char *type, const std::string &data)
{
    PutBig(file, (uint32_t)data.size());
    std::string body = type + data;
    file += body;
    PutBig(file, (uint32_t)crc32(0, (const Bytef *)body.data(), (uInt)body.size()));
}

using Bytes = std::vector<uint8_t>;

Bytes operator+(Bytes a, const Bytes &b) { return a.insert(a.end(), b.begin(), b.end()), a; }
template <class T> Bytes Raw(const T &v) { return Bytes((const uint8_t *)&v, (const uint8_t *)&v + sizeof v); }

Bytes Riff(const char *id, const Bytes &body, const char *type = nullptr)
{
    uint32_t size = (uint32_t)body.size() + (type ? 4 : 0);
    Bytes d(id, id + 4);
    d = d + Raw(size);
    if (type)
        d.insert(d.end(), type, type + 4);
    d = d + body;
    if (d.size() & 1)
        d.push_back(0);
    return d;
}

} // namespace

std::string Mng(int w, int h, const std::vector<std::pair<COLORREF, uint32_t>> &frames, uint32_t repeat)
{
    std::string file("\x8AMNG\r\n\x1A\n", 8), mhdr, term("\x03\x00\0\0\0\0", 6);
    for (uint32_t v : {(uint32_t)w, (uint32_t)h, 1000u, 0u, 0u, 0u, 0u})
        PutBig(mhdr, v);
    PutChunk(file, "MHDR", mhdr);
    PutBig(term, repeat);
    PutChunk(file, "TERM", term);
    for (auto [colour, delay] : frames) {
        std::string fram("\x01\x00\x02\x00\x00\x00", 6), ihdr, rows;
        PutBig(fram, delay);
        PutChunk(file, "FRAM", fram);
        PutBig(ihdr, w);
        PutBig(ihdr, h);
        PutChunk(file, "IHDR", ihdr + std::string("\x08\x02\x00\x00\x00", 5));
        for (int y = 0; y < h; y++) {
            rows += '\0';
            for (int x = 0; x < w; x++)
                rows += {(char)GetRValue(colour), (char)GetGValue(colour), (char)GetBValue(colour)};
        }
        std::string packed(compressBound((uLong)rows.size()), '\0');
        uLongf n = (uLongf)packed.size();
        compress((Bytef *)packed.data(), &n, (const Bytef *)rows.data(), (uLong)rows.size());
        PutChunk(file, "IDAT", packed.substr(0, n));
        PutChunk(file, "IEND", "");
    }
    PutChunk(file, "MEND", "");
    return file;
}

Bytes Avi(int width, int height, uint32_t frames, int bpp)
{
    uint32_t row = (uint32_t)(width * bpp + 3) & ~3u, framebytes = row * (uint32_t)height;
    uint32_t avih[14] = {100000, 0, 0, 0x10, frames, 0, 1, framebytes, (uint32_t)width, (uint32_t)height};
    uint32_t strh[14] = {mmioFOURCC('v', 'i', 'd', 's'), 0, 0, 0, 0, 1, 10, 0, frames, framebytes, 0xFFFFFFFF, 0};
    BITMAPINFOHEADER strf{40, width, height, 1, (WORD)(bpp * 8), BI_RGB, framebytes, 0, 0, 0, 0};
    Bytes movi, index;
    for (uint32_t i = 0; i < frames; i++) {
        Bytes pixels(framebytes);
        for (int y = 0; y < height; y++)
            for (int x = 0; x < width; x++) {
                uint8_t *p = &pixels[y * row + x * bpp];
                int band = (x * 4 / width + (int)i) % 4;
                p[0] = band == 0 ? 200 : 40, p[1] = band == 1 ? 180 : 60, p[2] = band >= 2 ? 220 : 30;
            }
        uint32_t entry[4] = {mmioFOURCC('0', '0', 'd', 'b'), 0x10, 4 + (8 + framebytes) * i, framebytes};
        movi = movi + Riff("00db", pixels);
        index = index + Raw(entry);
    }
    Bytes strl = Riff("LIST", Riff("strh", Raw(strh)) + Riff("strf", Raw(strf)), "strl");
    Bytes hdrl = Riff("LIST", Riff("avih", Raw(avih)) + strl, "hdrl");
    return Riff("RIFF", hdrl + Riff("LIST", movi, "movi") + Riff("idx1", index), "AVI ");
}

} // namespace sbtest
