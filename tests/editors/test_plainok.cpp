// Every object dialog opened on an object it could bend: numbers past the
// spin ranges and the size settings, list items and targets longer than an
// item or document field holds, a picture button with soft style bits too,
// values no list or slider can show. OK touching nothing stores the object
// byte for byte; a field the user changes is the only thing that changes.
#include "tests/editors/editorfixture.h"
#include "document/applet.h"
#include "editor/blocks.h"
#include "editors/appletproperties.h"
#include "editors/objectdialogs.h"
#include "resources/objectdialogs1_ids.h"
#include "resources/objectdialogs2_ids.h"
#include "resources/objectdialogs3_ids.h"
#include "resources/scripteditor_ids.h"

using namespace pagetest;

namespace {

using Bytes = std::vector<uint8_t>;

// A place past every spin range: left beyond the page's coordinates, top
// above the page, width above and depth below the object size settings.
constexpr LONG X = 40000, Y = -20, W = 9000, H = 5;

template <class T> T &As(Bytes &b)
{
    return *(T *)b.data();
}
std::string Long(char c, size_t n)
{
    return std::string(n, c);
}
std::string Zero(const std::string &s)
{
    return s + '\0';
}
std::string Contents(HGLOBAL h)
{
    GlobalLocked<char> d(h);
    std::string s(d.get(), d.size());
    d.Unlock();
    GlobalFree(h);
    return s;
}
// A picture's packed DIB, as the objects hold it.
std::string PictureBytes(int w, int h)
{
    HGLOBAL dib = CreateDib(w, h, nullptr, 24);
    {
        DibLock lock(dib);
        for (int y = 0; y < h; y++)
            for (int x = 0; x < w; x++)
                PutDibPixel(lock.header, x, y, RGB(20, 140 + y, 60 + x));
    }
    return Contents(dib);
}
void Data(Bytes &b, const std::string &data)
{
    b.resize(As<OBJECTHEADER>(b).fixedsize);
    b.insert(b.end(), data.begin(), data.end());
    As<OBJECTHEADER>(b).datasize = (uint32_t)data.size();
    As<OBJECTHEADER>(b).totalsize = (uint32_t)b.size();
}
void Place(Bytes &b, LONG w, LONG h)
{
    As<OBJECTHEADER>(b).rect = RECT{X, Y, X + w, Y + h};
}

struct Odd {
    const char *name;
    uint32_t tag;
    int left;                  // the dialog's left field
    LONG_PTR data;             // for CreatePageObject: a text, or a handle it copies
    std::function<void(Bytes &)> bend;
};

class PlainOk : public ObjectDialog {
protected:
    void SetUp() override
    {
        ObjectDialog::SetUp();
        MaximumObjectSize = 2000;
    }
    // The object of `odd` added to the page; its index.
    unsigned AddOdd(const Odd &odd)
    {
        HGLOBAL made = CreatePageObject(&page, odd.tag, MAKELONG(10, 10), odd.data);
        Bytes b = Read(made).bytes;
        GlobalFree(made);
        As<OBJECTHEADER>(b).number = GetNextPageObjectNumber(&page);
        odd.bend(b);
        AppendPageObject(&page, NewGlobal(b.size(), b.data(), b.size()));
        return BlockObjectCount(&page) - 1;
    }
    // The dialog of the object at `index` driven by `drive`: its result,
    // false in `quiet` when it said anything.
    int Run(uint32_t tag, unsigned index, std::function<void(HWND)> drive, bool *quiet)
    {
        sbtest::ModalRecorder real;
        real.Drive(std::move(drive));
        int result = tag == TAG_APPL ? EditAppletProperties(host, set, &page, index, GetPageObject(&page, index))
                                     : EditObject(host, set, &page, index);
        *quiet = real.calls.size() == 1;
        return result;
    }
    Bytes Now(unsigned index) { return Read(GetPageObject(&page, index)).bytes; }
    // Each odd object's dialog, driven by `drive` and ended with OK, ends
    // quietly with the object `expect` makes of the bytes it had.
    void EveryOddObject(const std::function<void(HWND, const Odd &)> &drive,
                        const std::function<void(Bytes &)> &expect);
};

// The fifteen types with dialogs, each made odd where its dialog could
// bend it. Handles given as data are the test's and freed after.
std::vector<Odd> OddObjects(std::vector<HGLOBAL> &handles)
{
    auto handle = [&](const std::string &bytes) {
        handles.push_back(NewGlobal(bytes.size(), bytes.data(), bytes.size()));
        return (LONG_PTR)handles.back();
    };
    const std::string picture = PictureBytes(40, 30), frame = PictureBytes(30, 20);
    ANIMHEADER anim{60, 40, 0, 1, {}};
    const std::string avi = "RIFF and a movie's bytes";
    return {
        {"button", TAG_BUTN, IDC_OBJLEFT, (LONG_PTR) "Go",
         [=](Bytes &b) {
             auto &o = As<OBJECTBUTTON>(b);
             o.header.flags |= 0x8000 | 0x400 | 0x8;
             o.action = 11;
             o.titlelength = 3, o.targetlength = 301;
             Data(b, Zero("Go") + Zero(Long('d', 300)) + picture);
             Place(b, W, H);
         }},
        {"text", TAG_TEXT, IDC_OBJLEFT, (LONG_PTR) "Hello",
         [](Bytes &b) {
             auto &o = As<OBJECTTEXT>(b);
             o.size = 200, o.weight = 550, o.padding = 600, o.offset = 0;
             o.header.flags |= 0x100 | 0x200;
             Place(b, W, H);
         }},
        {"checkbox", TAG_CHEC, IDC_OBJLEFT, (LONG_PTR) "Tick", [](Bytes &b) { Place(b, W, H); }},
        {"radio", TAG_RDIO, IDC_OBJLEFT, (LONG_PTR) "One", [](Bytes &b) { Place(b, W, H); }},
        {"image", TAG_IMAG, IDC_OBJLEFT, handle(picture),
         [](Bytes &b) {
             auto &o = As<OBJECTIMAGE>(b);
             o.speed = 200, o.wait = 70000, o.appear = 999;
             Place(b, 40, 30);
         }},
        {"frame", TAG_FRAM, IDC_OBJLEFT, 0,
         [](Bytes &b) {
             auto &o = As<OBJECTFRAME>(b);
             o.thickness = 300, o.angle = 400, o.type = 9, o.primaryselector = 30;
             Place(b, W, H);
         }},
        {"wave", TAG_WAVE, IDC_OBJLEFT, handle("a wave's bytes"), [](Bytes &b) { Place(b, 32, 32); }},
        {"midi", TAG_MIDI, IDC_OBJLEFT, handle("MThd and more"), [](Bytes &b) { Place(b, 32, 32); }},
        {"animation", TAG_ANIM, IDC_OBJLEFT, handle(std::string((const char *)&anim, sizeof anim)),
         [](Bytes &b) { Place(b, 60, 40); }},
        {"movie", TAG_MOVI, IDC_OBJLEFT, handle(frame + avi),
         [=](Bytes &b) {
             As<OBJECTMOVIE>(b).avioffset = (uint32_t)frame.size();
             As<OBJECTMOVIE>(b).avilength = (uint32_t)avi.size();
             Place(b, 30, 20);
         }},
        {"listbox", TAG_LIST, IDC_OBJLEFT, 0,
         [](Bytes &b) {
             Data(b, Zero(Long('a', 300)) + Zero("short") + Zero(Long('b', 1000)));
             Place(b, W, H);
         }},
        {"edit", TAG_EDIT, IDC_OBJLEFT, 0,
         [](Bytes &b) {
             Data(b, Zero(Long('e', 400)));
             Place(b, W, H);
         }},
        {"timer", TAG_TIME, IDC_OBJLEFT, 0,
         [](Bytes &b) {
             auto &o = As<OBJECTTIMER>(b);
             o.action = 11, o.delay = 40000;
             Data(b, Zero(Long('t', 300)));
             Place(b, 32, 32);
         }},
        {"static", TAG_STAT, IDC_OBJLEFT, handle(frame), [](Bytes &b) { Place(b, 30, 20); }},
        {"applet", TAG_APPL, IDC_OBJLEFT, 0,
         [](Bytes &b) {
             As<OBJECTAPPLET>(b).parameter = 101;
             Place(b, W, H);
         }},
    };
}

void PlainOk::EveryOddObject(const std::function<void(HWND, const Odd &)> &drive,
                             const std::function<void(Bytes &)> &expect)
{
    std::vector<HGLOBAL> handles;
    for (const Odd &odd : OddObjects(handles)) {
        SCOPED_TRACE(odd.name);
        unsigned index = AddOdd(odd);
        Bytes want = Now(index);
        expect(want);
        bool quiet = false;
        EXPECT_EQ(Run(odd.tag, index,
                      [&](HWND dlg) {
                          drive(dlg, odd);
                          sbtest::Click(dlg, IDOK);
                      },
                      &quiet),
                  1);
        EXPECT_TRUE(quiet);
        EXPECT_EQ(Now(index), want);
    }
    for (HGLOBAL h : handles)
        GlobalFree(h);
}

TEST_F(PlainOk, AnOkThatChangesNothingStoresTheObjectByteForByte)
{
    EveryOddObject([](HWND dlg, const Odd &odd) { Snapshot(dlg, (std::string("plainok-") + odd.name).c_str()); },
                   [](Bytes &) {});
}

// The object moves; its size, whatever the settings allow, stays.
TEST_F(PlainOk, ChangingOneFieldChangesOnlyWhatItHolds)
{
    EveryOddObject([](HWND dlg, const Odd &odd) { SetDlgItemTextA(dlg, odd.left, "7"); },
                   [](Bytes &want) {
                       RECT &r = As<OBJECTHEADER>(want).rect;
                       r.right = 7 + (r.right - r.left), r.left = 7;
                   });
}

} // namespace
