// Object data in document files: one zlib stream per object, written and read
// in steps so that no side holds the compressed form of a large picture in
// memory; and whole global blocks written to files.
#pragma once
#include <windows.h>
#include <cstdint>

// The platform's write as a save's host gives it, so that a test can make a
// save fail part way or fall short as on a full disk. It says how much it
// wrote, as WriteFile does. NULL is the platform's own.
typedef BOOL (*DOCUMENTWRITER)(HANDLE file, const void *data, DWORD size, DWORD *written);
// And the platform's read as a load's host gives it, so that a test can see
// how much a load reads and in how many steps. TRUE only when all was read;
// NULL is the platform's own.
typedef BOOL (*DOCUMENTREADER)(HANDLE file, void *data, DWORD size);

// File helpers of the writer and the reader; each is true only when all of
// the request was done. A write that falls short fails with ERROR_DISK_FULL,
// one that fails keeps its own error.
bool WriteBytes(HANDLE file, const void *data, DWORD size, DOCUMENTWRITER write = nullptr);
bool ReadBytes(HANDLE file, void *data, DWORD size, DOCUMENTREADER read = nullptr);
bool SeekTo(HANDLE file, uint64_t position);

// Compresses `*size` bytes of `data` at `level` (0 to 9) into the file at its
// position; the number of bytes written replaces `*size`.
int CompressDataToFile(HANDLE file, const char *data, long *size, long level, unsigned long,
                       DOCUMENTWRITER write = nullptr);

// Expands exactly `length` bytes from the `compressed` bytes at the file's
// position into `out`. False unless the stream ends and makes exactly that
// many bytes.
bool ExpandFromFile(HANDLE file, uint32_t compressed, void *out, uint32_t length);

// Expands stream after stream with one inflater, made once: a document of
// many small streams then costs little more than their bytes.
class Expander {
public:
    // Gives the next compressed bytes, at most `want` of them: false when
    // they cannot be read.
    typedef bool (*SOURCE)(void *context, uint32_t want, const uint8_t **bytes, uint32_t *count);
    Expander();
    ~Expander();
    Expander(const Expander &) = delete;
    Expander &operator=(const Expander &) = delete;
    // As ExpandFromFile, with the `compressed` bytes from `source`.
    bool Expand(SOURCE source, void *context, uint32_t compressed, void *out, uint32_t length);

private:
    struct State;
    State *state;
};

// Expands the `*size` compressed bytes at the file's position into a new block
// of `length` bytes; `*size` becomes the number of bytes made. 0 on failure.
HGLOBAL UncompressDataFromDiskEx(HANDLE file, unsigned long *size, unsigned long, unsigned long length);

// The largest expansion UncompressData makes.
constexpr unsigned long MAXEXPANDEDDATA = 256u << 20;
// Expands a stream of `*size` bytes held in memory into a new block of the
// expanded length, which replaces `*size`. 0 on failure, and as soon as the
// stream makes more than `most` bytes.
HGLOBAL UncompressData(const char *data, unsigned long *size, unsigned long, unsigned long most = MAXEXPANDEDDATA);
// The first `count` bytes that a stream of `size` bytes held in memory
// expands to; false when it makes fewer.
bool UncompressHead(const char *data, unsigned long size, void *out, unsigned long count);

// Writes the whole global block to `path`; on failure no file is left behind.
int WriteObject(HWND, const char *path, HGLOBAL data);
