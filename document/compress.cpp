#include "document/compress.h"
#include "common/owners.h"
#include <zlib.h>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>

// Our streams carry the version text of the zlib the format was made with;
// zlib checks only that the major version matches.
static const char ZVERSION[] = "1.1.4";
// The step in which compressed bytes go to and come from the file.
constexpr DWORD STEP = 8192;
// Reads of compressed data are larger: the expansion runs faster with fewer
// trips to the file, and the memory stays bounded all the same.
constexpr DWORD READSTEP = 262144;

static BOOL PlatformWrite(HANDLE file, const void *data, DWORD size, DWORD *written)
{
    return WriteFile(file, data, size, written, NULL);
}

// A file system says it is full by writing less than it was given.
static bool WriteAll(HANDLE file, const void *data, DWORD size, DOCUMENTWRITER write)
{
    DWORD written = 0;
    SetLastError(0);
    if (!(write ? write : PlatformWrite)(file, data, size, &written)) {
        if (GetLastError() == 0)
            SetLastError(ERROR_WRITE_FAULT);
        return false;
    }
    if (written < size) {
        SetLastError(ERROR_DISK_FULL);
        return false;
    }
    return true;
}

static BOOL ReadAll(HANDLE file, void *data, DWORD size)
{
    DWORD got = 0;
    return ReadFile(file, data, size, &got, NULL) && got == size;
}

bool WriteBytes(HANDLE file, const void *data, DWORD size, DOCUMENTWRITER write)
{
    return size == 0 || WriteAll(file, data, size, write);
}

bool ReadBytes(HANDLE file, void *data, DWORD size, DOCUMENTREADER read)
{
    return size == 0 || (read ? read : ReadAll)(file, data, size);
}

bool SeekTo(HANDLE file, uint64_t position)
{
    LARGE_INTEGER to;
    to.QuadPart = (LONGLONG)position;
    return position < (1ULL << 62) && SetFilePointerEx(file, to, NULL, FILE_BEGIN);
}

int CompressDataToFile(HANDLE file, const char *data, long *size, long level, unsigned long, DOCUMENTWRITER write)
{
    z_stream z{};
    if (*size < 0 || deflateInit_(&z, (int)std::clamp(level, 0L, 9L), ZVERSION, sizeof z) != Z_OK)
        return 0;
    Bytef out[STEP];
    z.next_in = (Bytef *)data;
    z.avail_in = (uInt)*size;
    unsigned long total = 0;
    bool ok = true;
    int flush = Z_NO_FLUSH;
    for (;;) {
        if (z.avail_in == 0)
            flush = Z_FINISH;
        z.next_out = out;
        z.avail_out = STEP;
        int rc = deflate(&z, flush);
        if (rc != Z_OK && rc != Z_STREAM_END && rc != Z_BUF_ERROR) {
            ok = false;
            break;
        }
        DWORD produced = STEP - z.avail_out;
        if (!WriteBytes(file, out, produced, write)) {
            ok = false;
            break;
        }
        total += produced;
        if (rc == Z_STREAM_END)
            break;
    }
    if (deflateEnd(&z) != Z_OK)
        ok = false;
    if (!ok)
        return 0;
    *size = (long)total;
    return 1;
}

struct Expander::State {
    z_stream z{};
    bool ready = false;
};

Expander::Expander() : state(new (std::nothrow) State) {}

Expander::~Expander()
{
    if (state && state->ready)
        inflateEnd(&state->z);
    delete state;
}

bool Expander::Expand(SOURCE source, void *context, uint32_t compressed, void *out, uint32_t length)
{
    if (!state)
        return false;
    z_stream &z = state->z;
    if (!state->ready) {
        if (inflateInit_(&z, ZVERSION, sizeof z) != Z_OK)
            return false;
        state->ready = true;
    } else if (inflateReset(&z) != Z_OK) {
        return false;
    }
    // Output past the declared length lands here and fails the expansion.
    Bytef spill[64];
    z.next_in = Z_NULL;
    z.avail_in = 0;
    z.next_out = (Bytef *)out;
    z.avail_out = length;
    uint32_t remaining = compressed;
    for (;;) {
        if (z.avail_in == 0 && remaining) {
            const uint8_t *bytes = nullptr;
            uint32_t got = 0;
            if (!source(context, remaining, &bytes, &got) || got == 0 || got > remaining)
                return false;
            remaining -= got;
            z.next_in = (Bytef *)bytes;
            z.avail_in = got;
        }
        if (z.avail_out == 0) {
            if (z.total_out > length)
                return false;
            z.next_out = spill;
            z.avail_out = sizeof spill;
        }
        int rc = inflate(&z, Z_PARTIAL_FLUSH);
        if (rc == Z_STREAM_END)
            return z.total_out == length;
        if (z.total_out > length)
            return false;
        if (rc == Z_BUF_ERROR && z.avail_in == 0 && remaining == 0)
            return false; // the stream wants more than it declared
        if (rc != Z_OK && rc != Z_BUF_ERROR)
            return false;
    }
}

