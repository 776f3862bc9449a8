#include "codecs/shared/kpxshared.h"
#include "codecs/codecs.h"
#include <cstdlib>
#include <cstring>

namespace kpx {

// Files move through ReadFile and WriteFile in pieces of this size.
constexpr size_t IOCHUNK = 16u << 20;

uint64_t LargestRequest = 0;

void GreyTable(Format *format, unsigned levels)
{
    for (unsigned i = 0; i < levels; i++) {
        BYTE grey = BYTE(i * 255 / (levels - 1));
        format->table[i] = RGBQUAD{grey, grey, grey, 0};
    }
}

unsigned IndexBits(unsigned colours)
{
    return colours <= 2 ? 1 : colours <= 16 ? 4 : 8;
}

bool DibSizes(uint32_t width, uint32_t height, unsigned bits, uint32_t *rowbytes, uint32_t *total)
{
    if (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32)
        return false;
    if (!PictureFits(width, height))
        return false;
    uint64_t row = (uint64_t(width) * bits + 31) / 32 * 4;
    uint64_t all = INFOHEADERSIZE + uint64_t(TableEntries(bits)) * 4 + row * height;
    if (all > MAXDIBBYTES)
        return false;
    *rowbytes = uint32_t(row);
    *total = uint32_t(all);
    return true;
}

// Fills the header and colour table at the start of a zeroed block.
static void PutHeader(const Format &f, uint32_t rowbytes, BITMAPINFOHEADER *h)
{
    h->biSize = INFOHEADERSIZE;
    h->biWidth = LONG(f.width);
    h->biHeight = LONG(f.height);
    h->biPlanes = 1;
    h->biBitCount = WORD(f.bits);
    h->biCompression = BI_RGB;
    h->biSizeImage = rowbytes * f.height;
    h->biClrUsed = h->biClrImportant = TableEntries(f.bits);
    memcpy(h + 1, f.table, TableEntries(f.bits) * sizeof(RGBQUAD));
}

// A picture refused for its size says so.
static bool Sizes(const Format &format, uint32_t *rowbytes, uint32_t *total)
{
    if (DibSizes(format.width, format.height, format.bits, rowbytes, total))
        return true;
    if (!PictureFits(format.width, format.height))
        SetLastError(KPXERROR_TOOLARGE);
    return false;
}

HGLOBAL MakeInfo(const Format &format)
{
    uint32_t rowbytes, total;
    if (!Sizes(format, &rowbytes, &total))
        return NULL;
    GlobalBlock info = GlobalBlock::Alloc(INFOHEADERSIZE + TableEntries(format.bits) * 4);
    GlobalLocked<BITMAPINFOHEADER> h(info);
    if (!h)
        return NULL;
    PutHeader(format, rowbytes, h.get());
    h.Unlock();
    return info.Release();
}

bool DibBuilder::Create(const Format &format)
{
    uint32_t total;
    if (block || !Sizes(format, &rowbytes, &total))
        return false;
    NoteRequest(total);
    block = GlobalBlock::Alloc(total);
    if (!lock.Lock(block.get())) {
        block.Reset();
        return false;
    }
    PutHeader(format, rowbytes, (BITMAPINFOHEADER *)lock.get());
    pixels = lock.get() + INFOHEADERSIZE + TableEntries(format.bits) * 4;
    width = format.width;
    height = format.height;
    bits = format.bits;
    return true;
}

HGLOBAL DibBuilder::Release()
{
    lock.Unlock();
    pixels = nullptr;
    return block.Release();
}

void PackIndices(const uint8_t *indices, uint32_t count, unsigned bits, uint8_t *row)
{
    if (bits == 8) {
        memcpy(row, indices, count);
    } else if (bits == 4) {
        for (uint32_t x = 0; x + 1 < count; x += 2)
            row[x / 2] = uint8_t((indices[x] & 15) << 4 | (indices[x + 1] & 15));
        if (count & 1)
            row[count / 2] = uint8_t((indices[count - 1] & 15) << 4);
    } else {
        memset(row, 0, (count + 7) / 8);
        for (uint32_t x = 0; x < count; x++)
            if (indices[x])
                row[x / 8] |= uint8_t(0x80 >> (x & 7));
    }
}

void UnpackIndices(const uint8_t *row, uint32_t count, unsigned bits, uint8_t *indices)
{
    if (bits == 8)
        memcpy(indices, row, count);
    else
        for (uint32_t x = 0; x < count; x++)
            indices[x] = uint8_t(GetIndex(row, x, bits));
}

// Heads and small files are read again and again (a dialog's previews, a
// refused file): one region of this size is kept from load to load rather
// than mapped and unmapped each time.
constexpr size_t SMALLFILE = 64 * 1024;
static void *spare = nullptr;

static void Release(void *base, bool small)
{
    if (base && (!small || InterlockedCompareExchangePointer(&spare, base, NULL) != NULL))
        VirtualFree(base, 0, MEM_RELEASE);
}

FileData::~FileData()
{
    Release(base, small);
}

uint8_t *FileData::Allocate(size_t count)
{
    static size_t page = 0;
    if (!page) {
        SYSTEM_INFO system;
        GetSystemInfo(&system);
        page = system.dwPageSize;
    }
    size_t committed = (count + page - 1) / page * page;
    small = committed <= SMALLFILE;
    bool reused = false;
    if (small) {
        committed = SMALLFILE;
        base = InterlockedExchangePointer(&spare, NULL);
        reused = base != nullptr;
    }
    // The page after the committed ones stays reserved and inaccessible.
    if (!base)
        base = VirtualAlloc(NULL, committed + page, MEM_RESERVE, PAGE_NOACCESS);
    if (!base || (!reused && !VirtualAlloc(base, committed, MEM_COMMIT, PAGE_READWRITE)))
        return nullptr;
    return (uint8_t *)base + committed - count;
}

void FileData::Drop()
{
    Release(base, small);
    base = nullptr;
    data = nullptr;
    size = filesize = 0;
}

bool FileData::Load(const char *path, size_t limit)
{
    if (base || !path || !*path)
        return false;
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    LARGE_INTEGER length;
    bool ok = GetFileSizeEx(file, &length) && length.QuadPart > 0 && length.QuadPart <= MAXFILEBYTES;
    if (ok) {
        size_t count = size_t(length.QuadPart) < limit ? size_t(length.QuadPart) : limit;
        uint8_t *bytes = Allocate(count);
        ok = bytes != nullptr;
        for (size_t done = 0; ok && done < count;) {
            DWORD chunk = DWORD(count - done < IOCHUNK ? count - done : IOCHUNK), got = 0;
            ok = ReadFile(file, bytes + done, chunk, &got, NULL) && got > 0;
            done += got;
        }
        data = bytes;
        size = count;
        filesize = size_t(length.QuadPart);
    }
    CloseHandle(file);
    if (!ok && base)
        Drop();
    return ok;
}

bool FileData::Take(const void *head, size_t headbytes, const void *bytes, size_t count)
{
    if (base || count > MAXFILEBYTES - headbytes)
        return false;
    uint8_t *to = Allocate(headbytes + count);
    if (!to) {
        if (base)
            Drop();
        return false;
    }
    memcpy(to, head, headbytes);
    memcpy(to + headbytes, bytes, count);
    data = to;
    size = filesize = headbytes + count;
    return true;
}

FileStream::~FileStream()
{
    if (file != INVALID_HANDLE_VALUE)
        CloseHandle(file);
    free(buffer);
}

bool FileStream::Open(const char *path, uint64_t offset)
{
    if (buffer || !path || !*path)
        return false;
    file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING,
                       FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, NULL);
    LARGE_INTEGER length, at;
    at.QuadPart = LONGLONG(offset);
    if (file == INVALID_HANDLE_VALUE || !GetFileSizeEx(file, &length) || uint64_t(length.QuadPart) < offset ||
        !SetFilePointerEx(file, at, NULL, FILE_BEGIN))
        return false;
    buffer = (uint8_t *)malloc(CAPACITY);
    return buffer != nullptr;
}

