#include "media/avicheck.h"
#include "codecs/shared/kpxshared.h"
#include <vfw.h>
#include <algorithm>
#include <cstring>
#include <vector>

namespace {

constexpr uint32_t FourCC(const char (&s)[5])
{
    return uint32_t(uint8_t(s[0])) | uint32_t(uint8_t(s[1])) << 8 | uint32_t(uint8_t(s[2])) << 16 |
           uint32_t(uint8_t(s[3])) << 24;
}
constexpr uint32_t RIFF = FourCC("RIFF"), LIST = FourCC("LIST");

// The header list is read whole; real ones take a few kilobytes (an OpenDML
// index table somewhat more).
constexpr uint32_t MAXHEADERLIST = 4u << 20;
// 16 bytes an entry: some hours of video.
constexpr uint32_t MAXINDEX = 64u << 20;
// Lists inside lists: the deepest real files go is three.
constexpr unsigned MAXDEPTH = 4;
constexpr uint32_t MAXSTREAMS = 64;
constexpr uint32_t MAINHEADER = 56, STREAMHEADER = 56, WAVEBYTES = 16, WAVEEXBYTES = 18, PCMFORMAT = 1;
// A compressed key frame still spends some bits on every block of pixels:
// two bytes for a thousand blocks of 16 is the most any video coder skips.
constexpr uint64_t MAXPIXELSPERBYTE = 8192;

using kpx::Le16;
using kpx::Le32;

// The bytes under check: a file, or a buffer already in memory.
struct File {
    HANDLE handle;
    uint64_t size;
    const uint8_t *bytes = nullptr;

