// What a show holds from GDI comes back: pages shown, changed, painted and
// rendered off screen again and again leave the process's drawing objects
// where they were.
#include "tests/runtime/showfixture.h"
#include "runtime/thumbs.h"
#include <cstring>

namespace rttest {
namespace {

using docfixture::Global;

using Leaks = ShowDoc;

TEST_F(Leaks, PagesShownChangedAndRenderedGiveBackTheirDrawingObjects)
{
    const RECT r{4, 4, 84, 64};
    for (const char *title : {"One", "Two"}) {
        BLOCK &p = Page(title);
        // Frames: a filled rectangle, a bevel and a gradient, each with
        // pens, brushes or clipping regions of its own.
        for (uint32_t type : {0u, 1u, 7u}) {
            GlobalLocked<OBJECTFRAME> f(Object(p, TAG_FRAM, r));
            f->type = type, f->thickness = 3, f->angle = 30;
            f->primary = RGB(255, 0, 0), f->secondary = RGB(0, 0, 255), f->interior = RGB(0, 255, 0);
            f->primaryselector = f->secondaryselector = f->interiorselector = 25;
        }
        {
            GlobalLocked<OBJECTTEXT> t(Object(p, TAG_TEXT, r, (LONG_PTR) "Text", OBJ_VISIBLE | OBJ_LOOP));
            strcpy(t->face, "Arial");
            t->size = 20, t->colour = RGB(200, 100, 0), t->offset = 5;
        }
        GlobalLocked<OBJECTBUTTON>(Object(p, TAG_BUTN, r, (LONG_PTR) "Go", OBJ_VISIBLE | OBJ_SOFTCUSTOM))->softcolour =
            RGB(200, 100, 50);
        Object(p, TAG_RDIO, r, (LONG_PTR) "Radio", OBJ_SOFTCUSTOM);
        Object(p, TAG_LIST, r);
        HGLOBAL picture = Global(Picture(40, 40, [](int x, int) { return x < 20 ? RGB(0, 255, 0) : RGB(9, 9, 9); }));
        HGLOBAL stat = Object(p, TAG_STAT, r, (LONG_PTR)picture);
        GlobalFree(picture);
        {
            // Composed over what lies under it.
            GlobalLocked<OBJECTSTATICIMAGE> s(stat);
            s->colourtype = 2;
            s->transparencycount = 6;
            const uint8_t key[6] = {0, 0, 0, 255, 0, 0};
            memcpy(s->transparency, key, sizeof key);
        }
        WithData(p, TAG_ANIM, r, Animation({RGB(250, 0, 0), RGB(0, 250, 0)}, 1000));
        BackImage(p, Picture(10, 10, [](int, int) { return RGB(0, 0, 255); }));
    }
    Open();
    BLOCK rendered = pages[0];
    rendered.thumbnail = NULL;
    auto round = [&] {
        for (UINT move : {QVM_NEXTPAGE, QVM_PREVIOUSPAGE}) {
            Post(move);
            RedrawWindow(show, NULL, NULL, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
        }
        EXPECT_EQ(CreatePageThumbnail(show, list, set, &rendered, 1, 80, 60), 1);
    };
    // The first round makes what stays for the process's life (fonts,
    // the display's DC).
    round();
    const int before = sbtest::GdiObjects();
    const int rounds = 8;
    for (int i = 0; i < rounds; i++)
        round();
    // Any object lost per page shown would add at least one per round.
    EXPECT_LE(sbtest::GdiObjects(), before + 2);
    if (rendered.thumbnail)
        GlobalFree(rendered.thumbnail);
}

} // namespace
} // namespace rttest
