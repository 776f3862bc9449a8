// The shared sound player under Wine: waves play for real on a null sound
// device; the sequencer opens but never finishes (there is no synthesiser),
// so the end of a MIDI sound is the notice the platform would post.
#include "media/sound.h"
#include "resources/filedialogs_ids.h"
#include "document/compress.h"
#include "runtime/messages.h"
#include "tests/support/testsupport.h"
#include <gtest/gtest.h>
#include <mmreg.h>
#include <cstring>
#include <functional>
#include <map>
#include <string>

namespace {

// What a window that plays sounds saw; on QVM_REPLAYSOUND it plays `replay`
// again as the background sound, as the show window does.
struct SoundLog {
    int wavedone = 0, notices = 0, replays = 0;
    HGLOBAL replay = NULL;
    DWORD kind = 0;
};
std::map<HWND, SoundLog> logs;

LRESULT CALLBACK SoundWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    APPLETHandleMessage(hwnd, msg, wParam, lParam);
    SoundLog &log = logs[hwnd];
    log.wavedone += msg == MM_WOM_DONE;
    log.notices += msg == MM_MCINOTIFY;
    if (msg != QVM_REPLAYSOUND)
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    if (++log.replays < 4 && log.replay) {
        APPLETPlaySound(hwnd, log.replay, log.kind);
        APPLETSetGlobalSound(hwnd, 1, 1);
    }
    return 0;
}

// Runs the queue as the player's main loop does: each message goes to the
// sound player first and then to its window, which offers it again.
bool RunUntil(const std::function<bool()> &done, int ms = 30000)
{
    for (DWORD start = GetTickCount();; MsgWaitForMultipleObjects(0, NULL, FALSE, 5, QS_ALLINPUT)) {
        MSG msg;
        while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) {
            APPLETHandleMessage(msg.hwnd, msg.message, msg.wParam, msg.lParam);
            DispatchMessageA(&msg);
        }
        if (done() || GetTickCount() - start >= (DWORD)ms)
            return done();
    }
}

void RunFor(int ms)
{
    RunUntil([] { return false; }, ms);
}

bool Idle()
{
    return !APPLETwavehandle && !APPLETwaveformat && !APPLETwavepointer && !APPLETwaveheader && !APPLEThwaveout &&
           APPLETid == -1 && !APPLETtemppath[0];
}

HGLOBAL MakeBlock(const void *bytes, size_t size)
{
    HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size);
    if (size)
        memcpy(GlobalLock(h), bytes, size), GlobalUnlock(h);
    return h;
}

// A WAVEDATA of `frames` frames at 8000 a second, `extra` bytes after them.
HGLOBAL MakeWave(DWORD frames, WORD channels = 1, WORD bits = 8, DWORD extra = 0)
{
    WORD align = (WORD)(channels * bits / 8);
    std::string bytes(WAVEDATAHEAD + frames * align + extra, '\0');
    PCMWAVEFORMAT format{{WAVE_FORMAT_PCM, channels, 8000, 8000u * align, align}, bits};
    memcpy(&bytes[0], &format, sizeof format);
    for (size_t i = WAVEDATAHEAD; i < bytes.size(); i++)
        bytes[i] = (char)(i * 37);
    return MakeBlock(bytes.data(), bytes.size());
}

// Short sounds end within a test; long ones still play when it stops them.
constexpr DWORD SHORTWAVE = 240, LONGWAVE = 40000; // 30 ms, 5 s

const char midifile[] = "MThd\0\0\0\6\0\0\0\1\0\x60MTrk\0\0\0\x0C\0\x90\x3C\x40\x14\x80\x3C\0\0\xFF\x2F";
HGLOBAL MakeMidi()
{
    return MakeBlock(midifile, sizeof midifile); // ends in the terminating zero
}

// The MIDI file as the data chunk of a RIFF "RMID" form, after the chunks
// `before`.
std::string Rmid(const std::string &before = "")
{
    std::string data = "data" + std::string(4, '\0') + std::string(midifile, sizeof midifile);
    uint32_t n = sizeof midifile, all = (uint32_t)(4 + before.size() + data.size() + 1);
    memcpy(&data[4], &n, 4);
    return "RIFF" + std::string((const char *)&all, 4) + "RMID" + before + data + '\0'; // and its pad byte
}

