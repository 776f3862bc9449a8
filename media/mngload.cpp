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

// What a load holds; freed unless handed over.
struct MNGLOAD {
    explicit MNGLOAD(HWND window) : hwnd(window) {}
    HWND hwnd;
    FILE *fp = nullptr;
    GlobalBlock block; // the animation being built
    GlobalBlock dib;   // the frame being read
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

} // namespace

HGLOBAL LoadAnimation(HWND hwnd, const char *path)
{
    MNGLOAD m(hwnd);
    m.fp = fopen(path, "rb");
    FILE *fp = m.fp;
    if (!fp)
        return m.Fail(IDS_ERROPEN);
    uint8_t signature[8];
    if (fread(signature, 1, 8, fp) != 8 || memcmp(signature, MNGSIGNATURE, 8))
        return m.Fail(IDS_CORRUPTED);
    long filesize = PngFileSize(fp);
    if (filesize < 0)
        return m.Fail(IDS_ERRREAD);

    PNGCHUNK chunk;
    uint8_t mhdr[MHDRBYTES];
    bool match;
    if (!ReadChunkHead(fp, filesize, &chunk))
        return m.Fail(IDS_CORRUPTED);
    if (chunk.length < MHDRBYTES || !ReadChunkData(fp, chunk, mhdr, MHDRBYTES, &match))
        return m.Fail(IDS_ERRREAD);
    if (!match)
        WarnBadCrc(hwnd);
    if (chunk.type != ChunkType("MHDR"))
        return m.Fail(IDS_CORRUPTED);
    uint32_t framewidth = BigEndian(mhdr), frameheight = BigEndian(mhdr + 4), ticks = BigEndian(mhdr + 8);
    if (!framewidth || !frameheight)
        return m.Fail(IDS_CORRUPTED);
    if (!kpx::PictureFits(framewidth, frameheight))
        return m.Fail(IDS_ANIMTOOLARGE);
    const long first = chunk.next;

    // Counting the images sizes the frame records; an animation object
    // holds no more than MAXANIMFRAMES, which is said as soon as it is seen.
    uint32_t count = 0;
    {
        auto walk = std::make_unique<CHUNKWALK>();
        walk->fp = fp;
        walk->filesize = filesize;
        for (long next = first;;) {
            if (!walk->Head(next, &chunk))
                return m.Fail(IDS_CORRUPTED);
            if (chunk.type == ChunkType("IHDR") && ++count > MAXANIMFRAMES)
                return m.Fail(IDS_TOOMANYFRAMES);
            if (chunk.type == ChunkType("MEND"))
                break;
            next = chunk.next;
        }
    }
    if (!count)
        return m.Fail(IDS_CORRUPTED);
    const uint64_t headbytes = sizeof(ANIMHEADER) + (uint64_t)count * sizeof(OBJECTANIMFRAME);
    m.block = GlobalBlock::Alloc((SIZE_T)headbytes);
    if (!m.block)
        return m.Fail(IDS_MEMORY);
    {
        GlobalLocked<ANIMHEADER> head(m.block);
        if (!head)
            return m.Fail(IDS_MEMORY);
        head->width = (int32_t)framewidth;
        head->height = (int32_t)frameheight;
        head->frames = count;
    }

    char palette[PALETTEBYTES] = {};
    uint8_t trns[256] = {};
    uint32_t trnscount = 0;
    bool inimage = false, decoded = false, framseen = false, defiseen = false, trnsseen = false;
    bool loopseen = false, termseen = false;
    uint32_t framemode = 0, framedelay = 0, loopcount = 0, termcount = 0;
    int32_t defix = 0, defiy = 0;
    long ihdrstart = 0;
    PNGIMAGE image;
    uint32_t index = 0;
    uint64_t dataend = headbytes;
    for (long next = first;;) {
        if (fseek(fp, next, SEEK_SET) || !ReadChunkHead(fp, filesize, &chunk))
            return m.Fail(IDS_CORRUPTED);
        next = chunk.next;
        bool checked = true;
        match = true;
        switch (chunk.type) {
        case ChunkType("IHDR"): {
            uint8_t ihdr[13];
            if (inimage || chunk.length != sizeof ihdr || !ReadChunkData(fp, chunk, ihdr, sizeof ihdr, &match))
                return m.Fail(IDS_CORRUPTED);
            ihdrstart = chunk.data - 8;
            inimage = true;
            decoded = false;
            break;
        }
        case ChunkType("PLTE"):
            if (!inimage || chunk.length > PALETTEBYTES || chunk.length % 3)
                return m.Fail(IDS_CORRUPTED);
            if (!ReadChunkData(fp, chunk, palette, chunk.length, &match))
                return m.Fail(IDS_ERRREAD);
            break;
        case ChunkType("tRNS"):
            if (!inimage) {
                checked = false;
                break;
            }
            trnscount = chunk.length < 256 ? chunk.length : 256;
            if (!ReadChunkData(fp, chunk, trns, trnscount, &match))
                return m.Fail(IDS_ERRREAD);
            trnsseen = true;
            break;
        case ChunkType("IDAT"):
            if (!inimage)
                return m.Fail(IDS_CORRUPTED);
            if (decoded) {
                checked = false;
                break;
            }
            if (fseek(fp, ihdrstart, SEEK_SET))
                return m.Fail(IDS_ERRREAD);
            switch (DecodePngImage(fp, false, palette, &image)) {
            case PNGDECODE_OK:
                break;
            case PNGDECODE_MEMORY:
                return m.Fail(IDS_MEMORY);
            default:
                return m.Fail(IDS_ERRREAD);
            }
            m.dib.Reset(image.dib);
            decoded = true;
            if (!ReadChunkData(fp, chunk, NULL, 0, &match))
                return m.Fail(IDS_ERRREAD);
            break;
        case ChunkType("IEND"): {
            if (!decoded)
                return m.Fail(IDS_CORRUPTED);
            if (!ReadChunkData(fp, chunk, NULL, 0, &match))
                return m.Fail(IDS_ERRREAD);
            OBJECTANIMFRAME frame{};
            uint32_t dibsize;
            {
                DibLock lock(m.dib.get());
                if (!lock.ok())
                    return m.Fail(IDS_MEMORY);
                dibsize = lock.layout.total;
            }
            frame.offset = (uint32_t)dataend;
            frame.size = dibsize;
            frame.delay = 1;
            if (framseen) {
                if (framemode == 3 || framemode == 4)
                    frame.flags |= ANIMFRAME_RESTORE;
                uint64_t ms = (uint64_t)framedelay * 1000 / (ticks ? ticks : 1);
                frame.delay = (uint32_t)(ms < MAXDELAY ? ms : MAXDELAY);
            }
            if (trnsseen)
                SetTransparency(&frame, m.dib.get(), image, trns, trnscount);
            if (defiseen) {
                frame.x = defix;
                frame.y = defiy;
            }
            uint64_t grown = dataend + dibsize;
            if (grown > MAXOBJECTBYTES - ObjectFixedSize(TAG_ANIM))
                return m.Fail(IDS_ANIMTOOLARGE);
            HGLOBAL block = GlobalReAlloc(m.block.get(), (SIZE_T)grown, GMEM_MOVEABLE | GMEM_ZEROINIT);
            if (!block)
                return m.Fail(IDS_MEMORY);
            m.block.Release(); // moved by the reallocation
            m.block.Reset(block);
            {
                GlobalLocked<uint8_t> to(m.block), from(m.dib);
                if (!to || !from)
                    return m.Fail(IDS_MEMORY);
                memcpy(to.get() + dataend, from.get(), dibsize);
            }
            m.dib.Reset();
            dataend = grown;
            if (index >= count || !PutAnimFrameHeader(m.block.get(), &frame, index))
                return m.Fail(IDS_MEMORY);
            ++index;
            inimage = decoded = framseen = defiseen = trnsseen = false;
            break;
        }
        case ChunkType("FRAM"): {
            // The name runs to its zero byte, or to the chunk's end when it
            // has none; the change flags and the delay follow it.
            uint8_t fram[FRAMKEEP] = {};
            uint32_t kept = chunk.length < FRAMKEEP ? chunk.length : FRAMKEEP;
            if (!ReadChunkData(fp, chunk, fram, kept, &match))
                return m.Fail(IDS_ERRREAD);
            framemode = fram[0];
            uint32_t end = 1;
            while (end < kept && fram[end])
                ++end;
            framedelay = end + 9 <= kept ? BigEndian(fram + end + 5) : 0;
            framseen = true;
            checked = false;
            break;
        }
        case ChunkType("DEFI"): {
            uint8_t defi[DEFIKEEP] = {};
            if (!ReadChunkData(fp, chunk, defi, sizeof defi, &match))
                return m.Fail(IDS_ERRREAD);
            defix = (int32_t)BigEndian(defi + 4);
            defiy = (int32_t)BigEndian(defi + 8);
            defiseen = true;
            checked = false;
            break;
        }
        case ChunkType("LOOP"): {
            checked = false;
            if (loopseen)
                break;
            uint8_t loop[LOOPKEEP] = {};
            if (!ReadChunkData(fp, chunk, loop, sizeof loop, &match))
                return m.Fail(IDS_ERRREAD);
            loopcount = BigEndian(loop + 1);
            loopseen = true;
            break;
        }
        case ChunkType("TERM"): {
            uint8_t term[TERMKEEP] = {};
            if (!ReadChunkData(fp, chunk, term, sizeof term, &match))
                return m.Fail(IDS_ERRREAD);
            termcount = BigEndian(term + 6);
            termseen = true;
            checked = false;
            break;
        }
        case ChunkType("tEXt"):
        case ChunkType("MEND"):
            if (!ReadChunkData(fp, chunk, NULL, 0, &match))
                return m.Fail(IDS_ERRREAD);
            break;
        default:
            checked = false;
            break;
        }
        if (checked && !match)
            WarnBadCrc(hwnd);
        if (chunk.type == ChunkType("MEND"))
            break;
    }

    // An image left open, or fewer images than counted, is damage.
    if (inimage || index != count)
        return m.Fail(IDS_CORRUPTED);
    uint32_t repeat = termseen ? termcount : loopseen ? loopcount : 0;
    if (repeat == 0)
        repeat = 1;
    else if (repeat == REPEATFOREVER)
        repeat = 0;
    {
        GlobalLocked<ANIMHEADER> head(m.block);
        if (!head)
            return m.Fail(IDS_MEMORY);
        head->repeat = repeat;
    }
    HGLOBAL result = m.block.Release();
    return result;
}
