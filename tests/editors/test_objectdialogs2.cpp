// The text and image property dialogs driven as the page editor opens them:
// controls set, notifications sent, OK or Cancel pressed, and the object the
// page then holds read back as bytes; the image preview run on its timers.
#include "common/dialog.h"
#include "common/services.h"
#include "common/shell.h"
#include "editors/imagepreview.h"
#include "editors/objectdialogs.h"
#include "resources/objectdialogs2_ids.h"
#include "tests/editors/editorfixture.h"
#include <commctrl.h>

using namespace pagetest;

namespace {

constexpr unsigned TEXTINDEX = 1, IMAGEINDEX = 2;
typedef int (*ENTRY)(HWND, BLOCKSET *, BLOCK *, unsigned);

// The colour the colour chooser answers with, through the modal hook that
// the recorder put in place for everything else.
COLORREF chosencolour;
MODALHOOK recorderhook;
INT_PTR ColourHook(const MODALCALL *call)
{
    if (call->kind == MODAL_COMMONDIALOG && call->data) {
        ((CHOOSECOLORA *)call->data)->rgbResult = chosencolour;
        return 1;
    }
    return recorderhook(call);
}

// Fails the next GlobalAlloc when set, as a full memory would.
bool failalloc;
decltype(&GlobalAlloc) realalloc;
HGLOBAL WINAPI FailingAlloc(UINT flags, SIZE_T size)
{
    if (failalloc) {
        failalloc = false;
        return NULL;
    }
    return realalloc(flags, size);
}

HBITMAP WINAPI NoSection(HDC, const BITMAPINFO *, UINT, void **, HANDLE, DWORD)
{
    return NULL;
}
HBITMAP WINAPI NoBitmap(HDC, const BITMAPINFOHEADER *, DWORD, const void *, const BITMAPINFO *, UINT)
{
    return NULL;
}

void Type(HWND dlg, int id, const char *text)
{
    SetDlgItemTextA(dlg, id, text);
}

void Check(HWND dlg, int id)
{
    sbtest::Click(dlg, id);
}

std::string WindowText(HWND w)
{
    char text[256] = "";
    GetWindowTextA(w, text, sizeof text);
    return text;
}

template <class T> T &Record(Object &o)
{
    return *(T *)o.bytes.data();
}

class ObjectDialogs2 : public PageEditor {
protected:
    void SetUp() override
    {
        PageEditor::SetUp();
        MaximumObjectSize = 2000;
        MinimumObjectSize = 16;
        ClassicColorSelect = 0;
        page = Block(1);
        // The text as a user would have left it: every number in range.
        GlobalLocked<OBJECTTEXT> t(GetPageObject(&page, TEXTINDEX));
        snprintf(t->face, sizeof t->face, "%s", "Arial");
        t->size = 24, t->weight = 400, t->padding = 10, t->offset = 3;
        t->colour = RGB(1, 2, 3), t->backcolour = RGB(250, 240, 230);
        t.Unlock();
        GlobalLocked<OBJECTIMAGE> i(GetPageObject(&page, IMAGEINDEX));
        i->appear = 1, i->disappear = 2, i->speed = 40, i->wait = 5;
        i.Unlock();
        host = CreateWindowExA(0, "STATIC", "", WS_POPUP | WS_VISIBLE, 0, 0, PAGEW, PAGEH, doc, NULL, hInst, NULL);
    }
    void TearDown() override
    {
        if (IsWindow(host))
            DestroyWindow(host);
        DestroyBlock(&page);
        PageEditor::TearDown();
    }
    // Opens the dialog of object `index` over the host window, hands it to
    // `driver`, and gives the object the page then holds.
    Object Run(ENTRY entry, unsigned index, std::function<void(HWND)> driver, int *result = nullptr)
    {
        sbtest::ModalRecorder recorder(IDOK);
        recorder.Drive(std::move(driver));
        recorderhook = COMMONSetModalHook(ColourHook);
        BLOCKSET *set = LockBlockSet(doc);
        int r = entry(host, set, &page, index);
        UnlockBlockSet(doc);
        COMMONSetModalHook(recorderhook);
        asked.clear();
        for (const sbtest::ModalRecord &c : recorder.calls)
            asked.push_back(c.text.empty() ? c.name : c.text);
        if (result)
            *result = r;
        return Read(GetPageObject(&page, index));
    }
    Object Start(unsigned index) { return Read(GetPageObject(&page, index)); }