bool DeviceOpen(int id)
{
    MCI_STATUS_PARMS status{};
    status.dwItem = MCI_STATUS_MODE;
    return mciSendCommandA((MCIDEVICEID)id, MCI_STATUS, MCI_STATUS_ITEM, (DWORD_PTR)&status) == 0;
}

bool Exists(const std::string &path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string Contents(const std::string &path)
{
    std::string text(4096, '\0');
    HANDLE f = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
    DWORD n = 0;
    if (f != INVALID_HANDLE_VALUE)
        ReadFile(f, &text[0], (DWORD)text.size(), &n, NULL), CloseHandle(f);
    return text.substr(0, n);
}

WAVEHDR *Header()
{
    auto *header = (WAVEHDR *)GlobalLock(APPLETwaveheader); // the player holds it locked
    GlobalUnlock(APPLETwaveheader);
    return header;
}

class SoundPlayer : public testing::Test {
protected:
    // The temporary folder while these tests run. The platform keeps three
    // letters of the "MIDI" prefix.
    static inline std::string folder, oldtmp, oldtemp;

    static void SetTempFolder(const std::string &path)
    {
        SetEnvironmentVariableA("TMP", path.c_str());
        SetEnvironmentVariableA("TEMP", path.c_str());
    }
    static void SetUpTestSuite()
    {
        char base[MAX_PATH], name[MAX_PATH];
        GetTempPathA(sizeof base, base);
        GetTempFileNameA(base, "snd", 0, name); // a new name for a folder of our own
        DeleteFileA(name);
        CreateDirectoryA(name, NULL);
        folder = std::string(name) + "\\";
        oldtmp = Variable("TMP");
        oldtemp = Variable("TEMP");
        SetTempFolder(folder);
    }
    static void TearDownTestSuite()
    {
        SetEnvironmentVariableA("TMP", oldtmp.empty() ? NULL : oldtmp.c_str());
        SetEnvironmentVariableA("TEMP", oldtemp.empty() ? NULL : oldtemp.c_str());
        RemoveDirectoryA(folder.c_str());
    }
    static std::string Variable(const char *name)
    {
        char value[MAX_PATH] = "";
        GetEnvironmentVariableA(name, value, sizeof value);
        return value;
    }
    static int TempMidiFiles()
    {
        WIN32_FIND_DATAA found;
        HANDLE h = FindFirstFileA((folder + "MID*.TMP").c_str(), &found);
        int n = h != INVALID_HANDLE_VALUE;
        while (n && FindNextFileA(h, &found))
            n++;
        if (n)
            FindClose(h);
        return n;
    }

    void SetUp() override
    {
        hwnd = sbtest::CreateTestWindow(false, 100, 100, SoundWindowProc);
        other = sbtest::CreateTestWindow(false, 100, 100, SoundWindowProc);
    }
    void TearDown() override
    {
        APPLETSetGlobalSound(hwnd, 0, 0);
        APPLETKillSound(hwnd);
        RunFor(20);
        EXPECT_TRUE(Idle());
        EXPECT_EQ(TempMidiFiles(), 0);
        for (auto &entry : logs)
            GlobalFree(entry.second.replay);
        DestroyWindow(hwnd);
        DestroyWindow(other);
        logs.clear();
    }

    HWND hwnd = NULL, other = NULL;
};

TEST_F(SoundPlayer, WavePlaysWholeFramesFromItsOwnCopyAndReleasesAllAtTheEnd)
{
    HGLOBAL wave = MakeWave(SHORTWAVE, 2, 16, 3);
    std::string samples((const char *)GlobalLock(wave) + WAVEDATAHEAD, SHORTWAVE * 4);
    GlobalUnlock(wave);
    ASSERT_EQ(APPLETPlaySound(hwnd, wave, SOUND_WAVE), 1);
    GlobalFree(wave); // the caller is done with its block at once

    ASSERT_TRUE(APPLETwavehandle && APPLEThwaveout && Header());
    EXPECT_EQ(Header()->dwBufferLength, SHORTWAVE * 4); // not the 3 bytes of a partial frame
    EXPECT_EQ(std::string(Header()->lpData, SHORTWAVE * 4), samples);

    ASSERT_TRUE(RunUntil(Idle));
    RunFor(30);
    EXPECT_EQ(logs[hwnd].wavedone, 1);
    EXPECT_EQ(logs[hwnd].replays, 0);
}

TEST_F(SoundPlayer, LoopingBackgroundWaveReplaysOncePerEnd)
{
    SoundLog &log = logs[hwnd];
    log.replay = MakeWave(SHORTWAVE);
    log.kind = SOUND_WAVE;
    ASSERT_EQ(APPLETPlaySound(hwnd, log.replay, SOUND_WAVE), 1);
    EXPECT_EQ(APPLETSetGlobalSound(hwnd, 1, 1), 0);
    // Three replays, then the window lets the fourth end stand.
    ASSERT_TRUE(RunUntil([&] { return log.replays == 4 && Idle(); }));
    RunFor(50);
    EXPECT_EQ(log.wavedone, 4);
    EXPECT_EQ(log.replays, 4);
}

TEST_F(SoundPlayer, AnySoundStopsTheLoopingBackgroundSound)
{
    logs[hwnd].replay = MakeWave(LONGWAVE);
    logs[hwnd].kind = SOUND_WAVE;
    for (DWORD kind : {SOUND_WAVE, SOUND_MIDI, (DWORD)MakeTag("pict")}) {
        ASSERT_EQ(APPLETPlaySound(hwnd, logs[hwnd].replay, SOUND_WAVE), 1);
        APPLETSetGlobalSound(hwnd, 1, 1);
        HGLOBAL sound = kind == SOUND_MIDI ? MakeMidi() : MakeWave(SHORTWAVE);
        EXPECT_EQ(APPLETPlaySound(other, sound, kind), 1);
        GlobalFree(sound);
        EXPECT_EQ(APPLETglobalsound, 0);
        EXPECT_EQ(APPLETgloballoop, 0);
        EXPECT_EQ(APPLETid != -1, kind == SOUND_MIDI);
        EXPECT_EQ(APPLETwavehandle != NULL, kind == SOUND_WAVE);
        if (kind == SOUND_WAVE) {
            EXPECT_TRUE(RunUntil(Idle));
        }
        APPLETKillSound(other);
    }
    RunFor(50);
    EXPECT_EQ(logs[hwnd].wavedone, 3); // the notices of the stopped sound
    EXPECT_EQ(logs[hwnd].replays + logs[other].replays, 0);
}

TEST_F(SoundPlayer, LateWaveNoticesLeaveTheNextSoundAlone)
{
    HGLOBAL wave = MakeWave(SHORTWAVE);
    ASSERT_EQ(APPLETPlaySound(hwnd, wave, SOUND_WAVE), 1);
    APPLETKillSound(hwnd); // the device hands the header back with a notice

    // The next device and header often get the same handle and address, so a
    // late notice can read exactly like the new sound's own. Here the new
    // sound has ended, and its own notice is still on its way to its window.
    ASSERT_EQ(APPLETPlaySound(other, wave, SOUND_WAVE), 1);
    GlobalFree(wave);
    PostMessageA(hwnd, MM_WOM_DONE, (WPARAM)APPLEThwaveout, (LPARAM)Header());
    HGLOBAL playing = APPLETwavehandle;
    for (DWORD start = GetTickCount(); !(Header()->dwFlags & WHDR_DONE) && GetTickCount() - start < 30000;)
        Sleep(5);
    MSG msg;
    while (PeekMessageA(&msg, hwnd, 0, 0, PM_REMOVE))
        APPLETHandleMessage(msg.hwnd, msg.message, msg.wParam, msg.lParam), DispatchMessageA(&msg);
    EXPECT_EQ(logs[hwnd].wavedone, 2);
    EXPECT_EQ(APPLETwavehandle, playing);
    ASSERT_TRUE(RunUntil(Idle));
    EXPECT_EQ(logs[other].wavedone, 1);
}

// A refused sound still stops the one playing, and leaves neither a device
// nor a file behind.
// Every field of a wave's format and of a MIDI file's structure is checked
// before the platform sees it: a refused sound says why, starts nothing,
// writes no file and leaves the player idle; what is sound is let through.
TEST_F(SoundPlayer, DamagedSoundsAreRefusedWithTheirReasonAndLeaveThePlayerIdle)
{
    using Bytes = std::string;
    auto wave = [](WORD channels, WORD bits, std::function<void(PCMWAVEFORMAT &)> change = nullptr) {
        HGLOBAL h = MakeWave(SHORTWAVE, channels, bits);
        Bytes b((const char *)GlobalLock(h), GlobalSize(h));
        GlobalUnlock(h);
        GlobalFree(h);
        if (change)
            change(*(PCMWAVEFORMAT *)&b[0]);
        return b;
    };
    auto midi = [](std::function<void(Bytes &)> change) {
        Bytes b(midifile, sizeof midifile);
        change(b);
        return b;
    };
    constexpr uint32_t TOEND = sizeof midifile - 8; // a header chunk that holds the rest
    auto big = [](Bytes &b, size_t at, uint32_t v, int n) {
        for (int i = 0; i < n; i++)
            b[at + i] = (char)(v >> (8 * (n - 1 - i)));
    };
    const struct {
        const char *name;
        Bytes bytes;
        DWORD kind;
        UINT fault;
    } cases[] = {
        {"wave shorter than a format", Bytes("\1\0\1\0\x40\x1F\0\0\x40\x1F\0\0\1\0\x08", 15), SOUND_WAVE,
         IDS_SOUNDNOFORMAT},
        {"floating point", wave(1, 32, [](PCMWAVEFORMAT &f) { f.wf.wFormatTag = WAVE_FORMAT_IEEE_FLOAT; }),
         SOUND_WAVE, IDS_SOUNDNOTPCM},
        {"no channels", wave(1, 8, [](PCMWAVEFORMAT &f) { f.wf.nChannels = 0; }), SOUND_WAVE, IDS_SOUNDCHANNELS},
        {"9 channels", wave(9, 8), SOUND_WAVE, IDS_SOUNDCHANNELS},
        {"255 channels", wave(255, 8), SOUND_WAVE, IDS_SOUNDCHANNELS},
        {"32768 channels", wave(1, 16, [](PCMWAVEFORMAT &f) { f.wf.nChannels = 32768; }), SOUND_WAVE,
         IDS_SOUNDCHANNELS},
        {"0 bits", wave(1, 8, [](PCMWAVEFORMAT &f) { f.wBitsPerSample = 0; }), SOUND_WAVE, IDS_SOUNDBITS},
        {"12 bits", wave(1, 16, [](PCMWAVEFORMAT &f) { f.wBitsPerSample = 12; }), SOUND_WAVE, IDS_SOUNDBITS},
        {"64 bits", wave(1, 64), SOUND_WAVE, IDS_SOUNDBITS},
        {"no frame size", wave(1, 8, [](PCMWAVEFORMAT &f) { f.wf.nBlockAlign = 0; }), SOUND_WAVE, IDS_SOUNDALIGN},
        {"frame size of mono for stereo", wave(2, 16, [](PCMWAVEFORMAT &f) { f.wf.nBlockAlign = 2; }), SOUND_WAVE,
         IDS_SOUNDALIGN},
        {"rate 999", wave(1, 8, [](PCMWAVEFORMAT &f) { f.wf.nSamplesPerSec = f.wf.nAvgBytesPerSec = 999; }),
         SOUND_WAVE, IDS_SOUNDRATE},
        {"rate 384001", wave(1, 8, [](PCMWAVEFORMAT &f) { f.wf.nSamplesPerSec = f.wf.nAvgBytesPerSec = 384001; }),
         SOUND_WAVE, IDS_SOUNDRATE},
        {"bytes per second wrong", wave(2, 16, [](PCMWAVEFORMAT &f) { f.wf.nAvgBytesPerSec = 8000; }), SOUND_WAVE,
         IDS_SOUNDBYTERATE},
        {"8 channels of 24 bits", wave(8, 24), SOUND_WAVE, 0},
        {"rates 1000 and 384000",
         wave(1, 32, [](PCMWAVEFORMAT &f) { f.wf.nSamplesPerSec = 1000, f.wf.nAvgBytesPerSec = 4000; }), SOUND_WAVE, 0},
        {"rate 384000", wave(2, 8, [](PCMWAVEFORMAT &f) { f.wf.nSamplesPerSec = 384000, f.wf.nAvgBytesPerSec = 768000; }),
         SOUND_WAVE, 0},
        {"not a MIDI file", Bytes("not a MIDI file"), SOUND_MIDI, IDS_MIDIHEADER},
        {"empty MIDI", Bytes(), SOUND_MIDI, IDS_MIDIHEADER},
        {"header chunk of 5", midi([&](Bytes &b) { big(b, 4, 5, 4); }), SOUND_MIDI, IDS_MIDIHEADER},
        // The header's bound sits at the data's end.
        {"header chunk to the end", midi([&](Bytes &b) { big(b, 4, TOEND, 4); }), SOUND_MIDI, IDS_MIDITRACKS},
        {"header chunk a byte past the end", midi([&](Bytes &b) { big(b, 4, TOEND + 1, 4); }), SOUND_MIDI,
         IDS_MIDIHEADER},
        {"header chunk 8 bytes past the end", midi([&](Bytes &b) { big(b, 4, TOEND + 8, 4); }), SOUND_MIDI,
         IDS_MIDIHEADER},
        {"header chunk far past the end", midi([&](Bytes &b) { big(b, 4, 0x40000000, 4); }), SOUND_MIDI,
         IDS_MIDIHEADER},
        {"format 3", midi([&](Bytes &b) { big(b, 8, 3, 2); }), SOUND_MIDI, IDS_MIDIHEADER},
        {"no tracks", midi([&](Bytes &b) { big(b, 10, 0, 2); }), SOUND_MIDI, IDS_MIDIHEADER},
        {"format 0 of two tracks", midi([&](Bytes &b) { big(b, 10, 2, 2); }), SOUND_MIDI, IDS_MIDIHEADER},
        {"no division", midi([&](Bytes &b) { big(b, 12, 0, 2); }), SOUND_MIDI, IDS_MIDIHEADER},
        {"23 frames a second", midi([&](Bytes &b) { big(b, 12, 0xE904, 2); }), SOUND_MIDI, IDS_MIDIHEADER},
        {"frames without ticks", midi([&](Bytes &b) { big(b, 12, 0xE700, 2); }), SOUND_MIDI, IDS_MIDIHEADER},
        {"track past the end", midi([&](Bytes &b) { big(b, 18, 0x40000000, 4); }), SOUND_MIDI, IDS_MIDITRACKS},
        {"track a byte too long", midi([&](Bytes &b) { big(b, 18, 13, 4); }), SOUND_MIDI, IDS_MIDITRACKS},
        {"one track of two", midi([&](Bytes &b) { big(b, 8, 1, 2), big(b, 10, 2, 2); }), SOUND_MIDI, IDS_MIDITRACKS},
        {"one track and another chunk for two",
         midi([&](Bytes &b) { big(b, 8, 1, 2), big(b, 10, 2, 2), b += Bytes("XFIH\0\0\0\2ab", 10); }), SOUND_MIDI,
         IDS_MIDITRACKS},
        {"no end of track", midi([&](Bytes &b) { b.pop_back(), big(b, 18, 11, 4); }), SOUND_MIDI, 0},
        {"24 frames a second", midi([&](Bytes &b) { big(b, 12, 0xE828, 2); }), SOUND_MIDI, 0},
        {"25 frames a second", midi([&](Bytes &b) { big(b, 12, 0xE728, 2); }), SOUND_MIDI, 0},
        {"29.97 frames a second", midi([&](Bytes &b) { big(b, 12, 0xE328, 2); }), SOUND_MIDI, 0},
        {"30 frames a second", midi([&](Bytes &b) { big(b, 12, 0xE228, 2); }), SOUND_MIDI, 0},
        {"a chunk of another kind first", midi([&](Bytes &b) { b.insert(14, Bytes("XFIH\0\0\0\2ab", 10)); }),
         SOUND_MIDI, 0},
        {"inside a RIFF form", Rmid(), SOUND_MIDI, 0},
        {"inside a RIFF form after an odd chunk", Rmid(Bytes("LIST\3\0\0\0abc\0", 12)), SOUND_MIDI, 0},
        {"inside a RIFF form, cut short", Rmid().substr(0, 40), SOUND_MIDI, IDS_MIDIHEADER},
    };
    HGLOBAL longwave = MakeWave(LONGWAVE), goodmidi = MakeMidi();
    int waves = 0;
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        HGLOBAL data = MakeBlock(c.bytes.data(), c.bytes.size());
        EXPECT_EQ(SoundDataFault(data, c.kind), c.fault);
        if (c.fault) {
            waves += c.kind == SOUND_WAVE;
            ASSERT_EQ(APPLETPlaySound(hwnd, c.kind == SOUND_WAVE ? longwave : goodmidi, c.kind), 1);
            int playing = APPLETid;
            EXPECT_EQ(APPLETPlaySound(hwnd, data, c.kind), 0);
            EXPECT_TRUE(Idle());
            EXPECT_EQ(TempMidiFiles(), 0);
            EXPECT_TRUE(playing == -1 || !DeviceOpen(playing));
        }
        GlobalFree(data);
    }
    for (DWORD kind : {SOUND_WAVE, SOUND_MIDI}) {
        EXPECT_EQ(APPLETPlaySound(hwnd, NULL, kind), 0);
        EXPECT_TRUE(Idle());
    }
    GlobalFree(longwave);
    GlobalFree(goodmidi);
    RunFor(30);
    EXPECT_EQ(logs[hwnd].wavedone, waves); // only those of the sounds stopped
}

