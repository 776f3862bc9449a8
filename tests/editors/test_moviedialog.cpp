// The movie property dialog run as a real modal dialog over a page of the
// test document, with its preview played through stand-ins of MCI and once
// through the platform's own movie device: what OK stores, that Cancel, a
// failed build and damaged objects leave the object as it was, and that the
// preview holds the shared movie buffer only while it is open.
#include "tests/editors/editorfixture.h"
#include "common/strings.h"
#include "editor/blocks.h"
#include "editors/moviedialog.h"
#include "editors/objectdialogs.h"
#include "editors/objectfields.h"
#include "media/avicheck.h"
#include "media/loaders.h"
#include "player/sample.h"
#include "resources/document_ids.h"
#include "resources/moviedialog_ids.h"
#include "resources/objectdialogs3_ids.h"
#include "resources/resource.h"
#include "tests/document/docwindow.h"
#include "tests/support/drive.h"
#include "tests/support/mediafiles.h"
#include <digitalv.h>
#include <algorithm>
#include <random>

using namespace pagetest;
using sbtest::Avi;

namespace {

using Bytes = std::vector<uint8_t>;

Bytes operator+(Bytes a, const Bytes &b) { return a.insert(a.end(), b.begin(), b.end()), a; }

// Stands in for MCI: records the commands and answers as a test says. Every
// movie it is asked to open must have passed the AVI check.
struct FakeMci {
    std::vector<UINT> mci;
    MCIERROR openerror = 0, playerror = 0;
    bool unchecked = false; // an open saw bytes that fail the check
    size_t Count(UINT msg) const { return (size_t)std::count(mci.begin(), mci.end(), msg); }
} fake;

const MEDIAHOST standin{
    [](HWND, HGLOBAL, DWORD) { return 1; },
    [](HWND) { return 1; },
    [](HWND, UINT, WPARAM, LPARAM) { return 0; },
    [](MCIDEVICEID, UINT msg, DWORD_PTR, DWORD_PTR params) -> MCIERROR {
        fake.mci.push_back(msg);
        if (msg == MCI_OPEN) {
            AVIFIRSTVIDEO video;
            if (!AVIplaybuffer || !CheckAviData(AVIplaybuffer, AVIbufferSize, &video))
                fake.unchecked = true;
            if (!fake.openerror)
                ((MCI_DGV_OPEN_PARMSA *)params)->wDeviceID = 7;
            return fake.openerror;
        }
        return msg == MCI_PLAY ? fake.playerror : 0;
    },
    [](MCIERROR error, char *text, UINT size) { return snprintf(text, size, "No movie (%u).", (unsigned)error), TRUE; },
};

constexpr int W = 64, H = 48;

class MovieDialog : public ObjectDialog {
protected:
    void SetUp() override
    {
        ObjectDialog::SetUp();
        Append(Make(Avi(W, H, 3)));
        fake = FakeMci{};
        Play(standin);
    }
    void TearDown() override
    {
        EXPECT_EQ(AVIplaybuffer, (HGLOBAL)NULL);
        EXPECT_EQ(AVIobjecthwnd, (HWND)NULL);
        ObjectDialog::TearDown();
    }
    // A movie object numbered 120 at (60, 70) whose rectangle is not yet its
    // first frame's size, with bits and a first field the dialog keeps.
    static HGLOBAL Make(const Bytes &avi, int width = W, int height = H)
    {
        GlobalBlock dib(Picture(width, height, RGB(40, 60, 220)));
        GlobalLocked<uint8_t> d(dib.get());
        Bytes first(d.get(), d.get() + d.size());
        Bytes b(sizeof(OBJECTMOVIE));
        auto &o = *(OBJECTMOVIE *)b.data();
        o.header.tag = TAG_MOVI;
        o.header.fixedsize = sizeof(OBJECTMOVIE);
        o.header.flags = 0x200 | OBJ_VISIBLE;
        SetRect(&o.header.rect, 60, 70, 160, 75);
        o.header.number = 120;
        o.reserved1 = 0xA1B2C3D4;
        o.notify = 7;
        o.avioffset = (uint32_t)first.size();
        o.avilength = (uint32_t)avi.size() + 16;
        b = b + first + avi + Bytes(16, 0);
        auto &h = *(OBJECTHEADER *)b.data();
        h.datasize = (uint32_t)(b.size() - sizeof(OBJECTMOVIE));
        h.totalsize = (uint32_t)b.size();
        return NewGlobal(b.size(), b.data(), b.size());
    }
    void Restore(const Object &o) { Replace(NewGlobal(o.bytes.size(), o.bytes.data(), o.bytes.size())); }
    // Runs the dialog for real; `drive` may queue drivers of the dialogs it
    // opens on the recorder before it opens them.
    int Run(std::function<void(HWND, sbtest::ModalRecorder &)> drive)
    {
        return ObjectDialog::Run([&](HWND dlg) { drive(dlg, *recording); });
    }
    static std::string Text(HWND w)
    {
        char text[256] = "";
        GetWindowTextA(w, text, sizeof text);
        return text;
    }
};

// OK stores the place, the three flags and the target at the first frame's
// size and keeps the movie; Cancel, and OK when the new block cannot be had
// (told with text 6, the dialog staying open), keep the object byte for byte.
TEST_F(MovieDialog, OkStoresPlaceFlagsAndTargetAndCancelOrAFailedBuildKeepsTheObject)
{
    Object start = Now();
    auto change = [](HWND dlg) {
        SetDlgItemTextA(dlg, IDC_OBJLEFT, "300");
        SetDlgItemTextA(dlg, IDC_OBJTOP, "5");
        for (int id : {IDC_OBJENABLED, IDC_OBJNOTIFY, IDC_MOVIEHIDE})
            CheckDlgButton(dlg, id, BST_CHECKED);
        SendDlgItemMessageA(dlg, IDC_OBJTARGET, CB_SETCURSEL, 0, 0);
    };
    const uint32_t all = 0x200 | OBJ_VISIBLE | OBJ_ENABLED | OBJ_NOTIFY | OBJ_SOFTCUSTOM;
    struct {
        const char *name;
        bool change, failbuild;
        int button, result;
        LONG left, top;
        uint32_t flags, notify; // 0: the object as it was
    } cases[] = {
        {"OK unchanged", false, false, IDOK, 1, 60, 70, 0x200 | OBJ_VISIBLE, 7},
        {"OK with every field changed", true, false, IDOK, 1, 300, 5, all, 101},
        {"Cancel", true, false, IDCANCEL, 0, 0, 0, 0, 0},
        {"OK when the block cannot be had", true, true, IDOK, 0, 0, 0, 0, 0},
    };
    for (auto &c : cases) {
        SCOPED_TRACE(c.name);
        std::string number;
        bool open = false;
        EXPECT_EQ(Run([&](HWND dlg, sbtest::ModalRecorder &) {
                      number = Text(GetDlgItem(dlg, IDC_OBJNUMBER));
                      if (c.change)
                          change(dlg);
                      if (c.failbuild)
                          parts.newobjectblock = [](SIZE_T) { return (HGLOBAL)NULL; };
                      sbtest::Click(dlg, c.button);
                      parts.newobjectblock = nullptr;
                      if ((open = IsWindow(dlg) && IsWindowVisible(dlg)))
                          sbtest::Click(dlg, IDCANCEL);
                  }),
                  c.result);
        EXPECT_EQ(number, "120");
        EXPECT_EQ(open, c.failbuild);
        EXPECT_EQ(calls.size() == 2 && calls[1].text == FetchString(IDS_MEMORY), c.failbuild);
        std::vector<uint8_t> want = start.bytes;
        auto &o = *(OBJECTMOVIE *)want.data();
        if (c.flags)
            o.header.rect = {c.left, c.top, c.left + W, c.top + H}, o.header.flags = c.flags, o.notify = c.notify;
        EXPECT_EQ(Now().bytes, want);
        Restore(start);
    }
}

// A movie chosen in the open dialog is previewed and stored on OK with its
// first frame and sizes; a file that is no movie is reported and changes
// nothing.
TEST_F(MovieDialog, AMovieFileReplacesTheMovieAndAnUnreadableOneKeepsIt)
{
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    std::string good = std::string(temp) + "moviedlg.avi", bad = std::string(temp) + "moviedl0.avi";
    Bytes avi = Avi(32, 24, 2);
    for (auto [path, bytes] : {std::pair{good, avi}, {bad, Bytes(300, 'x')}}) {
        FILE *f = fopen(path.c_str(), "wb");
        ASSERT_TRUE(f);
        fwrite(bytes.data(), 1, bytes.size(), f);
        fclose(f);
    }
    auto choose = [](sbtest::ModalRecorder &r, const std::string &path) {
        r.Drive([path](HWND files) {
            SetDlgItemTextA(files, 0x480, path.c_str());
            sbtest::Click(files, IDOK);
        });
    };
    Object start = Now();
    EXPECT_EQ(Run([&](HWND dlg, sbtest::ModalRecorder &r) {
                  choose(r, bad);
                  sbtest::Click(dlg, IDC_MOVIEFILE);
                  sbtest::Click(dlg, IDCANCEL);
              }),
              0);
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[2].text, FetchString(IDS_MOVIEFILEERROR));
    EXPECT_EQ(Now(), start);

