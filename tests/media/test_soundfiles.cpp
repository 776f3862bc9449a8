// Wave and MIDI files of the sound dialogs: readers on sound and damaged
// files, the format text, waveform pictures, safe writing, and the preview
// players' bookkeeping.
#include "media/soundfiles.h"
#include "media/loaders.h"
#include "media/riff.h"
#include "media/sound.h"
#include "tests/media/picturetest.h"
#include "tests/media/soundtest.h"
#include "tests/support/testsupport.h"
#include <gtest/gtest.h>
#include <cstdint>
#include <cstring>
#include <functional>
#include <vector>
#include <string>

using namespace pictest;
using namespace soundtest;

namespace {

HGLOBAL Block(const std::string &bytes)
{
    HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
    memcpy(GlobalLock(h), bytes.data(), bytes.size());
    GlobalUnlock(h);
    return h;
}

int Silent(DWORD, int)
{
    return 0;
}

// A WAVEDATA block as the reader makes it.
HGLOBAL Wave(WORD channels, WORD bits, DWORD frames, int (*sample)(DWORD, int))
{
    std::string file = WaveFile(8000, channels, bits, frames, sample);
    return Block(file.substr(20, 16) + file.substr(44));
}

TEST(SoundFiles, FormatTextAndDuration)
{
    const struct {
        WORD channels, align;
        DWORD rate;
        long datasize;
        const char *text;
        int ms;
    } cases[] = {
        {2, 4, 44100, 44100 * 4 * 6125 / 100, "Stereo 44.1 kHz 01:01.25", 61250},
        {1, 1, 22050, 22050 * 35 / 10, "Mono 22.0 kHz 00:03.50", 3500},
        {1, 2, 8000, 8000 * 2 * 3600, "Mono 8.0 kHz 60:00.00", 3600000},
        {1, 0, 8000, 1000, "Mono 8.0 kHz 00:00.00", 0}, // no frame size: no length
        {2, 4, 0, 1000, "Stereo 0.0 kHz 00:00.00", 0},
    };
    for (const auto &c : cases) {
        PCMWAVEFORMAT f{{WAVE_FORMAT_PCM, c.channels, c.rate, c.rate * c.align, c.align}, 16};
        EXPECT_STREQ(COMMONGetSoundFormat(&f, c.datasize), c.text);
        EXPECT_EQ(COMMONGetSoundDuration(&f, c.datasize), c.ms) << c.text;
    }
}

TEST(SoundFiles, ReadersTakeWhatTheFileHolds)
{
    TempFolder dir;
    const std::string toolong(MAX_PATH + 10, 'w');
    const struct {
        std::string name, bytes;
        long samples; // -1: no wave
        DWORD whole = 0;  // samples the data chunk claims and the file holds, sparse
    } cases[] = {
        {"a.wav", WaveFile(22050, 1, 8, 1000, Silent), 1000},
        {"cut.wav", WaveFile(22050, 2, 16, 100, Silent, 1u << 30), -1}, // claims a GiB more
        {"ragged.wav", WaveFile(22050, 2, 16, 100, Silent, (DWORD)-2), 396}, // half a frame over
        {"packed.wav", WaveFile(22050, 1, 4, 100, Silent, 0, 2), -1},
        {"nochannels.wav", WaveFile(22050, 1, 16, 100, Silent).replace(22, 2, 2, '\0'), -1}, // frames of 2 bytes
        {"junk.wav", "RIFF\4\0\0\0JUNK", -1},
        // Legal waves too large to load are refused by every reader alike.
        {"over.wav", WaveFile(22050, 1, 8, 0, Silent), -1, MAXWAVEBYTES + 1},
        {"768.wav", WaveFile(22050, 1, 8, 0, Silent), -1, 768u << 20},
        {"1024.wav", WaveFile(22050, 2, 16, 0, Silent), -1, 1u << 30},
        {"1900.wav", WaveFile(22050, 2, 16, 0, Silent), -1, 1900u << 20},
        {"a.mid", std::string(MIDIFILE, sizeof MIDIFILE), -1},
        {"empty.mid", "", -1},
    };
    for (const auto &c : cases) {
        const std::string path = dir.path + c.name;
        Write(path, c.bytes);
        if (c.whole) {
            HANDLE f = CreateFileA(path.c_str(), GENERIC_WRITE, 0, NULL, OPEN_EXISTING, 0, NULL);
            const DWORD lengths[][2] = {{4, 36 + c.whole}, {40, c.whole}}; // the form's, the data chunk's
            DWORD n;
            for (const auto &l : lengths)
                SetFilePointer(f, (LONG)l[0], NULL, FILE_BEGIN), WriteFile(f, &l[1], 4, &n, NULL);
            SetFilePointerEx(f, LARGE_INTEGER{.QuadPart = 44ll + c.whole}, NULL, FILE_BEGIN);
            SetEndOfFile(f);
            CloseHandle(f);
        }
        long loaded = -1, header = -1, midisize = -1;
        PCMWAVEFORMAT format;
        memset(&format, 0xEE, sizeof format);
        Dib wave(COMMONLoadSound(NULL, path.c_str(), &loaded));
        EXPECT_EQ(wave ? (long)GlobalSize(wave) - 16 : -1, c.samples) << c.name;
        EXPECT_EQ(COMMONLoadSoundHeader(NULL, path.c_str(), &format, &header) ? header : -1, c.samples) << c.name;
        EXPECT_EQ(format.wf.nSamplesPerSec, c.samples < 0 ? 0u : 22050u) << c.name; // nothing half read
        EXPECT_EQ(wave ? loaded : -1, c.samples) << c.name;
        if (c.whole)
            continue; // no MIDI file, and too large to read whole
        Dib midi(COMMONLoadMidi(NULL, path.c_str(), &midisize));
        EXPECT_EQ(midi ? (long)GlobalSize(midi) : 0, (long)c.bytes.size()) << c.name;
        EXPECT_EQ(midi ? midisize : 0, (long)c.bytes.size()) << c.name;
    }
    for (const char *bad : {"Z:\\missing\\a.wav", toolong.c_str()}) {
        long size;
        EXPECT_FALSE(COMMONLoadSound(NULL, bad, &size) || COMMONLoadMidi(NULL, bad, &size)) << bad;
    }
}

DWORD WINAPI RunWork(void *work)
{
    (*(std::function<void()> *)work)();
    delete (std::function<void()> *)work;
    return 0;
}

// Runs `work` on a thread of its own; false when it has not finished within
// `ms`, as a reader caught in a loop would not.
bool Answers(const std::function<void()> &work, DWORD ms)
{
    HANDLE thread = CreateThread(NULL, 0, RunWork, new std::function<void()>(work), 0, NULL);
    const bool done = WaitForSingleObject(thread, ms) == WAIT_OBJECT_0;
    CloseHandle(thread);
    return done; // a thread that hangs is left to the end of the process
}

// The samples each reader takes from a file (-1: refused).
struct Taken {
    long sound = -1, header = -1, plain = -1;
};

Taken Read3(const std::string &path)
{
    Taken t;
    long n = -1;
    PCMWAVEFORMAT format;
    if (Dib wave{COMMONLoadSound(NULL, path.c_str(), &n)})
        t.sound = n;
    if (COMMONLoadSoundHeader(NULL, path.c_str(), &format, &n))
        t.header = n;
    if (Dib wave{LoadSound(NULL, path.c_str())})
        t.plain = (long)GlobalSize(wave) - 16;
    return t;
}

// Lengths that point back at their own chunk or at each other: every reader
// answers at once and refuses them.
TEST(SoundFiles, ChunkLengthsThatPointBackAreRefused)
{
    TempFolder dir;
    for (const auto &c : BackwardWaves()) {
        const std::string path = dir.path + c.name + ".wav"; // one a reader caught in it still holds
        Write(path, c.bytes);
        auto *t = new Taken{0, 0, 0}; // kept for a thread that does not answer
        if (!Answers([t, path] { *t = Read3(path); }, 1000)) {
            ADD_FAILURE() << c.name << ": a reader still walks it";
            continue;
        }
        EXPECT_EQ(t->sound, -1) << c.name;
        EXPECT_EQ(t->header, -1) << c.name;
        EXPECT_EQ(t->plain, -1) << c.name;
        delete t;
    }
}

// Every chunk length of a sound file, swept round the true one and near
// 4 GiB: each reader answers, and all load exactly the files that say where
// their chunks are and hold their data chunk whole.
TEST(SoundFiles, EveryChunkLengthIsAnsweredAndOnlyTheTrueOnesLoad)
{
    TempFolder dir;
    constexpr uint32_t SAMPLES = 20;
    const std::string wave = WaveFile(8000, 1, 8, SAMPLES, [](DWORD i, int) { return (int)(i + 1); });
    // RIFF at 4, LIST at 16, format at 28, data at 52; the samples from 56.
    std::string good = wave.substr(0, 12) + std::string("LIST\4\0\0\0INFO", 12) + wave.substr(12);
    const uint32_t riff = (uint32_t)good.size() - 8;
    memcpy(&good[4], &riff, 4);
    const struct {
        uint32_t at, truth;
    } fields[] = {{4, riff}, {16, 4}, {28, 16}, {52, SAMPLES}};
    const std::string path = dir.path + "sweep.wav";
    std::string row = "none";
    const bool answered = Answers([&] {
        for (const auto &f : fields) {
            std::vector<uint32_t> lengths;
            for (uint32_t n = 0; n <= (uint32_t)good.size() + 16; ++n)
                lengths.push_back(n);
            for (uint32_t n = 0; n <= 16; ++n)
                lengths.push_back(0xFFFFFFFF - n);
            lengths.insert(lengths.end(), {0x7FFFFFFF, 0x80000000});
            for (uint32_t n : lengths) {
                row = "field at " + std::to_string(f.at) + ", length " + std::to_string(n);
                std::string bytes = good;
                memcpy(&bytes[f.at], &n, 4);
                Write(path, bytes);
                long want = -1;
                if (f.at == 4 ? n >= riff : f.at == 52 ? n <= SAMPLES : n == f.truth || n + 1 == f.truth)
                    want = f.at == 52 ? (long)n : (long)SAMPLES; // an odd length has its pad byte
                const Taken t = Read3(path);
                EXPECT_EQ(t.sound, want) << row;
                EXPECT_EQ(t.header, want) << row;
                EXPECT_EQ(t.plain, want) << row;
            }
        }
        row = "done";
    }, 60000);
    ASSERT_TRUE(answered) << "the readers still walk the file of " << row;
}

// Chunks before the data up to the walk's bound: every reader takes the
// wave whose data is the last chunk the walk looks at, and refuses one a
// chunk further; the heads come in a few large reads, not one each.
TEST(SoundFiles, TheChunksBeforeTheDataAreBoundedAndReadTogether)
{
    TempFolder dir;
    const std::string wave = WaveFile(8000, 1, 8, 20, Silent), path = dir.path + "many.wav";
    for (DWORD empty : {RIFFMAXCHUNKS - 1, RIFFMAXCHUNKS}) {
        std::string file = wave.substr(0, 36); // the form and its format
        for (DWORD i = 0; i < empty; i++)
            file.append("JUNK\0\0\0\0", 8);
        file += wave.substr(36);
        const uint32_t riff = (uint32_t)file.size() - 8;
        memcpy(&file[4], &riff, 4);
        Write(path, file);
        const long want = empty < RIFFMAXCHUNKS ? 20 : -1;
        const Taken t = Read3(path);
        EXPECT_EQ(t.sound, want) << empty;
        EXPECT_EQ(t.header, want) << empty;
        EXPECT_EQ(t.plain, want) << empty;
        struct Counted {
            const std::string &bytes;
            int reads;
        } counted{file, 0};
        const RIFFSOURCE source{(DWORD)file.size(),
                                [](const void *from, DWORD at, void *to, DWORD n) {
                                    auto *c = (Counted *)from;
                                    c->reads++;
                                    memcpy(to, c->bytes.data() + at, n);
                                    return true;
                                },
                                &counted};
        PCMWAVEFORMAT format;
        RIFFCHUNK data;
        EXPECT_EQ(RiffWave(source, &format, &data), want < 0 ? RIFF_TOOMANY : RIFF_OK) << empty;
        EXPECT_LT(counted.reads, 64) << empty;
    }
}

TEST(SoundFiles, WaveformColumnsAndChannels)
{
    const COLORREF one = RGB(10, 20, 30), two = RGB(200, 100, 50), back = RGB(255, 255, 255);
    auto picture = [&](WORD channels, WORD bits, int (*sample)(DWORD, int), long datasize, int width) {
        Dib wave(Wave(channels, bits, 800, sample));
        return COMMONVisualizeSound(wave, datasize, width, 32, one, two, back, 1);
    };
    // Loud in the first half, silent in the second; stereo is loud on the left only.
    auto loud = [](DWORD i, int c) { return i < 400 && c == 0 ? (i % 2 ? 32767 : -32767) : 0; };
    Dib mono(picture(1, 16, loud, 1600, 8)), stereo(picture(2, 16, loud, 3200, 8));
    ASSERT_TRUE(mono && stereo);
    const struct {
        HGLOBAL dib;
        int x, y;
        COLORREF colour;
    } cases[] = {{mono, 0, 0, back},   {mono, 0, 1, one},    {mono, 0, 31, one},   {mono, 7, 16, one},
                 {mono, 7, 15, back},  {stereo, 0, 1, one},  {stereo, 0, 8, one},  {stereo, 0, 24, two},
                 {stereo, 0, 23, back}, {stereo, 7, 8, one}, {stereo, 7, 7, back}};
    for (const auto &c : cases)
        EXPECT_EQ(Pixels(c.dib).Colour(c.x, c.y), c.colour) << c.x << "," << c.y;
    // Silence normalised, over a length past the block; formats it cannot draw.
    Dib silent(picture(1, 16, Silent, 1 << 30, 8));
    ASSERT_TRUE(silent);
    EXPECT_EQ(Pixels(silent).Colour(3, 15), back);
    for (Dib none : {picture(6, 16, loud, 600, 8), picture(1, 24, loud, 600, 8), picture(1, 16, loud, 600, 0)})
        EXPECT_FALSE(none);
    EXPECT_FALSE(COMMONVisualizeSound(NULL, 100, 8, 8, one, two, back, 0));
}

TEST(SoundFiles, WritingReplacesAFileOnlyWithTheWholeBlock)
{
    TempFolder dir;
    const std::string target = dir.path + "target.mid", readonly = dir.path + "ro.mid";
    Write(target, "old contents");
    Write(readonly, "keep");
    SetFileAttributesA(readonly.c_str(), FILE_ATTRIBUTE_READONLY);
    Dib data(Block("new")), gone(GlobalAlloc(GMEM_MOVEABLE | GMEM_DISCARDABLE, 64));
    GlobalDiscard(gone);
    EXPECT_EQ(WriteGlobalToFile(NULL, target.c_str(), data), 1);
    EXPECT_EQ(Read(target), "new");
    // A block that cannot be read, a missing folder, a file that may not be replaced.
    EXPECT_EQ(WriteGlobalToFile(NULL, target.c_str(), gone), 0);
    EXPECT_EQ(WriteGlobalToFile(NULL, target.c_str(), NULL), 0);
    EXPECT_EQ(WriteGlobalToFile(NULL, (dir.path + "missing\\a.mid").c_str(), data), 0);
    EXPECT_EQ(WriteGlobalToFile(NULL, readonly.c_str(), data), 0);
    SetFileAttributesA(readonly.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(Read(target), "new");
    EXPECT_EQ(Read(readonly), "keep");
    EXPECT_EQ(Count(dir.path + "*"), 4); // no partial file beside them
}

// A failed start gives back everything; a new MIDI preview ends the old
// one, file and all.
TEST(SoundFiles, PreviewPlayersGiveBackWhatTheyTook)
{
    TempFolder temp;
    HWND hwnd = sbtest::CreateTestWindow(false);
    Dib damaged(Wave(1, 16, 100, Silent)), junk(Block("not a MIDI file")),
        midi(Block(std::string(MIDIFILE, sizeof MIDIFILE)));
    ((PCMWAVEFORMAT *)GlobalLock(damaged))->wf.nBlockAlign = 0;
    GlobalUnlock(damaged);
    EXPECT_EQ(COMMONWavePlaySound(hwnd, damaged), 0);
    EXPECT_EQ(COMMONMidiPlaySound(hwnd, junk), 0);
    EXPECT_TRUE(!COMMONwavehandle && !COMMONwaveheader && !COMMONhwaveout && COMMONmidiid == -1 &&
                !COMMONmiditemppath[0]);
    EXPECT_EQ(Count(temp.path + "*"), 2); // "." and ".."
    ASSERT_EQ(COMMONMidiPlaySound(hwnd, midi), 1);
    // The sequencer is handed an RMID's plain MIDI file, not its wrapper.
    const std::string plain(MIDIFILE, sizeof MIDIFILE);
    const uint32_t size = (uint32_t)plain.size(), all = 12 + size + (size & 1);
    Dib rmid(Block("RIFF" + std::string((const char *)&all, 4) + "RMIDdata" + std::string((const char *)&size, 4) +
                   plain + std::string(size & 1, '\0')));
    ASSERT_EQ(COMMONMidiPlaySound(hwnd, rmid), 1);
    EXPECT_EQ(Read(COMMONmiditemppath), plain);
    EXPECT_EQ(Count(temp.path + "MID*.TMP"), 1);
    COMMONMidiKillSound(hwnd);
    EXPECT_EQ(Count(temp.path + "MID*.TMP"), 0);
    DestroyWindow(hwnd);
}

} // namespace
