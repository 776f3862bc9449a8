#include "media/soundfiles.h"
#include "common/owners.h"
#include "common/paths.h"
#include "media/dib.h"
#include "media/imageformat.h"
#include "media/loaders.h"
#include "media/riff.h"
#include "media/sound.h"
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

HGLOBAL COMMONLoadSound(HWND hwnd, const char *path, long *datasize)
{
    return LoadSound(hwnd, path, datasize);
}

int COMMONLoadSoundHeader(HWND, const char *path, PCMWAVEFORMAT *format, long *datasize)
{
    PCMWAVEFORMAT read;
    RIFFCHUNK data;
    FileHandle file(RiffOpenFile(path));
    const bool ok = RiffWaveFile(file.get(), &read, &data) == RIFF_OK;
    // A wave refused is no format: nothing half read goes back.
    if (format)
        *format = ok ? read : PCMWAVEFORMAT{};
    if (ok && datasize)
        *datasize = (long)data.size;
    return ok ? 1 : 0;
}

HGLOBAL COMMONLoadMidi(HWND, const char *path, long *size)
{
    char copy[MAX_PATH];
    if (!CopyPath(copy, path))
        return NULL;
    FILE *file = fopen(copy, "rb");
    if (!file)
        return NULL;
    GlobalBlock block;
    long length = -1;
    if (fseek(file, 0, SEEK_END) == 0 && (length = ftell(file)) > 0 && fseek(file, 0, SEEK_SET) == 0)
        block = GlobalBlock::Alloc((SIZE_T)length);
    {
        GlobalLocked<char> bytes(block);
        if (!bytes || fread(bytes.get(), 1, (size_t)length, file) != (size_t)length)
            block.Reset();
    }
    fclose(file);
    if (block && size)
        *size = length;
    return block.Release();
}

int WriteGlobalToFile(HWND, const char *path, HGLOBAL data)
{
    const SIZE_T size = data ? GlobalSize(data) : 0;
    // A discarded block has no bytes to give: it must not pass for an empty one.
    GlobalLocked<const char> bytes(data);
    if (!bytes || !path || strlen(path) >= MAX_PATH)
        return 0;
    // What could not be opened for writing is not replaced either.
    const DWORD attributes = GetFileAttributesA(path);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)))
        return 0;
    // The new file goes beside the old one, so that taking its name is a
    // rename within one folder.
    char folder[MAX_PATH], temp[MAX_PATH];
    size_t cut = (size_t)(COMMONFileNamePart(path) - path);
    memcpy(folder, path, cut);
    folder[cut] = 0;
    if (!cut)
        strcpy(folder, ".");
    if (COMMONGetTemporaryFileNameIn(temp, folder, "SBW", ".TMP", 0) <= 0)
        return 0;
    bool ok;
    {
        FileHandle file(CreateFileA(temp, GENERIC_WRITE, 0, NULL, TRUNCATE_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL));
        DWORD written = 0;
        ok = file && (!size || (WriteFile(file.get(), bytes.get(), (DWORD)size, &written, NULL) && written == size));
        ok = ok && FlushFileBuffers(file.get());
        ok = file.Close() && ok;
    }
    ok = ok && MoveFileExA(temp, path, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
    if (!ok)
        DeleteFileA(temp);
    return ok ? 1 : 0;
}

namespace {

// A wave's length split the way the format text shows it.
struct SOUNDLENGTH {
    unsigned minutes, seconds, hundredths;
};

SOUNDLENGTH SoundLength(const PCMWAVEFORMAT *format, long datasize)
{
    SOUNDLENGTH l{0, 0, 0};
    const double rate = (double)(uint32_t)format->wf.nSamplesPerSec * format->wf.nBlockAlign;
    // A damaged format has no length rather than an endless one.
    if (rate <= 0 || datasize <= 0)
        return l;
    const double seconds = datasize / rate;
    const long double perminute = 1.0L / 60;
    l.minutes = (unsigned)(seconds * perminute);
    l.seconds = (unsigned)(seconds - l.minutes * 60.0);
    l.hundredths = (unsigned)((seconds - std::floor(seconds)) * 100.0);
    return l;
}

} // namespace

