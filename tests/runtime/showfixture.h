// What the runtime tests share: a document of pages built in memory, the show
// window over it, and a window that records the messages it receives.
#pragma once
#include "document/applet.h"
#include "document/objects.h"
#include "runtime/background.h"
#include "runtime/runtime.h"
#include "tests/document/docwindow.h"
#include <cstring>
#include <vector>

namespace rttest {

struct Show : docfixture::Doc {
    BLOCK header{};
    std::vector<BLOCK> pages;
    HWND show = nullptr;
    // What the show window is given at its creation.
    SHOWHOST showhost = QV_SystemHost;

    Show()
    {
        static bool registered = false;
        if (!registered) {
            EXPECT_EQ(QV_RegisterCommonClasses(), 1);
            controlfont = CreateFontA(16, 0, 0, 0, 400, 0, 0, 0, ANSI_CHARSET, 0, 0, 0, 0, "Arial");
            registered = true;
        }
        CreateBlock(owner, set, &header, TAG_HEDR, nullptr, 0);
        header.hedr.width = 320;
        header.hedr.depth = 240;
        header.hedr.flags = HEDR_FIXEDCLIENT;
        header.hedr.colour = RGB(10, 20, 30);
        snprintf(header.hedr.title, sizeof header.hedr.title, "Show");
    }
    ~Show()
    {
        if (show && IsWindow(show))
            DestroyWindow(show);
        sbtest::PumpUntilIdle();
    }
    // A new page of colour `colour` (selector 25); returns its index.
    BLOCK &Page(const char *title, COLORREF colour = RGB(200, 200, 200))
    {
        pages.push_back(NewPage(title));
        pages.back().page.colour = colour;
        pages.back().page.colourselector = 25;
        return pages.back();
    }
    // An object on `page` at `r`, with `flags` replacing the default flags
    // when not ~0u; returns its record's handle.
    HGLOBAL Object(BLOCK &page, uint32_t tag, RECT r, LONG_PTR data = 0, uint32_t flags = ~0u)
    {
        HGLOBAL h = docfixture::AddObject(page, tag, data);
        GlobalLocked<OBJECTHEADER> o(h);
        if (!o)
            return h; // AddObject has failed the test
        o->rect = r;
        if (flags != ~0u)
            o->flags = flags;
        return h;
    }
    // The same with `data` as its attached data, whatever the type.
    HGLOBAL WithData(BLOCK &page, uint32_t tag, RECT r, const std::vector<uint8_t> &data, uint32_t flags = ~0u)
    {
        HGLOBAL model = Object(page, tag, r, 0, flags);
        HGLOBAL h;
        {
            GlobalLocked<OBJECTHEADER> m(model);
            if (!m)
                return model; // AddObject has failed the test
            OBJECTHEADER head = *m.get();
            head.datasize = (uint32_t)data.size();
            head.totalsize = head.fixedsize + head.datasize;
            h = NewGlobal(head.totalsize + OBJECTSLACK, m.get(), head.fixedsize, data.data(), data.size());
            *GlobalLocked<OBJECTHEADER>(h).get() = head;
        }
        DestroyPageObject(model);
        PutPageObject(&page, h, BlockObjectCount(&page) - 1);
        return h;
    }
    // A background picture object: a bare header and the picture.
    HGLOBAL BackImage(BLOCK &page, const std::vector<uint8_t> &dib)
    {
        OBJECTHEADER head{};
        head.tag = TAG_BAKI;
        head.fixedsize = OBJECTHEADERSIZE;
        head.datasize = (uint32_t)dib.size();
        head.totalsize = head.fixedsize + head.datasize;
        head.number = GetNextPageObjectNumber(&page);
        HGLOBAL h = NewGlobal(head.totalsize + OBJECTSLACK, &head, sizeof head, dib.data(), dib.size());
        EXPECT_EQ(AppendPageObject(&page, h), 1);
        return h;
    }
    template <class T> static void Edit(HGLOBAL h, void (*f)(T *))
    {
        GlobalLocked<T> o(h);
        f(o.get());
    }
    // Puts the document into the list and opens the show window on item
    // `index`, with everything it posted to itself handled.
    void Open(unsigned index = 1)
    {
        if (!Count()) {
            ASSERT_GT(AppendBlock(list, set, &header), 0);
            for (BLOCK &p : pages)
                ASSERT_GT(AppendBlock(list, set, &p), 0);
        }
        show = QV_OpenApplicationWindow(NULL, list, set, index, showhost);
        ASSERT_TRUE(show);
        sbtest::PumpUntilIdle(50);
    }
    void Post(UINT msg, WPARAM w = 0, LPARAM l = 0, int ms = 30)
    {
        PostMessageA(show, msg, w, l);
        sbtest::PumpUntilIdle(ms);
    }
    HWND Child(uint32_t number) { return GetDlgItem(show, (int)number); }
    uint32_t Number(HGLOBAL h) { return Header(h, "number").number; }
    uint32_t Flags(HGLOBAL h) { return Header(h, "flags").flags; }
    // A copy of the object's header. An object that a failed step never
    // made, or that the show has let go, fails the test naming what was
    // wanted of it, and answers zeros.
    OBJECTHEADER Header(HGLOBAL h, const char *what)
    {
        GlobalLocked<OBJECTHEADER> o(h);
        if (!o) {
            ADD_FAILURE() << "no object " << (void *)h << " to read the " << what << " of";
            return OBJECTHEADER{};
        }
        return *o.get();
    }
};

struct ShowDoc : testing::Test, Show {};

// A memory DC filled black, for drawing without a window.
struct Canvas : sbtest::MemoryDC {
    Canvas(int width, int height) : MemoryDC(width, height) { PatBlt(dc, 0, 0, width, height, BLACKNESS); }
};

// A 24-bit picture whose pixel (x, y) is colour(x, y).
template <class F> std::vector<uint8_t> Picture(int w, int h, F colour)
{
    std::vector<uint8_t> v = docfixture::Dib(w, h);
    auto *dib = (BITMAPINFOHEADER *)v.data();
    for (int y = 0; y < h; y++)
        for (int x = 0; x < w; x++)
            PutDibPixel(dib, x, y, colour(x, y));
    return v;
}

// An animation of 40 x 20 frames whose frame i is all colours[i].
inline std::vector<uint8_t> Animation(const std::vector<COLORREF> &colours, uint32_t delay)
{
    std::vector<uint8_t> data(sizeof(ANIMHEADER) + sizeof(OBJECTANIMFRAME) * colours.size());
    ANIMHEADER head{40, 20, (uint32_t)colours.size(), 0, {}};
    memcpy(data.data(), &head, sizeof head);
    for (size_t i = 0; i < colours.size(); i++) {
        std::vector<uint8_t> dib = Picture(40, 20, [&](int, int) { return colours[i]; });
        OBJECTANIMFRAME f{(uint32_t)data.size(), (uint32_t)dib.size(), 0, delay, 0, 0, 0, {}};
        memcpy(&data[sizeof head + sizeof f * i], &f, sizeof f);
        data.insert(data.end(), dib.begin(), dib.end());
    }
    return data;
}

// A window that keeps every private message it receives, with whether it
// came while the sender waited.
struct Received {
    UINT msg;
    WPARAM w;
    LPARAM l;
    bool sent;
};
std::vector<Received> &Inbox();
HWND CreateRecorder();

} // namespace rttest