    BLOCK page{};
    HWND host = NULL;
    std::vector<std::string> asked;
};

struct TextCase {
    const char *name;
    std::function<void(HWND)> set;
    std::function<void(Object &)> expect;
};

TEST_F(ObjectDialogs2, TextOkStoresTheControlsAndKeepsEveryOtherByte)
{
    auto flag = [](uint32_t bit) { return [bit](Object &o) { Record<OBJECTHEADER>(o).flags ^= bit; }; };
    auto text = [](Object &o, const std::string &s) {
        o.bytes.resize(sizeof(OBJECTTEXT));
        o.bytes.insert(o.bytes.end(), s.c_str(), s.c_str() + s.size() + 1);
        Record<OBJECTHEADER>(o).datasize = (uint32_t)s.size() + 1;
        Record<OBJECTHEADER>(o).totalsize = (uint32_t)o.bytes.size();
    };
    std::string firstface;
    const TextCase cases[] = {
        // The font box shows the face the text names.
        {"unchanged", [](HWND d) { EXPECT_EQ(WindowText(GetDlgItem(d, IDC_TXFONT)), "Arial"); }, [](Object &) {}},
        {"text", [](HWND d) { Type(d, IDC_TXTEXT, "Two\r\nlines"); }, [&](Object &o) { text(o, "Two\r\nlines"); }},
        {"empty text", [](HWND d) { Type(d, IDC_TXTEXT, ""); }, [&](Object &o) { text(o, ""); }},
        {"rectangle",
         [](HWND d) {
             Type(d, IDC_OBJLEFT, "5"), Type(d, IDC_OBJTOP, "7"), Type(d, IDC_OBJWIDTH, "50");
             Type(d, IDC_OBJDEPTH, "20");
         },
         [](Object &o) { Record<OBJECTHEADER>(o).rect = {5, 7, 55, 27}; }},
        {"sizes as typed",
         [](HWND d) {
             Type(d, IDC_OBJLEFT, "40000"), Type(d, IDC_OBJTOP, "x"), Type(d, IDC_OBJWIDTH, "99999");
             Type(d, IDC_OBJDEPTH, "3");
         },
         [](Object &o) { Record<OBJECTHEADER>(o).rect = {40000, 0, 40000 + 99999, 3}; }},
        {"padding and offset",
         [](HWND d) { Type(d, IDC_TXPADDING, "600"), Type(d, IDC_TXOFFSET, "0"); },
         [](Object &o) { Record<OBJECTTEXT>(o).padding = 600, Record<OBJECTTEXT>(o).offset = 0; }},
        {"size 200", [](HWND d) { Type(d, IDC_TXSIZE, "200"); }, [](Object &o) { Record<OBJECTTEXT>(o).size = 144; }},
        {"size 2", [](HWND d) { Type(d, IDC_TXSIZE, "2"); }, [](Object &o) { Record<OBJECTTEXT>(o).size = 4; }},
        {"bold", [](HWND d) { Check(d, IDC_TXBOLD); }, [](Object &o) { Record<OBJECTTEXT>(o).weight = 700; }},
        {"italic", [](HWND d) { Check(d, IDC_TXITALIC); }, flag(0x80)},
        {"visible", [](HWND d) { Check(d, IDC_OBJVISIBLE); }, flag(0x2)},
        {"enabled", [](HWND d) { Check(d, IDC_OBJENABLED); }, flag(0x4)},
        {"highlight", [](HWND d) { Check(d, IDC_TXHIGHLIGHT); }, flag(0x8)},
        {"shadow", [](HWND d) { Check(d, IDC_TXSHADOW); }, flag(0x20)},
        {"transparent", [](HWND d) { Check(d, IDC_TXTRANSPARENT); }, flag(0x40)},
        {"antialias", [](HWND d) { Check(d, IDC_TXANTIALIAS); }, flag(0x8000)},
        {"right", [](HWND d) { Check(d, IDC_TXRIGHT); }, flag(0x200)},
        {"centre", [](HWND d) { Check(d, IDC_TXCENTRE); }, flag(0x300)},
        {"font",
         [&](HWND d) {
             HWND list = GetDlgItem(d, IDC_TXFONT);
             char face[64] = "";
             SendMessageA(list, CB_GETLBTEXT, 0, (LPARAM)face);
             firstface.assign(face, strnlen(face, 31));
             SendMessageA(list, CB_SETCURSEL, 0, 0);
             SendMessageA(d, WM_COMMAND, MAKEWPARAM(IDC_TXFONT, CBN_CLOSEUP), (LPARAM)list);
         },
         [&](Object &o) {
             memset(Record<OBJECTTEXT>(o).face, 0, 33);
             memcpy(Record<OBJECTTEXT>(o).face, firstface.data(), firstface.size());
         }},
        {"text colour",
         [](HWND d) {
             chosencolour = RGB(10, 20, 30);
             Check(d, IDC_TXCOLOUR);
             EXPECT_EQ(WindowText(GetDlgItem(d, IDC_TXCOLOUR)), "10,20,30");
             EXPECT_EQ(WindowText(GetDlgItem(d, IDC_TXBACKCOLOUR)), "250,240,230");
         },
         [](Object &o) { Record<OBJECTTEXT>(o).colour = RGB(10, 20, 30); }},
        {"background colour",
         [](HWND d) {
             chosencolour = RGB(7, 8, 9);
             Check(d, IDC_TXBACKCOLOUR);
             EXPECT_EQ(WindowText(GetDlgItem(d, IDC_TXBACKCOLOUR)), "7,8,9");
             EXPECT_EQ(WindowText(GetDlgItem(d, IDC_TXCOLOUR)), "10,20,30");
         },
         [](Object &o) { Record<OBJECTTEXT>(o).backcolour = RGB(7, 8, 9); }},
    };
    for (const TextCase &c : cases) {
        SCOPED_TRACE(c.name);
        Object want = Start(TEXTINDEX);
        int result = 0;
        Object got = Run(EditTextObject, TEXTINDEX,
                         [&](HWND d) {
                             if (!strcmp(c.name, "unchanged"))
                                 Snapshot(d, "textdialog");
                             c.set(d);
                             sbtest::Click(d, IDOK);
                         },
                         &result);
        c.expect(want);
        EXPECT_EQ(result, 1);
        EXPECT_EQ(got, want);
    }
    // Switching back to left clears both justification bits.
    Run(EditTextObject, TEXTINDEX, [](HWND d) { Check(d, IDC_TXLEFT), sbtest::Click(d, IDOK); });
    Object left = Start(TEXTINDEX);
    EXPECT_EQ(Record<OBJECTHEADER>(left).flags & 0x300, 0u);
}

// F1 opens the same help page as the dialog's Help button.
TEST_F(ObjectDialogs2, F1OpensTheHelpButtonsPage)
{
    for (unsigned index : {TEXTINDEX, IMAGEINDEX}) {
        Run(index == TEXTINDEX ? EditTextObject : EditImageObject, index, [](HWND d) {
            sbtest::HelpThenF1(d, IDHELP);
            sbtest::Click(d, IDCANCEL);
        });
        std::string topic = index == TEXTINDEX ? "referenc.htm#TEXT" : "referenc.htm#IMAGE";
        // Each press tries the same browsers on the page, then says none opened it.
        int pages = 0, told = 0;
        for (const std::string &a : asked) {
            pages += a.find(topic) != std::string::npos && a.rfind("file:///", 0) == 0;
            told += a.find("capable of opening HTML documents") != std::string::npos;
        }
        EXPECT_GT(pages, 0) << index;
        EXPECT_EQ(pages % 2, 0) << index;
        EXPECT_EQ(told, 2) << index;
    }
}

TEST_F(ObjectDialogs2, ImagePaintIsOfferedOnlyWhenThePaintProgramExists)
{
    for (const sbtest::PaintPathCase &c : sbtest::PaintPathCases()) {
        snprintf(PaintbrushPath, sizeof PaintbrushPath, "%s", c.path.c_str());
        bool offered = !c.offered;
        Run(EditImageObject, IMAGEINDEX, [&](HWND d) {
            offered = IsWindowEnabled(GetDlgItem(d, IDC_IMPAINT)) != 0;
            sbtest::Click(d, IDCANCEL);
        });
        EXPECT_EQ(offered, c.offered) << c.path;
    }
}

TEST_F(ObjectDialogs2, CancelGivesEachObjectBackByteForByteAfterLiveChanges)
{
    snprintf(PaintbrushPath, sizeof PaintbrushPath, "%s", sbtest::OwnProgram().c_str());
    for (unsigned index : {TEXTINDEX, IMAGEINDEX}) {
        Object before = Start(index);
        int result = -1;
        Object after = Run(index == TEXTINDEX ? EditTextObject : EditImageObject, index,
                           [index](HWND d) {
                               if (index == TEXTINDEX) {
                                   chosencolour = RGB(9, 9, 9);
                                   Check(d, IDC_TXBOLD), Check(d, IDC_TXITALIC), Check(d, IDC_TXCOLOUR);
                                   Type(d, IDC_TXSIZE, "99");
                                   HWND list = GetDlgItem(d, IDC_TXFONT);
                                   SendMessageA(list, CB_SETCURSEL, 1, 0);
                                   SendMessageA(d, WM_COMMAND, MAKEWPARAM(IDC_TXFONT, CBN_CLOSEUP), (LPARAM)list);
                               } else {
                                   Check(d, IDC_IMLOOP), Type(d, IDC_OBJLEFT, "3");
                                   // The paint program is started on a copy, which the
                                   // recorder does not run: the picture stays.
                                   sbtest::Click(d, IDC_IMPAINT);
                               }
                               sbtest::Click(d, IDCANCEL);
                           },
                           &result);
        EXPECT_EQ(result, 0);
        EXPECT_EQ(after, before);
    }
    ASSERT_FALSE(asked.empty()) << "no box named the picture";
    EXPECT_NE(asked.back().find(".bmp\""), std::string::npos) << asked.back();
}

TEST_F(ObjectDialogs2, OkWhoseBuildFailsSaysSoAndKeepsTheDialogAndTheObject)
{
    realalloc = (decltype(&GlobalAlloc))sbtest::ReplaceImport("kernel32.dll", "GlobalAlloc", (void *)FailingAlloc);
    ASSERT_TRUE(realalloc);
    for (unsigned index : {TEXTINDEX, IMAGEINDEX}) {
        Object before = Start(index);
        bool stayed = false;
        int result = -1;
        Object after = Run(index == TEXTINDEX ? EditTextObject : EditImageObject, index,
                           [&](HWND d) {
                               Type(d, IDC_OBJLEFT, "1");
                               failalloc = true;
                               sbtest::Click(d, IDOK);
                               stayed = IsWindow(d) && IsWindowVisible(d);
                               sbtest::Click(d, IDCANCEL);
                           },
                           &result);
        EXPECT_TRUE(stayed);
        EXPECT_EQ(result, 0);
        EXPECT_EQ(after, before);
        ASSERT_EQ(asked.size(), 2u);
        EXPECT_EQ(asked[1], "Memory error");
    }
    sbtest::ReplaceImport("kernel32.dll", "GlobalAlloc", (void *)realalloc);
}

struct ImageCase {
    const char *name;
    std::function<void(HWND)> set;
    std::function<void(OBJECTIMAGE &)> expect;
};

TEST_F(ObjectDialogs2, ImageOkStoresTheControlsAndTheRectangleFollowsThePicture)
{
    auto flag = [](uint32_t bit) {
        return [bit](OBJECTIMAGE &o) { o.header.flags ^= bit; };
    };
    auto pick = [](int id, int row) {
        return [id, row](HWND d) {
            SendDlgItemMessageA(d, id, CB_SETCURSEL, row, 0);
            SendMessageA(d, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), (LPARAM)GetDlgItem(d, id));
        };
    };
    uint32_t timer = Start(3).number();
    const ImageCase cases[] = {
        {"unchanged", [](HWND) {}, [](OBJECTIMAGE &) {}},
        {"position, the size typed elsewhere ignored",
         [](HWND d) { Type(d, IDC_OBJLEFT, "12"), Type(d, IDC_OBJTOP, "40000"); },
         [](OBJECTIMAGE &o) { o.header.rect = {12, 40000, 12 + 64, 40000 + 48}; }},
        {"visible", [](HWND d) { Check(d, IDC_OBJVISIBLE); }, flag(0x2)},
        {"enabled", [](HWND d) { Check(d, IDC_OBJENABLED); }, flag(0x4)},
        {"loop", [](HWND d) { Check(d, IDC_IMLOOP); }, flag(0x8)},
        {"notify", [](HWND d) { Check(d, IDC_IMNOTIFY); }, flag(0x10)},
        {"drawn", [](HWND d) { Check(d, IDC_IMDRAWN); }, flag(0x20)},
        {"effects", [&](HWND d) { pick(IDC_IMAPPEAR, 7)(d), pick(IDC_IMDISAPPEAR, MAXEFFECT - 1)(d); },
         [](OBJECTIMAGE &o) { o.appear = 7, o.disappear = MAXEFFECT - 1; }},
        {"speed and pause",
         [](HWND d) { SendDlgItemMessageA(d, IDC_IMSPEED, TBM_SETPOS, TRUE, 80), Type(d, IDC_IMPAUSE, "70000"); },
         [](OBJECTIMAGE &o) { o.speed = 80, o.wait = 70000; }},
        {"target", [&](HWND d) { pick(IDC_IMTARGET, 3)(d); }, [&](OBJECTIMAGE &o) { o.notify = timer; }},
    };
    for (const ImageCase &c : cases) {
        SCOPED_TRACE(c.name);
        Object want = Start(IMAGEINDEX);
        int result = 0;
        Object got = Run(EditImageObject, IMAGEINDEX,
                         [&](HWND d) {
                             if (!strcmp(c.name, "unchanged"))
                                 Snapshot(d, "imagedialog");
                             c.set(d);
                             sbtest::Click(d, IDOK);
                         },
                         &result);
        c.expect(Record<OBJECTIMAGE>(want));
        EXPECT_EQ(result, 1);
        EXPECT_EQ(got, want);
    }
}

