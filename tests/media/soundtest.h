// Helpers of the sound tests: wave files made to measure, a folder of the
// test's own, files written and read whole, and a count of matching files.
#pragma once
#include <windows.h>
#include <mmsystem.h>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace soundtest {

// A RIFF WAVE file of `frames` frames whose samples come from `sample`
// (frame, channel); its data chunk claims `claim` bytes more than it holds.
inline std::string WaveFile(DWORD rate, WORD channels, WORD bits, DWORD frames, int (*sample)(DWORD, int),
                            DWORD claim = 0, WORD tag = WAVE_FORMAT_PCM)
{
    const WORD align = (WORD)(channels * bits / 8);
    std::string f;
    auto put = [&](uint32_t v, int n) {
        for (int i = 0; i < n; ++i)
            f += (char)(v >> (8 * i));
    };
    f += "RIFF", put(36 + frames * align, 4), f += "WAVEfmt ", put(16, 4);
    put(tag, 2), put(channels, 2), put(rate, 4), put(rate * align, 4), put(align, 2), put(bits, 2);
    f += "data", put(frames * align + claim, 4);
    for (DWORD i = 0; i < frames; ++i)
        for (int c = 0; c < channels; ++c)
            put((uint32_t)sample(i, c), bits / 8);
    return f;
}

// Wave files whose chunk lengths point back at their own chunk or at each
// other, so that a walk trusting them never ends.
struct BACKWARDWAVE {
    const char *name;
    std::string bytes;
};
inline std::vector<BACKWARDWAVE> BackwardWaves()
{
    const std::string body = WaveFile(8000, 1, 8, 20, [](DWORD, int) { return 128; }).substr(12);
    auto riff = [](const std::string &chunks) {
        const uint32_t n = (uint32_t)(4 + chunks.size());
        return "RIFF" + std::string((const char *)&n, 4) + "WAVE" + chunks;
    };
    auto length = [](uint32_t n) { return std::string((const char *)&n, 4); };
    return {
        {"format of -9", riff("fmt " + length(0xFFFFFFF7) + body.substr(8))},
        {"format of -8", riff("fmt " + length(0xFFFFFFF8) + body.substr(8))},
        {"list of -9 first", riff("LIST" + length(0xFFFFFFF7) + "INFO" + body)},
        {"list of -8 first", riff("LIST" + length(0xFFFFFFF8) + "INFO" + body)},
        {"list and junk pointing at each other", riff("LIST" + length(4) + "INFOjunk" + length(0xFFFFFFEC) + body)},
    };
}

const char MIDIFILE[] = "MThd\0\0\0\6\0\0\0\1\0\x60MTrk\0\0\0\x0C\0\x90\x3C\x40\x14\x80\x3C\0\0\xFF\x2F";

inline void Write(const std::string &path, const std::string &bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

inline std::string Read(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
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

// A new folder (path ends in "\"), removed with its files; while it lives
// it is the temporary folder too.
struct TempFolder {
    std::string path;
    char oldtmp[MAX_PATH] = "";
    TempFolder()
    {
        char base[MAX_PATH], name[MAX_PATH];
        GetTempPathA(sizeof base, base);
        GetTempFileNameA(base, "snd", 0, name);
        DeleteFileA(name);
        CreateDirectoryA(name, NULL);
        path = std::string(name) + "\\";
        GetEnvironmentVariableA("TMP", oldtmp, sizeof oldtmp);
        SetEnvironmentVariableA("TMP", path.c_str());
    }
    ~TempFolder()
    {
        SetEnvironmentVariableA("TMP", oldtmp[0] ? oldtmp : NULL);
        WIN32_FIND_DATAA found;
        HANDLE h = FindFirstFileA((path + "*").c_str(), &found);
        for (bool more = h != INVALID_HANDLE_VALUE; more; more = FindNextFileA(h, &found))
            DeleteFileA((path + found.cFileName).c_str());
        if (h != INVALID_HANDLE_VALUE)
            FindClose(h);
        RemoveDirectoryA(path.c_str());
    }
};

} // namespace soundtest