// The sequencer here has no device to play to, so what shows that a MIDI
// plays to its end is the file it is handed (for an RMID, the plain MIDI
// file of its data chunk, not the wrapper it refuses) and the end notice
// leaving nothing behind.
TEST_F(SoundPlayer, MidiPlaysFromATemporaryFileOfItsOwnUntilItEnds)
{
    const std::string plain(midifile, sizeof midifile), rmid = Rmid(std::string("LIST\3\0\0\0abc\0", 12));
    const struct {
        const std::string &bytes;
        WPARAM end;
    } cases[] = {{plain, MCI_NOTIFY_SUCCESSFUL}, {plain, MCI_NOTIFY_FAILURE}, {rmid, MCI_NOTIFY_SUCCESSFUL}};
    for (const auto &[bytes, end] : cases) {
        HGLOBAL midi = MakeBlock(bytes.data(), bytes.size());
        ASSERT_EQ(APPLETPlaySound(hwnd, midi, SOUND_MIDI), 1);
        GlobalFree(midi);
        int id = APPLETid;
        std::string path = APPLETtemppath;
        EXPECT_TRUE(DeviceOpen(id));
        EXPECT_EQ(_strnicmp(path.c_str(), (folder + "MID").c_str(), folder.size() + 3), 0) << path;
        EXPECT_EQ(Contents(path), std::string(midifile, sizeof midifile));

        PostMessageA(hwnd, MM_MCINOTIFY, end, id); // as the sequencer posts at the end
        ASSERT_TRUE(RunUntil(Idle));
        EXPECT_FALSE(DeviceOpen(id));
        EXPECT_FALSE(Exists(path));
    }
    RunFor(30);
    EXPECT_EQ(logs[hwnd].replays, 0);
}

