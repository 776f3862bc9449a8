// What the page editor's tests share: a frame with a document window whose
// double click opens the real page editor, a script that runs inside the
// editor's own loop, the page's objects read back from the object windows,
// modal boxes answered in place of a person, and the object dialogs run for
// real over a copy of a page.
#pragma once
#include "common/modal.h"
#include "common/shell.h"
#include "common/strings.h"
#include "document/blockstore.h"
#include "document/objects.h"
#include "editor/blocks.h"
#include "editor/config.h"
#include "editor/docwindow.h"
#include "editor/parts.h"
#include "editor/shell.h"
#include "editors/objectdialogs.h"
#include "editors/pageeditor.h"
#include "media/dib.h"
#include "resources/pageeditor_ids.h"
#include "resources/resource.h"
#include "tests/support/editorsupport.h"
#include <commdlg.h>
#include <gtest/gtest.h>
#include <cstring>
#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace pagetest {

constexpr int PAGEW = 400, PAGEH = 300;

// One page object as bytes.
struct Object {
    std::vector<uint8_t> bytes;
    const OBJECTHEADER &h() const { return *(const OBJECTHEADER *)bytes.data(); }
    uint32_t tag() const { return h().tag; }
    const RECT &rect() const { return h().rect; }
    uint32_t number() const { return h().number; }
    bool operator==(const Object &o) const { return bytes == o.bytes; }
};

inline Object Read(HGLOBAL handle)
{
    GlobalLocked<OBJECTHEADER> o(handle);
    Object x;
    if (o && o.size() >= sizeof(OBJECTHEADER) && o->totalsize <= o.size())
        x.bytes.assign((const uint8_t *)o.get(), (const uint8_t *)o.get() + o->totalsize);
    return x;
}

inline std::vector<Object> Objects(BLOCK &page)
{
    std::vector<Object> out;
    for (uint32_t i = 0; i < BlockObjectCount(&page); i++)
        out.push_back(Read(GetPageObject(&page, i)));
    return out;
}

// The working page as its object windows show it: the first object's
// window is on top, so the array is the windows from the top down.
inline std::vector<Object> Shown(HWND page)
{
    std::vector<Object> out;
    for (HWND w = GetWindow(page, GW_CHILD); w; w = GetWindow(w, GW_HWNDNEXT))
        out.push_back(Read((HGLOBAL)GetWindowLongPtrA(w, GWLP_USERDATA)));
    return out;
}

inline std::string Tags(const std::vector<Object> &objects)
{
    std::string out;
    for (const Object &o : objects) {
        if (!out.empty())
            out += ' ';
        out.append((const char *)&o.h().tag, 4);
    }
    return out;
}

inline std::string Numbers(const std::vector<Object> &objects)
{
    std::string out;
    for (const Object &o : objects)
        out += (out.empty() ? "" : " ") + std::to_string(o.number());
    return out;
}

using sbtest::Snapshot;

inline HWND Window(HWND page, uint32_t number)
{
    return GetDlgItem(page, (int)number);
}

// Answers every modal request: file dialogs with `file` (Cancel when empty),
// message boxes and dialogs from a queue (0 when empty), popups with 0.
struct Answers {
    std::string file;
    std::deque<INT_PTR> values;
    std::vector<std::string> asked; // texts and names of what was asked
    MODALHOOK previous;
    static Answers *current;
    Answers() : previous(COMMONSetModalHook(Hook)) { current = this; }
    ~Answers()
    {
        COMMONSetModalHook(previous);
        current = nullptr;
    }
    static INT_PTR Hook(const MODALCALL *call)
    {
        Answers *self = current;
        if (call->kind == MODAL_COMMONDIALOG && !IS_INTRESOURCE(call->name) && strcmp(call->name, "TrackPopupMenu") == 0) {
            self->asked.push_back("popup");
            return 0;
        }
        if (call->kind == MODAL_COMMONDIALOG) {
            self->asked.push_back("file");
            auto *ofn = (OPENFILENAMEA *)call->data;
            if (self->file.empty())
                return 0;
            memset(ofn->lpstrFile, 0, ofn->nMaxFile);
            snprintf(ofn->lpstrFile, ofn->nMaxFile, "%s", self->file.c_str());
            return 1;
        }
        self->asked.push_back(call->text ? call->text : call->name && !IS_INTRESOURCE(call->name) ? call->name : "");
        if (self->values.empty())
            return 0;
        INT_PTR v = self->values.front();
        self->values.pop_front();
        return v;
    }
};
inline Answers *Answers::current;

