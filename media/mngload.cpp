#include "media/mngload.h"
#include "common/msgdlg.h"
#include "common/owners.h"
#include "common/strings.h"
#include "codecs/shared/kpxshared.h"
#include "document/applet.h"
#include "document/objects.h"
#include "media/dib.h"
#include "media/pngload.h"
#include "resources/pngmng_ids.h"
#include "resources/resource.h"
#include <algorithm>
#include <cstring>
#include <memory>

namespace {

constexpr uint8_t MNGSIGNATURE[8] = {0x8A, 'M', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
constexpr uint32_t MHDRBYTES = 28;
constexpr uint32_t MAXANIMFRAMES = 65535;
constexpr uint32_t MAXCHUNKLENGTH = 0x7FFFFFFF;
// The longest a frame's one-shot timer can wait.
constexpr uint64_t MAXDELAY = 0x7FFFFFFF;
constexpr uint32_t FRAMKEEP = 4096;
constexpr uint32_t DEFIKEEP = 28;
constexpr uint32_t LOOPKEEP = 5;
constexpr uint32_t TERMKEEP = 10;
constexpr uint32_t REPEATFOREVER = 0x7FFFFFFF;

uint32_t BigEndian(const uint8_t *p)
{
    return (uint32_t)p[0] << 24 | (uint32_t)p[1] << 16 | (uint32_t)p[2] << 8 | p[3];
}

// The chunk heads of a file read through a window of its bytes, for the
// pass that only counts: a seek and a read per chunk would make a file of
// many small frames wait for the disk tens of thousands of times.
struct CHUNKWALK {
    FILE *fp = nullptr;
    long filesize = 0;
    long start = 0;  // of the window's bytes in the file
    size_t held = 0; // bytes in the window
    uint8_t window[64 * 1024];

    // The same chunk as ReadChunkHead finds at `at`, false where it does.
    bool Head(long at, PNGCHUNK *chunk)
    {
        if (at < start || (uint64_t)at + 8 > (uint64_t)start + held) {
            if (fseek(fp, at, SEEK_SET))
                return false;
            start = at;
            held = fread(window, 1, sizeof window, fp);
            if (held < 8)
                return false;
        }
        const uint8_t *p = window + (at - start);
        chunk->length = BigEndian(p);
        chunk->type = BigEndian(p + 4);
        int64_t next = (int64_t)at + 8 + chunk->length + 4;
        if (chunk->length > MAXCHUNKLENGTH || next > filesize)
            return false;
        chunk->data = at + 8;
        chunk->next = (long)next;
        return true;
    }
};

// A load's stages answer 0, or the text of the fault that ends it.
constexpr unsigned LOADED = 0;

// What a load holds, freed unless handed over, and what its reading of the
// chunks has seen so far: the image being read and the frame controls that
// apply to it.
struct MNGLOAD {
    explicit MNGLOAD(HWND window) : hwnd(window) {}
    HWND hwnd;
    FILE *fp = nullptr;
    long filesize = 0;
    GlobalBlock block; // the animation being built
    GlobalBlock dib;   // the frame being read

    uint32_t ticks = 0; // per second
    uint32_t count = 0; // images counted
    char palette[PALETTEBYTES] = {};
    uint8_t trns[256] = {};
    uint32_t trnscount = 0;
    bool inimage = false, decoded = false, framseen = false, defiseen = false, trnsseen = false;
    bool loopseen = false, termseen = false;
    uint32_t framemode = 0, framedelay = 0, loopcount = 0, termcount = 0;
    int32_t defix = 0, defiy = 0;
    long ihdrstart = 0;
    PNGIMAGE image;
    uint32_t index = 0;    // of the next frame
    uint64_t dataend = 0;  // bytes of the block in use

    ~MNGLOAD()
    {
        if (fp)
            fclose(fp);
    }
    HGLOBAL Fail(unsigned text)
    {
        DoMessage(hwnd, FetchString(text));
        return NULL;
    }
};

// The frame's transparent value from the image's tRNS bytes. Palette
// pictures: every partly or wholly transparent index becomes the first of
// them. Grey and RGB pictures: the one transparent sample, as the DIB holds
// it (16-bit samples by their high byte). Pictures with alpha take no tRNS.
void SetTransparency(OBJECTANIMFRAME *frame, HGLOBAL dib, const PNGIMAGE &image, const uint8_t *trns,
                     uint32_t count)
{
    DibLock lock(dib);
    if (!lock.ok())
        return;
    const DIBLAYOUT &l = lock.layout;
    int shift = image.bitdepth == 16 ? 8 : 0;
    switch (image.colourtype) {
    case PNG_COLOR_TYPE_PALETTE: {
        uint32_t first = 0;
        while (first < count && trns[first] == 255)
            ++first;
        if (first == count)
            return;
        for (int y = 0; y < l.height; ++y) {
            uint8_t *row = lock.Row(y);
            for (int x = 0; x < l.width; ++x) {
                uint32_t v = ReadPixel(row, x, l.bits);
                if (v < count && trns[v] != 255)
                    WritePixel(row, x, l.bits, first);
            }
        }
        frame->transparent = first;
        break;
    }
    case PNG_COLOR_TYPE_GRAY:
        if (count < 2)
            return;
        frame->transparent = (((uint32_t)trns[0] << 8 | trns[1]) >> shift) & 0xFF;
        break;
    case PNG_COLOR_TYPE_RGB: {
        if (count < 6)
            return;
        auto level = [&](int i) { return (BYTE)(((uint32_t)trns[2 * i] << 8 | trns[2 * i + 1]) >> shift); };
        frame->transparent = RGB(level(0), level(1), level(2));
        break;
    }
    default:
        return;
    }
    frame->flags |= ANIMFRAME_TRANSPARENT;
}

// The file's signature and header: the frames' size and the clock of their
// delays. *first is where the chunks after the header start.
unsigned ReadMngHeader(MNGLOAD &m, uint32_t *width, uint32_t *height, long *first)
{
    uint8_t signature[8];
    size_t got = fread(signature, 1, 8, m.fp), same = 0;
    while (same < got && signature[same] == MNGSIGNATURE[same])
        same++;
    // Only a file that begins as an MNG (or is cut short inside the
    // signature) and then goes wrong is a damaged one: a GIF, a PNG or
    // anything else is a format this loader does not read.
    if (same < std::min<size_t>(got, 4))
        return IDS_UNSUPPORTEDFORMAT;
    if (same != 8)
        return IDS_CORRUPTED;
    m.filesize = PngFileSize(m.fp);
    if (m.filesize < 0)
        return IDS_ERRREAD;
    PNGCHUNK chunk;
    uint8_t mhdr[MHDRBYTES];
    bool match;
    if (!ReadChunkHead(m.fp, m.filesize, &chunk))
        return IDS_CORRUPTED;
    if (chunk.length < MHDRBYTES || !ReadChunkData(m.fp, chunk, mhdr, MHDRBYTES, &match))
        return IDS_ERRREAD;
    if (!match)
        WarnBadCrc(m.hwnd);
    if (chunk.type != ChunkType("MHDR"))
        return IDS_CORRUPTED;
    *width = BigEndian(mhdr);
    *height = BigEndian(mhdr + 4);
    m.ticks = BigEndian(mhdr + 8);
    if (!*width || !*height)
        return IDS_CORRUPTED;
    if (!kpx::PictureFits(*width, *height))
        return IDS_ANIMTOOLARGE;
    *first = chunk.next;
    return LOADED;
}

// Counting the images sizes the frame records; an animation object holds no
// more than MAXANIMFRAMES, which is said as soon as it is seen.
unsigned CountImages(MNGLOAD &m, long first)
{
    auto walk = std::make_unique<CHUNKWALK>();
    walk->fp = m.fp;
    walk->filesize = m.filesize;
    PNGCHUNK chunk;
    for (long next = first;;) {
        if (!walk->Head(next, &chunk))
            return IDS_CORRUPTED;
        if (chunk.type == ChunkType("IHDR") && ++m.count > MAXANIMFRAMES)
            return IDS_TOOMANYFRAMES;
        if (chunk.type == ChunkType("MEND"))
            break;
        next = chunk.next;
    }
    return m.count ? LOADED : IDS_CORRUPTED;
}

// The block's head and frame records, before any frame's bits.
unsigned AllocateFrames(MNGLOAD &m, uint32_t width, uint32_t height)
{
    m.dataend = sizeof(ANIMHEADER) + (uint64_t)m.count * sizeof(OBJECTANIMFRAME);
    m.block = GlobalBlock::Alloc((SIZE_T)m.dataend);
    if (!m.block)
        return IDS_MEMORY;
    GlobalLocked<ANIMHEADER> head(m.block);
    if (!head)
        return IDS_MEMORY;
    head->width = (int32_t)width;
    head->height = (int32_t)height;
    head->frames = m.count;
    return LOADED;
}

// The image's first data chunk decodes the whole image, from its header on.
unsigned DecodeImage(MNGLOAD &m, const PNGCHUNK &chunk, bool *checked, bool *match)
{
    if (!m.inimage)
        return IDS_CORRUPTED;
    if (m.decoded) {
        *checked = false;
        return LOADED;
    }
    if (fseek(m.fp, m.ihdrstart, SEEK_SET))
        return IDS_ERRREAD;
    switch (DecodePngImage(m.fp, false, m.palette, &m.image)) {
    case PNGDECODE_OK:
        break;
    case PNGDECODE_MEMORY:
        return IDS_MEMORY;
    default:
        return IDS_ERRREAD;
    }
    m.dib.Reset(m.image.dib);
    m.decoded = true;
    return ReadChunkData(m.fp, chunk, NULL, 0, match) ? LOADED : IDS_ERRREAD;
}

// The image's end: the decoded image becomes the next frame, with the frame
// controls seen since the last one, its bits appended to the block.
unsigned AppendFrame(MNGLOAD &m, const PNGCHUNK &chunk, bool *match)
{
    if (!m.decoded)
        return IDS_CORRUPTED;
    if (!ReadChunkData(m.fp, chunk, NULL, 0, match))
        return IDS_ERRREAD;
    OBJECTANIMFRAME frame{};
    uint32_t dibsize;
    {
        DibLock lock(m.dib.get());
        if (!lock.ok())
            return IDS_MEMORY;
        dibsize = lock.layout.total;
    }
    frame.offset = (uint32_t)m.dataend;
    frame.size = dibsize;
    frame.delay = 1;
    if (m.framseen) {
        if (m.framemode == 3 || m.framemode == 4)
            frame.flags |= ANIMFRAME_RESTORE;
        uint64_t ms = (uint64_t)m.framedelay * 1000 / (m.ticks ? m.ticks : 1);
        frame.delay = (uint32_t)(ms < MAXDELAY ? ms : MAXDELAY);
    }
    if (m.trnsseen)
        SetTransparency(&frame, m.dib.get(), m.image, m.trns, m.trnscount);
    if (m.defiseen) {
        frame.x = m.defix;
        frame.y = m.defiy;
    }
    uint64_t grown = m.dataend + dibsize;
    if (grown > MAXOBJECTBYTES - ObjectFixedSize(TAG_ANIM))
        return IDS_ANIMTOOLARGE;
    HGLOBAL block = GlobalReAlloc(m.block.get(), (SIZE_T)grown, GMEM_MOVEABLE | GMEM_ZEROINIT);
    if (!block)
        return IDS_MEMORY;
    m.block.Release(); // moved by the reallocation
    m.block.Reset(block);
    {
        GlobalLocked<uint8_t> to(m.block), from(m.dib);
        if (!to || !from)
            return IDS_MEMORY;
        memcpy(to.get() + m.dataend, from.get(), dibsize);
    }
    m.dib.Reset();
    m.dataend = grown;
    if (m.index >= m.count || !PutAnimFrameHeader(m.block.get(), &frame, m.index))
        return IDS_MEMORY;
    ++m.index;
    m.inimage = m.decoded = m.framseen = m.defiseen = m.trnsseen = false;
    return LOADED;
}

// The chunks that control frames: none has its CRC checked.
unsigned ReadFrameControl(MNGLOAD &m, const PNGCHUNK &chunk, bool *match)
{
    switch (chunk.type) {
    case ChunkType("FRAM"): {
        // The name runs to its zero byte, or to the chunk's end when it has
        // none; the change flags and the delay follow it.
        uint8_t fram[FRAMKEEP] = {};
        uint32_t kept = chunk.length < FRAMKEEP ? chunk.length : FRAMKEEP;
        if (!ReadChunkData(m.fp, chunk, fram, kept, match))
            return IDS_ERRREAD;
        m.framemode = fram[0];
        uint32_t end = 1;
        while (end < kept && fram[end])
            ++end;
        m.framedelay = end + 9 <= kept ? BigEndian(fram + end + 5) : 0;
        m.framseen = true;
        break;
    }
    case ChunkType("DEFI"): {
        uint8_t defi[DEFIKEEP] = {};
        if (!ReadChunkData(m.fp, chunk, defi, sizeof defi, match))
            return IDS_ERRREAD;
        m.defix = (int32_t)BigEndian(defi + 4);
        m.defiy = (int32_t)BigEndian(defi + 8);
        m.defiseen = true;
        break;
    }
    case ChunkType("LOOP"): {
        if (m.loopseen)
            break;
        uint8_t loop[LOOPKEEP] = {};
        if (!ReadChunkData(m.fp, chunk, loop, sizeof loop, match))
            return IDS_ERRREAD;
        m.loopcount = BigEndian(loop + 1);
        m.loopseen = true;
        break;
    }
    case ChunkType("TERM"): {
        uint8_t term[TERMKEEP] = {};
        if (!ReadChunkData(m.fp, chunk, term, sizeof term, match))
            return IDS_ERRREAD;
        m.termcount = BigEndian(term + 6);
        m.termseen = true;
        break;
    }
    }
    return LOADED;
}

// One chunk after the header. *checked is false for a chunk whose CRC is
// not checked, *match whether a checked one's CRC matched.
unsigned ReadChunk(MNGLOAD &m, const PNGCHUNK &chunk, bool *checked, bool *match)
{
    switch (chunk.type) {
    case ChunkType("IHDR"): {
        uint8_t ihdr[13];
        if (m.inimage || chunk.length != sizeof ihdr || !ReadChunkData(m.fp, chunk, ihdr, sizeof ihdr, match))
            return IDS_CORRUPTED;
        m.ihdrstart = chunk.data - 8;
        m.inimage = true;
        m.decoded = false;
        return LOADED;
    }
    case ChunkType("PLTE"):
        if (!m.inimage || chunk.length > PALETTEBYTES || chunk.length % 3)
            return IDS_CORRUPTED;
        return ReadChunkData(m.fp, chunk, m.palette, chunk.length, match) ? LOADED : IDS_ERRREAD;
    case ChunkType("tRNS"):
        if (!m.inimage) {
            *checked = false;
            return LOADED;
        }
        m.trnscount = chunk.length < 256 ? chunk.length : 256;
        if (!ReadChunkData(m.fp, chunk, m.trns, m.trnscount, match))
            return IDS_ERRREAD;
        m.trnsseen = true;
        return LOADED;
    case ChunkType("IDAT"):
        return DecodeImage(m, chunk, checked, match);
    case ChunkType("IEND"):
        return AppendFrame(m, chunk, match);
    case ChunkType("FRAM"):
    case ChunkType("DEFI"):
    case ChunkType("LOOP"):
    case ChunkType("TERM"):
        *checked = false;
        return ReadFrameControl(m, chunk, match);
    case ChunkType("tEXt"):
    case ChunkType("MEND"):
        return ReadChunkData(m.fp, chunk, NULL, 0, match) ? LOADED : IDS_ERRREAD;
    default:
        *checked = false;
        return LOADED;
    }
}

// Every chunk from `first` to the end chunk.
unsigned ReadChunks(MNGLOAD &m, long first)
{
    PNGCHUNK chunk;
    for (long next = first;;) {
        if (fseek(m.fp, next, SEEK_SET) || !ReadChunkHead(m.fp, m.filesize, &chunk))
            return IDS_CORRUPTED;
        next = chunk.next;
        bool checked = true, match = true;
        if (unsigned fault = ReadChunk(m, chunk, &checked, &match))
            return fault;
        if (checked && !match)
            WarnBadCrc(m.hwnd);
        if (chunk.type == ChunkType("MEND"))
            break;
    }
    // An image left open, or fewer images than counted, is damage.
    return m.inimage || m.index != m.count ? IDS_CORRUPTED : LOADED;
}

// How often the frames play: the TERM chunk's count, else the LOOP chunk's,
// else once; a count of "for ever" is 0.
unsigned SetRepeat(MNGLOAD &m)
{
    uint32_t repeat = m.termseen ? m.termcount : m.loopseen ? m.loopcount : 0;
    if (repeat == 0)
        repeat = 1;
    else if (repeat == REPEATFOREVER)
        repeat = 0;
    GlobalLocked<ANIMHEADER> head(m.block);
    if (!head)
        return IDS_MEMORY;
    head->repeat = repeat;
    return LOADED;
}

} // namespace

HGLOBAL LoadAnimation(HWND hwnd, const char *path)
{
    MNGLOAD m(hwnd);
    m.fp = fopen(path, "rb");
    if (!m.fp)
        return m.Fail(IDS_ERROPEN);
    uint32_t width = 0, height = 0;
    long first = 0;
    unsigned fault = ReadMngHeader(m, &width, &height, &first);
    if (!fault)
        fault = CountImages(m, first);
    if (!fault)
        fault = AllocateFrames(m, width, height);
    if (!fault)
        fault = ReadChunks(m, first);
    if (!fault)
        fault = SetRepeat(m);
    return fault ? m.Fail(fault) : m.block.Release();
}
