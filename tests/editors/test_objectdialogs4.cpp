// The wave sound and MIDI music property dialogs run as real modal dialogs
// over a page of the test document, playing through stand-ins of the sound
// player: what OK stores, that the sound is kept byte for byte, and that
// Cancel, a failed build or a damaged object leaves the object as it was.
#include "tests/editors/editorfixture.h"
#include "common/strings.h"
#include "editor/blocks.h"
#include "editors/objectdialogs.h"
#include "editors/objectdialogs4.h"
#include "editors/objectfields.h"
#include "media/sound.h"
#include "resources/document_ids.h"
#include "resources/filedialogs_ids.h"
#include "resources/objectdialogs3_ids.h"
#include "resources/objectdialogs4_ids.h"
#include "resources/resource.h"

using namespace pagetest;

namespace {

// What the dialogs asked of the sound player.
struct PlayerLog {
    std::vector<std::pair<DWORD, std::string>> played; // kind and the bytes handed over
    int kills = 0, offered = 0;
    int result = 1;
} player;

const MEDIAHOST standin{
    [](HWND, HGLOBAL data, DWORD kind) {
        GlobalLocked<char> d(data);
        player.played.emplace_back(kind, std::string(d.get(), d.size()));
        return player.result;
    },
    [](HWND) { return ++player.kills, 1; },
    [](HWND, UINT, WPARAM, LPARAM) { return ++player.offered, 0; },
    nullptr,
    nullptr,
};

const std::string sound("RIFF-ish sound bytes\0with a zero", 32);

class SoundDialogs : public ObjectDialog, public ::testing::WithParamInterface<uint32_t> {
protected:
    void SetUp() override
    {
        ObjectDialog::SetUp();
        Append(Make(GetParam(), sound));
        player = PlayerLog{};
        Play(standin);
    }
    // A sound object of `tag` numbered 120 at (60, 70), sized oddly.
    HGLOBAL Make(uint32_t tag, const std::string &data, uint32_t claimed = ~0u)
    {
        std::vector<uint8_t> b(sizeof(OBJECTWAVE));
        auto &o = *(OBJECTWAVE *)b.data();
        o.header.tag = tag;
        o.header.fixedsize = sizeof(OBJECTWAVE);
        o.header.datasize = claimed == ~0u ? (uint32_t)data.size() : claimed;
        o.header.flags = 0x300 | OBJ_VISIBLE;
        SetRect(&o.header.rect, 60, 70, 160, 75);
        o.header.number = 120;
        o.notify = 7;
        b.insert(b.end(), data.begin(), data.end());
        ((OBJECTHEADER *)b.data())->totalsize = (uint32_t)b.size();
        return NewGlobal(b.size(), b.data(), b.size());
    }
    bool Enabled(HWND dlg, int id) { return IsWindowEnabled(GetDlgItem(dlg, id)) != 0; }
};

TEST_P(SoundDialogs, OkStoresPlaceFlagsAndTargetAndKeepsTheSound)
{
    Object start = Now();
    struct {
        const char *name;
        std::function<void(HWND)> set;
        RECT rect;
        uint32_t flags, notify;
    } cases[] = {
        {"unchanged: 32 by 32 at its place", [](HWND) {}, {60, 70, 92, 102}, 0x300 | OBJ_VISIBLE, 7},
        {"moved, enabled, notifying the button",
         [](HWND dlg) {
             SetDlgItemTextA(dlg, IDC_OBJLEFT, "300");
             SetDlgItemTextA(dlg, IDC_OBJTOP, "5");
             CheckDlgButton(dlg, IDC_OBJENABLED, BST_CHECKED);
             CheckDlgButton(dlg, IDC_OBJNOTIFY, BST_CHECKED);
             SendDlgItemMessageA(dlg, IDC_OBJTARGET, CB_SETCURSEL, 0, 0);
         },
         {300, 5, 332, 37}, 0x300 | OBJ_VISIBLE | OBJ_ENABLED | OBJ_NOTIFY, 101},
    };
    for (auto &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Run([&](HWND dlg) {
                      c.set(dlg);
                      sbtest::Click(dlg, IDOK);
                  }, c.notify == 7 && GetParam() == TAG_MIDI ? "mididialog" : nullptr),
                  1);
        std::vector<uint8_t> want = start.bytes;
        auto &o = *(OBJECTWAVE *)want.data();
        o.header.rect = c.rect, o.header.flags = c.flags, o.notify = c.notify;
        EXPECT_EQ(Now().bytes, want);
        Replace(NewGlobal(start.bytes.size(), start.bytes.data(), start.bytes.size()));
    }
}