// A frame with a document window of a header and two pages; page 1 holds a
// button, a text, a picture and a timer.
class PageEditor : public testing::Test {
protected:
    void SetUp() override
    {
        static bool registered;
        if (!registered) {
            WNDCLASSA script{};
            script.lpfnWndProc = ScriptProc;
            script.hInstance = hInst;
            script.lpszClassName = "PageEditorScript";
            registered = RegisterClassA(&script) != 0;
        }
        frame = mdi.Open();
        parts.editpage = EditPage;
        BindEditorParts(frame, &parts);
        runner = CreateWindowA("PageEditorScript", "", 0, 0, 0, 0, 0, HWND_MESSAGE, NULL, hInst, NULL);
        GridUse = 0;
        GridShow = 1;
        GridFrequency = 8;
        MinimumObjectSize = 16;
        WarnToStatic = 0;
        PromptToSavePageChanges = 1;
        doc = NewDocument();
    }
    void TearDown() override
    {
        DestroyWindow(runner);
        mdi.CloseDocuments();
        BindEditorParts(frame, nullptr);
        mdi.Close();
    }
    static LRESULT CALLBACK ScriptProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
    {
        if (msg == WM_APP && script) {
            HWND page = PageEditorWindow();
            auto run = script;
            script = nullptr;
            if (page)
                run(page);
            // Whatever the script left open is abandoned without a question.
            if (IsWindow(page)) {
                PostMessageA(page, WM_COMMAND, IDM_PAGEABANDON, 0);
                Answers::current->values.push_front(IDNO);
            }
            return 0;
        }
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    }

    static HWND List(HWND w) { return GetDlgItem(w, IDC_BLOCKLIST); }
    BLOCK Block(int index)
    {
        BLOCK b{};
        EXPECT_TRUE(GetBlock(List(doc), index, &b));
        return b;
    }
    static HGLOBAL Picture(int w, int h, COLORREF colour)
    {
        char rgb[768] = {};
        HGLOBAL dib = CreateDib(w, h, rgb, 24);
        DibLock lock(dib);
        for (int y = 0; y < h; y++)
            for (int x = 0; x < w; x++) {
                uint8_t *p = lock.Row(y) + x * 3;
                p[0] = GetBValue(colour), p[1] = GetGValue(colour), p[2] = GetRValue(colour);
            }
        return dib;
    }
    static HGLOBAL Add(BLOCK &page, uint32_t tag, int x, int y, LONG_PTR data, int w = 0, int h = 0)
    {
        HGLOBAL o = CreatePageObject(&page, tag, MAKELONG(x, y), data);
        GlobalLocked<OBJECTHEADER> lock(o);
        lock->number = GetNextPageObjectNumber(&page);
        if (w)
            lock->rect.right = x + w, lock->rect.bottom = y + h;
        lock.Unlock();
        AppendPageObject(&page, o);
        return o;
    }
    HWND NewDocument()
    {
        HWND w = CreateNewTask(frame, "new", 0);
        BLOCKSET *set = LockBlockSet(w);
        EXPECT_EQ(DoNew(frame, w, set), 1);
        BLOCK header;
        GetBlock(List(w), 0, &header);
        header.hedr.width = PAGEW;
        header.hedr.depth = PAGEH;
        header.hedr.flags = (header.hedr.flags & ~HEDR_WINDOWSTYLE) | HEDR_FIXEDCLIENT | WS_CAPTION;
        PutBlock(List(w), 0, &header);
        for (int n = 1; n <= 2; n++) {
            BLOCK page;
            CreateBlock(w, set, &page, TAG_PAGE, nullptr, 0);
            snprintf(page.page.title, sizeof page.page.title, "P%d", n);
            page.page.colourselector = 25;
            page.page.colour = RGB(0, 0, 128);
            if (n == 1) {
                Add(page, TAG_BUTN, 10, 10, (LONG_PTR) "Go", 80, 30);
                Add(page, TAG_TEXT, 100, 60, (LONG_PTR) "Hello", 120, 40);
                HGLOBAL dib = Picture(64, 48, RGB(200, 30, 30));
                Add(page, TAG_IMAG, 240, 120, (LONG_PTR)dib);
                GlobalFree(dib);
                Add(page, TAG_TIME, 20, 200, 0);
            }
            AppendBlock(List(w), set, &page);
        }
        set->caret = 1;
        set->modified = 0;
        UnlockBlockSet(w);
        return w;
    }
    // Opens page `index` by a double click in the block list and runs
    // `run` inside the editor's loop; the editor's result.
    void Edit(int index, std::function<void(HWND page)> run)
    {
        script = std::move(run);
        SendMessageA(List(doc), LB_SETCARETINDEX, index, 0);
        PostMessageA(runner, WM_APP, 0, 0);
        SendMessageA(doc, WM_COMMAND, MAKEWPARAM(IDC_BLOCKLIST, LBN_DBLCLK), (LPARAM)List(doc));
        script = nullptr;
    }
    static void Post(HWND page, UINT msg, WPARAM wParam = 0, LPARAM lParam = 0)
    {
        PostMessageA(page, msg, wParam, lParam);
        sbtest::PumpUntilIdle();
    }
    static void Command(HWND page, UINT id) { Post(page, WM_COMMAND, id); }
    // The mouse at client point `at` of `window`, where the real cursor is
    // put too, so that nothing the system makes up moves it elsewhere.
    static void Mouse(HWND window, UINT msg, POINT at)
    {
        POINT screen = at;
        ClientToScreen(window, &screen);
        SetCursorPos(screen.x, screen.y);
        Post(window, msg, msg == WM_LBUTTONUP ? 0 : MK_LBUTTON, MAKELPARAM(at.x, at.y));
    }
    // A press at `from`, one move to `to` and the release there.
    static void DragTo(HWND window, POINT from, POINT to)
    {
        Mouse(window, WM_LBUTTONDOWN, from);
        Mouse(window, WM_MOUSEMOVE, to);
        Mouse(window, WM_LBUTTONUP, to);
    }
    static void On(HWND page, UINT msg, const Object &o) { Post(page, msg, o.number(), (LPARAM)o.tag()); }
    bool Modified()
    {
        BLOCKSET *set = LockBlockSet(doc);
        bool m = set->modified != 0;
        UnlockBlockSet(doc);
        return m;
    }