TEST_F(SoundPlayer, StaleNoticesLeaveTheNextMidiPlaying)
{
    HGLOBAL midi = MakeMidi();
    ASSERT_EQ(APPLETPlaySound(hwnd, midi, SOUND_MIDI), 1);
    int first = APPLETid;
    // Stopping the first queues its "aborted" notice, and frees its device
    // id for the second.
    ASSERT_EQ(APPLETPlaySound(hwnd, midi, SOUND_MIDI), 1);
    GlobalFree(midi);
    int second = APPLETid;
    std::string path = APPLETtemppath;
    PostMessageA(hwnd, MM_MCINOTIFY, MCI_NOTIFY_ABORTED, first);
    PostMessageA(hwnd, MM_MCINOTIFY, MCI_NOTIFY_SUPERSEDED, second);
    PostMessageA(hwnd, MM_MCINOTIFY, MCI_NOTIFY_SUCCESSFUL, second + 1); // someone else's device
    RunFor(50);
    EXPECT_EQ(logs[hwnd].notices, 4);
    EXPECT_EQ(APPLETid, second);
    EXPECT_TRUE(DeviceOpen(second));
    EXPECT_TRUE(Exists(path));
    EXPECT_EQ(TempMidiFiles(), 1);
    APPLETKillSound(hwnd);
    EXPECT_FALSE(DeviceOpen(second));
}