// A picture of four coloured quarters, so that a picture drawn out of
// place shows.
COLORREF QuarterColour(int x, int y, int w, int h)
{
    const COLORREF colours[] = {RGB(200, 30, 30), RGB(30, 200, 30), RGB(30, 30, 200), RGB(240, 240, 0)};
    return colours[(y >= h / 2) * 2 + (x >= w / 2)];
}

HGLOBAL Quarters(int w, int h)
{
    HGLOBAL dib = CreateDib(w, h, nullptr, 24);
    DibLock lock(dib);
    for (int y = 0; y < h; y++)
        for (int x = 0; x < w; x++)
            WritePixel(lock.Row(y), x, 24, QuarterColour(x, y, w, h));
    return dib;
}

TEST_F(ObjectDialogs2, ThePreviewEndsItsAppearOnExactlyThePictureForEveryEffect)
{
    const int W = 64, H = 48;
    HGLOBAL dib = Quarters(W, H);
    HGLOBAL object = CreatePageObject(&page, TAG_IMAG, 0, (LONG_PTR)dib);
    GlobalFree(dib);
    for (int row = 0; row < MAXEFFECT; row++) {
        SCOPED_TRACE(row);
        {
            GlobalLocked<OBJECTIMAGE> o(object);
            o->appear = o->disappear = (uint32_t)row;
            o->speed = 80, o->wait = 1000;
            o->header.number = 150;
        }
        sbtest::ModalRecorder recorder;
        bool waited = false;
        sbtest::Capture shown;
        recorder.Drive([&](HWND preview) {
            PREVIEWIMAGE *r = DialogState<PREVIEWIMAGE>(preview);
            waited = sbtest::PumpUntil([&] { return r->status.phase == PHASE_WAIT; });
            shown = sbtest::CaptureClient(preview);
            if (row == 3) {
                Snapshot(preview, "previewwait");
                Snapshot(GetDesktopWindow(), "previewwait_screen");
            }
            EXPECT_EQ(WindowText(preview), "Image 150");
            PostMessageA(preview, WM_CHAR, VK_ESCAPE, 0);
        });
        GlobalLocked<OBJECTIMAGE> o(object);
        EXPECT_EQ(PreviewImageObject(host, &page, List(doc), o.get()), 0);
        o.Unlock();
        ASSERT_TRUE(waited);
        ASSERT_EQ(shown.width, W);
        ASSERT_EQ(shown.height, H);
        for (int y = 0; y < H; y += 3)
            for (int x = 0; x < W; x += 3)
                ASSERT_EQ(shown.At(x, y), QuarterColour(x, y, W, H)) << x << "," << y;
    }
    GlobalFree(object);
}

