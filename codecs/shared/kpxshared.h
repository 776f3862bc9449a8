// What the picture codecs share: the bounds every reader keeps to, packed
// DIBs built in movable global blocks, whole files read into memory, locked
// views of the DIBs handed to writers, and writing a file so that a failure
// leaves nothing behind.
#pragma once
#include "common/owners.h"
#include <windows.h>
#include <cstddef>
#include <cstdint>

namespace kpx {

// Every reader refuses a picture beyond these bounds with a clean NULL.
// 32767 is the largest extent the drawing code's 16-bit coordinates handle,
// and it keeps width x height x 4 below 2^32. 512 MiB is a quarter of the
// 2 GiB address space of this 32-bit process, which must also hold the file,
// the caller's converted or scaled copies of the picture and everything else.
constexpr uint32_t MAXDIMENSION = 32767;
constexpr uint32_t MAXDIBBYTES = 512u << 20;
constexpr uint32_t MAXFILEBYTES = 512u << 20;
// No picture takes more memory than the largest an object can show. An object
// shows its picture through a bitmap of the display's depth, up to 32 bits a
// pixel, made from the DIB and held beside it: a picture of more pixels than
// fit MAXDIBBYTES at that depth can never be shown, whatever its own depth.
// Run-length and LZW data describe such pictures in a few hundred bytes, so
// the file's size does not bound them: this does, for every reader, before
// the picture takes memory.
constexpr uint32_t MAXPIXELS = MAXDIBBYTES / 4;
inline bool PictureFits(uint64_t width, uint64_t height)
{
    return width >= 1 && height >= 1 && width <= MAXDIMENSION && height <= MAXDIMENSION &&
           width * height <= MAXPIXELS;
}

constexpr uint32_t INFOHEADERSIZE = 40;
static_assert(sizeof(BITMAPINFOHEADER) == INFOHEADERSIZE);
static_assert(sizeof(RGBQUAD) == 4);

inline uint16_t Le16(const uint8_t *p) { return uint16_t(p[0] | p[1] << 8); }
inline uint32_t Le32(const uint8_t *p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24; }
inline void PutLe16(uint8_t *p, uint32_t v) { p[0] = uint8_t(v); p[1] = uint8_t(v >> 8); }
inline void PutLe32(uint8_t *p, uint32_t v) { PutLe16(p, v); PutLe16(p + 2, v >> 16); }

// Colour table entries of a DIB of this depth.
inline uint32_t TableEntries(unsigned bits) { return bits <= 8 ? 1u << bits : 0; }

// The shape of the DIB a reader will return.
struct Format {
    uint32_t width = 0, height = 0;
    unsigned bits = 0;       // 1, 4, 8, 24 or 32
    RGBQUAD table[256] = {}; // the first 2^bits entries belong to the picture
};
// Fills the first `levels` entries of the colour table with an even grey
// ramp from black to white.
void GreyTable(Format *format, unsigned levels = 256);
// The smallest DIB depth holding `colours` palette entries: 1, 4 or 8.
unsigned IndexBits(unsigned colours);

// Row size and whole block size of a packed DIB; false beyond the bounds or
// for a depth other than 1, 4, 8, 24 and 32. The information block and the
// DIB of a picture beyond the bounds are refused with the last error
// KPXERROR_TOOLARGE (codecs.h).
bool DibSizes(uint32_t width, uint32_t height, unsigned bits, uint32_t *rowbytes, uint32_t *total);

// The information block of a picture: its header and colour table.
HGLOBAL MakeInfo(const Format &format);

// A packed DIB under construction, locked; freed unless released.
class DibBuilder {
public:
    DibBuilder() = default;
    DibBuilder(const DibBuilder &) = delete;
    DibBuilder &operator=(const DibBuilder &) = delete;
    // Allocates the zeroed block with its header and colour table.
    bool Create(const Format &format);
    // Row y counted from the top of the picture.
    uint8_t *Row(uint32_t y) const { return pixels + size_t(height - 1 - y) * rowbytes; }
    // Unlocks the block and hands it over.
    HGLOBAL Release();

