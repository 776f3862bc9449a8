#include "document/trailer.h"
#include "document/compress.h"
#include "document/records.h"
#include <emmintrin.h>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

namespace {

// The tail of the file is searched for the trailer in pieces of this size.
constexpr uint32_t SCANCHUNK = 1u << 20;

bool ReadAt(HANDLE file, uint64_t size, uint64_t at, void *data, uint32_t count, DOCUMENTREADER read)
{
    return at <= size && count <= size - at && SeekTo(file, at) && ReadBytes(file, data, count, read);
}

bool TrailerAt(const uint8_t *bytes, uint64_t start, DOCUMENTTRAILER *t)
{
    ENDRECORD e;
    memcpy(&e, bytes, sizeof e);
    if (e.tag != TAG_END || e.size != 0 || e.recordsize != ENDSIZE)
        return false;
    uint32_t length = e.length ^ MASK_LENGTH;
    if (length < HEDRSIZE + ENDSIZE || length > start + ENDSIZE)
        return false;
    *t = {start, length, e.headercrc ^ MASK_HEADERCRC};
    return true;
}

// Offsets below `count` where the bytes "END$" begin; `p` holds at least
// count + 3 bytes and lies on a 16-byte boundary. Most of a large file is
// passed over 128 bytes at a time, looking at aligned pairs of bytes: a tag
// starting at an even offset has "EN" in a pair, one starting at an odd
// offset has "ND" in the pair after it.
void FindTags(const uint8_t *p, uint32_t count, std::vector<uint32_t> &hits)
{
    hits.clear();
    const __m128i en = _mm_set1_epi16('E' | 'N' << 8), nd = _mm_set1_epi16('N' | 'D' << 8);
    auto pairs = [&](uint32_t at) {
        __m128i v = _mm_load_si128((const __m128i *)(p + at));
        return _mm_or_si128(_mm_cmpeq_epi16(v, en), _mm_cmpeq_epi16(v, nd));
    };
    auto look = [&](uint32_t from, uint32_t to) {
        for (uint32_t j = from; j < to; j++)
            if (memcmp(p + j, "END$", 4) == 0)
                hits.push_back(j);
    };
    uint32_t i = 0;
    for (; i + 128 <= count; i += 128) {
        __m128i m = _mm_or_si128(_mm_or_si128(_mm_or_si128(pairs(i), pairs(i + 16)),
                                              _mm_or_si128(pairs(i + 32), pairs(i + 48))),
                                 _mm_or_si128(_mm_or_si128(pairs(i + 64), pairs(i + 80)),
                                              _mm_or_si128(pairs(i + 96), pairs(i + 112))));
        // A pair found here stands for tags starting from one byte before
        // the block; the block's last byte is the next block's to look at.
        if (_mm_movemask_epi8(m))
            look(i ? i - 1 : 0, i + 127);
    }
    look(i ? i - 1 : 0, count);
}

} // namespace

static bool SearchTrailer(HANDLE file, uint64_t size, DOCUMENTTRAILER *t, DOCUMENTREADER read, bool *failed)
{
    if (size < HEDRSIZE + ENDSIZE)
        return false;
    uint8_t last[ENDSIZE];
    if (!ReadAt(file, size, size - ENDSIZE, last, ENDSIZE, read))
        return *failed = true, false;
    if (TrailerAt(last, size - ENDSIZE, t))
        return true;
    std::unique_ptr<uint8_t[]> storage(new (std::nothrow) uint8_t[SCANCHUNK + ENDSIZE + 64]);
    if (!storage)
        return *failed = true, false;
    // On a cache line, so the search's loads never straddle two.
    uint8_t *buffer = (uint8_t *)(((uintptr_t)storage.get() + 63) & ~(uintptr_t)63);
    std::vector<uint32_t> hits;
    // A trailer needs a whole header before it.
    const uint64_t lowest = HEDRSIZE;
    uint64_t hi = size - ENDSIZE; // highest start still to look at
    while (hi >= lowest) {
        uint64_t lo = hi - lowest >= SCANCHUNK - 1 ? hi - (SCANCHUNK - 1) : lowest;
        uint32_t starts = (uint32_t)(hi - lo + 1);
        if (!ReadAt(file, size, lo, buffer, starts + ENDSIZE - 1, read))
            return *failed = true, false;
        FindTags(buffer, starts, hits);
        for (auto i = hits.rbegin(); i != hits.rend(); ++i)
            if (TrailerAt(buffer + *i, lo + *i, t))
                return true;
        if (lo == lowest)
            break;
        hi = lo - 1;
    }
    return false;
}

bool FindDocumentTrailer(HANDLE file, uint64_t size, DOCUMENTTRAILER *t, DOCUMENTREADER read, bool *unreadable)
{
    bool failed = false;
    bool found = SearchTrailer(file, size, t, read, &failed);
    if (unreadable)
        *unreadable = !found && failed;
    return found;
}
