#include "media/loaders.h"
#include "common/owners.h"
#include "media/dib.h"
#include "media/imageformat.h"
#include "media/riff.h"
#include "media/sound.h"
#include <mmsystem.h>
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

// The length of an open file, or -1 for a seek error or a length of 2 GiB or
// more: the seek reports only 32 bits, so a file of 4 GiB and a few bytes
// would otherwise pass for one of a few bytes. Leaves the file at its start.
LONG OpenFileSize(HFILE file)
{
    LONG end = _llseek(file, 0, FILE_END);
    LARGE_INTEGER size;
    if (end == HFILE_ERROR || end < 0 || !GetFileSizeEx((HANDLE)(INT_PTR)file, &size) || size.QuadPart != end)
        return -1;
    return _llseek(file, 0, FILE_BEGIN) == 0 ? end : -1;
}

// The four kinds of sound the waveform tells apart.
enum WAVEKIND { MONO8, STEREO8, MONO16, STEREO16 };

// The amplitude of one frame, at least 1. Samples deeper than 16 bits are
// read by their top 16 bits.
inline unsigned FrameAmplitude(const uint8_t *frame, WAVEKIND kind, unsigned samplebytes, int scale)
{
    int a;
    auto sample16 = [&](unsigned channel) {
        const uint8_t *p = frame + channel * samplebytes + samplebytes - 2;
        return (int)(int16_t)(p[0] | (p[1] << 8));
    };
    switch (kind) {
    case MONO8: a = ((int)frame[0] - 128) / scale; break;
    case STEREO8: a = (((int)frame[0] + (int)frame[samplebytes] - 256) / 2) / scale; break;
    case MONO16: a = sample16(0) / scale; break;
    default: a = ((sample16(0) + sample16(1)) / 2) / scale; break;
    }
    return (unsigned)std::max(1, std::abs(a));
}

} // namespace

HGLOBAL LoadObject(HWND, const char *path)
{
    if (!path)
        return NULL;
    HFILE file = _lopen(path, OF_READ);
    if (file == HFILE_ERROR)
        return NULL;
    HGLOBAL block = NULL;
    LONG size = OpenFileSize(file);
    if (size >= 0)
        block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, (SIZE_T)size + OBJECTTAIL);
    bool ok = false;
    if (block) {
        GlobalLocked<> bytes(block);
        ok = bytes && _lread(file, bytes.get(), (UINT)size) == (UINT)size;
    }
    _lclose(file);
    if (block && !ok) {
        GlobalFree(block);
        return NULL;
    }
    return block;
}

HGLOBAL LoadMovie(HWND hwnd, const char *path, long *imagesize, long *filesize)
{
    char copy[MAX_PATH];
    if (!CopyPath(copy, path))
        return NULL;
    HGLOBAL raw = LoadObject(hwnd, copy);
    if (!raw)
        return NULL;
    HGLOBAL dib = AVIReadGraphicFile(copy);
    if (!dib) {
        GlobalFree(raw);
        return NULL;
    }
    const SIZE_T dibsize = GlobalSize(dib), rawsize = GlobalSize(raw);
    HGLOBAL movie = NULL;
    if ((uint64_t)dibsize + rawsize <= MAXBLOCKBYTES)
        movie = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, dibsize + rawsize);
    bool ok = false;
    if (movie) {
        GlobalLocked<char> out(movie), picture(dib), file(raw);
        ok = out && picture && file;
        if (ok) {
            memcpy(out.get(), picture.get(), dibsize);
            memcpy(out.get() + dibsize, file.get(), rawsize);
        }
    }
    GlobalFree(dib);
    GlobalFree(raw);
    if (!ok) {
        if (movie)
            GlobalFree(movie);
        return NULL;
    }
    if (imagesize)
        *imagesize = (long)dibsize;
    if (filesize)
        *filesize = (long)rawsize;
    return movie;
}

HGLOBAL LoadSound(HWND, const char *path, long *datasize)
{
    FileHandle file(RiffOpenFile(path));
    PCMWAVEFORMAT format;
    RIFFCHUNK data;
    if (RiffWaveFile(file.get(), &format, &data) != RIFF_OK)
        return NULL;
    if (datasize)
        *datasize = (long)data.size;
    GlobalBlock block = GlobalBlock::Alloc(WAVEDATAHEAD + (SIZE_T)data.size);
    {
        GlobalLocked<char> bytes(block);
        if (bytes && RiffReadFile(file.get(), data.start, bytes.get() + WAVEDATAHEAD, data.size))
            memcpy(bytes.get(), &format, WAVEDATAHEAD);
        else
            block.Reset();
    }
    return block.Release();
}

int DrawWave(HDC hdc, int x, int y, int width, int height, HGLOBAL wave)
{
    RECT area{x, y, x + width, y + height};
    FillRect(hdc, &area, (HBRUSH)GetStockObject(BLACK_BRUSH));
    const SIZE_T size = wave ? GlobalSize(wave) : 0;
    GlobalLocked<const PCMWAVEFORMAT> format(size >= WAVEDATAHEAD ? wave : NULL);
    if (!format)
        return 0;
    const unsigned channels = format->wf.nChannels, align = format->wf.nBlockAlign, bits = format->wBitsPerSample;
    const unsigned samplebytes = bits > 8 ? (bits + 7) / 8 : 1;
    const WAVEKIND kind = bits <= 8 ? (channels == 1 ? MONO8 : STEREO8) : (channels == 1 ? MONO16 : STEREO16);
    // Each frame must hold the samples read from it.
    if (!channels || align < (channels == 1 ? 1 : 2) * samplebytes)
        return 0;
    const DWORD frames = (DWORD)((size - WAVEDATAHEAD) / align);
    if (width > 0 && height > 0 && frames) {
        // A sound shorter than the rectangle is wide gets a column per frame;
        // a rectangle too tall for the scale gets the finest scale.
        const DWORD percolumn = std::max<DWORD>(1, frames / (DWORD)width);
        const int columns = (int)std::min<DWORD>((DWORD)width, frames / percolumn);
        const int scale = std::max(1, (bits <= 8 ? 255 : 32768) / height);
        const uint8_t *samples = (const uint8_t *)format.get() + WAVEDATAHEAD;
        HPEN pen = CreatePen(PS_SOLID, 1, RGB(0, 0xC0, 0));
        int saved = SaveDC(hdc);
        SelectObject(hdc, pen);
        IntersectClipRect(hdc, area.left, area.top, area.right, area.bottom);
        for (int i = 0; i < columns; ++i) {
            const uint8_t *frame = samples + (uint64_t)i * percolumn * align;
            uint64_t sum = 0;
            for (DWORD f = 0; f < percolumn; ++f, frame += align)
                sum += FrameAmplitude(frame, kind, samplebytes, scale);
            const int v = (int)(sum / percolumn);
            MoveToEx(hdc, x + i, y + height / 2 - v, NULL);
            LineTo(hdc, x + i, y + height / 2 + v);
        }
        RestoreDC(hdc, saved);
        DeleteObject(pen);
    }
    return 1;
}