    HWND frame = NULL, doc = NULL, runner = NULL;
    EDITORPARTS parts{};
    SHOWHOST showhost = QV_SystemHost; // what a test binds as parts.showhost
    Answers answers;
    sbtest::KeptSettings settings;
    sbtest::DocumentFrame mdi;
    static inline std::function<void(HWND)> script;
};

// A copy of page 1 whose object dialogs run for real over a window of the
// page's size, with the document's blocks held as the page editor holds them
// while a dialog is open.
class ObjectDialog : public PageEditor {
protected:
    void SetUp() override
    {
        PageEditor::SetUp();
        over = nullptr;
        BLOCK stored = Block(1);
        ASSERT_TRUE(DuplicateBlock(&page, &stored));
        host = sbtest::CreateTestWindow(true, PAGEW, PAGEH);
        set = LockBlockSet(doc);
    }
    void TearDown() override
    {
        parts.showhost = nullptr;
        UnlockBlockSet(doc);
        DestroyWindow(host);
        DestroyBlock(&page);
        PageEditor::TearDown();
    }
    // `o` at the end of the page, as the object the dialogs open.
    void Append(HGLOBAL o)
    {
        index = BlockObjectCount(&page);
        AppendPageObject(&page, o);
    }
    void Replace(HGLOBAL o)
    {
        GlobalFree(GetPageObject(&page, index));
        PutPageObject(&page, o, index);
    }
    Object Now() { return Read(GetPageObject(&page, index)); }
    // The dialogs play their sounds and movies through `media`.
    void Play(const MEDIAHOST &media)
    {
        showhost.media = media;
        parts.showhost = &showhost;
    }
    // Runs the dialog of object `at`, driven by `drive` once `shot` is taken;
    // each of `nested` drives the next dialog opened from it. Its result, with
    // every modal call in `calls`. A driver may queue more on `recording`;
    // `over`, when set, answers before the recorder and hands on to `under`.
    int Run(unsigned at, std::function<void(HWND)> drive, const char *shot = nullptr)
    {
        sbtest::ModalRecorder real;
        recording = &real;
        if (over)
            under = COMMONSetModalHook(over);
        real.Drive([&](HWND dlg) {
            if (shot)
                Snapshot(dlg, shot);
            drive(dlg);
        });
        for (auto &d : nested)
            real.Drive(d);
        nested.clear();
        int result = EditObject(host, set, &page, at);
        if (over)
            COMMONSetModalHook(under);
        calls = real.calls;
        recording = nullptr;
        return result;
    }
    int Run(std::function<void(HWND)> drive, const char *shot = nullptr) { return Run(index, std::move(drive), shot); }
    // Changes everything, then Cancel; and OK whose block cannot be built
    // says so, stays open, and Cancel then keeps the object too.
    void CancelAndFailedBuild(unsigned at, std::function<void(HWND)> change)
    {
        Object start = Read(GetPageObject(&page, at));
        EXPECT_EQ(Run(at, [&](HWND dlg) {
                      change(dlg);
                      sbtest::Click(dlg, IDCANCEL);
                  }),
                  0);
        EXPECT_EQ(Read(GetPageObject(&page, at)), start);
        bool open = false;
        EXPECT_EQ(Run(at, [&](HWND dlg) {
                      change(dlg);
                      parts.newobjectblock = [](SIZE_T) { return (HGLOBAL)NULL; };
                      sbtest::Click(dlg, IDOK);
                      parts.newobjectblock = nullptr;
                      open = IsWindow(dlg) && IsWindowVisible(dlg);
                      sbtest::Click(dlg, IDCANCEL);
                  }),
                  0);
        EXPECT_TRUE(open);
        ASSERT_EQ(calls.size(), 2u);
        EXPECT_EQ(calls[1].text, FetchString(IDS_MEMORY));
        EXPECT_EQ(Read(GetPageObject(&page, at)), start);
    }

    BLOCK page{};
    unsigned index = 0; // of the object the dialogs open
    HWND host = NULL;
    BLOCKSET *set = nullptr;
    std::vector<sbtest::ModalRecord> calls;
    std::vector<std::function<void(HWND)>> nested;
    sbtest::ModalRecorder *recording = nullptr;
    static inline MODALHOOK over, under;
};

} // namespace pagetest
