// Helpers of the sound tests: wave files made to measure, files written
// and read whole, and a count of the files that match a pattern.
#pragma once
#include <windows.h>
#include <mmsystem.h>
#include <gtest/gtest.h>
#include <cstdint>
#include <cstdio>
#include <string>

namespace soundtest {

// A RIFF WAVE file of `frames` frames whose samples come from `sample`
// (frame, channel); its data chunk claims `claim` bytes more than it holds.
inline std::string WaveFile(DWORD rate, WORD channels, WORD bits, DWORD frames, int (*sample)(DWORD, int),
                     DWORD claim = 0, WORD tag = WAVE_FORMAT_PCM)
{
    const WORD align = (WORD)(channels * bits / 8);
    const DWORD bytes = frames * align;
    std::string f;
    auto put = [&](uint32_t v, int n) {
        for (int i = 0; i < n; ++i)
            f += (char)(v >> (8 * i));
    };
    f += "RIFF";
    put(36 + bytes, 4);
    f += "WAVEfmt ";
    put(16, 4);
    put(tag, 2), put(channels, 2), put(rate, 4), put(rate * align, 4), put(align, 2), put(bits, 2);
    f += "data";
    put(bytes + claim, 4);
    for (DWORD i = 0; i < frames; ++i)
        for (int c = 0; c < channels; ++c)
            put((uint32_t)sample(i, c), bits / 8);
    return f;
}

inline void Write(const std::string &path, const std::string &bytes)
{
    FILE *f = fopen(path.c_str(), "wb");
    ASSERT_TRUE(f);
    fwrite(bytes.data(), 1, bytes.size(), f);
    fclose(f);
}

inline std::string Read(const std::string &path)
{
    FILE *f = fopen(path.c_str(), "rb");
    std::string bytes;
    for (int c; f && (c = fgetc(f)) != EOF;)
        bytes += (char)c;
    if (f)
        fclose(f);
    return bytes;
}

inline int Count(const std::string &pattern)
{
    WIN32_FIND_DATAA found;
    HANDLE h = FindFirstFileA(pattern.c_str(), &found);
    int n = 0;
    for (bool more = h != INVALID_HANDLE_VALUE; more; more = FindNextFileA(h, &found))
        n++;
    if (h != INVALID_HANDLE_VALUE)
        FindClose(h);
    return n;
}

} // namespace soundtest