TEST_P(SoundDialogs, PreviewPlaysTheCopyAndTheButtonsFollowTheCompletionNotice)
{
    Object start = Now();
    EXPECT_EQ(Run([&](HWND dlg) {
                  EXPECT_TRUE(Enabled(dlg, IDC_SOUNDPLAY));
                  EXPECT_FALSE(Enabled(dlg, IDC_SOUNDSTOP));
                  sbtest::Click(dlg, IDC_SOUNDPLAY);
                  ASSERT_EQ(player.played.size(), 1u);
                  EXPECT_EQ(player.played[0].first, GetParam() == TAG_WAVE ? SOUND_WAVE : SOUND_MIDI);
                  EXPECT_EQ(player.played[0].second.substr(0, sound.size()), sound);
                  EXPECT_FALSE(Enabled(dlg, IDC_SOUNDPLAY));
                  EXPECT_TRUE(Enabled(dlg, IDC_SOUNDSTOP));
                  sbtest::Click(dlg, IDC_SOUNDSTOP);
                  EXPECT_EQ(player.kills, 1);
                  int offered = player.offered;
                  SendMessageA(dlg, GetParam() == TAG_WAVE ? MM_WOM_DONE : MM_MCINOTIFY, 0, 0);
                  EXPECT_GT(player.offered, offered); // the player sees every message first
                  EXPECT_TRUE(Enabled(dlg, IDC_SOUNDPLAY));
                  EXPECT_FALSE(Enabled(dlg, IDC_SOUNDSTOP));
                  sbtest::Click(dlg, IDC_SOUNDPLAY);
                  sbtest::Click(dlg, IDCANCEL);
              }),
              0);
    EXPECT_GE(player.kills, 2); // leaving stops what is playing
    EXPECT_EQ(Now(), start);
}

// Through the real sound player, to the null audio device: the end of the
// sound, not the test, gives the Play button back.
TEST_P(SoundDialogs, ARealWavePlaysToItsEndAndGivesPlayBack)
{
    if (GetParam() != TAG_WAVE)
        GTEST_SKIP() << "no MIDI synthesiser here";
    PCMWAVEFORMAT format{{WAVE_FORMAT_PCM, 1, 8000, 8000, 1}, 8};
    std::string wave((const char *)&format, sizeof format);
    wave.append(1600, '\x80'); // a fifth of a second
    Replace(Make(TAG_WAVE, wave));
    showhost.media = QV_SystemHost.media;
    EXPECT_EQ(Run([&](HWND dlg) {
                  sbtest::Click(dlg, IDC_SOUNDPLAY);
                  EXPECT_FALSE(Enabled(dlg, IDC_SOUNDPLAY));
                  EXPECT_TRUE(sbtest::PumpUntil([&] { return Enabled(dlg, IDC_SOUNDPLAY); }, 60000));
                  EXPECT_FALSE(Enabled(dlg, IDC_SOUNDSTOP));
                  sbtest::Click(dlg, IDCANCEL);
              }),
              0);
    EXPECT_EQ(calls.size(), 1u) << "no message box: the sound played";
}