    uint8_t *pixels = nullptr;
    uint32_t width = 0, height = 0, rowbytes = 0;
    unsigned bits = 0;

private:
    GlobalBlock block;           // declared first: unlocked before it is freed
    GlobalLocked<uint8_t> lock;
};

// The palette index of pixel x in a row of 1, 2, 4 or 8 bits a pixel, read
// or written without disturbing its neighbours; a written value must fit.
inline unsigned GetIndex(const uint8_t *row, uint32_t x, unsigned bits)
{
    uint32_t bit = x * bits;
    return (row[bit / 8] >> (8 - bits - bit % 8)) & ((1u << bits) - 1);
}
inline void PutIndex(uint8_t *row, uint32_t x, unsigned bits, unsigned value)
{
    uint32_t bit = x * bits;
    unsigned shift = 8 - bits - bit % 8;
    row[bit / 8] = uint8_t((row[bit / 8] & ~(((1u << bits) - 1) << shift)) | value << shift);
}

// Packs one 8-bit palette index per pixel into a 1-, 4- or 8-bit row; the
// indices must fit the depth.
void PackIndices(const uint8_t *indices, uint32_t count, unsigned bits, uint8_t *row);
// The reverse: one byte per pixel from a 1-, 4- or 8-bit row.
void UnpackIndices(const uint8_t *row, uint32_t count, unsigned bits, uint8_t *indices);

// A whole file in memory. The bytes end flush against an inaccessible page,
// so that a reader straying past the end faults at once instead of quietly
// reading another block's bytes.
class FileData {
public:
    FileData() = default;
    FileData(const FileData &) = delete;
    FileData &operator=(const FileData &) = delete;
    ~FileData();
    // False for a missing, empty, unreadable or too large file. With a
    // limit, only the file's first `limit` bytes are read.
    bool Load(const char *path, size_t limit = SIZE_MAX);
    // Bytes already in memory, `head` before `bytes`, held as a file's are;
    // false when there is no memory for them.
    bool Take(const void *head, size_t headbytes, const void *bytes, size_t count);
    // True when `count` bytes from `offset` lie inside the file.
    bool Has(size_t offset, size_t count) const { return offset <= size && count <= size - offset; }

    const uint8_t *data = nullptr;
    size_t size = 0;     // of the bytes read
    size_t filesize = 0; // of the whole file, of which only a head may be read

private:
    uint8_t *Allocate(size_t count);
    void Drop();
    void *base = nullptr;
    bool small = false; // a region of SMALLFILE bytes, kept for the next load
};

// A file's bytes from an offset on, read a piece at a time into one buffer:
// a decoder that passes through them once touches a buffer of a fixed size
// rather than fresh memory as large as the file, whose first touch of each
// page costs more than the decoding.
class FileStream {
public:
    FileStream() = default;
    FileStream(const FileStream &) = delete;
    FileStream &operator=(const FileStream &) = delete;
    ~FileStream();
    // False when the file cannot be opened or the offset lies past its end.
    bool Open(const char *path, uint64_t offset);
    // The bytes of a file already held from an offset on, handed out whole
    // by the first Fill; they must outlive the stream.
    void Open(const FileData &bytes, size_t offset);
    // Keeps at least `want` (at most CAPACITY) bytes from *p in the buffer,
    // fewer only where the file ends: the bytes not yet used move to the
    // buffer's front, more are read after them, and *p and *end follow.
    // False when the file cannot be read.
    bool Fill(const uint8_t **p, const uint8_t **end, size_t want);
    // For a reader that takes the bytes as copies, in order: copies the next
    // `count` to `out` and returns how many, fewer only where the file ends
    // or cannot be read. Not to be mixed with Fill.
    size_t Read(void *out, size_t count);