void FileStream::Open(const FileData &bytes, size_t offset)
{
    memory = bytes.data + (offset < bytes.size ? offset : bytes.size);
    memoryend = bytes.data + bytes.size;
}

bool FileStream::Fill(const uint8_t **p, const uint8_t **end, size_t want)
{
    if (memory) {
        if (!*p)
            *p = memory, *end = memoryend;
        return true;
    }
    size_t kept = *p && *end ? size_t(*end - *p) : 0;
    if (kept >= want || ended)
        return true;
    if (!buffer || want > CAPACITY)
        return false;
    if (kept)
        memmove(buffer, *p, kept);
    *p = buffer;
    // Pieces of a quarter of the buffer, unless more is wanted: the pages of
    // the rest are never touched by a reader that wants little at once.
    const size_t target = want > CAPACITY / 4 ? want : CAPACITY / 4;
    while (kept < want && !ended) {
        DWORD got = 0;
        if (!ReadFile(file, buffer + kept, DWORD(target - kept), &got, NULL))
            return false;
        ended = got == 0;
        kept += got;
    }
    *end = buffer + kept;
    return true;
}

size_t FileStream::Read(void *out, size_t count)
{
    size_t done = 0;
    while (done < count) {
        if (next == last && (!Fill(&next, &last, count - done < CAPACITY ? count - done : CAPACITY) || next == last))
            break;
        size_t n = count - done < size_t(last - next) ? count - done : size_t(last - next);
        memcpy((uint8_t *)out + done, next, n);
        next += n, done += n;
    }
    return done;
}

