// The header editor and the page properties dialog driven as real modal
// dialogs over the page editor's document: what OK stores, what Cancel
// keeps, the password as the editor and the player read it back.
#include "tests/editors/editorfixture.h"
#include "document/reader.h"
#include "document/writer.h"
#include "editor/blocks.h"
#include "editors/headereditor.h"
#include "editors/backgroundchoice.h"
#include "tests/support/drive.h"
#include "tests/editor/screenbits.h"
#include "resources/document_ids.h"
#include "resources/headereditor_ids.h"
#include "media/sound.h"
#include "tests/media/soundtest.h"
#include <zlib.h>
#include <memory>
#include <optional>
#include <set>

namespace pagetest {
namespace {

using Driver = std::function<void(HWND dlg)>;

// Answers the open dialogs with `file` while a ModalRecorder drives the rest.
struct FileAnswer {
    static inline std::string file;
    static inline MODALHOOK next;
    MODALHOOK previous;
    explicit FileAnswer(std::string path) : previous(COMMONSetModalHook(Hook))
    {
        file = std::move(path);
        next = previous;
    }
    ~FileAnswer() { COMMONSetModalHook(previous); }
    static INT_PTR Hook(const MODALCALL *call)
    {
        if (call->kind != MODAL_COMMONDIALOG || (!IS_INTRESOURCE(call->name) && strcmp(call->name, "TrackPopupMenu") == 0))
            return next(call);
        auto *ofn = (OPENFILENAMEA *)call->data;
        snprintf(ofn->lpstrFile, ofn->nMaxFile, "%s", file.c_str());
        return 1;
    }
};

std::vector<uint8_t> Bytes(BLOCK &b)
{
    std::vector<uint8_t> out((uint8_t *)&b.hedr, (uint8_t *)&b.hedr + sizeof b.hedr);
    out.insert(out.end(), (uint8_t *)&b.page, (uint8_t *)&b.page + sizeof b.page);
    for (const Object &o : Objects(b))
        out.insert(out.end(), o.bytes.begin(), o.bytes.end());
    return out;
}

// A title as long as an earlier editor could store it, longer than the
// fields now take.
const std::string storedtitle(TITLESIZE - 1, 'L');

uint32_t PasswordCheck(const char *password)
{
    char text[TITLESIZE];
    snprintf(text, sizeof text, "%s", password);
    EncryptString(text, 1);
    return (uint32_t)crc32(0, (const Bytef *)text, (uInt)strlen(text));
}

void SelectKind(HWND dlg, int id, int kind)
{
    SendDlgItemMessageA(dlg, id, CB_SETCURSEL, kind, 0);
    SendMessageA(dlg, WM_COMMAND, MAKEWPARAM(id, CBN_SELENDOK), (LPARAM)GetDlgItem(dlg, id));
}

class HeaderEditor : public PageEditor {
protected:
    static void WriteBmp(const std::string &path, int w, int h)
    {
        HGLOBAL dib = Picture(w, h, RGB(255, 0, 0));
        GlobalLocked<BITMAPINFOHEADER> bits(dib);
        BITMAPFILEHEADER fh{0x4D42, (DWORD)(sizeof fh + bits.size()), 0, 0, sizeof fh + sizeof(BITMAPINFOHEADER)};
        FILE *f = fopen(path.c_str(), "wb");
        fwrite(&fh, sizeof fh, 1, f);
        fwrite(bits.get(), bits.size(), 1, f);
        fclose(f);
        bits.Unlock();
        GlobalFree(dib);
    }
    // Runs the header editor on the stored header with `driver`; the
    // editor's result, the edited header in `out`, the texts of the boxes
    // it showed in `said`.
    // `file` answers the sound's open dialog.
    int EditHeaderWith(const Driver &driver, BLOCK *out, std::vector<std::string> *said = nullptr,
                       const std::string &file = "")
    {
        sbtest::ModalRecorder real;
        real.Drive(driver);
        std::optional<FileAnswer> answer;
        if (!file.empty())
            answer.emplace(file);
        BLOCK header = Block(0);
        BLOCKSET *set = LockBlockSet(doc);
        int result = EditHeader(doc, set, &header, 0);
        UnlockBlockSet(doc);
        PutBlock(List(doc), 0, &header);
        *out = header;
        for (size_t i = 1; said && i < real.calls.size(); i++)
            said->push_back(real.calls[i].text);
        return result;
    }
    // `file` answers the picture's open dialog.
    int EditPageWith(const Driver &driver, BLOCK *page, const std::string &file = "")
    {
        sbtest::ModalRecorder real;
        real.Drive(driver);
        FileAnswer answer(file);
        BLOCKSET *set = LockBlockSet(doc);
        int result = EditPageProperties(doc, set, page, 1);
        UnlockBlockSet(doc);
        for (size_t i = 1; i < real.calls.size(); i++)
            said.push_back(real.calls[i].text);
        return result;
    }
    std::vector<std::string> said; // what the page properties told the user
    // A help page whose name ends in `topic` was asked for.
    bool Opened(const std::string &topic) const
    {
        return std::any_of(said.begin(), said.end(), [&](const std::string &s) {
            return s.size() >= topic.size() && s.compare(s.size() - topic.size(), topic.size(), topic) == 0;
        });
    }
    std::string SavedDocument(const char *name)
    {
        char dir[MAX_PATH];
        GetTempPathA(sizeof dir, dir);
        std::string path = std::string(dir) + name;
        BLOCKSET *set = LockBlockSet(doc);
        EXPECT_EQ(WriteExeFile(List(doc), set, path.c_str()), 1);
        UnlockBlockSet(doc);
        return path;
    }
};

TEST_F(HeaderEditor, OkStoresWhatTheDialogShows)
{
    const struct {
        const char *name;
        Driver change;
        std::function<void(HEDRRECORD &)> expect;
    } cases[] = {
        {"a pasted title stops at 260, and the size",
         [](HWND d) {
             sbtest::Paste(d, IDC_HDRTITLE, std::string(300, 'T'));
             SetDlgItemTextA(d, IDC_HDRWIDTH, "800");
             SetDlgItemTextA(d, IDC_HDRDEPTH, "3000");
         },
         [](HEDRRECORD &h) {
             snprintf(h.title, TITLESIZE, "%s", std::string(TITLECHARS, 'T').c_str());
             h.width = 800;
             h.depth = 3000; // typed values are kept as typed
         }},
        // As a title an earlier editor stored is shown: the field's limit
        // holds only what is typed, so OK gives it back whole.
        {"a longer title already there is kept",
         [](HWND d) { SetDlgItemTextA(d, IDC_HDRTITLE, storedtitle.c_str()); },
         [](HEDRRECORD &h) { snprintf(h.title, TITLESIZE, "%s", storedtitle.c_str()); }},
        {"empty title", [](HWND d) { SetDlgItemTextA(d, IDC_HDRTITLE, ""); },
         [](HEDRRECORD &h) { snprintf(h.title, TITLESIZE, "Untitled"); }},
        {"window style",
         [](HWND d) {
             for (int id : {IDC_HDRCAPTION, IDC_HDRSYSMENU, IDC_HDRMAXIMIZE, IDC_HDRRESIZE})
                 sbtest::Click(d, id);
         },
         [](HEDRRECORD &h) { h.flags ^= WS_CAPTION | WS_SYSMENU | WS_MAXIMIZEBOX | WS_THICKFRAME; }},
        {"options",
         [](HWND d) {
             for (int id : {IDC_HDRFIXED, IDC_HDRSTATUS, IDC_HDRFONTS, IDC_HDRTILED})
                 sbtest::Click(d, id);
         },
         [](HEDRRECORD &h) { h.flags ^= HEDR_FIXEDCLIENT | HEDR_PROGRESS | HEDR_EMBEDFONTS | HEDR_TILED; }},
        {"about text and custom colour",
         [](HWND d) {
             SetDlgItemTextA(d, IDC_HDRABOUT, "By us");
             EXPECT_TRUE(IsWindowEnabled(GetDlgItem(d, IDC_BACKCOLOUR))); // opened on its custom kind
             SelectKind(d, IDC_HDRKIND, 25);
             EXPECT_TRUE(IsWindowEnabled(GetDlgItem(d, IDC_BACKCOLOUR)));
             SelectKind(d, IDC_HDRKIND, 3);
             EXPECT_FALSE(IsWindowEnabled(GetDlgItem(d, IDC_BACKCOLOUR)));
         },
         [](HEDRRECORD &h) {
             snprintf(h.about, sizeof h.about, "By us");
             h.colourselector = 3;
         }},
        {"password of six",
         [](HWND d) {
             SetDlgItemTextA(d, IDC_HDRPASSWORD, "secret");
             sbtest::Click(d, IDC_HDRPROTECT);
         },
         [](HEDRRECORD &h) {
             h.flags |= HEDR_PASSWORD;
             h.password = PasswordCheck("secret");
         }},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        BLOCK stored = Block(0), before, after;
        ASSERT_TRUE(DuplicateBlock(&before, &stored));
        HEDRRECORD want = before.hedr;
        c.expect(want);
        ASSERT_EQ(EditHeaderWith(
                      [&](HWND d) {
                          c.change(d);
                          sbtest::Click(d, IDOK);
                      },
                      &after),
                  1);
        EXPECT_EQ(memcmp(&after.hedr, &want, sizeof want), 0);
        EXPECT_STREQ(after.hedr.title, want.title);
        EXPECT_EQ(after.hedr.flags, want.flags);
        // Back as it was for the next case.
        DestroyBlock(&after);
        PutBlock(List(doc), 0, &before);
    }
}

// Preview, Stop, Loop and Remove are enabled only while they have a sound
// to act on, and a sound removed or replaced while it plays is stopped, so
// that no sound plays on with Stop grey.
TEST_F(HeaderEditor, TheSoundButtonsAreEnabledOnlyWhileThereIsASoundToActOn)
{
    soundtest::TempFolder folder;
    // Ten seconds: it plays until the test stops it.
    std::string wave = folder.path + "tone.wav";
    soundtest::Write(wave, soundtest::WaveFile(11025, 1, 8, 110250, [](DWORD i, int) { return (int)(i & 0xFF); }));
    auto states = [](HWND d) {
        std::string s;
        for (int id : {IDC_HDRSOUNDPLAY, IDC_HDRSOUNDSTOP, IDC_HDRSOUNDLOOP, IDC_HDRSOUNDREMOVE})
            s += IsWindowEnabled(GetDlgItem(d, id)) ? '1' : '0';
        return s;
    };
    BLOCK after;
    EditHeaderWith(
        [&](HWND d) {
            EXPECT_EQ(states(d), "0000") << "no sound";
            Snapshot(d, "header_nosound");
            const struct {
                int click;
                const char *want, *what;
                bool playing;
            } steps[] = {{IDC_HDRSOUNDSELECT, "1011", "a sound", false},
                         {IDC_HDRSOUNDPLAY, "0111", "playing", true},
                         {IDC_HDRSOUNDSTOP, "1011", "stopped", false},
                         {IDC_HDRSOUNDPLAY, "0111", "playing again", true},
                         {IDC_HDRSOUNDSELECT, "1011", "replaced while playing", false},
                         {IDC_HDRSOUNDPLAY, "0111", "playing the new one", true},
                         {IDC_HDRSOUNDREMOVE, "0000", "removed while playing", false}};
            for (const auto &step : steps) {
                sbtest::Click(d, step.click);
                EXPECT_EQ(states(d), step.want) << step.what;
                EXPECT_EQ(APPLEThwaveout != NULL, step.playing) << step.what;
            }
            sbtest::Click(d, IDCANCEL);
        },
        &after, nullptr, wave);
}

// An object array that cannot grow, as when memory runs out.
decltype(&GlobalReAlloc) realrealloc;
HGLOBAL WINAPI NoGrowing(HGLOBAL h, SIZE_T size, UINT flags)
{
    return size > GlobalSize(h) ? NULL : realrealloc(h, size, flags);
}

TEST_F(HeaderEditor, APictureOrSoundThatCannotBeAddedLeavesTheOldOneInPlace)
{
    soundtest::TempFolder folder;
    std::string picture = folder.path + "back.bmp", wave = folder.path + "tone.wav";
    WriteBmp(picture, 30, 20);
    soundtest::Write(wave, soundtest::WaveFile(11025, 1, 8, 1000, [](DWORD i, int) { return (int)(i & 0xFF); }));
    BLOCK after;
    std::vector<std::string> told;
    EditHeaderWith(
        [&](HWND d) {
            sbtest::Click(d, IDC_HDRPICTURE);
            sbtest::Click(d, IDC_HDRSELECT);
            FileAnswer::file = wave;
            sbtest::Click(d, IDC_HDRSOUNDSELECT);
            realrealloc = (decltype(&GlobalReAlloc))sbtest::ReplaceImport("kernel32.dll", "GlobalReAlloc", (void *)NoGrowing);
            FileAnswer::file = picture;
            sbtest::Click(d, IDC_HDRSELECT);
            FileAnswer::file = wave;
            sbtest::Click(d, IDC_HDRSOUNDSELECT);
            sbtest::ReplaceImport("kernel32.dll", "GlobalReAlloc", (void *)realrealloc);
            sbtest::Click(d, IDOK);
        },
        &after, &told, picture);
    EXPECT_EQ(Tags(Objects(after)), "iMAg wAve");
    EXPECT_EQ(told, std::vector<std::string>(2, FetchString(IDS_OBJECTACCESSERROR)));
}

TEST_F(HeaderEditor, CancelGivesTheHeaderBackByteForByte)
{
    BLOCK header = Block(0);
    HGLOBAL dib = Picture(20, 10, RGB(0, 200, 0));
    Add(header, TAG_IMAG, 0, 0, (LONG_PTR)dib);
    GlobalFree(dib);
    PutBlock(List(doc), 0, &header);
    std::vector<uint8_t> before = Bytes(header);
    BLOCK after;
    EXPECT_EQ(EditHeaderWith(
                  [](HWND d) {
                      Snapshot(d, "headereditor");
                      SetDlgItemTextA(d, IDC_HDRTITLE, "Changed");
                      SetDlgItemTextA(d, IDC_HDRPASSWORD, "secret");
                      sbtest::Click(d, IDC_HDRPROTECT);
                      sbtest::Click(d, IDC_HDRMAXIMIZE);
                      SelectKind(d, IDC_HDRKIND, 25);
                      sbtest::Click(d, IDC_HDRSOLID); // drops the picture from the working copy
                      sbtest::Click(d, 9);            // help leaves the header as it is
                      sbtest::Click(d, IDCANCEL);
                  },
                  &after, &said),
              0);
    EXPECT_EQ(Bytes(after), before);
    EXPECT_TRUE(Opened("#HEADER"));
}

TEST_F(HeaderEditor, ProtectionIsNeverStoredWithoutAPassword)
{
    const struct {
        const char *name;
        uint32_t flags, check; // the stored header
        const char *typed;     // the password field
        bool tick;             // the box is clicked
        const char *said;      // what OK answers ("" for nothing)
        int result;
        uint32_t wantflag, wantcheck;
    } cases[] = {
        {"ticked with no password anywhere", 0, 0, "", true, "Password protection needs a password", 0, 0, 0},
        {"stored flag without a check", HEDR_PASSWORD, 0, "", false, "Password protection needs a password", 0,
         HEDR_PASSWORD, 0},
        {"ticked again keeps the old password", 0, 1234, "", true, "", 1, HEDR_PASSWORD, 1234},
        {"five characters", 0, 0, "abcde", true, "Passwords must be a minimum of 6 characters.", 1, 0, 0},
        {"unticked drops the password", HEDR_PASSWORD, 1234, "", true, "", 1, 0, 0},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        BLOCK header = Block(0);
        header.hedr.flags = (header.hedr.flags & ~HEDR_PASSWORD) | c.flags;
        header.hedr.password = c.check;
        PutBlock(List(doc), 0, &header);
        bool open = false;
        std::vector<std::string> said;
        BLOCK after;
        int result = EditHeaderWith(
            [&](HWND d) {
                SetDlgItemTextA(d, IDC_HDRPASSWORD, c.typed);
                if (c.tick)
                    sbtest::Click(d, IDC_HDRPROTECT);
                sbtest::Click(d, IDOK);
                open = IsWindow(d) && IsWindowVisible(d);
                if (open)
                    sbtest::Click(d, IDCANCEL);
            },
            &after, &said);
        EXPECT_EQ(result, c.result);
        EXPECT_EQ(open, c.result == 0);
        std::string all;
        for (const std::string &s : said)
            all += s;
        EXPECT_EQ(all.substr(0, strlen(c.said)), c.said);
        EXPECT_EQ(after.hedr.flags & HEDR_PASSWORD, c.wantflag);
        EXPECT_EQ(after.hedr.password, c.wantcheck);
    }
}

// The first `n` characters of one long passphrase; `wrong` changes the
// first character, so that no cut of it is right either.
std::string Passphrase(size_t n, bool wrong = false)
{
    std::string s;
    for (size_t i = 0; i < n; i++)
        s += (char)('!' + (i * 7) % 94);
    if (wrong && n)
        s[0] = s[0] == 'x' ? 'y' : 'x';
    return s;
}

// Every password the editor takes, now or as an earlier and wider field
// took it, opens its document when pasted into the password box as it was
// pasted into the field; the same length with one character wrong does not.
TEST_F(HeaderEditor, EveryPasswordTheEditorTookOpensItsDocumentAndNoOtherDoes)
{
    const struct {
        const char *name;
        size_t pasted; // into the header editor's field (0: none)
        size_t stored; // the check value an earlier editor wrote instead (0: none)
        size_t typed;  // into the password box
    } cases[] = {
        {"six", 6, 0, 6},
        {"260", 260, 0, 260},
        {"261 pasted keeps 260 and opens with the same paste", 261, 0, 261},
        {"261 made earlier", 0, 261, 261},
        {"293 made earlier", 0, 293, 293},
        {"293 made earlier, a longer paste into the box", 0, 293, 400},
    };
    std::string path;
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        BLOCK header = Block(0);
        header.hedr.flags &= ~HEDR_PASSWORD;
        header.hedr.password = 0;
        if (c.stored) {
            header.hedr.flags |= HEDR_PASSWORD;
            header.hedr.password = PasswordCheck(Passphrase(c.stored).c_str());
        }
        PutBlock(List(doc), 0, &header);
        if (c.pasted) {
            BLOCK after;
            ASSERT_EQ(EditHeaderWith(
                          [&](HWND d) {
                              sbtest::Paste(d, IDC_HDRPASSWORD, Passphrase(c.pasted));
                              EXPECT_LE(GetWindowTextLengthA(GetDlgItem(d, IDC_HDRPASSWORD)), PASSWORDCHARS);
                              sbtest::Click(d, IDC_HDRPROTECT);
                              sbtest::Click(d, IDOK);
                          },
                          &after),
                      1);
            EXPECT_NE(after.hedr.flags & HEDR_PASSWORD, 0u);
        }
        if (!path.empty())
            DeleteFileA(path.c_str());
        path = SavedDocument("sb_header_password.exe");
        for (bool wrong : {false, true}) {
            SCOPED_TRACE(wrong ? "wrong" : "right");
            std::string typed = Passphrase(c.typed, wrong);
            sbtest::ModalRecorder box; // asked again after a wrong one: cancelled
            box.Drive([&](HWND d) {
                sbtest::Paste(d, IDC_PASSWORD, typed);
                if (c.typed == 6 && !wrong)
                    Snapshot(d, "passwordbox");
                sbtest::Click(d, IDOK);
            });
            LOADHOST host{};
            host.password = GetFilePassword;
            HWND w = CreateNewTask(frame, "check", 0);
            BLOCKSET *set = LockBlockSet(w);
            EXPECT_EQ(LoadExeFileWith(List(w), set, path.c_str(), host), wrong ? 0 : 1);
            set->modified = 0;
            UnlockBlockSet(w);
            SendMessageA(hwndclient, WM_MDIDESTROY, (WPARAM)w, 0);
            ASSERT_EQ(box.calls.size(), wrong ? 2u : 1u);
            EXPECT_EQ(box.calls[0].name, "GetPasswordBox");
        }
    }
    // The player asks for nothing and shows the show.
    PLAYOUTCOME out = PlayDocument(path);
    EXPECT_TRUE(out.shown);
    EXPECT_TRUE(out.messages.empty());
    DeleteFileA(path.c_str());
}

TEST_F(HeaderEditor, OkSendsTheDocumentWindowARefreshOfItsThumbnails)
{
    BLOCK after;
    ASSERT_EQ(EditHeaderWith([](HWND d) { sbtest::Click(d, IDOK); }, &after), 1);
    MSG msg;
    EXPECT_TRUE(PeekMessageA(&msg, doc, WMU_REFRESHTHUMBNAILS, WMU_REFRESHTHUMBNAILS, PM_NOREMOVE));
}

// Sees the header preview once it shows, then closes it as a user does.
struct PreviewSeen {
    static inline HWND window;
    static inline RECT rect;
    static inline char title[64];
    static inline COLORREF middle;
    static void CALLBACK Watch(HWND, UINT, UINT_PTR id, DWORD)
    {
        HWND preview = FindWindowA("ShowbinderHeaderPreview", NULL);
        if (!preview || !IsWindowVisible(preview))
            return;
        KillTimer(NULL, id);
        window = preview;
        GetWindowRect(preview, &rect);
        GetWindowTextA(preview, title, sizeof title);
        UpdateWindow(preview);
        sbtest::Capture c = sbtest::CaptureClient(preview);
        middle = c.At(c.width / 2, c.height / 2);
        Snapshot(preview, "headerpreview");
        PostMessageA(preview, WM_RBUTTONDOWN, 0, 0);
    }
};

TEST_F(HeaderEditor, ThePreviewShowsTheWindowAsTypedAndEveryTimeUntilARightClick)
{
    BLOCK after;
    EXPECT_EQ(EditHeaderWith(
                  [](HWND d) {
                      SetDlgItemTextA(d, IDC_HDRTITLE, "Shown");
                      SetDlgItemTextA(d, IDC_HDRWIDTH, "300");
                      SetDlgItemTextA(d, IDC_HDRDEPTH, "200");
                      SelectKind(d, IDC_HDRKIND, COLOR_WINDOW);
                      for (int i = 0; i < 2; i++) {
                          PreviewSeen::window = NULL;
                          SetTimer(NULL, 0, 10, PreviewSeen::Watch);
                          sbtest::Click(d, IDC_BACKPREVIEW);
                          ASSERT_TRUE(PreviewSeen::window);
                          EXPECT_FALSE(IsWindow(PreviewSeen::window));
                          const RECT &r = PreviewSeen::rect;
                          EXPECT_EQ(r.right - r.left, 300);
                          EXPECT_EQ(r.bottom - r.top, 200);
                          EXPECT_EQ(r.left + r.right, GetSystemMetrics(SM_CXSCREEN));
                          EXPECT_STREQ(PreviewSeen::title, "Shown");
                          EXPECT_EQ(PreviewSeen::middle, GetSysColor(COLOR_WINDOW));
                      }
                      sbtest::Click(d, IDCANCEL);
                  },
                  &after),
              0);
}

// Asks the preview's system menu for "About" once the preview shows, then
// closes the preview.
struct AboutFromPreview {
    static void CALLBACK Watch(HWND, UINT, UINT_PTR id, DWORD)
    {
        HWND preview = FindWindowA("ShowbinderHeaderPreview", NULL);
        if (!preview || !IsWindowVisible(preview))
            return;
        KillTimer(NULL, id);
        SendMessageA(preview, WM_SYSCOMMAND, 100, 0); // the "About" the preview adds
        PostMessageA(preview, WM_RBUTTONDOWN, 0, 0);
    }
    static void Preview(HWND dlg)
    {
        SetTimer(NULL, 0, 10, Watch);
        sbtest::Click(dlg, IDC_BACKPREVIEW);
        sbtest::Click(dlg, IDCANCEL);
    }
};

TEST_F(HeaderEditor, AboutOnThePreviewsSystemMenuShowsTheDocumentsAboutBox)
{
    BLOCK after;
    std::vector<std::string> shown;
    EXPECT_EQ(EditHeaderWith(AboutFromPreview::Preview, &after, &shown), 0);
    EXPECT_EQ(shown, std::vector<std::string>{"about"});
    BLOCK page = Block(1);
    EXPECT_EQ(EditPageWith(AboutFromPreview::Preview, &page), 0);
    EXPECT_EQ(said, std::vector<std::string>{"about"});
    DestroyBlock(&page);
}

// Page properties.

TEST_F(HeaderEditor, PagePropertiesStoreOnOkAndGiveThePageBackOnCancel)
{
    const struct {
        const char *name;
        Driver change;
        int result;
        std::function<void(PAGERECORD &)> expect;
    } cases[] = {
        {"a pasted title stops at 260", [](HWND d) { sbtest::Paste(d, IDC_PAGETITLE, std::string(300, 'P')); }, 1,
         [](PAGERECORD &p) { snprintf(p.title, TITLESIZE, "%s", std::string(TITLECHARS, 'P').c_str()); }},
        {"a longer title already there is kept",
         [](HWND d) { SetDlgItemTextA(d, IDC_PAGETITLE, storedtitle.c_str()); }, 1,
         [](PAGERECORD &p) { snprintf(p.title, TITLESIZE, "%s", storedtitle.c_str()); }},
        {"empty title", [](HWND d) { SetDlgItemTextA(d, IDC_PAGETITLE, ""); }, 1,
         [](PAGERECORD &p) { snprintf(p.title, TITLESIZE, "Untitled"); }},
        {"next page clears close",
         [](HWND d) {
             sbtest::Click(d, IDC_PAGECLOSE);
             sbtest::Click(d, IDC_PAGENEXT);
             EXPECT_FALSE(IsDlgButtonChecked(d, IDC_PAGECLOSE));
             sbtest::Click(d, IDC_PAGETILED);
         },
         1, [](PAGERECORD &p) { p.flags |= 0x2000 | 0x08; }},
        {"header colour", [](HWND d) { SelectKind(d, IDC_PAGEKIND, 26); }, 1,
         [](PAGERECORD &p) { p.colourselector = 26; }},
        {"cancel",
         [](HWND d) {
             SetDlgItemTextA(d, IDC_PAGETITLE, "Gone");
             sbtest::Click(d, IDC_PAGECLOSE);
             SelectKind(d, IDC_PAGEKIND, 4);
             sbtest::Click(d, 9);
         },
         0, [](PAGERECORD &) {}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        BLOCK stored = Block(1), page;
        ASSERT_TRUE(DuplicateBlock(&page, &stored));
        PAGERECORD want = page.page;
        std::vector<Object> objects = Objects(page);
        c.expect(want);
        EXPECT_EQ(EditPageWith(
                      [&](HWND d) {
                          c.change(d);
                          sbtest::Click(d, c.result ? IDOK : IDCANCEL);
                      },
                      &page),
                  c.result);
        EXPECT_EQ(memcmp(&page.page, &want, sizeof want), 0);
        EXPECT_EQ(Objects(page), objects);
        DestroyBlock(&page);
    }
    EXPECT_TRUE(Opened("#PAGE")); // the help button of the cancelled case
}

// The background sample of the header editor and of page properties: on a
// display of 8 bits or fewer the picture is shown dithered to the standard
// palette, as the page shows it; on a deeper one as it is.
TEST_F(HeaderEditor, TheBackgroundSampleDithersThePictureOnPaletteDisplays)
{
    char rgb[PALETTEBYTES];
    int bits = 8;
    int count = GetDefaultPalette(rgb, &bits, 6);
    ASSERT_GT(count, 0);
    std::set<COLORREF> palette;
    for (int i = 0; i < count; i++)
        palette.insert(RGB((uint8_t)rgb[3 * i], (uint8_t)rgb[3 * i + 1], (uint8_t)rgb[3 * i + 2]));
    const COLORREF grey = RGB(100, 100, 100); // lies between the palette's colours
    ASSERT_EQ(palette.count(grey), 0u);
    for (int screen : {8, 4, 24}) {
        SCOPED_TRACE(screen);
        std::unique_ptr<ScreenBits> fake(screen <= 8 ? new ScreenBits(screen) : nullptr);
        sbtest::MemoryDC memory(44, 34);
        DRAWITEMSTRUCT item{};
        item.hDC = memory.dc;
        item.rcItem = RECT{0, 0, 44, 34};
        HGLOBAL dib = Picture(40, 30, grey);
        DrawBackgroundSample(&item, RGB(0, 0, 255), dib);
        GlobalFree(dib);
        fake.reset();
        sbtest::Capture c = memory.Grab();
        size_t inpalette = 0, asitis = 0;
        for (int y = 2; y < 32; y++)
            for (int x = 2; x < 42; x++) {
                COLORREF p = c.At(x, y);
                inpalette += palette.count(p);
                asitis += p == grey;
            }
        EXPECT_EQ(inpalette, screen <= 8 ? 40u * 30u : 0u);
        EXPECT_EQ(asitis, screen <= 8 ? 0u : 40u * 30u);
    }
}

TEST_F(HeaderEditor, APageBackgroundPictureStaysUntilItsSuccessorHasLoaded)
{
    char dir[MAX_PATH];
    GetTempPathA(sizeof dir, dir);
    std::string good = std::string(dir) + "sb_header_back.bmp", bad = std::string(dir) + "sb_header_bad.bmp";
    WriteBmp(good, 30, 20);
    FILE *f = fopen(bad.c_str(), "wb");
    fputs("BM not a picture", f);
    fclose(f);
    BLOCK stored = Block(1), page;
    ASSERT_TRUE(DuplicateBlock(&page, &stored));
    size_t before = Objects(page).size();
    {
        ASSERT_EQ(EditPageWith(
                      [](HWND d) {
                          sbtest::Click(d, IDC_PAGEPICTURE);
                          sbtest::Click(d, IDC_PAGESELECT);
                          Snapshot(d, "pageproperties");
                          sbtest::Click(d, IDOK);
                      },
                      &page, good),
                  1);
    }
    std::vector<Object> objects = Objects(page);
    EXPECT_TRUE(said.empty());
    ASSERT_EQ(objects.size(), before + 1);
    Object back = objects.back();
    EXPECT_EQ(back.tag(), TAG_BAKI);
    EXPECT_EQ(back.h().fixedsize, 108u);
    {
        ASSERT_EQ(EditPageWith(
                      [](HWND d) {
                          EXPECT_TRUE(IsDlgButtonChecked(d, IDC_PAGEPICTURE));
                          sbtest::Click(d, IDC_PAGESELECT);
                          sbtest::Click(d, IDOK);
                      },
                      &page, bad),
                  1);
    }
    objects = Objects(page);
    ASSERT_EQ(objects.size(), before + 1);
    EXPECT_EQ(objects.back(), back);
    // Solid drops it.
    ASSERT_EQ(EditPageWith(
                  [](HWND d) {
                      sbtest::Click(d, IDC_PAGESOLID);
                      sbtest::Click(d, IDOK);
                  },
                  &page),
              1);
    EXPECT_EQ(Objects(page).size(), before);
    DestroyBlock(&page);
    DeleteFileA(good.c_str());
    DeleteFileA(bad.c_str());
}

TEST_F(HeaderEditor, PagePropertiesFromThePageEditorKeepThePageWindowDisabledWhileOpen)
{
    bool disabled = false;
    Edit(1, [&](HWND page) {
        sbtest::ModalRecorder real;
        real.Drive([&](HWND d) {
            disabled = !IsWindowEnabled(page);
            EXPECT_EQ(GetWindow(d, GW_OWNER), page);
            SetDlgItemTextA(d, IDC_PAGETITLE, "Renamed");
            sbtest::Click(d, IDOK);
        });
        Command(page, IDM_PAGEPROPERTIES);
        EXPECT_TRUE(IsWindowEnabled(page));
        Command(page, IDM_PAGECLOSE);
    });
    EXPECT_TRUE(disabled);
    EXPECT_STREQ(Block(1).page.title, "Renamed");
}

} // namespace
} // namespace pagetest