TEST_F(ObjectDialogs2, APreviewRunsToItsEndAndOneThatCannotPlaySaysWhyAndStaysAvailable)
{
    // Without the loop bit the preview closes itself after the disappear.
    HGLOBAL dib = Quarters(32, 24);
    HGLOBAL object = CreatePageObject(&page, TAG_IMAG, 0, (LONG_PTR)dib);
    GlobalFree(dib);
    {
        GlobalLocked<OBJECTIMAGE> o(object);
        o->appear = 0, o->disappear = 1, o->speed = 80, o->wait = 0;
        sbtest::ModalRecorder recorder;
        HWND seen = NULL;
        recorder.Drive([&](HWND preview) {
            Snapshot(preview, "previewrunning");
            seen = preview;
        });
        EXPECT_EQ(PreviewImageObject(host, &page, List(doc), o.get()), 0);
        EXPECT_TRUE(seen && !IsWindow(seen));
        EXPECT_TRUE(recorder.calls.size() == 1u);
    }
    GlobalFree(object);

    // Half way through an appear, for looking at: the step ticks are sent
    // by hand on a timer too slow to add any.
    HGLOBAL big = Quarters(160, 120);
    object = CreatePageObject(&page, TAG_IMAG, 0, (LONG_PTR)big);
    GlobalFree(big);
    {
        GlobalLocked<OBJECTIMAGE> o(object);
        o->appear = 9, o->disappear = 9, o->speed = 1, o->wait = 1000;
        sbtest::ModalRecorder recorder;
        recorder.Drive([&](HWND preview) {
            for (int i = 0; i < 8; i++)
                SendMessageA(preview, WM_TIMER, 1, 0);
            Snapshot(preview, "previewmidway");
            PostMessageA(preview, WM_RBUTTONUP, 0, 0);
        });
        EXPECT_EQ(PreviewImageObject(host, &page, List(doc), o.get()), 1);
    }
    GlobalFree(object);

    // A picture the display cannot take ends the preview with the reason.
    void *section = sbtest::ReplaceImport("gdi32.dll", "CreateDIBSection", (void *)NoSection);
    void *bitmap = sbtest::ReplaceImport("gdi32.dll", "CreateDIBitmap", (void *)NoBitmap);
    {
        sbtest::ModalRecorder recorder(IDOK);
        recorder.Drive([](HWND) {});
        GlobalLocked<OBJECTIMAGE> o(GetPageObject(&page, IMAGEINDEX));
        EXPECT_EQ(PreviewImageObject(host, &page, List(doc), o.get()), 0);
        ASSERT_EQ(recorder.calls.size(), 2u);
        EXPECT_EQ(recorder.calls[1].text, "The preview could not be played: the picture could not be drawn.");
    }
    sbtest::ReplaceImport("gdi32.dll", "CreateDIBSection", section);
    sbtest::ReplaceImport("gdi32.dll", "CreateDIBitmap", bitmap);
    ASSERT_TRUE(section && bitmap);

    // A damaged effect number cannot be played: the user is told, and
    // Preview is there to try again with another effect.
    GlobalLocked<OBJECTIMAGE>(GetPageObject(&page, IMAGEINDEX))->appear = 99;
    bool enabled = false;
    Run(EditImageObject, IMAGEINDEX, [&](HWND d) {
        sbtest::Click(d, IDC_IMPREVIEW);
        enabled = IsWindowEnabled(GetDlgItem(d, IDC_IMPREVIEW)) && IsWindowEnabled(GetDlgItem(d, IDOK));
        sbtest::Click(d, IDCANCEL);
    });
    EXPECT_TRUE(enabled);
    ASSERT_EQ(asked.size(), 2u);
    EXPECT_EQ(asked[1], "The preview could not be played: the picture could not be drawn.");
}