char *COMMONGetSoundFormat(const PCMWAVEFORMAT *format, long datasize)
{
    static char text[64];
    const SOUNDLENGTH l = SoundLength(format, datasize);
    const unsigned rate = format->wf.nSamplesPerSec;
    snprintf(text, sizeof text, "%s %u.%u kHz %02u:%02u.%02u", format->wf.nChannels == 1 ? "Mono" : "Stereo",
             rate / 1000, (rate % 1000) / 100, l.minutes, l.seconds, l.hundredths);
    return text;
}

int COMMONGetSoundDuration(const PCMWAVEFORMAT *format, long datasize)
{
    const SOUNDLENGTH l = SoundLength(format, datasize);
    const uint64_t ms = l.hundredths * 10ull + l.seconds * 1000ull + l.minutes * 60000ull;
    return (int)std::min<uint64_t>(ms, INT32_MAX);
}

HGLOBAL COMMONVisualizeSound(HGLOBAL wave, long datasize, int width, int height, COLORREF first,
                             COLORREF second, COLORREF background, int normalise)
{
    const SIZE_T blocksize = wave ? GlobalSize(wave) : 0;
    GlobalLocked<const uint8_t> bytes(blocksize >= sizeof(PCMWAVEFORMAT) ? wave : NULL);
    if (!bytes || width <= 0 || height <= 0)
        return NULL;
    PCMWAVEFORMAT format;
    memcpy(&format, bytes.get(), sizeof format);
    const unsigned channels = format.wf.nChannels, bits = format.wBitsPerSample;
    if (format.wf.wFormatTag != WAVE_FORMAT_PCM || (bits != 8 && bits != 16) || (channels != 1 && channels != 2))
        return NULL;
    // The walk reads no further than the block holds, whatever length it is told.
    const uint64_t available = blocksize - sizeof format;
    const uint64_t length = std::min<uint64_t>(datasize > 0 ? (uint64_t)datasize : 0, available);
    NewDib dib(CreateDib(width, height, NULL, 24));
    std::vector<int> one, two, mean;
    if (!dib.ok() || !SizeScratch(one, (uint64_t)width + 16) || !SizeScratch(two, (uint64_t)width + 16) ||
        !SizeScratch(mean, (uint64_t)width + 16))
        return NULL;

    const unsigned framebytes = channels * bits / 8;
    const uint64_t perColumn = length / framebytes / (unsigned)width;
    const uint8_t *p = bytes.get() + sizeof format;
    auto peak = [bits](const uint8_t *sample) {
        if (bits == 8)
            return std::abs((int)sample[0] - 127) * 2;
        return std::abs((int)(int16_t)(sample[0] | (sample[1] << 8))) / 256;
    };
    for (int x = 0; x < width; ++x) {
        int a = 0, b = 0;
        for (uint64_t i = 0; i < perColumn; ++i, p += framebytes) {
            a = std::max(a, peak(p));
            b = std::max(b, channels == 2 ? peak(p + bits / 8) : a);
        }
        one[x] = a;
        two[x] = channels == 2 ? b : a;
    }
    if (normalise) {
        for (std::vector<int> *channel : {&one, &two}) {
            const int top = *std::max_element(channel->begin(), channel->begin() + width);
            // A silent channel stays silent: there is nothing to scale by.
            if (top <= 0)
                continue;
            const double factor = 255.0 / top + 0.5;
            for (int x = 0; x < width; ++x)
                (*channel)[x] = (int)std::clamp((*channel)[x] * factor, 0.0, 255.0);
        }
    }
    for (int x = 0; x < width; ++x)
        mean[x] = (one[x] + two[x]) / 2;

    // 24-bit pixel values are colours in COLORREF order.
    for (int y = 0; y < height; ++y) {
        uint8_t *row = dib.Row(y);
        for (int x = 0; x < width; ++x)
            WritePixel(row, x, 24, background & 0xFFFFFF);
    }
    // One column's bar of rows centre - h to centre + h, within the picture.
    auto bar = [&](int x, int centre, int h, COLORREF colour) {
        for (int y = std::max(0, centre - h); y <= std::min(height - 1, centre + h); ++y)
            WritePixel(dib.Row(y), x, 24, colour & 0xFFFFFF);
    };
    for (int x = 0; x < width; ++x) {
        if (channels == 1) {
            bar(x, height / 2, (int)(((int64_t)mean[x] * height) / 256 / 2), first);
        } else {
            bar(x, height / 4, (int)(((int64_t)one[x] * height) / 256 / 4), first);
            bar(x, height / 4 + height / 2, (int)(((int64_t)two[x] * height) / 256 / 4), second);
        }
    }
    return dib.Release();
}