// A sound that plays elsewhere failed on the device; a damaged one is named.
TEST_P(SoundDialogs, AFailedPreviewSaysWhyAndStaysUsable)
{
    const bool wave = GetParam() == TAG_WAVE;
    PCMWAVEFORMAT format{{WAVE_FORMAT_PCM, 1, 8000, 8000, 1}, 8};
    const std::string playable = wave ? std::string((const char *)&format, sizeof format) + std::string(80, '\x80')
                                      : std::string("MThd\0\0\0\6\0\0\0\1\0\x60MTrk\0\0\0\4\0\xFF\x2F\0", 26);
    const std::string preview = FetchString(IDS_SOUNDPREVIEWERROR);
    const struct {
        std::string data, text;
    } cases[] = {
        {playable, preview},
        {sound, preview + ".\n\n" + FetchString(wave ? IDS_SOUNDNOTPCM : IDS_MIDIHEADER)},
    };
    for (const auto &c : cases) {
        Replace(Make(GetParam(), c.data));
        calls.clear();
        player.result = 0;
        EXPECT_EQ(Run([&](HWND dlg) {
                      sbtest::Click(dlg, IDC_SOUNDPLAY);
                      EXPECT_TRUE(Enabled(dlg, IDC_SOUNDPLAY));
                      EXPECT_FALSE(Enabled(dlg, IDC_SOUNDSTOP));
                      sbtest::Click(dlg, IDCANCEL);
                  }),
                  0);
        ASSERT_EQ(calls.size(), 2u);
        EXPECT_EQ(calls[1].text, c.text);
    }
}

TEST_P(SoundDialogs, CancelAndAFailedBuildKeepTheObject)
{
    CancelAndFailedBuild(index, [](HWND dlg) {
        SetDlgItemTextA(dlg, IDC_OBJLEFT, "9");
        CheckDlgButton(dlg, IDC_OBJNOTIFY, BST_CHECKED);
    });
}

// Stored sizes that the block does not hold are refused before any copy.
TEST_P(SoundDialogs, ADamagedOrEmptySoundIsRefusedAndKept)
{
    for (uint32_t claimed : {0u, (uint32_t)sound.size() + 64, 0x7FFFFFFFu, 0xFFFFFFF0u}) {
        SCOPED_TRACE(claimed);
        Replace(Make(GetParam(), claimed ? sound : std::string(), claimed));
        Object start = Now();
        EXPECT_EQ(Run([](HWND) {}), 0);
        ASSERT_GE(calls.size(), 2u);
        EXPECT_EQ(calls[1].text, FetchString(IDS_OBJECTACCESSERROR));
        EXPECT_EQ(Now(), start);
        EXPECT_TRUE(player.played.empty());
    }
}

// A one-second 8-bit mono wave, its rate as given.
std::string Wave(uint32_t rate, uint16_t align = 1)
{
    PCMWAVEFORMAT f{{WAVE_FORMAT_PCM, 1, rate, rate * align, align}, 8};
    std::string w((const char *)&f, sizeof f);
    for (int i = 0; i < 11025; i++)
        w += (char)(128 + (i % 50 < 25 ? 100 : -100) * (i < 5000));
    return w;
}

// The wave dialog measures and draws a valid format and refuses one without
// a rate or block alignment; either way OK keeps the sound byte for byte.
TEST_P(SoundDialogs, AWaveShowsItsFormatLengthAndWaveform)
{
    struct {
        std::string sound;
        const char *text;
        bool drawn;
    } cases[] = {
        {Wave(11025), "Mono 11.0 kHz 00:01.00", true},
        {Wave(0), nullptr, false},
        {Wave(11025, 0), nullptr, false},
        {"short", nullptr, false},
    };
    for (auto &c : cases) {
        SCOPED_TRACE(c.drawn);
        Replace(Make(GetParam(), c.sound));
        Object start = Now();
        EXPECT_EQ(Run([&](HWND dlg) {
                      HWND text = GetDlgItem(dlg, IDC_SOUNDFORMAT), picture = GetDlgItem(dlg, IDC_SOUNDWAVEFORM);
                      if (GetParam() == TAG_MIDI) { // music has no format to show
                          EXPECT_FALSE(text || picture);
                      } else {
                          char shown[200] = "";
                          GetWindowTextA(text, shown, sizeof shown);
                          EXPECT_EQ(std::string(shown), c.text ? c.text : FetchString(IDS_SOUNDFORMATERROR));
                          EXPECT_EQ(SendMessageA(picture, STM_GETIMAGE, IMAGE_BITMAP, 0) != 0, c.drawn);
                      }
                      sbtest::Click(dlg, IDOK);
                  }, c.drawn && GetParam() == TAG_WAVE ? "wavedialog" : nullptr),
                  1);
        std::vector<uint8_t> want = start.bytes;
        SetRect(&((OBJECTHEADER *)want.data())->rect, 60, 70, 92, 102);
        EXPECT_EQ(Now().bytes, want);
    }
}