BOOL CALLBACK FindPreview(HWND w, LPARAM found)
{
    if (WindowText(w).rfind("Image ", 0) == 0)
        *(HWND *)found = w;
    return TRUE;
}

TEST_F(ObjectDialogs2, NoPreviewOutlivesItsDialogOrThePageEditor)
{
    GlobalLocked<OBJECTIMAGE>(GetPageObject(&page, IMAGEINDEX))->header.flags |= 0x8; // loops until closed
    Object before = Start(IMAGEINDEX);
    sbtest::ModalRecorder recorder;
    bool held = false;
    recorder.Drive([](HWND d) { PostMessageA(d, WM_COMMAND, IDC_IMPREVIEW, 0); });
    recorder.Drive([&](HWND preview) {
        HWND dialog = GetWindow(preview, GW_OWNER);
        // The dialog cannot be ended under its preview.
        SendMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
        SendMessageA(dialog, WM_COMMAND, IDOK, 0);
        held = IsWindow(dialog) && !IsWindowEnabled(GetDlgItem(dialog, IDOK));
        DestroyWindow(host);
    });
    BLOCKSET *set = LockBlockSet(doc);
    EXPECT_EQ(EditImageObject(host, set, &page, IMAGEINDEX), 0);
    UnlockBlockSet(doc);
    EXPECT_TRUE(held);
    HWND left = NULL;
    EnumThreadWindows(GetCurrentThreadId(), FindPreview, (LPARAM)&left);
    EXPECT_EQ(left, (HWND)NULL);
    EXPECT_EQ(Start(IMAGEINDEX), before);
}

} // namespace