TEST_F(SoundPlayer, StoppedOnItsOwnTheBackgroundMidiComesBackOnceAndAWaveDoesNot)
{
    SoundLog &log = logs[hwnd];
    log.replay = MakeMidi();
    log.kind = SOUND_MIDI;
    ASSERT_EQ(APPLETPlaySound(hwnd, log.replay, SOUND_MIDI), 1);
    APPLETSetGlobalSound(hwnd, 1, 1);
    APPLETKillSound(hwnd);
    EXPECT_TRUE(Idle());
    EXPECT_EQ(TempMidiFiles(), 0);
    RunFor(50);
    EXPECT_EQ(log.replays, 1);
    ASSERT_NE(APPLETid, -1);
    EXPECT_EQ(TempMidiFiles(), 1);
    PostMessageA(hwnd, MM_MCINOTIFY, MCI_NOTIFY_SUCCESSFUL, APPLETid); // and so does its end
    RunFor(50);
    EXPECT_EQ(log.replays, 2);
    EXPECT_EQ(TempMidiFiles(), 1);

    GlobalFree(log.replay);
    log.replay = MakeWave(LONGWAVE);
    ASSERT_EQ(APPLETPlaySound(hwnd, log.replay, SOUND_WAVE), 1);
    EXPECT_EQ(APPLETSetGlobalSound(hwnd, 1, 1), 0);
    APPLETKillSound(hwnd);
    RunFor(50);
    EXPECT_EQ(log.wavedone, 1);
    EXPECT_EQ(log.replays, 2);
    EXPECT_TRUE(Idle());
}