namespace {

// Compressed bytes straight from a file, a large step at a time.
struct FileSource {
    HANDLE file;
    // One GUI thread: a static buffer spares an allocation per object.
    static Bytef buffer[READSTEP];

    static bool Next(void *context, uint32_t want, const uint8_t **bytes, uint32_t *count)
    {
        auto *s = (FileSource *)context;
        DWORD got = 0;
        if (!ReadFile(s->file, buffer, std::min<uint32_t>(want, READSTEP), &got, NULL))
            return false;
        *bytes = buffer;
        *count = got;
        return true;
    }
};
Bytef FileSource::buffer[READSTEP];

} // namespace

bool ExpandFromFile(HANDLE file, uint32_t compressed, void *out, uint32_t length)
{
    Expander expander;
    FileSource source{file};
    return expander.Expand(FileSource::Next, &source, compressed, out, length);
}

HGLOBAL UncompressDataFromDiskEx(HANDLE file, unsigned long *size, unsigned long, unsigned long length)
{
    if (length > 0x40000000ul)
        return NULL;
    GlobalBlock h = GlobalBlock::Alloc(length ? length : 1);
    {
        GlobalLocked<> p(h);
        if (!p || !ExpandFromFile(file, (uint32_t)*size, p.get(), (uint32_t)length))
            return NULL;
    }
    *size = length;
    return h.Release();
}

bool UncompressHead(const char *data, unsigned long size, void *out, unsigned long count)
{
    z_stream z{};
    if (inflateInit_(&z, ZVERSION, sizeof z) != Z_OK)
        return false;
    z.next_in = (Bytef *)data;
    z.avail_in = (uInt)size;
    z.next_out = (Bytef *)out;
    z.avail_out = (uInt)count;
    int rc = inflate(&z, Z_SYNC_FLUSH);
    bool ok = (rc == Z_OK || rc == Z_STREAM_END || rc == Z_BUF_ERROR) && z.avail_out == 0;
    inflateEnd(&z);
    return ok;
}

HGLOBAL UncompressData(const char *data, unsigned long *size, unsigned long, unsigned long most)
{
    z_stream z{};
    if (inflateInit_(&z, ZVERSION, sizeof z) != Z_OK)
        return NULL;
    z.next_in = (Bytef *)data;
    z.avail_in = (uInt)*size;
    // One byte of room past the bound tells a stream that goes on.
    const SIZE_T room = (SIZE_T)std::min(most, MAXEXPANDEDDATA) + 1;
    // The block doubles as it fills, so large pictures cost few copies.
    SIZE_T capacity = std::clamp<SIZE_T>((SIZE_T)*size * 4, std::min<SIZE_T>(STEP, room), room);
    GlobalBlock h = GlobalBlock::Alloc(capacity);
    bool ok = false;
    while (h) {
        GlobalLocked<Bytef> p(h);
        if (!p)
            break;
        z.next_out = p.get() + z.total_out;
        z.avail_out = (uInt)(capacity - z.total_out);
        int rc = inflate(&z, Z_PARTIAL_FLUSH);
        p.Unlock();
        if (rc == Z_STREAM_END) {
            ok = z.total_out < room;
            break;
        }
        if (rc != Z_OK && rc != Z_BUF_ERROR)
            break;
        if (z.avail_out != 0)
            break; // the input ended before the stream
        if (capacity >= room)
            break;
        SIZE_T bigger = std::min<SIZE_T>(capacity * 2, room);
        HGLOBAL grown = GlobalReAlloc(h.get(), bigger, GMEM_MOVEABLE | GMEM_ZEROINIT);
        if (!grown)
            break;
        h.Release(); // moved by the reallocation
        h.Reset(grown);
        capacity = bigger;
    }
    inflateEnd(&z);
    if (!ok)
        return NULL;
    SIZE_T produced = z.total_out;
    if (produced && produced < capacity)
        if (HGLOBAL shrunk = GlobalReAlloc(h.get(), produced, GMEM_MOVEABLE)) {
            h.Release();
            h.Reset(shrunk);
        }
    *size = (unsigned long)produced;
    return h.Release();
}

int WriteObject(HWND, const char *path, HGLOBAL data)
{
    SIZE_T size = data ? GlobalSize(data) : 0;
    GlobalLocked<const char> bytes(size ? data : NULL);
    if (size && !bytes)
        return 0;
    FileHandle file(CreateFileA(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL));
    if (!file)
        return 0;
    bool ok = !size || WriteAll(file.get(), bytes.get(), (DWORD)size, nullptr);
    if (!file.Close())
        ok = false;
    if (!ok)
        DeleteFileA(path);
    return ok ? 1 : 0;
}