    size_t previewed = 0;
    EXPECT_EQ(Run([&](HWND dlg, sbtest::ModalRecorder &r) {
                  choose(r, good);
                  sbtest::Click(dlg, IDC_MOVIEFILE);
                  r.Drive([&](HWND preview) {
                      previewed = AVIbufferSize;
                      PostMessageA(preview, WM_CHAR, VK_ESCAPE, 0);
                  });
                  sbtest::Click(dlg, IDC_MOVIEPREVIEW);
                  sbtest::Click(dlg, IDOK);
              }),
              1);
    EXPECT_EQ(previewed, avi.size() + 16); // the new movie is the one previewed
    long imagesize = 0, filesize = 0;
    GlobalBlock loaded(LoadMovie(NULL, good.c_str(), &imagesize, &filesize));
    GlobalLocked<uint8_t> expect(loaded.get());
    ASSERT_TRUE(expect);
    size_t data = (size_t)(imagesize + filesize);
    std::vector<uint8_t> want(sizeof(OBJECTMOVIE) + data);
    memcpy(want.data(), start.bytes.data(), sizeof(OBJECTMOVIE));
    memcpy(want.data() + sizeof(OBJECTMOVIE), expect.get(), data);
    auto &o = *(OBJECTMOVIE *)want.data();
    o.header.rect = {60, 70, 92, 94};
    o.header.datasize = (uint32_t)data;
    o.header.totalsize = (uint32_t)want.size();
    o.avioffset = (uint32_t)imagesize, o.avilength = (uint32_t)filesize;
    EXPECT_EQ(Now().bytes, want);
    EXPECT_EQ(filesize, (long)avi.size() + 16);
    EXPECT_TRUE(std::equal(avi.begin(), avi.end(), Now().bytes.begin() + sizeof(OBJECTMOVIE) + imagesize));
    DeleteFileA(good.c_str());
    DeleteFileA(bad.c_str());
}

