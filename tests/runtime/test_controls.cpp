// Classes, controls acting on input, picture buttons, static-image
// composition, the page menu, the background sound and the show loop.
#include "common/windowvalue.h"
#include "tests/runtime/showfixture.h"
#include "document/blockstore.h"
#include "media/sound.h"
#include <cstring>

namespace rttest {
namespace {

using docfixture::Dib;

using Controls = ShowDoc;

TEST_F(Controls, ElevenClassesAndTheDocumentThroughTheShowWindow)
{
    for (const char *name : {QVCLASS_appwindow, QVCLASS_image, QVCLASS_frame, QVCLASS_text, QVCLASS_anim,
                             QVCLASS_wave, QVCLASS_midi, QVCLASS_applet, QVCLASS_timer, QVCLASS_staticimage,
                             QVCLASS_movie}) {
        WNDCLASSA wc;
        ASSERT_TRUE(GetClassInfoA(hInst, name, &wc)) << name;
        EXPECT_EQ(wc.style, 0x080Bu) << name;
        EXPECT_EQ(wc.hbrBackground, (HBRUSH)GetStockObject(NULL_BRUSH)) << name;
    }
    Page("One");
    Open();
    // Timers and applets reach the document as LockBlockSet does.
    EXPECT_EQ(GetWindowValue<HGLOBAL>(show, GWLP_USERDATA), GlobalHandle(set));
}

TEST_F(Controls, ControlsActOnReleaseAndNotifyOnEveryKeyAndClick)
{
    BLOCK &p = Page("One");
    HGLOBAL about = Object(p, TAG_BUTN, {10, 10, 90, 34}, (LONG_PTR) "About");
    GlobalLocked<OBJECTBUTTON>(about)->action = ACTION_ABOUT;
    HGLOBAL target = Object(p, TAG_WAVE, {0, 0, 8, 8}, 0, OBJ_VISIBLE);
    const uint32_t notifiers[3] = {TAG_EDIT, TAG_CHEC, TAG_LIST};
    std::vector<HGLOBAL> controls;
    for (uint32_t tag : notifiers) {
        HGLOBAL h = Object(p, tag, {10, 40, 90, 60}, (LONG_PTR) "x");
        GlobalLocked<OBJECTCHECKBOX> o(h);
        o->header.flags |= OBJ_NOTIFY;
        o->notify = Number(target);
        controls.push_back(h);
    }
    Open();
    sbtest::ModalRecorder modal(IDOK);
    // Pressed on the button, released far from it.
    HWND button = Child(Number(about));
    SendMessageA(button, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    SendMessageA(button, WM_LBUTTONUP, 0, MAKELPARAM(300, 200));
    sbtest::PumpUntilIdle(30);
    ASSERT_EQ(modal.calls.size(), 1u);
    EXPECT_EQ(modal.calls[0].text, "about");
    for (size_t i = 0; i < controls.size(); i++) {
        HWND c = Child(Number(controls[i]));
        UINT trigger = notifiers[i] == TAG_EDIT ? WM_CHAR : WM_LBUTTONUP;
        for (int round = 0; round < 2; round++) {
            Post(QVM_STOPOBJECT, Number(target));
            ASSERT_FALSE(Flags(target) & OBJ_RUNNING);
            SendMessageA(c, trigger, trigger == WM_CHAR ? 'a' : 0, MAKELPARAM(2, 2));
            sbtest::PumpUntilIdle(20);
            EXPECT_TRUE(Flags(target) & OBJ_RUNNING) << i << " round " << round;
        }
        // Start and stop requests enable and disable the control.
        SendMessageA(c, QVM_OBJECTSTARTSTOP, 0, 0);
        EXPECT_FALSE(IsWindowEnabled(c));
        SendMessageA(c, QVM_OBJECTSTARTSTOP, 1, 0);
        EXPECT_TRUE(IsWindowEnabled(c));
    }
}

// A picture button of 8 × 8: red above, blue below; each half is one face.
TEST_F(Controls, PictureButtonsShowTheirHalvesAndEmbossWhenDisabled)
{
    const COLORREF red = RGB(255, 0, 0), blue = RGB(0, 0, 255);
    std::vector<uint8_t> picture =
        Picture(8, 8, [&](int x, int y) { return x == 0 && y == 0 ? RGB(255, 255, 255) : y < 4 ? red : blue; });
    std::vector<uint8_t> data = {'P', 0, 0};
    data.insert(data.end(), picture.begin(), picture.end());
    BLOCK &p = Page("One");
    HGLOBAL h = WithData(p, TAG_BUTN, {10, 10, 18, 14}, data, OBJ_VISIBLE | OBJ_ENABLED | OBJ_GRAPHIC);
    {
        GlobalLocked<OBJECTBUTTON> o(h);
        o->titlelength = 2;
        o->targetlength = 1;
        o->disabledcolour = RGB(100, 100, 100);
    }
    Open();
    HWND button = Child(Number(h));
    const struct {
        UINT state;
        COLORREF at22;
    } faces[] = {{0, red}, {ODS_SELECTED, blue}, {ODS_DISABLED, CLR_INVALID}};
    for (const auto &f : faces) {
        Canvas canvas(8, 4);
        HDC dc = canvas.dc;
        DRAWITEMSTRUCT item{};
        item.CtlType = ODT_BUTTON;
        item.hwndItem = button;
        item.hDC = dc;
        item.rcItem = {0, 0, 8, 4};
        item.itemState = f.state;
        SendMessageA(button, QVM_DRAWITEM, 0, (LPARAM)&item);
        COLORREF c = GetPixel(dc, 2, 2);
        if (f.at22 != CLR_INVALID) {
            EXPECT_EQ(c, f.at22) << f.state;
        } else {
            // Embossed in shades of the disabled colour: grey, never red.
            EXPECT_EQ(GetRValue(c), GetBValue(c)) << std::hex << c;
            EXPECT_EQ(GetRValue(c), GetGValue(c)) << std::hex << c;
        }
    }
}

// The composition over a white page, by colour type.
TEST(StaticImages, ComposeByColourTypeWithinBothPictureAndRectangle)
{
    const COLORREF white = RGB(255, 255, 255), green = RGB(0, 200, 0);
    Canvas canvas(64, 64);
    HDC dc = canvas.dc;
    PatBlt(dc, 0, 0, 64, 64, WHITENESS);
    // An 8-bit picture: index 0 is see-through, index 1 opaque because the
    // table is shorter than the palette.
    std::vector<uint8_t> palette8;
    {
        HGLOBAL d = CreateDib(12, 12, nullptr, 8);
        palette8 = docfixture::Bytes(d);
        GlobalFree(d);
        auto *table = (RGBQUAD *)(palette8.data() + sizeof(BITMAPINFOHEADER));
        table[0] = {0, 0, 255, 0};
        table[1] = {0, 200, 0, 0};
        for (int y = 0; y < 12; y++)
            for (int x = 0; x < 12; x++)
                PutDibPixel((BITMAPINFOHEADER *)palette8.data(), x, y, x < 6 ? 0 : 1);
    }
    std::vector<uint8_t> half32 = Dib(12, 12);
    {
        auto *h = (BITMAPINFOHEADER *)half32.data();
        h->biBitCount = 32;
        half32.resize(sizeof(BITMAPINFOHEADER) + 12 * 12 * 4);
        h = (BITMAPINFOHEADER *)half32.data();
        h->biSizeImage = 12 * 12 * 4;
        for (int y = 0; y < 12; y++)
            for (int x = 0; x < 12; x++)
                PutDibPixel(h, x, y, 0x80000000u | green);
    }
    std::vector<uint8_t> true24 = Picture(12, 12, [&](int, int) { return green; });
    const struct {
        const char *name;
        uint32_t type;
        const std::vector<uint8_t> *picture;
        uint32_t alphas;
        int rectsize; // smaller than the picture: the rest stays black
        COLORREF left, right, corner; // at (1, 1), (10, 1) and (10, 10)
    } cases[] = {
        {"palette, short table", 3, &palette8, 1, 12, white, green, green},
        {"alpha channel at half", 6, &half32, 0, 12, RGB(127, 227, 127), RGB(127, 227, 127), RGB(127, 227, 127)},
        {"key colour", 2, &true24, 0, 12, green, green, green},
        {"rectangle smaller", 2, &true24, 0, 6, green, 0, 0},
        {"true colour read as a palette", 3, &true24, 256, 12, green, green, green},
        {"unknown type", 9, &true24, 0, 12, 0, 0, 0},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<uint8_t> bytes(sizeof(OBJECTSTATICIMAGE) + c.picture->size() + OBJECTSLACK);
        auto *o = (OBJECTSTATICIMAGE *)bytes.data();
        o->header.tag = TAG_STAT;
        o->header.fixedsize = sizeof(OBJECTSTATICIMAGE);
        o->header.datasize = (uint32_t)c.picture->size();
        o->colourtype = c.type;
        o->transparencycount = c.alphas;
        memcpy(bytes.data() + sizeof(OBJECTSTATICIMAGE), c.picture->data(), c.picture->size());
        RECT r{4, 4, 4 + c.rectsize, 4 + c.rectsize};
        HGLOBAL out = CreateStaticDisplayImage(NULL, dc, o, &r);
        ASSERT_TRUE(out);
        DibLock lock(out);
        EXPECT_EQ(lock.layout.width, 12);
        EXPECT_EQ(GetDibPixel(lock.header, 1, 1), c.left);
        EXPECT_EQ(GetDibPixel(lock.header, 10, 1), c.right);
        EXPECT_EQ(GetDibPixel(lock.header, 10, 10), c.corner);
        GlobalFree(out);
    }
}

TEST_F(Controls, ThePageMenuListsTheTitlesWidensForLongOnesAndJumps)
{
    Page("One");
    Page("Two");
    Page("A title long enough to need a wider page menu than the one designed");
    Open(2);
    sbtest::ModalRecorder modal;
    int width = -1, count = -1, selected = -1;
    modal.Drive([&](HWND dlg) {
        sbtest::PumpUntilIdle();
        HWND box = GetDlgItem(dlg, 101);
        count = (int)SendMessageA(box, LB_GETCOUNT, 0, 0);
        selected = (int)SendMessageA(box, LB_GETCURSEL, 0, 0);
        RECT r;
        GetWindowRect(box, &r);
        width = r.right - r.left;
        SendMessageA(box, LB_SETCURSEL, 0, 0);
        sbtest::Click(dlg, IDOK);
    });
    Post(QVM_PAGEMENU, 0, 0, 60);
    ASSERT_EQ(modal.calls.size(), 1u);
    EXPECT_EQ(modal.calls[0].name, "PageJumpBox");
    EXPECT_EQ(count, 3);
    EXPECT_EQ(selected, 1);
    EXPECT_GT(set->pagemenuwidth, 216);
    EXPECT_EQ(width, set->pagemenuwidth);
    EXPECT_EQ(set->current, 1);
    // Esc and Cancel leave the show where it was, whatever line was chosen
    // (a box answering IDCANCEL would jump to the third page).
    for (bool escape : {true, false}) {
        modal.Drive([&](HWND dlg) {
            sbtest::PumpUntilIdle();
            SendDlgItemMessageA(dlg, 101, LB_SETCURSEL, 1, 0);
            if (escape)
                PostMessageA(GetFocus(), WM_KEYDOWN, VK_ESCAPE, 0);
            else
                sbtest::Click(dlg, IDCANCEL);
        });
        Post(QVM_PAGEMENU);
        EXPECT_EQ(set->current, 1) << (escape ? "Esc" : "Cancel");
    }
    EXPECT_EQ(modal.calls.size(), 3u);
}

TEST_F(Controls, TheHeaderWaveLoopsAsTheBackgroundSound)
{
    std::vector<uint8_t> wave(sizeof(PCMWAVEFORMAT) + 4000, 0x80);
    PCMWAVEFORMAT format{{WAVE_FORMAT_PCM, 1, 8000, 8000, 1}, 8};
    memcpy(wave.data(), &format, sizeof format);
    for (bool withwave : {false, true}) {
        Show doc;
        doc.Page("One");
        if (withwave) {
            HGLOBAL data = docfixture::Global(wave);
            docfixture::AddObject(doc.header, TAG_WAVE, (LONG_PTR)data);
            GlobalFree(data);
            GlobalLocked<OBJECTHEADER>(GetPageObject(&doc.header, 0))->flags |= OBJ_LOOP;
            doc.header.hedr.flags |= BLOCK_HASOBJECTS;
        }
        doc.Open();
        EXPECT_EQ(APPLETglobalsound, withwave ? 1 : 0);
        EXPECT_EQ(APPLETgloballoop, withwave ? 1 : 0);
        DestroyWindow(doc.show);
        EXPECT_EQ(APPLEThwaveout, (HWAVEOUT)NULL);
    }
}

// Both act once the show's own loop runs with its window up: a timer that
// fires while the window is still being made waits for the next tick.
void CALLBACK RightClick(HWND, UINT, UINT_PTR id, DWORD)
{
    HWND show = sbtest::FindOwnWindow(QVCLASS_appwindow);
    if (!show || !IsWindowVisible(show))
        return;
    KillTimer(NULL, id);
    PostMessageA(show, WM_RBUTTONDOWN, 0, 0);
}

void CALLBACK Quit(HWND, UINT, UINT_PTR id, DWORD)
{
    HWND show = sbtest::FindOwnWindow(QVCLASS_appwindow);
    if (!show || !IsWindowVisible(show))
        return;
    KillTimer(NULL, id);
    PostQuitMessage(7);
}

TEST_F(Controls, TheShowRunsUntilARightClickClosesItOrTheProgramQuits)
{
    Page("One");
    ASSERT_GT(AppendBlock(list, set, &header), 0);
    ASSERT_GT(AppendBlock(list, set, &pages[0]), 0);
    EXPECT_EQ(QV_CreateApplicationWindow(NULL, list, set, 5), 0);
    UINT_PTR timer = SetTimer(NULL, 0, 20, RightClick);
    EXPECT_EQ(QV_CreateApplicationWindow(NULL, list, set, 1), 1);
    KillTimer(NULL, timer);
    EXPECT_FALSE(sbtest::FindOwnWindow(QVCLASS_appwindow));
    // A quit ends the show and is left for the program's own loop.
    SetTimer(NULL, 0, 20, Quit);
    EXPECT_EQ(QV_CreateApplicationWindow(NULL, list, set, 1), 1);
    EXPECT_FALSE(sbtest::FindOwnWindow(QVCLASS_appwindow));
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, NULL, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(msg.wParam, 7u);
}

} // namespace
} // namespace rttest

namespace rttest {
namespace {

// Pages of every type whose records hold noise past their sizes: shown,
// clicked, activated and closed, nothing may crash or hang.
TEST_F(Controls, PagesOfDamagedRecordsShowAndCloseSafely)
{
    const uint32_t tags[] = {TAG_BUTN, TAG_TEXT, TAG_CHEC, TAG_RDIO, TAG_EDIT, TAG_LIST, TAG_FRAM, TAG_IMAG,
                             TAG_ANIM, TAG_MOVI, TAG_WAVE, TAG_MIDI, TAG_TIME, TAG_APPL, TAG_STAT};
    std::vector<uint8_t> picture = Dib(16, 16, {1, 2, 3, 250});
    sbtest::ModalRecorder modal(IDOK);
    uint32_t seed = 12345;
    auto next = [&] { return seed = seed * 1103515245u + 12345u, seed >> 8; };
    for (int round = 0; round < 40; round++) {
        Show doc;
        BLOCK &p = doc.Page("Damaged");
        for (uint32_t tag : tags) {
            bool text = tag != TAG_STAT && ObjectFixedSize(tag) != sizeof(OBJECTWAVE);
            std::vector<uint8_t> data = tag == TAG_STAT ? picture : docfixture::Noise(24, next());
            if (text && next() % 2)
                data.push_back(0);
            HGLOBAL h = doc.WithData(p, tag, {0, 0, 40, 40}, data);
            GlobalLocked<uint8_t> o(h);
            // The reader keeps sizes consistent; everything after them is fair game.
            for (uint32_t i = 20; i < ObjectFixedSize(tag); i++)
                if (next() % 3 == 0)
                    o.get()[i] = (uint8_t)next();
            auto *head = (OBJECTHEADER *)o.get();
            head->rect = {(LONG)(next() % 300) - 20, (LONG)(next() % 200) - 20, (LONG)(next() % 400),
                          (LONG)(next() % 300)};
            if (tag == TAG_TIME)
                ((OBJECTTIMER *)head)->delay = next() % 2;
        }
        doc.Page("Next");
        doc.Open();
        for (int i = 0; i < 16; i++)
            if (HWND c = GetWindow(doc.show, GW_CHILD)) {
                for (HWND w = c; w; w = GetWindow(w, GW_HWNDNEXT)) {
                    // Only what a person could click (a hidden radio button
                    // sends Wine round its group for ever).
                    if (!IsWindowVisible(w) || !IsWindowEnabled(w))
                        continue;
                    SendMessageA(w, WM_LBUTTONDOWN, MK_LBUTTON, 0);
                    SendMessageA(w, WM_LBUTTONUP, 0, 0);
                    SendMessageA(w, WM_CHAR, 'x', 0);
                    if (!IsWindow(doc.show))
                        break;
                }
                break;
            }
        if (IsWindow(doc.show)) {
            SendMessageA(doc.show, WM_ACTIVATE, WA_ACTIVE, 0);
            InvalidateRect(doc.show, NULL, TRUE);
            UpdateWindow(doc.show);
        }
        sbtest::PumpUntilIdle(10);
    }
}

} // namespace
} // namespace rttest
