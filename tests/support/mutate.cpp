#include "tests/support/mutate.h"
#include "document/objects.h"
#include "player/sample.h"
#include "runtime/messages.h"
#include <zlib.h>
#include <cstdio>
#include <algorithm>
#include <cstring>

namespace {

uint32_t Get32(const std::vector<uint8_t> &v, size_t at)
{
    uint32_t x = 0;
    if (at + 4 <= v.size())
        memcpy(&x, &v[at], 4);
    return x;
}

void Put32(std::vector<uint8_t> &v, size_t at, uint32_t x)
{
    if (at + 4 <= v.size())
        memcpy(&v[at], &x, 4);
}

struct Random {
    uint32_t state;
    uint32_t Next()
    {
        state = state * 1664525u + 1013904223u;
        return state >> 8;
    }
    uint32_t Below(uint32_t n) { return n ? Next() % n : 0; }
};

const uint32_t EXTREMES[] = {0, 1, 2, 0x7F, 0xFF, 0xFFFF, 0x10000, 76, 358, 390, 2288,
                             0x7FFFFFFF, 0x80000000, 0xFFFFFFFF, 0xFFFFFFFE, 0x40000000};

// Field offsets of the header record that hold counts, sizes and flags.
const size_t HEADERFIELDS[] = {4, 8, 12, 16, 318, 322, 330, 338, 2160, 2168};

} // namespace

std::vector<size_t> DocumentRecords(const std::vector<uint8_t> &file)
{
    std::vector<size_t> out;
    if (file.size() < ENDSIZE)
        return out;
    size_t end = file.size() - ENDSIZE;
    out.push_back(end);
    uint32_t length = Get32(file, end + 314) ^ MASK_LENGTH;
    if (length > file.size())
        return out;
    size_t pos = file.size() - length;
    auto objects = [&](size_t at, size_t stop) {
        while (at + OBJECTHEADERSIZE <= stop) {
            out.push_back(at);
            size_t step = (size_t)Get32(file, at + 8) + Get32(file, at + 16);
            if (step == 0)
                break;
            at += step;
        }
    };
    while (pos + 8 <= end) {
        out.push_back(pos);
        uint32_t tag = Get32(file, pos), size = Get32(file, pos + 4);
        if (size == 0 || pos + size > end)
            break;
        if (tag == TAG_HEDR)
            objects(pos + HEDRSIZE, pos + size);
        else if (tag == TAG_PAGE)
            objects(pos + PAGESIZE, pos + size);
        pos += size;
    }
    return out;
}

std::vector<uint8_t> MutateDocument(const std::vector<uint8_t> &file, const std::vector<size_t> &records,
                                    uint32_t seed, std::string *what)
{
    std::vector<uint8_t> v = file;
    Random r{seed * 2654435761u + 17};
    r.Next();
    if (records.size() < 2 || file.size() < ENDSIZE)
        return v;
    size_t trailer = records[0];
    size_t header = records[1];
    size_t span = file.size() - header;
    // Near a record's start most of the time: that is where counts and sizes are.
    auto place = [&]() -> size_t {
        if (r.Below(4) == 0)
            return header + r.Below((uint32_t)span);
        size_t base = records[r.Below((uint32_t)records.size())];
        size_t at = base + r.Below(r.Below(2) ? 48 : 400);
        return at < v.size() ? at : v.size() - 1;
    };
    char text[96];
    switch (r.Below(6)) {
    case 0: { // bit flips
        int flips = 1 + (int)r.Below(4);
        size_t at = place();
        for (int i = 0; i < flips; i++) {
            size_t p = i ? place() : at;
            v[p] ^= (uint8_t)(1u << r.Below(8));
        }
        snprintf(text, sizeof text, "%d bit flips from %u", flips, (unsigned)at);
        break;
    }
    case 1: { // truncation, or bytes lost in the middle
        size_t at = header + r.Below((uint32_t)span);
        if (r.Below(2)) {
            v.resize(at);
            snprintf(text, sizeof text, "truncated to %u", (unsigned)at);
        } else {
            size_t n = 1 + r.Below(64);
            v.erase(v.begin() + (long)at, v.begin() + (long)std::min(v.size(), at + n));
            snprintf(text, sizeof text, "%u bytes cut at %u", (unsigned)n, (unsigned)at);
        }
        break;
    }
    case 2: { // an extreme value in a record's field
        size_t at = place() & ~(size_t)3;
        uint32_t x = EXTREMES[r.Below(sizeof EXTREMES / sizeof EXTREMES[0])];
        Put32(v, at, x);
        snprintf(text, sizeof text, "%08x at %u", x, (unsigned)at);
        break;
    }
    case 3: { // a header field, with the checksum made to match
        size_t field = HEADERFIELDS[r.Below(sizeof HEADERFIELDS / sizeof HEADERFIELDS[0])];
        uint32_t x = r.Below(3) ? EXTREMES[r.Below(sizeof EXTREMES / sizeof EXTREMES[0])]
                                : Get32(v, header + field) ^ (1u << r.Below(32));
        Put32(v, header + field, x);
        uint32_t crc = (uint32_t)crc32(0, &v[header], HEDRSIZE);
        Put32(v, trailer + 318, crc ^ MASK_HEADERCRC);
        snprintf(text, sizeof text, "header field %u = %08x", (unsigned)field, x);
        break;
    }
    case 4: { // a stream overwritten with noise
        size_t at = place();
        size_t n = 1 + r.Below(256);
        for (size_t i = 0; i < n && at + i < v.size(); i++)
            v[at + i] = (uint8_t)r.Next();
        snprintf(text, sizeof text, "%u noise bytes at %u", (unsigned)n, (unsigned)at);
        break;
    }
    default: { // the trailer's length or checksum
        size_t field = r.Below(2) ? 314 : 318;
        uint32_t x = Get32(v, trailer + field) ^ (r.Below(2) ? (1u << r.Below(32)) : r.Next());
        Put32(v, trailer + field, x);
        snprintf(text, sizeof text, "trailer field %u = %08x", (unsigned)field, x);
        break;
    }
    }
    if (what)
        *what = text;
    return v;
}