// The preview holds the one movie buffer while it is open, closes its device
// when it closes, and nothing ends the dialog under it; a failed open or play
// is told with MCI's text and the button stays usable.
TEST_F(MovieDialog, ThePreviewHoldsTheMovieOnlyWhileOpenAndAFailureSaysWhy)
{
    Object start = Now();
    const struct {
        const char *what;
        MCIERROR open, play;
        size_t closes;
    } cases[] = {
        {"played", 0, 0, 1},
        {"refused", MCIERR_INVALID_FILE, 0, 0},
        {"not played", 0, MCIERR_HARDWARE, 1},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        fake = FakeMci{};
        fake.openerror = c.open, fake.playerror = c.play;
        HWND seen = NULL;
        HGLOBAL held = NULL;
        bool dialogstays = false, usable = false;
        EXPECT_EQ(Run([&](HWND dlg, sbtest::ModalRecorder &r) {
                      for (int pass = 0; pass < 2; pass++) {
                          r.Drive([&](HWND preview) {
                              seen = preview;
                              held = AVIplaybuffer;
                              for (int id : {IDOK, IDCANCEL, IDC_MOVIEPREVIEW})
                                  PostMessageA(dlg, WM_COMMAND, id, 0);
                              sbtest::PumpUntilIdle();
                              dialogstays = IsWindowVisible(dlg) && IsWindow(preview);
                              EXPECT_EQ(Text(preview), "Movie 120");
                              PostMessageA(preview, WM_CHAR, VK_ESCAPE, 0);
                          });
                          sbtest::Click(dlg, IDC_MOVIEPREVIEW);
                      }
                      usable = IsWindowEnabled(GetDlgItem(dlg, IDC_MOVIEPREVIEW)) != 0;
                      sbtest::Click(dlg, IDCANCEL);
                  }),
                  0);
        EXPECT_TRUE(dialogstays);
        EXPECT_TRUE(usable);
        EXPECT_FALSE(IsWindow(seen));
        EXPECT_EQ(held != NULL, !c.open && !c.play);
        EXPECT_EQ(fake.Count(MCI_OPEN), 2u);
        EXPECT_EQ(fake.Count(MCI_CLOSE), 2 * c.closes);
        EXPECT_FALSE(fake.unchecked);
        size_t told = 0;
        for (const auto &call : calls)
            told += call.text == "No movie (" + std::to_string(c.open ? c.open : c.play) + ").";
        EXPECT_EQ(told, c.open || c.play ? 2u : 0u);
        EXPECT_EQ(Now(), start);
    }
}