std::string Le32(uint32_t v)
{
    return std::string((const char *)&v, 4);
}

// A sound file chosen in the open dialog becomes the object's sound on OK;
// one that cannot be read is reported and the old sound stays.
TEST_P(SoundDialogs, ASoundFileReplacesTheSoundAndAnUnreadableOneKeepsIt)
{
    bool wave = GetParam() == TAG_WAVE;
    std::string samples(300, '\x80'), format = Wave(8000).substr(0, WAVEDATAHEAD);
    std::string file = wave ? "RIFF" + Le32(36 + 300) + "WAVE" + "fmt " + Le32(16) + format + "data" + Le32(300) + samples
                            : std::string("MThd\0\0\0\6\0\0\0\1\0\x60MTrk\0\0\0\4\0\xFF\x2F\0", 26);
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    std::string good = std::string(temp) + (wave ? "sounddlg.wav" : "sounddlg.mid"),
                empty = std::string(temp) + (wave ? "sounddl0.wav" : "sounddl0.mid");
    for (auto [path, bytes] : {std::pair{good, file}, {empty, std::string()}}) {
        FILE *f = fopen(path.c_str(), "wb");
        ASSERT_TRUE(f);
        fwrite(bytes.data(), 1, bytes.size(), f);
        fclose(f);
    }
    auto choose = [&](const std::string &path) {
        nested.push_back([path](HWND files) {
            SetDlgItemTextA(files, 0x480, path.c_str());
            sbtest::Click(files, IDOK);
        });
    };
    Object start = Now();
    choose(empty);
    EXPECT_EQ(Run([&](HWND dlg) {
                  sbtest::Click(dlg, IDC_SOUNDFILE);
                  sbtest::Click(dlg, IDCANCEL);
              }),
              0);
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[2].text, FetchString(IDS_SOUNDFILEERROR));
    EXPECT_EQ(Now(), start);

    choose(good);
    EXPECT_EQ(Run([&](HWND dlg) {
                  sbtest::Click(dlg, IDC_SOUNDFILE);
                  sbtest::Click(dlg, IDC_SOUNDPLAY);
                  sbtest::Click(dlg, IDOK);
              }),
              1);
    std::string stored = wave ? format + samples : file;
    std::vector<uint8_t> want(start.bytes.begin(), start.bytes.begin() + sizeof(OBJECTWAVE));
    auto &h = *(OBJECTHEADER *)want.data();
    SetRect(&h.rect, 60, 70, 92, 102);
    h.datasize = (uint32_t)stored.size(), h.totalsize = (uint32_t)(want.size() + stored.size());
    want.insert(want.end(), stored.begin(), stored.end());
    EXPECT_EQ(Now().bytes, want);
    ASSERT_EQ(player.played.size(), 1u);
    EXPECT_EQ(player.played[0].second.substr(0, stored.size()), stored); // the new sound is the one previewed
    DeleteFileA(good.c_str());
    DeleteFileA(empty.c_str());
}

INSTANTIATE_TEST_SUITE_P(WaveAndMidi, SoundDialogs, ::testing::Values(TAG_WAVE, TAG_MIDI),
                         [](const auto &info) { return info.param == TAG_WAVE ? "Wave" : "Midi"; });

} // namespace