    static constexpr size_t CAPACITY = 1u << 20;

private:
    HANDLE file = INVALID_HANDLE_VALUE;
    uint8_t *buffer = nullptr;
    bool ended = false;
    const uint8_t *next = nullptr, *last = nullptr; // what Read has not yet copied
    const uint8_t *memory = nullptr, *memoryend = nullptr;
};

// Whether a file of `filebytes` can describe `raw` bytes of picture when each
// of its bytes makes at most `ratio` of them (the most its coding can
// expand): a picture claiming more is refused before memory is spent on it.
inline bool CanHold(uint64_t filebytes, uint64_t raw, uint64_t ratio)
{
    return raw / ratio <= filebytes;
}

// The largest block a picture reader has asked for (a picture, or a piece
// its decoding library wanted) since this was last set to 0: the readers'
// tests look at it to see that a hostile claim was refused before memory
// went to it.
extern uint64_t LargestRequest;
inline void NoteRequest(uint64_t bytes)
{
    if (bytes > LargestRequest)
        LargestRequest = bytes;
}

// A DIB handed to a writer, locked and checked: a packed DIB of 1, 4, 8, 24
// or 32 bits, BI_RGB, bottom-up, within the bounds and within its block.
class DibView {
public:
    explicit DibView(HGLOBAL dib);
    DibView(const DibView &) = delete;
    DibView &operator=(const DibView &) = delete;
    // Row y counted from the top of the picture.
    const uint8_t *Row(uint32_t y) const { return pixels + size_t(height - 1 - y) * rowbytes; }
    // Whether every entry of the colour table is a grey.
    bool IsGrey() const;
    // Whether a 32-bit picture uses its fourth byte (any pixel nonzero there).
    bool HasAlpha() const;
    // Row y (from the top) as blue, green, red triples.
    void RowToBGR(uint32_t y, uint8_t *out) const;

    bool ok = false;
    uint32_t width = 0, height = 0, rowbytes = 0;
    unsigned bits = 0;
    const RGBQUAD *table = nullptr; // 2^bits entries for 8 bits or fewer

private:
    GlobalLocked<const BITMAPINFOHEADER> lock;
    const uint8_t *pixels = nullptr;
};

// A growing block of bytes for a file being written in memory.
class OutBuffer {
public:
    OutBuffer() = default;
    OutBuffer(const OutBuffer &) = delete;
    OutBuffer &operator=(const OutBuffer &) = delete;
    ~OutBuffer();
    bool Append(const void *bytes, size_t count);
    bool Byte(uint8_t value) { return Append(&value, 1); }

    uint8_t *data = nullptr;
    size_t size = 0;

private:
    size_t capacity = 0;
};

// A format's decoder: works out the file's picture into *format and, when
// `dib` is given, creates and fills it. False when the file cannot be read.
typedef bool (*DECODER)(const FileData &file, Format *format, DibBuilder *dib);
// The read entry points over a decoder: the information block or the DIB,
// NULL when the file cannot be read. Where the information lies before the
// pixels, `head` names how much of the file to try first; the whole file is
// read only when that does not hold all of it.
HGLOBAL ReadInformation(const char *path, DECODER decode, size_t head = 0);
HGLOBAL ReadPicture(const char *path, DECODER decode);
// A decoder that takes the file's first bytes in `file` and all of its
// bytes, from the start, through `stream`; and the read entry point over it,
// which loads the first `head` bytes. The compressed bytes then pass through
// a window of fixed size rather than fresh memory as large as the file.
typedef bool (*STREAMDECODER)(const FileData &file, FileStream *stream, Format *format, DibBuilder *dib);
HGLOBAL ReadStreamed(const char *path, STREAMDECODER decode, size_t head);
// Reads the DIB's rows, bottom row first, `filerow` bytes each, from the
// file's bytes at `offset` straight into the DIB (rows shorter than the
// DIB's are spread out after); false when the file holds fewer.
bool ReadRows(const char *path, uint64_t offset, size_t filerow, const DibBuilder &dib);

// Writes the bytes to a new file in the target's folder and renames it over
// `path`; on any failure removes it, so `path` is either the complete new
// file or untouched.
bool WriteWholeFile(const char *path, const void *bytes, size_t count);

// The write entry points' course: checks the DIB, has `encode(view, out)`
// make the whole file in memory and writes it only when that succeeded.
template <class Encoder> short WriteEncoded(const char *path, HGLOBAL dib, Encoder encode)
{
    DibView view(dib);
    OutBuffer out;
    return view.ok && encode(view, out) && WriteWholeFile(path, out.data, out.size) ? 1 : 0;
}

} // namespace kpx
