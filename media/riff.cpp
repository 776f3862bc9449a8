#include "media/riff.h"
#include <algorithm>
#include <cstdint>
#include <cstring>

namespace {

bool ReadMemory(const void *from, DWORD at, void *to, DWORD n)
{
    memcpy(to, (const uint8_t *)from + at, n);
    return true;
}

bool ReadFileAt(const void *from, DWORD at, void *to, DWORD n)
{
    return RiffReadFile((HANDLE)from, at, to, n);
}

// Reads within the source only.
bool Read(const RIFFSOURCE &source, DWORD at, void *to, DWORD n)
{
    return at <= source.size && n <= source.size - at && source.read(source.from, at, to, n);
}

DWORD Little32(const uint8_t *p)
{
    return (DWORD)p[0] | (DWORD)p[1] << 8 | (DWORD)p[2] << 16 | (DWORD)p[3] << 24;
}

} // namespace

RIFFSOURCE RiffMemory(const void *bytes, SIZE_T size)
{
    return RIFFSOURCE{(DWORD)std::min<SIZE_T>(size, MAXDWORD), ReadMemory, bytes};
}

RIFFSOURCE RiffFile(HANDLE file, DWORD size)
{
    return RIFFSOURCE{size, ReadFileAt, file};
}

RIFFFAULT RiffForm(const RIFFSOURCE &source, FOURCC type, RIFFCHUNK *form)
{
    uint8_t head[12];
    if (!Read(source, 0, head, sizeof head))
        return source.size < sizeof head ? RIFF_NOTFORM : RIFF_UNREADABLE;
    if (memcmp(head, "RIFF", 4) != 0 || Little32(head + 8) != type)
        return RIFF_NOTFORM;
    const DWORD claimed = Little32(head + 4);
    form->id = mmioFOURCC('R', 'I', 'F', 'F');
    form->size = claimed;
    form->start = sizeof head;
    form->held = claimed < 4 ? 0 : std::min(claimed - 4, source.size - (DWORD)sizeof head);
    return RIFF_OK;
}

RIFFFAULT RiffFind(const RIFFSOURCE &source, const RIFFCHUNK &parent, FOURCC id, RIFFCHUNK *found, DWORD from)
{
    // All offsets in 64 bits: a length near 4 GiB must not wrap to a chunk
    // the walk has passed.
    const uint64_t end = (uint64_t)parent.start + parent.held;
    uint64_t at = std::max<uint64_t>(from, parent.start);
    // The heads come through a buffer: a file of many small chunks costs a
    // few reads, not one a chunk.
    uint8_t buffer[8192];
    uint64_t buffered = 0;
    DWORD length = 0;
    for (DWORD count = 0; count < RIFFMAXCHUNKS; ++count) {
        if (at >= end || end - at < 8)
            return RIFF_NOCHUNK;
        if (at < buffered || at + 8 > buffered + length) {
            length = (DWORD)std::min<uint64_t>(sizeof buffer, end - at);
            buffered = at;
            if (!Read(source, (DWORD)at, buffer, length))
                return RIFF_UNREADABLE;
        }
        const uint8_t *head = buffer + (at - buffered);
        const DWORD size = Little32(head + 4);
        const uint64_t start = at + 8, next = start + size;
        if (Little32(head) == id) {
            *found = RIFFCHUNK{id, size, (DWORD)start, (DWORD)(std::min(next, end) - start)};
            return RIFF_OK;
        }
        if (next > end)
            return RIFF_PASTEND;
        // The last chunk's pad byte may be missing.
        at = std::min(next + (size & 1), end);
    }
    return RIFF_TOOMANY;
}

DWORD RiffAfter(const RIFFCHUNK &chunk)
{
    const uint64_t next = (uint64_t)chunk.start + chunk.size + (chunk.size & 1);
    return (DWORD)std::min<uint64_t>(next, MAXDWORD);
}

RIFFFAULT RiffWave(const RIFFSOURCE &source, PCMWAVEFORMAT *format, RIFFCHUNK *data)
{
    memset(format, 0, sizeof *format);
    RIFFCHUNK form, fmt;
    RIFFFAULT fault = RiffForm(source, mmioFOURCC('W', 'A', 'V', 'E'), &form);
    if (!fault)
        fault = RiffFind(source, form, mmioFOURCC('f', 'm', 't', ' '), &fmt);
    if (fault)
        return fault;
    // The data chunk is looked for after the format, so the format must end
    // where its length says.
    if (fmt.held < fmt.size)
        return RIFF_PASTEND;
    const DWORD want = std::min<DWORD>(fmt.size, sizeof *format);
    if (!Read(source, fmt.start, format, want))
        return RIFF_UNREADABLE;
    // Without channels or a frame size there are no whole frames to keep.
    const DWORD align = format->wf.nBlockAlign;
    if (format->wf.wFormatTag != WAVE_FORMAT_PCM || !format->wf.nChannels || !align)
        return RIFF_BADFORMAT;
    fault = RiffFind(source, form, mmioFOURCC('d', 'a', 't', 'a'), data, RiffAfter(fmt));
    // A data chunk that claims more than the file holds is damaged; its
    // length would also decide the allocation.
    if (!fault && data->held < data->size)
        fault = RIFF_PASTEND;
    if (fault)
        return fault;
    data->size = data->held = data->size - data->size % align;
    return RIFF_OK;
}

bool RiffReadFile(HANDLE file, DWORD at, void *to, DWORD n)
{
    LARGE_INTEGER offset{};
    offset.QuadPart = at;
    DWORD got = 0;
    return SetFilePointerEx(file, offset, NULL, FILE_BEGIN) && ReadFile(file, to, n, &got, NULL) && got == n;
}

HANDLE RiffOpenFile(const char *path)
{
    // A name too long for the platform's buffers would be cut to another's.
    if (!path || strlen(path) >= MAX_PATH)
        return INVALID_HANDLE_VALUE;
    return CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
}

RIFFFAULT RiffWaveFile(HANDLE file, PCMWAVEFORMAT *format, RIFFCHUNK *data)
{
    memset(format, 0, sizeof *format);
    LARGE_INTEGER size{};
    if (file == INVALID_HANDLE_VALUE || !file || !GetFileSizeEx(file, &size) || size.QuadPart > 0x7FFFFFFF)
        return RIFF_UNREADABLE;
    const RIFFFAULT fault = RiffWave(RiffFile(file, (DWORD)size.QuadPart), format, data);
    return !fault && data->size > MAXWAVEBYTES ? RIFF_TOOLARGE : fault;
}