static HGLOBAL Read(const char *path, DECODER decode, bool pixels, size_t limit)
{
    FileData file;
    Format format;
    DibBuilder dib;
    if (!file.Load(path, limit) || !decode(file, &format, pixels ? &dib : nullptr))
        return NULL;
    return pixels ? dib.Release() : MakeInfo(format);
}

HGLOBAL ReadStreamed(const char *path, STREAMDECODER decode, size_t head)
{
    FileData file;
    FileStream stream;
    Format format;
    DibBuilder dib;
    if (!file.Load(path, head) || !stream.Open(path, 0) || !decode(file, &stream, &format, &dib))
        return NULL;
    return dib.Release();
}

bool ReadRows(const char *path, uint64_t offset, size_t filerow, const DibBuilder &dib)
{
    if (filerow > dib.rowbytes)
        return false;
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    LARGE_INTEGER at;
    at.QuadPart = LONGLONG(offset);
    size_t count = filerow * dib.height;
    bool ok = SetFilePointerEx(file, at, NULL, FILE_BEGIN) != 0;
    for (size_t done = 0; ok && done < count;) {
        DWORD chunk = DWORD(count - done < IOCHUNK ? count - done : IOCHUNK), got = 0;
        ok = ReadFile(file, dib.pixels + done, chunk, &got, NULL) && got == chunk;
        done += got;
    }
    CloseHandle(file);
    // From the top row down, each row moves to its place and no row is
    // overwritten before it has moved.
    if (ok && filerow < dib.rowbytes) {
        for (uint32_t r = dib.height; r-- > 1;) {
            memmove(dib.pixels + size_t(r) * dib.rowbytes, dib.pixels + size_t(r) * filerow, filerow);
            memset(dib.pixels + size_t(r) * dib.rowbytes + filerow, 0, dib.rowbytes - filerow);
        }
        memset(dib.pixels + filerow, 0, dib.rowbytes - filerow);
    }
    return ok;
}

HGLOBAL ReadInformation(const char *path, DECODER decode, size_t head)
{
    HGLOBAL info = head ? Read(path, decode, false, head) : NULL;
    return info ? info : Read(path, decode, false, SIZE_MAX);
}

HGLOBAL ReadPicture(const char *path, DECODER decode)
{
    return Read(path, decode, true, SIZE_MAX);
}

DibView::DibView(HGLOBAL dib)
{
    SIZE_T blocksize = dib ? GlobalSize(dib) : 0;
    if (blocksize < INFOHEADERSIZE || !lock.Lock(dib))
        return;
    const BITMAPINFOHEADER *h = lock.get();
    if (h->biSize < INFOHEADERSIZE || h->biSize > blocksize || h->biWidth <= 0 || h->biHeight <= 0 ||
        h->biCompression != BI_RGB)
        return;
    uint32_t total;
    if (!DibSizes(uint32_t(h->biWidth), uint32_t(h->biHeight), h->biBitCount, &rowbytes, &total))
        return;
    uint64_t offset = uint64_t(h->biSize) + TableEntries(h->biBitCount) * 4;
    if (offset + uint64_t(rowbytes) * uint32_t(h->biHeight) > blocksize)
        return;
    width = uint32_t(h->biWidth);
    height = uint32_t(h->biHeight);
    bits = h->biBitCount;
    if (bits <= 8)
        table = (const RGBQUAD *)((const uint8_t *)h + h->biSize);
    pixels = (const uint8_t *)h + offset;
    ok = true;
}