// The platform's own movie device plays the object's movie from memory.
TEST_F(MovieDialog, ThePreviewPlaysThroughThePlatformsMovieDevice)
{
    showhost.media = QV_SystemHost.media;
    // Wine's movie device draws frames of 24 bits garbled; those of 32 it
    // draws as they are.
    Replace(Make(Avi(160, 120, 3, 4), 160, 120));
    mmioInstallIOProcA(AVIIOPROCCODE, (LPMMIOPROC)AVIIOProc, MMIO_INSTALLPROC);
    Object start = Now();
    RECT client{};
    HWND seen = NULL;
    bool playing = false, drawn = false;
    EXPECT_EQ(Run([&](HWND dlg, sbtest::ModalRecorder &r) {
                  Snapshot(dlg, "moviedialog");
                  r.Drive([&](HWND preview) {
                      seen = preview;
                      GetClientRect(preview, &client);
                      playing = AVIobjecthwnd == preview && AVIplaybuffer;
                      // Every pixel of the preview one of the movie's colours.
                      drawn = sbtest::PumpUntil([&] {
                          sbtest::Capture c = sbtest::CaptureClient(preview);
                          return !c.pixels.empty() && std::all_of(c.pixels.begin(), c.pixels.end(), [](uint32_t p) {
                              return p == 0x1E3CC8 || p == 0x1EB428 || p == 0xDC3C28;
                          });
                      }, 10000);
                      Snapshot(preview, "moviepreview");
                      Snapshot(GetDesktopWindow(), "moviedialogscreen");
                      PostMessageA(preview, WM_RBUTTONUP, 0, 0);
                  });
                  sbtest::Click(dlg, IDC_MOVIEPREVIEW);
                  sbtest::Click(dlg, IDCANCEL);
              }),
              0);
    EXPECT_TRUE(playing);
    EXPECT_TRUE(drawn);
    EXPECT_EQ(client.right, 160);
    EXPECT_EQ(client.bottom, 120);
    EXPECT_FALSE(IsWindow(seen));
    EXPECT_EQ(calls.size(), 2u); // the dialog and its preview: nothing went wrong
    EXPECT_EQ(Now(), start);
}

// What a window shows on the screen, another process's window too.
sbtest::Capture OnScreen(HWND window)
{
    RECT r{};
    GetClientRect(window, &r);
    POINT origin{0, 0};
    ClientToScreen(window, &origin);
    sbtest::MemoryDC memory(r.right, r.bottom);
    HDC screen = GetDC(NULL);
    BitBlt(memory.dc, 0, 0, memory.width, memory.height, screen, origin.x, origin.y, SRCCOPY);
    ReleaseDC(NULL, screen);
    return memory.Grab();
}