std::vector<uint8_t> MutateRecords(const std::vector<uint8_t> &bytes, const std::vector<size_t> &records,
                                   uint32_t seed, std::string *what)
{
    std::vector<uint8_t> v = bytes;
    Random r{seed * 2246822519u + 5};
    r.Next();
    if (v.empty() || records.empty())
        return v;
    auto place = [&]() -> size_t {
        size_t at = r.Below(4) == 0 ? r.Below((uint32_t)v.size())
                                    : records[r.Below((uint32_t)records.size())] + r.Below(r.Below(2) ? 48 : 400);
        return at < v.size() ? at : v.size() - 1;
    };
    char text[96];
    switch (r.Below(4)) {
    case 0: {
        int flips = 1 + (int)r.Below(4);
        size_t at = place();
        for (int i = 0; i < flips; i++)
            v[i ? place() : at] ^= (uint8_t)(1u << r.Below(8));
        snprintf(text, sizeof text, "%d bit flips from %u", flips, (unsigned)at);
        break;
    }
    case 1: {
        size_t at = place() & ~(size_t)3;
        uint32_t x = EXTREMES[r.Below(sizeof EXTREMES / sizeof EXTREMES[0])];
        Put32(v, at, x);
        snprintf(text, sizeof text, "%08x at %u", x, (unsigned)at);
        break;
    }
    case 2: {
        size_t at = place(), n = 1 + r.Below(64);
        for (size_t i = 0; i < n && at + i < v.size(); i++)
            v[at + i] = (uint8_t)r.Next();
        snprintf(text, sizeof text, "%u noise bytes at %u", (unsigned)n, (unsigned)at);
        break;
    }
    default: {
        size_t at = place(), n = r.Below(2) ? v.size() - at : 1 + r.Below(64);
        v.erase(v.begin() + (long)at, v.begin() + (long)std::min(v.size(), at + n));
        snprintf(text, sizeof text, "%u bytes cut at %u", (unsigned)n, (unsigned)at);
        break;
    }
    }
    if (what)
        *what = text;
    return v;
}

int WriteHostileBase(const char *path, bool fonts)
{
    SAMPLEDOC doc("Hostile", 320, 240, RGB(10, 10, 10));
    doc.header.hedr.flags |= HEDR_PROGRESS | (fonts ? HEDR_EMBEDFONTS : 0);
    doc.Add(doc.header, TAG_WAVE, RECT{0, 0, 0, 0}, nullptr, SampleWave());
    BLOCK &one = doc.Page("One", RGB(30, 60, 90));
    if (HGLOBAL t = doc.Add(one, TAG_TEXT, RECT{10, 10, 300, 40}, "Words"))
        snprintf(((OBJECTTEXT *)GlobalLock(t))->face, 33, "%s", fonts ? "Sbtest Hostile Face" : "Arial"),
            GlobalUnlock(t);
    doc.Add(one, TAG_FRAM, RECT{10, 50, 150, 120});
    doc.Add(one, TAG_BUTN, RECT{160, 50, 300, 80}, "Next");
    doc.Add(one, TAG_CHEC, RECT{160, 90, 300, 110}, "Check");
    doc.Add(one, TAG_EDIT, RECT{160, 120, 300, 140}, "Edit");
    doc.Add(one, TAG_LIST, RECT{160, 150, 300, 200}, "Item");
    doc.Add(one, TAG_STAT, RECT{10, 130, 74, 178}, nullptr, SamplePicture(64, 48, 3));
    if (HGLOBAL h = doc.Add(one, TAG_IMAG, RECT{80, 130, 144, 178}, nullptr, SamplePicture(64, 48, 5))) {
        ((OBJECTIMAGE *)GlobalLock(h))->wait = 1;
        GlobalUnlock(h);
    }
    BLOCK &two = doc.Page("Two", RGB(90, 60, 30));
    if (HGLOBAL h = doc.Add(two, TAG_ANIM, RECT{10, 10, 42, 42}, nullptr, SampleAnimation(32, 3))) {
        ((OBJECTANIM *)GlobalLock(h))->frames = 3;
        GlobalUnlock(h);
    }
    doc.Add(two, TAG_WAVE, RECT{50, 10, 82, 42}, nullptr, SampleWave());
    doc.Add(two, TAG_MIDI, RECT{90, 10, 122, 42}, nullptr, SampleMidi());
    doc.Add(two, TAG_TIME, RECT{130, 10, 162, 42});
    doc.Add(two, TAG_RDIO, RECT{10, 60, 160, 80}, "Radio");
    return doc.Save(path) ? 1 : 0;
}
