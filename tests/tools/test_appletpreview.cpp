// The applet preview run from a stand-in of the script editor (its edit
// control and status bar), driven as the user drives it: what the script
// draws and plays, the failing line it reports, and stopping scripts that
// never end, with real mouse and keyboard input. The same applet is then
// shown on its page.
#include "applet/appletwindow.h"
#include "common/services.h"
#include "common/shell.h"
#include "common/statbar.h"
#include "document/applet.h"
#include "editor/parts.h"
#include "media/imageformat.h"
#include "media/sound.h"
#include "tests/runtime/showfixture.h"
#include "tools/appletpreview.h"
#include <functional>
#include <string>

namespace {

constexpr int EDITID = 201;
constexpr RECT APPLETRECT = {20, 30, 180, 158}; // 160 x 128
constexpr COLORREF PAGECOLOUR = RGB(40, 90, 140);

int beeps;
BOOL WINAPI CountBeep(UINT) { return ++beeps, TRUE; }

// What the scripts asked of the sound player.
std::vector<std::pair<DWORD, std::string>> played;
const MEDIAHOST standin{
    [](HWND, HGLOBAL data, DWORD kind) {
        GlobalLocked<char> d(data);
        played.emplace_back(kind, std::string(d.get(), d.size()));
        return 1;
    },
    [](HWND) { return 1; },
    [](HWND, UINT, WPARAM, LPARAM) { return 0; },
    nullptr,
    nullptr,
};

// Dispatches one message at a time, as the preview's dialog loop does, until
// `done` holds; an endless script never leaves the queue empty.
bool Until(HWND dlg, const std::function<bool()> &done, int ms = 60000)
{
    for (DWORD start = GetTickCount(); !done();) {
        if ((int)(GetTickCount() - start) > ms)
            return false;
        MSG msg;
        if (!PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) {
            MsgWaitForMultipleObjects(0, NULL, FALSE, 5, QS_ALLINPUT);
        } else if (!IsWindow(dlg) || !IsDialogMessageA(dlg, &msg)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
    return true;
}

void Key(WORD key)
{
    INPUT in[2] = {};
    in[0].type = in[1].type = INPUT_KEYBOARD;
    in[0].ki.wVk = in[1].ki.wVk = key;
    in[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, in, sizeof(INPUT));
}

void RightClick(HWND window)
{
    RECT r;
    GetWindowRect(window, &r);
    SetCursorPos((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    INPUT in[2] = {};
    in[0].type = in[1].type = INPUT_MOUSE;
    in[0].mi.dwFlags = MOUSEEVENTF_RIGHTDOWN;
    in[1].mi.dwFlags = MOUSEEVENTF_RIGHTUP;
    SendInput(2, in, sizeof(INPUT));
}

// Watches a preview through its phases: running (it has drawn its mark, or
// has ended when it stops by itself), the editor repainted and timers firing
// while it runs, then the user's stop, then the window closed.
struct {
    HWND dlg, editor;
    char caption[32];
    UINT_PTR timer;
    char stop; // 'r' right click, 'k' Esc, 0 ends by itself
    int phase, ticks;
} watch;

void CALLBACK Watch(HWND, UINT, UINT_PTR, DWORD)
{
    auto &w = watch;
    w.ticks++;
    if (!w.dlg)
        w.dlg = FindWindowA("#32770", w.caption);
    if (!w.dlg)
        return;
    if (w.phase == 0 && (w.stop ? sbtest::CaptureClient(w.dlg).At(5, 5) == RGB(255, 0, 0) : beeps > 0)) {
        InvalidateRect(w.editor, NULL, TRUE);
        w.ticks = 0;
        w.phase = 1;
    } else if (w.phase == 1 && w.ticks >= 2 && !GetUpdateRect(w.editor, NULL, FALSE)) {
        EXPECT_EQ(beeps, w.stop ? 0 : 1);
        if (w.stop == 'r')
            RightClick(w.dlg);
        else if (w.stop == 'k')
            Key(VK_ESCAPE);
        else
            PostMessageA(w.dlg, WM_CHAR, VK_ESCAPE, 0);
        w.phase = 2;
    }
}

// Runs the dialog for real with the watch on it, and answers the boxes after
// it with OK, keeping their texts.
std::vector<std::string> watchedboxes;
INT_PTR WatchedCall(const MODALCALL *call)
{
    if (call->kind != MODAL_DIALOG) {
        watchedboxes.push_back(call->text ? call->text : "");
        return IDOK;
    }
    watch.timer = SetTimer(NULL, 0, 20, Watch);
    return COMMONModalForReal(call);
}

// With SB_PREVIEW_SHOTS naming a folder, the preview window, frame and all,
// is kept there as a picture.
void Shot(HWND window, const char *name)
{
    const char *folder = getenv("SB_PREVIEW_SHOTS");
    if (!folder)
        return;
    RECT r;
    GetWindowRect(window, &r);
    HDC dc = GetWindowDC(window);
    sbtest::Capture c = sbtest::CaptureDC(dc, r.right - r.left, r.bottom - r.top);
    ReleaseDC(window, dc);
    std::vector<uint8_t> dib = rttest::Picture(c.width, c.height, [&](int x, int y) { return c.At(x, y); });
    HGLOBAL h = docfixture::Global(dib);
    WriteImage((std::string(folder) + "\\" + name + ".bmp").c_str(), h);
    GlobalFree(h);
}

std::vector<uint8_t> Filled(int w, int h, COLORREF colour)
{
    return rttest::Picture(w, h, [=](int, int) { return colour; });
}

HGLOBAL WithEntry(HGLOBAL object, const std::vector<uint8_t> &data, uint32_t kind, uint32_t number)
{
    HGLOBAL next = AppendAppletEntry(object, (const char *)data.data(), (unsigned long)data.size(), kind, number);
    EXPECT_TRUE(next);
    GlobalFree(object);
    return next;
}

// The document, with one page holding the applet, and the script editor's
// stand-in: edit control 201 and a status bar of two cells.
class Preview : public testing::Test, public rttest::Show {
protected:
    void SetUp() override
    {
        savedmain = hwndmain;
        editor = sbtest::CreateTestWindow(true, 560, 420, nullptr, "Applet");
        edit = CreateWindowA("EDIT", "",
                             WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_HSCROLL | ES_MULTILINE | ES_AUTOVSCROLL |
                                 ES_AUTOHSCROLL | ES_WANTRETURN | ES_NOHIDESEL,
                             0, 0, 540, 300, editor, (HMENU)(UINT_PTR)EDITID, hInst, NULL);
        STATCreateStatusWindow(hInst, editor, "");
        STATInsertCell(editor, "", 200, 0, 0);
        STATInsertCell(editor, "", 400, 1, 0);
        hwndmain = editor; // the abort poll takes a missing main window for an abort
        beep = sbtest::ReplaceImport("user32.dll", "MessageBeep", (void *)CountBeep);
        beeps = 0;
        played.clear();
        previewhost.media = standin;
        parts.showhost = &previewhost;
        BindEditorParts(editor, &parts);
        Page("Applets", PAGECOLOUR);
    }
    void TearDown() override
    {
        BindEditorParts(editor, nullptr);
        sbtest::ReplaceImport("user32.dll", "MessageBeep", beep);
        DestroyWindow(editor);
        hwndmain = savedmain;
    }
    // The applet object on the page, its source also in the edit control
    // (as the editor has just stored it), with lines ending in CR LF.
    HGLOBAL Applet(const std::string &script, const std::string &shown = "\x01")
    {
        std::string text;
        for (char ch : script)
            text += ch == '\n' ? std::string("\r\n") : std::string(1, ch);
        object = Object(pages[0], TAG_APPL, APPLETRECT, (LONG_PTR)text.c_str());
        SetWindowTextA(edit, shown == "\x01" ? text.c_str() : shown.c_str());
        return object;
    }
    void Replace(HGLOBAL next)
    {
        PutPageObject(&pages[0], next, BlockObjectCount(&pages[0]) - 1);
        object = next;
    }
    // The document's list holds the page as it now is.
    void Sync()
    {
        if (!Count()) {
            EXPECT_GT(AppendBlock(list, set, &header), 0);
            EXPECT_GT(AppendBlock(list, set, &pages[0]), 0);
        } else {
            EXPECT_EQ(PutBlock(list, 1, &pages[0]), 1);
        }
    }
    // Runs the preview with `driver` given its window; the modal boxes after
    // it are answered with OK and kept in `boxes`.
    int Run(const std::function<void(HWND)> &driver)
    {
        Sync();
        sbtest::ModalRecorder recorder(IDOK);
        recorder.Drive(driver);
        BLOCK page = Get(1);
        int result = PreviewApplet(editor, &page, list, object);
        boxes.clear();
        for (size_t i = 1; i < recorder.calls.size(); i++)
            boxes.push_back(recorder.calls[i].text);
        EXPECT_EQ(recorder.calls.size() ? recorder.calls[0].name : "", "PreviewBox");
        return result;
    }
    // Waits for the beep that ends a run.
    // Runs deep into the interpreter's bounds take minutes when every core is busy.
    static void Ended(HWND dlg) { EXPECT_TRUE(Until(dlg, [] { return beeps > 0; }, 180000)); }
    static bool Closes(HWND dlg) { return Until(dlg, [&] { return !IsWindowVisible(dlg); }, 20000); }
    std::string Cell(int i)
    {
        char text[256] = "";
        STATGetCellText(editor, i, text, sizeof text);
        return text;
    }
    DWORD Caret()
    {
        DWORD start = 0;
        SendMessageA(edit, EM_GETSEL, (WPARAM)&start, 0);
        return start;
    }

    HWND editor = NULL, edit = NULL, savedmain = NULL;
    // The editor's shows play through the stand-in sound player.
    SHOWHOST previewhost = QV_SystemHost;
    EDITORPARTS parts{};
    HGLOBAL object = NULL;
    void *beep = nullptr;
    std::vector<std::string> boxes;
};

TEST_F(Preview, DrawsInAWindowOfTheAppletsOwnSizeOverThePageColour)
{
    // Each corner of the frame the script is told of gets a mark.
    Applet("setbrushcolor(255)\nfillrect(10,10,50,40)\nsetbrushcolor(65280)\n"
           "fillrect(sub(getframewidth(),6),sub(getframedepth(),6),getframewidth(),getframedepth())");
    std::vector<uint8_t> before = docfixture::Bytes(object);
    int result = Run([&](HWND dlg) {
        Ended(dlg);
        RECT client;
        GetClientRect(dlg, &client);
        EXPECT_EQ(client.right, 160);
        EXPECT_EQ(client.bottom, 128);
        char caption[64] = "";
        GetWindowTextA(dlg, caption, sizeof caption);
        EXPECT_STREQ(caption, ("Applet " + std::to_string(Number(object))).c_str());
        EXPECT_EQ(GetWindow(dlg, GW_OWNER), editor);
        EXPECT_FALSE(IsWindowEnabled(editor));
        sbtest::Capture c = sbtest::CaptureClient(dlg);
        EXPECT_EQ(c.At(20, 20), RGB(255, 0, 0));
        EXPECT_EQ(c.At(5, 5), PAGECOLOUR);
        EXPECT_EQ(c.At(100, 60), PAGECOLOUR);
        EXPECT_EQ(c.At(157, 125), RGB(0, 255, 0));
        Shot(dlg, "preview");
        // It stays open after the script's end until a right click.
        EXPECT_TRUE(IsWindowVisible(dlg));
        EXPECT_EQ(beeps, 1);
        RightClick(dlg);
        EXPECT_TRUE(Closes(dlg));
    });
    EXPECT_EQ(result, 1);
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(docfixture::Bytes(object), before);
    EXPECT_TRUE(IsWindowEnabled(editor));
    EXPECT_EQ(GetFocus(), edit);
}

TEST_F(Preview, AnErrorIsNamedWithItsLineWhichTheEditorSelects)
{
    std::string nested;
    for (int i = 0; i < 200; i++)
        nested = "add(" + nested;
    nested += "1";
    for (int i = 0; i < 200; i++)
        nested += ",1)";
    const struct {
        const char *script;
        const char *shown; // the edit control's text, when not the script
        const char *box;   // "" when none
        int caret;         // -1: left where it was
        const char *cell;
    } rows[] = {
        {"declareint(@n)\ninc(@n)\ndiv(1,0)\ninc(@n)", nullptr, "Attempt to divide by zero error in line 3", 25,
         "Attempt to divide by zero"},
        {"nosuch(1)\ninc(@n)", nullptr, "No function by that name error in line 1", 0, "No function by that name"},
        {"\n\n\n\n\n\nadd(@x,1)", "a shorter text", "Variable not declared error in line 7", -1, "before"},
        {"declareint(@n)\ninc(@n)", nullptr, "", -1, "before"},
        {"end()\nnosuch()", nullptr, "", -1, "before"},
        // Hostile ends: a string doubled past its bound, calls without a
        // return, calls nested past their bound.
        {"declarestring($s)\nstrcpy($s,\"0123456789abcdef\")\n:a\nstrcat($s,$s)\ngoto(:a)", nullptr,
         "Error allocating memory error in line 4", 54, "Error allocating memory"},
        {":a\ngosub(:a)", nullptr, "Stack overflow error in line 2", 4, "Stack overflow"},
        {nested.c_str(), nullptr, "Syntax error error in line 1", 0, "Syntax error"},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.script);
        Applet(row.script, row.shown ? row.shown : "\x01");
        SendMessageA(edit, EM_SETSEL, 3, 3);
        STATSetCellText(editor, "before", 1);
        beeps = 0;
        EXPECT_EQ(Run([](HWND dlg) {
                      Ended(dlg);
                      Key(VK_ESCAPE);
                      EXPECT_TRUE(Closes(dlg));
                  }),
                  0);
        EXPECT_EQ(boxes, row.box[0] ? std::vector<std::string>{row.box} : std::vector<std::string>{});
        EXPECT_EQ(Caret(), row.caret < 0 ? 3u : (DWORD)row.caret);
        EXPECT_EQ(Cell(1), row.cell);
    }
}

TEST_F(Preview, HostileScriptsAreStoppedAndTheEditorGoesOn)
{
    constexpr const char *MARK = "setbrushcolor(255)\nfillrect(0,0,10,10)\n";
    const struct {
        std::string script;
        char stop;       // 'r' right click, 'k' Esc, 0 ends by itself
        const char *box; // "" when none
    } rows[] = {
        {":a\ngoto(:a)", 'r', ""},
        {":a\ngoto(:a)", 'k', ""},
        {"declareint(@i)\n:a\ninc(@i)\nif(1,:a)", 'k', ""},
        {"sleep(2000000000)", 'r', ""},
        {"sleep(2000000000)", 'k', ""},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.script.substr(0, 40) + " stopped by " + (row.stop ? row.stop : '-'));
        Applet(MARK + row.script);
        Sync();
        beeps = 0;
        watch = {};
        watch.stop = row.stop;
        watch.editor = editor;
        snprintf(watch.caption, sizeof watch.caption, "Applet %u", Number(object));
        watchedboxes.clear();
        // A wait in the script (sleep) handles the thread's messages inside
        // the preview's step: a driver that waited would hold it up, so the
        // watch goes on from timer to timer, wherever they are handled.
        MODALHOOK previous = COMMONSetModalHook(WatchedCall);
        BLOCK page = Get(1);
        int result = PreviewApplet(editor, &page, list, object);
        COMMONSetModalHook(previous);
        KillTimer(NULL, watch.timer);
        EXPECT_EQ(watch.phase, 2);
        EXPECT_EQ(result, row.stop == 'r' ? 1 : 0);
        EXPECT_EQ(watchedboxes, row.box[0] ? std::vector<std::string>{row.box} : std::vector<std::string>{});
    }
}

TEST_F(Preview, TheAppletsOwnPicturesAndSoundsAreUsedInThePreviewAndTheShow)
{
    const std::vector<uint8_t> blue = Filled(30, 20, RGB(0, 0, 255)), yellow = Filled(30, 20, RGB(255, 255, 0));
    const std::vector<uint8_t> wave = docfixture::Noise(400, 7), midi = docfixture::Noise(90, 8);
    Applet("drawpicture(2,5,5)\nplaysound(1)\nplaysound(2)\ndeclareint(@w)\ndeclareint(@h)\ndeclareint(@b)\n"
           "getpicturedimensions(2,@w,@h,@b)\nsetbrushcolor(255)\nfillrect(0,50,@w,add(50,@h))");
    // Pictures and sounds are numbered apart, as their lists number them.
    HGLOBAL o = object;
    o = WithEntry(o, blue, ENTRY_PICT, 1);
    o = WithEntry(o, midi, ENTRY_MIDI, 2);
    o = WithEntry(o, yellow, ENTRY_PICT, 2);
    o = WithEntry(o, wave, ENTRY_WAVE, 1);
    Replace(o);
    auto check = [](const sbtest::Capture &c) {
        EXPECT_EQ(c.At(10, 10), RGB(255, 255, 0));
        EXPECT_EQ(c.At(20, 60), RGB(255, 0, 0)); // 30 x 20 from the picture's dimensions
        EXPECT_EQ(c.At(40, 60), PAGECOLOUR);
        EXPECT_EQ(c.At(20, 80), PAGECOLOUR);
    };
    EXPECT_EQ(Run([&](HWND dlg) {
                  Ended(dlg);
                  check(sbtest::CaptureClient(dlg));
                  Shot(dlg, "pictures");
                  Key(VK_RETURN);
                  EXPECT_TRUE(Closes(dlg));
              }),
              0);
    EXPECT_TRUE(boxes.empty());
    ASSERT_EQ(played.size(), 2u);
    EXPECT_EQ(played[0].first, SOUND_WAVE);
    EXPECT_EQ(played[0].second.substr(0, wave.size()), std::string(wave.begin(), wave.end()));
    EXPECT_EQ(played[1].first, SOUND_MIDI);
    EXPECT_EQ(played[1].second.substr(0, midi.size()), std::string(midi.begin(), midi.end()));

    // The same applet on its page in the show, running on its own.
    showhost.appletwindow = APPLETWindowProc;
    GlobalLocked<OBJECTHEADER>(object)->flags |= OBJ_CONTINUOUS;
    Open();
    HWND window = Child(Number(object));
    ASSERT_TRUE(window);
    int result = 0, line = 0;
    EXPECT_TRUE(sbtest::PumpUntil([&] { return APPLETWindowResult(window, &result, &line) && result; }));
    EXPECT_EQ(result, -1);
    check(sbtest::CaptureClient(window));
}

} // namespace
