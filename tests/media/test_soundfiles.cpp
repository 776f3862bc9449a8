// Wave and MIDI files of the sound dialogs: readers on sound and damaged
// files, the format text, waveform pictures, safe writing, and the preview
// players' bookkeeping.
#include "media/soundfiles.h"
#include "media/sound.h"
#include "tests/media/picturetest.h"
#include "tests/media/soundtest.h"
#include "tests/support/testsupport.h"
#include <gtest/gtest.h>
#include <cstdint>
#include <cstring>
#include <string>

using namespace pictest;
using namespace soundtest;

namespace {

int Quiet8(DWORD, int)
{
    return 128;
}

HGLOBAL Block(const std::string &bytes)
{
    HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
    memcpy(GlobalLock(h), bytes.data(), bytes.size());
    GlobalUnlock(h);
    return h;
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
    TempFile wave("a.wav"), cut("cut.wav"), packed("packed.wav"), junk("junk.wav"), midi("a.mid"), empty("e.mid");
    Write(wave.path, WaveFile(22050, 1, 8, 1000, Quiet8));
    Write(cut.path, WaveFile(22050, 2, 16, 100, [](DWORD, int) { return 0; }, 1u << 30)); // claims a GiB more
    Write(packed.path, WaveFile(22050, 1, 4, 100, Quiet8, 0, 2));
    Write(junk.path, "RIFF\4\0\0\0JUNK");
    Write(midi.path, std::string("MThd\0\0\0\6", 8));
    Write(empty.path, "");

    long size = -1;
    PCMWAVEFORMAT format;
    ASSERT_EQ(COMMONLoadSoundHeader(NULL, wave.c(), &format, &size), 1);
    EXPECT_EQ(size, 1000);
    EXPECT_EQ(format.wf.nSamplesPerSec, 22050u);
    HGLOBAL block = COMMONLoadSound(NULL, wave.c(), &size);
    ASSERT_TRUE(block);
    EXPECT_EQ(GlobalSize(block), 1016u);
    GlobalFree(block);

    ASSERT_EQ(COMMONLoadSoundHeader(NULL, cut.c(), &format, &size), 1);
    EXPECT_EQ(size, 400); // bounded by the file
    block = COMMONLoadSound(NULL, cut.c(), &size);
    EXPECT_TRUE(block && GlobalSize(block) == 416u);
    GlobalFree(block);

    const std::string toolong(MAX_PATH + 10, 'w');
    for (const char *bad : {packed.c(), junk.c(), midi.c(), "Z:\\missing\\a.wav", toolong.c_str()}) {
        EXPECT_EQ(COMMONLoadSoundHeader(NULL, bad, &format, &size), 0) << bad;
        EXPECT_FALSE(COMMONLoadSound(NULL, bad, &size)) << bad;
    }

    block = COMMONLoadMidi(NULL, midi.c(), &size);
    ASSERT_TRUE(block);
    EXPECT_EQ(size, 8);
    EXPECT_EQ(GlobalSize(block), 8u);
    GlobalFree(block);
    EXPECT_FALSE(COMMONLoadMidi(NULL, empty.c(), &size));
    EXPECT_FALSE(COMMONLoadMidi(NULL, toolong.c_str(), &size));
}

TEST(SoundFiles, WaveformColumnsAndChannels)
{
    const COLORREF one = RGB(10, 20, 30), two = RGB(200, 100, 50), back = RGB(255, 255, 255);
    // Loud in the first half, silent in the second; stereo is loud on the left only.
    auto loud = [](DWORD i, int c) { return i < 400 && c == 0 ? (i % 2 ? 32767 : -32767) : 0; };
    Dib mono(COMMONVisualizeSound(Wave(1, 16, 800, loud), 1600, 8, 32, one, two, back, 1));
    ASSERT_TRUE(mono);
    {
        Pixels p(mono);
        EXPECT_EQ(p.Bits(), 24);
        EXPECT_EQ(p.Colour(0, 0), back);
        EXPECT_EQ(p.Colour(0, 1), one);
        EXPECT_EQ(p.Colour(0, 31), one);
        EXPECT_EQ(p.Colour(7, 16), one); // silence: the middle row
        EXPECT_EQ(p.Colour(7, 15), back);
    }
    Dib stereo(COMMONVisualizeSound(Wave(2, 16, 800, loud), 3200, 8, 32, one, two, back, 1));
    ASSERT_TRUE(stereo);
    {
        Pixels p(stereo);
        EXPECT_EQ(p.Colour(0, 8), one);
        EXPECT_EQ(p.Colour(0, 1), one);
        EXPECT_EQ(p.Colour(0, 24), two);
        EXPECT_EQ(p.Colour(0, 23), back);
    }
    // Silence normalised, a length past the block, and formats it cannot draw.
    Dib silent(COMMONVisualizeSound(Wave(1, 16, 800, [](DWORD, int) { return 0; }), 1 << 30, 8, 32, one, two, back, 1));
    ASSERT_TRUE(silent);
    EXPECT_EQ(Pixels(silent).Colour(3, 15), back);
    auto refused = [&](WORD channels, WORD bits, int width) {
        Dib none(COMMONVisualizeSound(Wave(channels, bits, 100, loud), 600, width, 32, one, two, back, 1));
        return !none;
    };
    EXPECT_TRUE(refused(6, 16, 8));
    EXPECT_TRUE(refused(1, 24, 8));
    EXPECT_TRUE(refused(1, 16, 0));
    EXPECT_FALSE(COMMONVisualizeSound(NULL, 100, 8, 8, one, two, back, 0));
}

TEST(SoundFiles, WritingReplacesAFileOnlyWithTheWholeBlock)
{
    TempFile target("target.mid"), readonly("ro.mid");
    Write(target.path, "old contents");
    HGLOBAL data = Block("new");
    EXPECT_EQ(WriteGlobalToFile(NULL, target.c(), data), 1);
    EXPECT_EQ(Read(target.path), "new");

    // A block that cannot be read, a missing folder, a file that may not be replaced.
    HGLOBAL gone = GlobalAlloc(GMEM_MOVEABLE | GMEM_DISCARDABLE, 64);
    GlobalDiscard(gone);
    EXPECT_EQ(WriteGlobalToFile(NULL, target.c(), gone), 0);
    EXPECT_EQ(WriteGlobalToFile(NULL, target.c(), NULL), 0);
    EXPECT_EQ(Read(target.path), "new");
    EXPECT_EQ(WriteGlobalToFile(NULL, (TempFile::Folder() + "missing\\a.mid").c_str(), data), 0);
    Write(readonly.path, "keep");
    SetFileAttributesA(readonly.c(), FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(WriteGlobalToFile(NULL, readonly.c(), data), 0);
    SetFileAttributesA(readonly.c(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(Read(readonly.path), "keep");
    // No partial file is left beside them.
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    EXPECT_EQ(Count(std::string(temp) + "SBW*.TMP"), 0);
    GlobalFree(data);
    GlobalFree(gone);
}

bool PreviewsIdle()
{
    return !COMMONwavehandle && !COMMONwaveheader && !COMMONhwaveout && COMMONmidiid == -1 && !COMMONmiditemppath[0];
}

// The previews keep to their own devices, give back everything a failed
// start took, and keep one temporary MIDI file of their own at most.
TEST(SoundFiles, PreviewPlayersKeepToTheirOwnSounds)
{
    char base[MAX_PATH], folder[MAX_PATH], oldtmp[MAX_PATH] = "";
    GetTempPathA(sizeof base, base);
    GetTempFileNameA(base, "pre", 0, folder);
    DeleteFileA(folder);
    CreateDirectoryA(folder, NULL);
    GetEnvironmentVariableA("TMP", oldtmp, sizeof oldtmp);
    SetEnvironmentVariableA("TMP", folder);
    const std::string temps = std::string(folder) + "\\MID*.TMP";
    HWND hwnd = sbtest::CreateTestWindow(false), other = sbtest::CreateTestWindow(false);

    HGLOBAL damaged = Wave(1, 16, 100, [](DWORD, int) { return 0; });
    ((PCMWAVEFORMAT *)GlobalLock(damaged))->wf.nBlockAlign = 0;
    GlobalUnlock(damaged);
    HGLOBAL junk = Block("not a MIDI file");
    EXPECT_EQ(COMMONWavePlaySound(hwnd, damaged), 0);
    EXPECT_EQ(COMMONMidiPlaySound(hwnd, junk), 0);
    EXPECT_TRUE(PreviewsIdle());
    EXPECT_EQ(Count(temps), 0);

    HGLOBAL wave = Wave(1, 16, 80, [](DWORD i, int) { return (int)(i * 300); }); // 10 ms
    ASSERT_EQ(COMMONWavePlaySound(hwnd, wave), 1);
    GlobalFree(wave);
    WAVEHDR *header = (WAVEHDR *)GlobalLock(COMMONwaveheader);
    GlobalUnlock(COMMONwaveheader);
    COMMONWaveHandleMessage(other, MM_WOM_DONE, (WPARAM)COMMONhwaveout, (LPARAM)header); // not its window
    COMMONWaveHandleMessage(hwnd, MM_WOM_DONE, (WPARAM)COMMONhwaveout, (LPARAM)header + 1);
    EXPECT_TRUE(COMMONhwaveout);
    for (DWORD start = GetTickCount(); COMMONhwaveout && GetTickCount() - start < 3000;) {
        MSG msg;
        while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE))
            COMMONWaveHandleMessage(msg.hwnd, msg.message, msg.wParam, msg.lParam);
        Sleep(5);
    }
    EXPECT_TRUE(PreviewsIdle());

    const char midifile[] = "MThd\0\0\0\6\0\0\0\1\0\x60MTrk\0\0\0\x0C\0\x90\x3C\x40\x14\x80\x3C\0\0\xFF\x2F";
    HGLOBAL midi = Block(std::string(midifile, sizeof midifile));
    ASSERT_EQ(COMMONMidiPlaySound(hwnd, midi), 1);
    int first = COMMONmidiid;
    ASSERT_EQ(COMMONMidiPlaySound(hwnd, midi), 1); // the first goes with its file
    EXPECT_EQ(Count(temps), 1);
    COMMONMidiHandleMessage(hwnd, MM_MCINOTIFY, MCI_NOTIFY_ABORTED, first);
    COMMONMidiHandleMessage(hwnd, MM_MCINOTIFY, MCI_NOTIFY_SUCCESSFUL, COMMONmidiid + 1);
    COMMONMidiHandleMessage(other, MM_MCINOTIFY, MCI_NOTIFY_SUCCESSFUL, COMMONmidiid);
    EXPECT_NE(COMMONmidiid, -1);
    EXPECT_EQ(Read(COMMONmiditemppath), std::string(midifile, sizeof midifile));
    COMMONMidiHandleMessage(hwnd, MM_MCINOTIFY, MCI_NOTIFY_SUCCESSFUL, COMMONmidiid); // its end
    EXPECT_TRUE(PreviewsIdle());
    EXPECT_EQ(Count(temps), 0);
    ASSERT_EQ(COMMONMidiPlaySound(hwnd, midi), 1);
    COMMONMidiKillSound(hwnd);
    EXPECT_TRUE(PreviewsIdle());
    EXPECT_EQ(Count(temps), 0);

    GlobalFree(midi);
    GlobalFree(junk);
    GlobalFree(damaged);
    DestroyWindow(hwnd);
    DestroyWindow(other);
    SetEnvironmentVariableA("TMP", oldtmp[0] ? oldtmp : NULL);
    RemoveDirectoryA(folder);
}

} // namespace