    bool Read(uint64_t at, void *out, uint32_t count)
    {
        if (bytes) {
            if (at > size || count > size - at)
                return false;
            memcpy(out, bytes + at, count);
            return true;
        }
        LARGE_INTEGER to;
        to.QuadPart = (LONGLONG)at;
        DWORD got = 0;
        return at <= size && count <= size - at && SetFilePointerEx(handle, to, NULL, FILE_BEGIN) &&
               ReadFile(handle, out, count, &got, NULL) && got == count;
    }
};

struct Chunk {
    uint32_t id = 0, size = 0;
    uint64_t data = 0, end = 0; // end: after the pad byte, which the last chunk may lack
};

// The chunk whose header `head` stands at `at`, in a parent ending at `end`;
// false when it does not fit.
bool MakeChunk(const uint8_t *head, uint64_t at, uint64_t end, Chunk *c)
{
    if (at > end || end - at < 8)
        return false;
    c->id = Le32(head);
    c->size = Le32(head + 4);
    c->data = at + 8;
    if (c->size > end - c->data)
        return false;
    c->end = c->data + c->size + (c->size & 1);
    if (c->end > end)
        c->end = end;
    return true;
}

// What a stream header claims of its length: frames (one chunk each) or,
// with a sample size, samples of that many bytes.
struct StreamLength {
    uint32_t length = 0, samplesize = 0;
};

struct Streams {
    uint32_t declared = 0, count = 0, flags = 0;
    StreamLength lengths[MAXSTREAMS];
    uint32_t expected = 0; // stream lists still to come right after the main header
    bool mainheader = false;
    int video = -1; // the number of the first video stream
    BITMAPINFOHEADER format{};
};

bool CheckStreamFormat(uint32_t type, const uint8_t *p, uint32_t size, Streams &s)
{
    if (type == FourCC("vids")) {
        if (size < sizeof(BITMAPINFOHEADER))
            return false;
        BITMAPINFOHEADER h;
        memcpy(&h, p, sizeof h);
        if (h.biSize < sizeof h || h.biSize > size)
            return false;
        // Colour tables the frames will be read with lie inside the format.
        uint64_t entries = h.biBitCount <= 8 ? (h.biClrUsed ? h.biClrUsed : 1u << h.biBitCount) : 0;
        if (h.biBitCount <= 8 && (h.biClrUsed > 256 || h.biSize + 4 * entries > size))
            return false;
        if (s.video < 0) {
            s.video = int(s.count);
            s.format = h;
        }
    } else if (type == FourCC("auds")) {
        if (size < WAVEBYTES || (size >= WAVEEXBYTES && Le16(p) != PCMFORMAT &&
                                  WAVEEXBYTES + uint32_t(Le16(p + 16)) > size))
            return false;
    }
    return true;
}

// The chunks of an in-memory list body `p[0..n)`; `kind` is the list's type.
bool WalkHeaderList(const uint8_t *p, uint32_t n, uint32_t kind, unsigned depth, Streams &s)
{
    if (depth > MAXDEPTH)
        return false;
    uint32_t streamtype = 0;
    bool streamheader = false, streamformat = false;
    for (uint64_t at = 0; at < n;) {
        Chunk c;
        if (!MakeChunk(p + at, at, n, &c))
            return false;
        const uint8_t *data = p + c.data;
        // The library takes the chunks right after the main header for the
        // stream lists it declares, whatever they are.
        bool streamlist = c.id == LIST && c.size >= 4 && Le32(data) == FourCC("strl");
        if (kind == FourCC("hdrl") && s.expected) {
            if (!streamlist)
                return false;
            s.expected--;
        }
        if (c.id == LIST) {
            if (c.size < 4)
                return false;
            uint32_t type = Le32(data);
            if (streamlist && (kind != FourCC("hdrl") || ++s.count > MAXSTREAMS))
                return false;
            if (!WalkHeaderList(data + 4, c.size - 4, type, depth + 1, s))
                return false;
        } else if (c.id == FourCC("avih") && kind == FourCC("hdrl")) {
            if (c.size < MAINHEADER || s.mainheader)
                return false;
            s.mainheader = true;
            s.flags = Le32(data + 12);
            s.declared = s.expected = Le32(data + 24);
            if (s.declared > MAXSTREAMS)
                return false;
        } else if (c.id == FourCC("strh") && kind == FourCC("strl")) {
            if (c.size < STREAMHEADER || streamheader)
                return false;
            streamheader = true;
            streamtype = Le32(data);
            // Times are samples times scale over rate; the library asserts
            // that the first frame lies between the start and the length,
            // which for video counted in bytes it does not.
            if (!Le32(data + 20) || !Le32(data + 24))
                return false;
            if (streamtype == FourCC("vids") && (Le32(data + 28) != 0 || Le32(data + 32) == 0 || Le32(data + 44) != 0))
                return false;
            // Counted already: this stream's number is one less.
            s.lengths[s.count - 1] = StreamLength{Le32(data + 32), Le32(data + 44)};
        } else if (c.id == FourCC("strn") && kind == FourCC("strl")) {
            // A stream's name is read as a string up to its end.
            if (!memchr(data, 0, c.size))
                return false;
        } else if (c.id == FourCC("strf") && kind == FourCC("strl")) {
            // The format is read as its stream header's type says.
            if (!streamheader || streamformat)
                return false;
            streamformat = true;
            // Counted already: this stream's number is one less.
            s.count--;
            bool ok = CheckStreamFormat(streamtype, data, c.size, s);
            s.count++;
            if (!ok)
                return false;
        }
        at = c.end;
    }
    if (kind == FourCC("strl")) {
        bool needsformat = streamtype == FourCC("vids") || streamtype == FourCC("auds");
        return streamheader && (streamformat || !needsformat);
    }
    return true;
}

// The stream a data chunk belongs to, read as the library reads it: two hex
// digits, anything else giving some other number.
unsigned StreamOf(uint32_t id)
{
    auto hex = [](unsigned c) { return c >= 'A' ? c + 10 - 'A' : c - '0'; };
    return ((hex(id & 0xFF) << 4) + hex(id >> 8 & 0xFF)) & 0xFFFF;
}

// A chunk the library files under a stream must name one that exists.
bool KnownStream(uint32_t id, uint32_t streams)
{
    unsigned stream = StreamOf(id);
    return id == FourCC("rec ") || stream == 0x7F || stream < streams;
}

bool IsFrameOf(uint32_t id, int stream)
{
    char name[4];
    memcpy(name, &id, 4);
    return name[0] == '0' + stream / 10 && name[1] == '0' + stream % 10 && (name[2] == 'd' || name[2] == 'D') &&
           (name[3] == 'b' || name[3] == 'c');
}

// The chunks of the movie list, and of the record lists inside it: all of
// them when the file has no index (the library then walks them too), else up
// to the first frame of the video stream.
bool WalkMovie(File &f, uint64_t at, uint64_t end, bool inrecord, int video, uint32_t streams, bool all,
               int64_t *frame)
{
    while (at < end && (all || *frame < 0)) {
        uint8_t head[12];
        Chunk c;
        if (!f.Read(at, head, end - at >= 12 ? 12 : 8) || !MakeChunk(head, at, end, &c))
            return false;
        if (c.id == LIST && !inrecord && c.size >= 4 && Le32(head + 8) == FourCC("rec ")) {
            if (!WalkMovie(f, c.data + 4, c.end, true, video, streams, all, frame))
                return false;
        } else if (all && c.id != LIST && !KnownStream(c.id, streams)) {
            return false;
        } else if (*frame < 0 && IsFrameOf(c.id, video)) {
            *frame = c.size;
        }
        at = c.end;
    }
    return true;
}

// Every entry of the old index names a chunk inside the movie list, its
// offset counted from the list's type or from the file's start.
bool CheckIndex(const uint8_t *p, uint32_t n, const Chunk &movie, int video, uint32_t streams, int64_t *frame)
{
    if (n % 16)
        return false;
    const uint64_t base = movie.data, end = movie.end;
    for (uint32_t i = 0; i < n; i += 16) {
        uint32_t id = Le32(p + i), offset = Le32(p + i + 8), length = Le32(p + i + 12);
        bool inside = false;
        for (uint64_t start : {base + offset, uint64_t(offset)})
            inside = inside || (start >= base + 4 && start <= end && 8 + uint64_t(length) <= end - start);
        if (!inside || !KnownStream(id, streams))
            return false;
        if (*frame < 0 && IsFrameOf(id, video))
            *frame = length;
    }
    return true;
}

// The first video frame is a picture the loaders' limits allow, and an
// uncompressed one holds every pixel its format promises.
bool FrameFits(const BITMAPINFOHEADER &h, int64_t frame)
{
    if (frame < 0 || h.biWidth <= 0 || h.biHeight == 0 || h.biHeight == INT32_MIN)
        return false;
    uint64_t width = uint64_t(h.biWidth), height = uint64_t(h.biHeight < 0 ? -int64_t(h.biHeight) : h.biHeight);
    if (!kpx::PictureFits(width, height))
        return false;
    if (h.biCompression == BI_RGB)
        return (width * h.biBitCount + 31) / 32 * 4 * height <= uint64_t(frame);
    return width * height <= uint64_t(frame) * MAXPIXELSPERBYTE;
}

// The library makes a table of as many entries as a stream claims frames,
// before it looks at a single one: a length beyond what the file can hold
// would ask for gigabytes, or wrap its size and be written past. Every
// frame takes an index entry when the file has one index for all of it,
// and at least a chunk's head where it has not; samples take their bytes.
bool LengthsFit(const Streams &s, uint64_t capacity, uint64_t bytes)
{
    capacity = std::min<uint64_t>(capacity, MAXINDEX / 16);
    for (uint32_t i = 0; i < s.count; i++) {
        const StreamLength &l = s.lengths[i];
        if (l.samplesize ? uint64_t(l.length) * l.samplesize > bytes : l.length > capacity)
            return false;
    }
    return true;
}

bool Check(File &f, AVIFIRSTVIDEO *video)
{
    uint8_t head[12];
    Chunk riff;
    if (!f.Read(0, head, 12) || !MakeChunk(head, 0, f.size, &riff) || riff.id != RIFF ||
        Le32(head + 8) != FourCC("AVI ") || riff.size < 4)
        return false;
    Streams streams;
    Chunk movie, index;
    bool headers = false, hasmovie = false, hasindex = false;
    // The first RIFF, then any OpenDML extensions after it.
    for (uint64_t at = 12, end = riff.end; at < end;) {
        Chunk c;
        if (!f.Read(at, head, end - at >= 12 ? 12 : 8) || !MakeChunk(head, at, end, &c))
            return false;
        uint32_t type = c.size >= 4 ? Le32(head + 8) : 0;
        if (c.id == LIST && type == FourCC("hdrl") && !headers) {
            if (c.size > MAXHEADERLIST)
                return false;
            std::vector<uint8_t> list(c.size - 4);
            if (!f.Read(c.data + 4, list.data(), c.size - 4) ||
                !WalkHeaderList(list.data(), c.size - 4, type, 1, streams))
                return false;
            headers = true;
        } else if (c.id == LIST && type == FourCC("movi") && !hasmovie) {
            movie = c;
            hasmovie = true;
        } else if (c.id == FourCC("idx1") && !hasindex && c.size > 0) {
            index = c;
            hasindex = true;
        }
        at = c.end;
    }
    // OpenDML extensions may follow, each inside the file; bytes after the
    // last belong to no one.
    bool extended = false;
    for (uint64_t at = riff.end; at < f.size;) {
        Chunk x;
        if (f.size - at < 12 || !f.Read(at, head, 12) || Le32(head) != RIFF || Le32(head + 8) != FourCC("AVIX"))
            break;
        if (!MakeChunk(head, at, f.size, &x))
            return false;
        extended = true;
        at = x.end;
    }
    if (!headers || !hasmovie || !streams.mainheader || streams.declared != streams.count || streams.video < 0)
        return false;
    const uint64_t capacity = hasindex && !extended ? index.size / 16 : (extended ? f.size : movie.size) / 8;
    if (!LengthsFit(streams, capacity, f.size))
        return false;
    int64_t frame = -1;
    if (hasindex) {
        if (index.size > MAXINDEX)
            return false;
        std::vector<uint8_t> entries(index.size);
        if (!f.Read(index.data, entries.data(), index.size) ||
            !CheckIndex(entries.data(), index.size, movie, streams.video, streams.count, &frame))
            return false;
    } else if (streams.flags & AVIF_HASINDEX) {
        return false; // the library would look for frames in an index there is not
    }
    int64_t walked = -1;
    // With an index, the library finds the frames there and nowhere else.
    if (!WalkMovie(f, movie.data + 4, movie.end, false, streams.video, streams.count, !hasindex, &walked))
        return false;
    if (frame < 0 && !hasindex)
        frame = walked;
    if (!FrameFits(streams.format, frame))
        return false;
    video->format = streams.format;
    video->frame = uint32_t(frame);
    return true;
}

} // namespace

bool CheckAviFile(const char *path, AVIFIRSTVIDEO *video)
{
    if (!path || !video)
        return false;
    HANDLE handle = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    if (handle == INVALID_HANDLE_VALUE)
        return false;
    LARGE_INTEGER size;
    bool ok = false;
    if (GetFileSizeEx(handle, &size)) {
        File f{handle, uint64_t(size.QuadPart)};
        ok = Check(f, video);
    }
    CloseHandle(handle);
    return ok;
}

bool CheckAviData(const void *data, uint32_t size, AVIFIRSTVIDEO *video)
{
    if (!data || !video)
        return false;
    File f{INVALID_HANDLE_VALUE, size, (const uint8_t *)data};
    return Check(f, video);
}