// The first picture the movie device draws: the first one that stays the
// same over two looks and is not one colour for the most part, as the
// plain poster and the background before it are.
bool FirstDrawn(const std::function<sbtest::Capture()> &look, sbtest::Capture *drawn)
{
    std::vector<uint32_t> before;
    return sbtest::PumpUntil(
        [&] {
            *drawn = look();
            std::vector<uint32_t> sorted = drawn->pixels;
            std::sort(sorted.begin(), sorted.end());
            size_t most = 0;
            for (size_t i = 0, j; i < sorted.size(); i = j) {
                for (j = i; j < sorted.size() && sorted[j] == sorted[i]; j++) {
                }
                most = std::max(most, j - i);
            }
            bool stable = drawn->pixels == before && most * 2 < sorted.size();
            before = drawn->pixels;
            return stable;
        },
        10000);
}

// The share of the picture's pixels within a few levels of the DIB's.
double Likeness(const sbtest::Capture &c, const BITMAPINFOHEADER *dib)
{
    if (c.width != dib->biWidth || c.height != dib->biHeight || c.pixels.empty())
        return 0;
    size_t alike = 0;
    for (int y = 0; y < c.height; y++)
        for (int x = 0; x < c.width; x++) {
            COLORREF a = c.At(x, y), b = (COLORREF)GetDibPixel(dib, x, y);
            bool close = true;
            for (int shift : {0, 8, 16})
                close = close && std::abs((int)(a >> shift & 0xFF) - (int)(b >> shift & 0xFF)) <= 24;
            alike += close;
        }
    return (double)alike / c.pixels.size();
}

// The sample's movie starts with its own first frame, in the player and in
// the preview, and not with a misreading of its frames' bits. The poster
// shown before the start is a plain picture here, so that what shows after
// it is the movie device's drawing. Later frames differ from the first only
// where the sun has moved.
TEST_F(MovieDialog, TheSamplesMovieStartsWithItsOwnFirstFrameInThePlayerAndThePreview)
{
    constexpr int MW = 240, MH = 180;
    uint32_t picturesize = 0, moviesize = 0;
    const Bytes film = SampleMovie(MW, MH, &picturesize, &moviesize);
    ASSERT_FALSE(film.empty());
    const Bytes avi(film.begin() + picturesize, film.end());
    const auto *first = (const BITMAPINFOHEADER *)film.data();
    showhost.media = QV_SystemHost.media;
    mmioInstallIOProcA(AVIIOPROCCODE, (LPMMIOPROC)AVIIOProc, MMIO_INSTALLPROC);
    docfixture::TempFolder folder;
    const struct {
        const char *where;
        std::function<bool(sbtest::Capture *)> play;
    } rows[] = {
        {"the player",
         [&](sbtest::Capture *drawn) {
             std::string path = folder.File("film.exe");
             {
                 SAMPLEDOC doc("Film", 320, 240, RGB(0, 0, 0));
                 BLOCK &page = doc.Page("Reel", RGB(0, 40, 40));
                 GlobalBlock poster(Picture(MW, MH, RGB(40, 60, 220)));
                 GlobalLocked<uint8_t> p(poster.get());
                 Bytes data = Bytes(p.get(), p.get() + p.size()) + avi;
                 HGLOBAL h = doc.Add(page, TAG_MOVI, RECT{40, 40, 40 + MW, 40 + MH}, nullptr, data);
                 if (!h)
                     return false;
                 GlobalLocked<OBJECTMOVIE> o(h);
                 o->avioffset = (uint32_t)p.size();
                 o->avilength = (uint32_t)avi.size();
                 o.Unlock();
                 if (!doc.Save(path.c_str()))
                     return false;
             }
             bool found = false;
             PLAYOUTCOME out = PlayDocument(path, "", [&](HWND show, DWORD) {
                 HWND movie = NULL;
                 found = WaitFor([&] { return (movie = FindWindowExA(show, NULL, QVCLASS_movie, NULL)) != NULL; }) &&
                         FirstDrawn([&] { return OnScreen(movie); }, drawn);
             });
             EXPECT_TRUE(out.messages.empty());
             return found;
         }},
        {"the preview",
         [&](sbtest::Capture *drawn) {
             Replace(Make(avi, MW, MH));
             bool found = false;
             Run([&](HWND dlg, sbtest::ModalRecorder &r) {
                 r.Drive([&](HWND preview) {
                     found = FirstDrawn([&] { return sbtest::CaptureClient(preview); }, drawn);
                     PostMessageA(preview, WM_RBUTTONUP, 0, 0);
                 });
                 sbtest::Click(dlg, IDC_MOVIEPREVIEW);
                 sbtest::Click(dlg, IDCANCEL);
             });
             return found;
         }},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.where);
        sbtest::Capture drawn;
        ASSERT_TRUE(row.play(&drawn)) << "no picture of the movie device's on the screen";
        sbtest::Snapshot(drawn, row.where);
        EXPECT_GT(Likeness(drawn, first), 0.8);
    }
}