bool DibView::IsGrey() const
{
    for (uint32_t i = 0; i < TableEntries(bits); i++)
        if (table[i].rgbRed != table[i].rgbGreen || table[i].rgbGreen != table[i].rgbBlue)
            return false;
    return bits <= 8;
}

bool DibView::HasAlpha() const
{
    if (bits != 32)
        return false;
    for (uint32_t y = 0; y < height; y++) {
        const uint8_t *p = Row(y);
        for (uint32_t x = 0; x < width; x++)
            if (p[x * 4 + 3])
                return true;
    }
    return false;
}

void DibView::RowToBGR(uint32_t y, uint8_t *out) const
{
    const uint8_t *p = Row(y);
    if (bits == 24) {
        memcpy(out, p, size_t(width) * 3);
    } else if (bits == 32) {
        for (uint32_t x = 0; x < width; x++, p += 4, out += 3) {
            out[0] = p[0];
            out[1] = p[1];
            out[2] = p[2];
        }
    } else {
        for (uint32_t x = 0; x < width; x++, out += 3) {
            unsigned i = GetIndex(p, x, bits);
            out[0] = table[i].rgbBlue;
            out[1] = table[i].rgbGreen;
            out[2] = table[i].rgbRed;
        }
    }
}

OutBuffer::~OutBuffer()
{
    free(data);
}

bool OutBuffer::Append(const void *bytes, size_t count)
{
    if (count > capacity - size) {
        if (count > SIZE_MAX / 2 - size)
            return false;
        size_t wanted = capacity ? capacity : 4096;
        while (wanted - size < count)
            wanted *= 2;
        void *grown = realloc(data, wanted);
        if (!grown)
            return false;
        data = (uint8_t *)grown;
        capacity = wanted;
    }
    if (count)
        memcpy(data + size, bytes, count);
    size += count;
    return true;
}

bool WriteWholeFile(const char *path, const void *bytes, size_t count)
{
    if (!path)
        return false;
    size_t length = strnlen(path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return false;
    size_t cut = length;
    while (cut > 0 && path[cut - 1] != '\\' && path[cut - 1] != '/' && path[cut - 1] != ':')
        cut--;
    if (cut == length)
        return false; // names a folder, not a file
    char folder[MAX_PATH] = ".";
    if (cut > 0) {
        memcpy(folder, path, cut);
        folder[cut] = 0;
    }
    // Renaming over a read-only file succeeds in some places; writing to it
    // should not.
    DWORD attributes = GetFileAttributesA(path);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)))
        return false;
    // GetTempFileName adds up to 14 characters to the folder; a name that
    // would not fit is never asked for, and one not ended is never used.
    char temp[MAX_PATH];
    if (strlen(folder) > MAX_PATH - 14) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return false;
    }
    if (!GetTempFileNameA(folder, "kpx", 0, temp) || strnlen(temp, MAX_PATH) >= MAX_PATH)
        return false;
    HANDLE file = CreateFileA(temp, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    bool ok = file != INVALID_HANDLE_VALUE;
    const uint8_t *p = (const uint8_t *)bytes;
    for (size_t done = 0; ok && done < count;) {
        DWORD chunk = DWORD(count - done < IOCHUNK ? count - done : IOCHUNK), written = 0;
        ok = WriteFile(file, p + done, chunk, &written, NULL) && written == chunk;
        done += written;
    }
    if (file != INVALID_HANDLE_VALUE && !CloseHandle(file))
        ok = false;
    if (ok)
        ok = MoveFileExA(temp, path, MOVEFILE_REPLACE_EXISTING) != 0;
    if (!ok)
        DeleteFileA(temp);
    return ok;
}

} // namespace kpx