TEST_F(SoundPlayer, WithoutATemporaryFolderTheMidiFileIsANewOneInTheCurrentFolder)
{
    std::string here = folder + "current\\", theirs = here + "TEMP$$$.$$$";
    CreateDirectoryA(here.c_str(), NULL);
    char previous[MAX_PATH];
    GetCurrentDirectoryA(sizeof previous, previous);
    SetCurrentDirectoryA(here.c_str());
    SetTempFolder(folder + "missing\\");
    HGLOBAL keep = MakeBlock("keep", 4);
    WriteObject(NULL, theirs.c_str(), keep);
    GlobalFree(keep);

    HGLOBAL midi = MakeMidi();
    EXPECT_EQ(APPLETPlaySound(hwnd, midi, SOUND_MIDI), 1);
    GlobalFree(midi);
    std::string path = APPLETtemppath;
    EXPECT_EQ(_strnicmp(path.c_str(), (here + "MID").c_str(), here.size() + 3), 0) << path;
    EXPECT_EQ(Contents(path), std::string(midifile, sizeof midifile));
    SetCurrentDirectoryA(previous); // a new current folder while it plays changes nothing
    APPLETKillSound(hwnd);
    EXPECT_FALSE(Exists(path));
    EXPECT_EQ(Contents(theirs), "keep");

    SetTempFolder(folder);
    DeleteFileA(theirs.c_str());
    RemoveDirectoryA(here.c_str());
}

} // namespace