// Stored sizes, first-frame headers and movie bytes damaged at random: the
// dialog either refuses the object or opens and previews it, no AVI data
// that fails the check reaches the player, nothing changes without OK, and
// OK stores only data the block held.
TEST_F(MovieDialog, DamagedSizesNeverCrashReachThePlayerOrChangeTheObject)
{
    HGLOBAL base = Make(Avi(8, 6, 2));
    Object good = Read(base);
    GlobalFree(base);
    std::mt19937 random(28);
    const size_t fields[] = {offsetof(OBJECTHEADER, fixedsize), offsetof(OBJECTHEADER, datasize),
                             offsetof(OBJECTMOVIE, avioffset), offsetof(OBJECTMOVIE, avilength),
                             sizeof(OBJECTMOVIE) + offsetof(BITMAPINFOHEADER, biSize),
                             sizeof(OBJECTMOVIE) + offsetof(BITMAPINFOHEADER, biWidth),
                             sizeof(OBJECTMOVIE) + offsetof(BITMAPINFOHEADER, biHeight),
                             sizeof(OBJECTMOVIE) + offsetof(BITMAPINFOHEADER, biBitCount),
                             sizeof(OBJECTMOVIE) + offsetof(BITMAPINFOHEADER, biClrUsed)};
    const uint32_t avistart = ((const OBJECTMOVIE *)good.bytes.data())->avioffset + sizeof(OBJECTMOVIE);
    size_t opened = 0;
    for (int i = 0; i < 300; i++) {
        Bytes b = good.bytes;
        for (int n = 1 + (int)(random() % 2); n > 0; n--) {
            uint32_t value;
            switch (random() % 4) {
            case 0: value = random(); break;
            case 1: value = 0xFFFFFFFF - random() % 64; break;
            default: value = *(uint32_t *)&b[fields[random() % std::size(fields)]] + (random() % 65) - 32;
            }
            size_t at = i % 3 == 2 ? avistart + random() % 200 : fields[random() % std::size(fields)];
            memcpy(&b[at], &value, at < b.size() - 4 ? 4 : 1);
        }
        if (i % 10 == 9)
            b.resize(b.size() - 1 - random() % 100);
        Replace(NewGlobal(b.size(), b.data(), b.size()));
        Object start = Now();
        fake = FakeMci{};
        bool shown = false, ok = i % 2;
        int result = Run([&](HWND dlg, sbtest::ModalRecorder &r) {
            shown = true;
            r.Drive([](HWND preview) { PostMessageA(preview, WM_RBUTTONUP, 0, 0); });
            sbtest::Click(dlg, IDC_MOVIEPREVIEW);
            sbtest::Click(dlg, ok ? IDOK : IDCANCEL);
            if (IsWindow(dlg))
                sbtest::Click(dlg, IDCANCEL);
        });
        opened += shown;
        SCOPED_TRACE(i);
        ASSERT_FALSE(fake.unchecked);
        ASSERT_EQ(AVIplaybuffer, (HGLOBAL)NULL);
        if (!result) {
            ASSERT_EQ(Now(), start);
            continue;
        }
        // What OK stores is the data the block really held, with sizes that
        // place the picture and the movie inside it.
        Object now = Now();
        const auto &h = *(const OBJECTHEADER *)b.data();
        ASSERT_LE((uint64_t)h.fixedsize + h.datasize, b.size());
        ASSERT_EQ(now.bytes.size(), sizeof(OBJECTMOVIE) + h.datasize);
        ASSERT_TRUE(std::equal(now.bytes.begin() + sizeof(OBJECTMOVIE), now.bytes.end(), b.begin() + h.fixedsize));
        MOVIEPARTS parts;
        ASSERT_TRUE(GetMovieParts((const OBJECTMOVIE *)now.bytes.data(), now.bytes.size(), &parts));
    }
    EXPECT_GT(opened, 0u);
}

} // namespace
