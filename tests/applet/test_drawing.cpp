// What applets draw, read back as pixels of the fake host's memory DC; the
// pictures of damaged applet entries; the drawing objects a saved graphic
// state owns.
#include "tests/applet/applethost.h"
#include "common/shell.h"
#include "tests/support/testsupport.h"
#include <gtest/gtest.h>
#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

using namespace applettest;

namespace {

constexpr COLORREF BG = 0x404040, RED = 0x0000FF, GREEN = 0x00FF00, BLUE = 0xFF0000;

class Drawing : public testing::Test {
protected:
    FakeHost host;
    void SetUp() override
    {
        fake = &host;
        host.entries = {{ENTRY_PICT, 3, PackedDib(2, 2, {GREEN, GREEN, GREEN, GREEN})},
                        {ENTRY_PICT, 4, PackedDib(2, 1, {GREEN, BLUE})}};
        host.Clear(BG);
    }
    // Any pixel within two of (x, y) has the colour.
    bool Near(int x, int y, COLORREF colour) const
    {
        for (int j = y - 2; j <= y + 2; j++)
            for (int i = x - 2; i <= x + 2; i++)
                if (i >= 0 && j >= 0 && i < DCWIDTH && j < DCHEIGHT && host.Pixel(i, j) == colour)
                    return true;
        return false;
    }
    // The comparisons with the platform's own drawing use a frame of 160 by
    // 128 at the fake DC's corner.
    static constexpr int FW = 160, FH = 128;
    std::vector<COLORREF> Frame() const
    {
        std::vector<COLORREF> pixels(FW * FH);
        for (int y = 0; y < FH; y++)
            for (int x = 0; x < FW; x++)
                pixels[y * FW + x] = host.Pixel(x, y);
        return pixels;
    }
    // Our frame against the platform's: a pixel that differs must lie on
    // an edge of what was drawn in red in one frame or the other, red and
    // `other` (any colour but red when `other` is red) within two pixels of
    // it. How much red the platform drew, how many differ, and how many
    // differ off any edge.
    struct Differences {
        int red = 0, differ = 0, stray = 0;
    };
    static Differences Compare(const std::vector<COLORREF> &ours, const std::vector<COLORREF> &theirs, COLORREF red,
                               COLORREF other)
    {
        Differences d;
        auto edge = [&](const std::vector<COLORREF> &in, int x, int y) {
            bool inred = false, inother = false;
            for (int j = std::max(0, y - 2); j <= std::min(FH - 1, y + 2); j++)
                for (int i = std::max(0, x - 2); i <= std::min(FW - 1, x + 2); i++) {
                    COLORREF c = in[j * FW + i];
                    inred |= c == red;
                    inother |= other == red ? c != red : c == other;
                }
            return inred && inother;
        };
        for (int y = 0; y < FH; y++)
            for (int x = 0; x < FW; x++) {
                d.red += theirs[y * FW + x] == red;
                if (theirs[y * FW + x] == ours[y * FW + x])
                    continue;
                d.differ++;
                if (!edge(theirs, x, y) && !edge(ours, x, y))
                    d.stray++;
            }
        return d;
    }
    // The platform's drawing, now in the frame, against `ours`: some red on
    // both sides of an edge crossing the frame, every difference on an
    // edge, at most `perside` differing pixels a pixel of the frame's sides.
    void ExpectSameInFrame(const std::vector<COLORREF> &ours, COLORREF other, int perside) const
    {
        const Differences d = Compare(ours, Frame(), RED, other);
        EXPECT_GT(d.red, 0);
        EXPECT_LT(d.red, FW * FH) << "the drawing's edge crosses the frame";
        EXPECT_EQ(d.stray, 0);
        EXPECT_LE(d.differ, (FW + FH) * perside) << "pixels that differ";
    }
};

enum Mode { IS, CLOSE, NONE, NOT };

struct Probe {
    int x, y;
    COLORREF colour;
    Mode mode = IS;
};

struct PixelRow {
    const char *script;
    std::vector<Probe> probes;
};

// Red, green and blue are 255, 65280 and 16711680; the fake frame is cleared
// to BG before each row, and the applet starts with background 0x808080.
const PixelRow pixelrows[] = {
    // The offset moves every shape.
    {"setbrushcolor(255)\nsetdrawingoffset(5,5)\nfillrect(10,10,20,20)",
     {{15, 15, RED}, {23, 23, RED}, {14, 14, BG}, {10, 10, BG}, {26, 26, BG}}},
    {"setpencolor(255,1)\nsetdrawingoffset(60,40)\nline(0,5,20,5)", {{70, 45, RED}, {10, 5, BG}}},
    {"setbrushcolor(255)\nsetdrawingoffset(60,40)\nfillellipse(0,0,20,20)",
     {{70, 50, RED}, {61, 41, BG}, {10, 10, BG}}},
    {"setpencolor(255,1)\nsetdrawingoffset(60,40)\nframeellipse(0,0,20,20)", {{70, 50, BG}, {60, 50, RED, CLOSE}}},
    {"setbrushcolor(255)\nsetdrawingoffset(60,40)\nfillroundrect(0,0,20,20,8,8)", {{70, 50, RED}, {10, 10, BG}}},
    {"setpencolor(255,1)\nsetdrawingoffset(60,40)\nframeroundrect(0,0,20,20,8,8)", {{70, 50, BG}, {70, 40, RED}}},
    {"declarearray(&p,6)\nsetarrayvalue(&p,2,20)\nsetarrayvalue(&p,5,20)\nsetbrushcolor(255)\nsetdrawingoffset(60,40)\n"
     "fillpolygon(&p,3)",
     {{63, 43, RED}, {78, 58, BG}, {3, 3, BG}}},
    {"declarearray(&p,8)\nsetarrayvalue(&p,2,10)\nsetarrayvalue(&p,4,20)\nsetarrayvalue(&p,6,30)\n"
     "setpencolor(255,1)\nsetdrawingoffset(60,40)\nbeziercurve(&p,4)",
     {{75, 40, RED, CLOSE}, {15, 0, RED, NONE}}},
    {"setdrawingoffset(60,40)\ndrawedge(0,0,20,20,10,15)", {{60, 40, BG, NOT}, {0, 0, BG}}},
    {"setdrawingoffset(60,40)\nsetpixel(3,4,255)", {{63, 44, RED}, {3, 4, BG}}},
    {"setdrawingoffset(60,40)\ndrawpicture(3,0,0)", {{60, 40, GREEN}, {61, 41, GREEN}, {62, 42, BG}, {0, 0, BG}}},
    {"settextforecolor(255)\nsettextbackcolor(255)\nsetdrawingoffset(60,40)\nprint(\"MM\")",
     {{62, 42, RED}, {2, 2, BG}}},
    {"settextbackcolor(255)\nsetdrawingoffset(60,40)\nparagraphtext(\"one\",0,0,100,0,4)",
     {{57, 37, RED}, {55, 35, BG}, {2, 2, BG}}},
    {"settextbackcolor(255)\nsettexttransparent(1)\nparagraphtext(\"one\",10,10,100,0,4)", {{7, 7, BG}}},
    // Except clearframe, which fills the whole frame and no more.
    {"setdrawingoffset(60,40)\nclearframe(255)", {{0, 0, RED}, {159, 127, RED}, {160, 0, BG}, {0, 128, BG}}},
    {"clearframe()", {{0, 0, 0x808080}}},
    // Fill against frame; pens draw inside the frame.
    {"setpencolor(65280,1)\nsetbrushcolor(255)\nframerect(10,10,30,30)",
     {{10, 10, GREEN}, {29, 20, GREEN}, {20, 20, BG}}},
    {"setpencolor(65280,1)\nsetbrushcolor(255)\nfillrect(10,10,30,30)",
     {{10, 20, RED}, {20, 20, RED}, {20, 10, RED}, {28, 28, RED}, {29, 20, BG}, {20, 29, BG}}},
    {"setbrushcolor(255)\nfillrect(30,30,10,10)", {{10, 10, RED}, {28, 28, RED}, {29, 20, BG}, {20, 29, BG}}},
    {"setpencolor(65280,4)\nframerect(10,10,30,30)",
     {{13, 20, GREEN}, {14, 20, BG}, {9, 20, BG}, {26, 20, GREEN}, {30, 20, BG}}},
    // Each quadrant of a pie and an arc around the centre (80, 60), its
    // starting angle exactly on an axis.
    {"setbrushcolor(255)\nsetdrawingoffset(60,40)\nfillpie(0,0,40,40,0,90)",
     {{88, 52, RED}, {72, 52, BG}, {72, 68, BG}, {88, 68, BG}, {28, 12, BG}}},
    {"setbrushcolor(255)\nsetdrawingoffset(60,40)\nfillpie(0,0,40,40,90,180)",
     {{88, 52, BG}, {72, 52, RED}, {72, 68, BG}, {88, 68, BG}}},
    {"setbrushcolor(255)\nsetdrawingoffset(60,40)\nfillpie(0,0,40,40,180,270)",
     {{88, 52, BG}, {72, 52, BG}, {72, 68, RED}, {88, 68, BG}}},
    {"setbrushcolor(255)\nsetdrawingoffset(60,40)\nfillpie(0,0,40,40,270,359)",
     {{88, 52, BG}, {72, 52, BG}, {72, 68, BG}, {88, 68, RED}}},
    {"setbrushcolor(255)\nsetdrawingoffset(60,40)\nfillpie(0,0,40,40,-10,400)",
     {{88, 52, RED}, {72, 52, RED}, {72, 68, RED}, {88, 68, RED}}},
    {"setpencolor(255,2)\narc(0,0,100,100,90,180)",
     {{15, 15, RED, CLOSE}, {85, 15, RED, NONE}, {15, 85, RED, NONE}, {85, 85, RED, NONE}}},
    {"setpencolor(255,2)\narc(0,0,100,100,270,0)",
     {{85, 85, RED, CLOSE}, {15, 15, RED, NONE}, {85, 15, RED, NONE}, {15, 85, RED, NONE}}},
    {"setpencolor(255,2)\nframepie(0,0,100,100,0,90)",
     {{85, 15, RED, CLOSE}, {75, 50, RED, CLOSE}, {50, 25, RED, CLOSE}, {25, 50, BG}}},
    // A slanting side's rounded corner reaches over half a pen into the
    // frame from beyond its edge, where the platform paints it.
    {"setpencolor(255,7)\nline(-3,35,-15,10)", {{0, 31, RED}, {0, 36, RED}, {0, 30, BG}, {0, 37, BG}, {1, 33, BG}}},
    // Gradients: 256 bands, the last 255/256 of the way to the end colour.
    // Over 128 pixels two bands share each line, the later one showing.
    {"setdrawingoffset(10,0)\ndrawgradient(0,16777215,0,0,128,20,0)",
     {{10, 5, 0}, {137, 5, 0xFEFEFE}, {9, 5, BG}, {138, 5, BG}, {70, 20, BG}}},
    {"drawgradient(255,16711680,0,0,20,128,1)", {{5, 0, 0x0000FE}, {5, 127, 0xFE0000}, {5, 128, BG}, {20, 5, BG}}},
    // Pictures, opaque and with a transparent colour.
    {"drawpicture(4,0,0)", {{0, 0, GREEN}, {1, 0, BLUE}}},
    {"drawpicture(4,0,0,0,65280)", {{0, 0, BG}, {1, 0, BLUE}}},
    // Frame areas: the offset moves the source and a restore, not the
    // destination of a copy; a save reaches the frame's last column only.
    {"setpixel(1,1,255)\nsaveframearea(0,0,2,2)\nsetdrawingoffset(60,40)\nrestoreframearea(0,0)", {{61, 41, RED}}},
    {"setdrawingoffset(60,40)\nsetpixel(1,1,255)\nsaveframearea(0,0,2,2)\nsetdrawingoffset(0,0)\n"
     "restoreframearea(10,10)",
     {{11, 11, RED}}},
    {"setdrawingoffset(60,40)\nsetpixel(1,1,255)\ncopyframearea(0,0,0,0,2,2)", {{1, 1, RED}, {61, 41, RED}}},
    {"setpixel(160,5,255)\nsetpixel(159,6,255)\nsaveframearea(-20,-20,5000,5000)\nrestoreframearea(20,0)",
     {{180, 5, BG}, {179, 6, RED}, {160, 6, BG}}},
};

// Coordinates near the ends of the 32-bit range, given or reached through
// the offset. The frame shows what the true figure puts in it; a figure
// wholly outside leaves it as it was.
const PixelRow farrows[] = {
    {"setpencolor(255,150)\nfillpie(-2147483648,199,0,150,199,0)", {}},
    {"setbrushcolor(255)\nfillpie(-2147483648,-2147483648,2147483647,2147483647,10,200)", {}},
    {"setpencolor(255,3)\narc(-1073741824,0,1073741824,100,0,180)", {}},
    {"setpencolor(255,3)\nframepie(0,-2147483648,100,2147483647,45,300)", {}},
    {"setpencolor(255,3)\nframeellipse(-2147483648,-2147483648,2147483647,2147483647)", {{80, 64, BG}}},
    {"setbrushcolor(255)\nfillellipse(-1073741824,-1073741824,1073741824,1073741824)", {{0, 0, RED}, {159, 127, RED}}},
    {"setpencolor(255,3)\nframeroundrect(-2147483648,-2147483648,2147483647,2147483647,2147483647,2147483647)",
     {{80, 64, BG}}},
    {"setbrushcolor(255)\nfillroundrect(-2000000000,10,2000000000,20,-2147483648,100)", {}},
    {"setbrushcolor(255)\nsetdrawingoffset(2147483647,2147483647)\nfillellipse(0,0,2147483647,2147483647)",
     {{0, 0, BG}, {159, 127, BG}}},
    {"setpencolor(255,1)\nsetdrawingoffset(-2147483648,0)\nline(0,10,2147483647,10)", {{80, 10, BG}, {159, 10, BG}}},
    {"setpencolor(255,2147483647)\nline(-2147483648,-2147483648,2147483647,2147483647)", {}},
    {"setpencolor(255,1)\nframerect(-2147483648,-2147483648,2147483647,2147483647)", {{0, 0, BG}}},
    {"setbrushcolor(255)\nfillrect(-2147483648,-2147483648,2147483647,2147483647)", {{0, 0, RED}, {159, 127, RED}}},
    {"setbrushcolor(255)\nsetdrawingoffset(0,-2147483648)\nfillrect(0,-2147483648,100,100)", {{50, 50, BG}}},
    {"drawedge(-2147483648,-2147483648,2147483647,2147483647,10,15)", {{80, 64, BG}}},
    {"drawedge(-2147483648,-2147483648,2147483647,2147483647,10,2063)", {{80, 64, BG, NOT}}},
    {"drawedge(0,0,2147483647,2147483647,10,22)", {}},
    {"declarearray(&p,6)\nsetarrayvalue(&p,0,-2147483648)\nsetarrayvalue(&p,3,2147483647)\n"
     "setarrayvalue(&p,4,2147483647)\nsetbrushcolor(255)\nfillpolygon(&p,3)",
     {{80, 64, RED}}},
    {"declarearray(&p,8)\nsetarrayvalue(&p,0,-2147483648)\nsetarrayvalue(&p,5,2147483647)\n"
     "setarrayvalue(&p,6,2147483647)\nsetpencolor(255,1)\nbeziercurve(&p,4)",
     {}},
    {"drawgradient(0,16777215,-2147483648,0,2147483647,100,0)", {{80, 50, BG, NOT}, {80, 110, BG}}},
    {"setdrawingoffset(2147483647,0)\nsetpixel(10,10,255)", {{10, 10, BG}, {159, 10, BG}}},
    {"settextbackcolor(255)\nparagraphtext(\"far\",2147483647,0,100,0)", {{0, 0, BG}}},
    {"settextbackcolor(255)\nparagraphtext(\"far\",2147483647,-2147483648,2147483647,0,2147483647)",
     {{0, 0, RED}, {0, 100, BG}}},
    {"settextbackcolor(255)\nsetdrawingoffset(2147483647,2147483647)\nprint(\"far\")", {{0, 0, BG}}},
    {"setdrawingoffset(2147483647,2147483647)\ndrawpicture(3,0,0)\nsaveframearea(0,0,2,2)\nrestoreframearea(0,0)",
     {{0, 0, BG}}},
    {"setpencolor(255,-2147483647)\nline(-2147483648,-2147483648,2147483647,2147483647)", {}},
};

TEST_F(Drawing, Pixels)
{
    std::vector<const PixelRow *> rows;
    for (const PixelRow &row : pixelrows)
        rows.push_back(&row);
    for (const PixelRow &row : farrows)
        rows.push_back(&row);
    for (const PixelRow *each : rows) {
        const PixelRow &row = *each;
        SCOPED_TRACE(row.script);
        host.Clear(BG);
        host.log.clear();
        Outcome out = RunScript(row.script);
        EXPECT_EQ(out.result, -1) << out.errorline;
        EXPECT_EQ(out.log, "");
        EXPECT_EQ(host.dcs, 0);
        for (const Probe &p : row.probes) {
            SCOPED_TRACE(testing::Message() << p.x << "," << p.y);
            COLORREF got = host.Pixel(p.x, p.y);
            switch (p.mode) {
            case IS:
                EXPECT_EQ(got, p.colour);
                break;
            case CLOSE:
                EXPECT_TRUE(Near(p.x, p.y, p.colour));
                break;
            case NONE:
                EXPECT_FALSE(Near(p.x, p.y, p.colour));
                break;
            case NOT:
                EXPECT_NE(got, p.colour);
                break;
            }
        }
    }
}

// What the built-ins hand the platform, recorded in a metafile in place of
// the frame: the coordinates of every figure and the characters of every
// text drawn.
struct Recorded {
    int figures = 0;          // records that draw something
    int64_t farthest = 0;     // the largest coordinate of any of them, either way
    int64_t characters = 0;   // characters of the text records
    int64_t blanks = 0;       // of them, blanks given as characters
    int outlines = 0;         // figures the platform strokes with the pen
};

Recorded Record(FakeHost &host, const std::string &script)
{
    HDC frame = host.dc;
    host.dc = CreateEnhMetaFileA(NULL, NULL, NULL, NULL);
    Outcome out = RunScript(script);
    EXPECT_EQ(out.result, -1) << out.errorline;
    HENHMETAFILE emf = CloseEnhMetaFile(host.dc);
    host.dc = frame;
    std::vector<uint8_t> bytes(GetEnhMetaFileBits(emf, 0, nullptr));
    GetEnhMetaFileBits(emf, (UINT)bytes.size(), bytes.data());
    DeleteEnhMetaFile(emf);
    Recorded r;
    for (size_t at = 0; at + 8 <= bytes.size();) {
        const auto *rec = (const ENHMETARECORD *)&bytes[at];
        if (rec->nSize < 8 || at + rec->nSize > bytes.size())
            break;
        const int32_t *v = (const int32_t *)rec->dParm;
        size_t n = (rec->nSize - 8) / 4;
        auto note = [&](size_t from, size_t to) {
            for (size_t i = from; i < to && i < n; i++)
                r.farthest = std::max<int64_t>(r.farthest, std::abs((int64_t)v[i]));
        };
        switch (rec->iType) {
        case EMR_ELLIPSE:
        case EMR_RECTANGLE:
        case EMR_ROUNDRECT:
            r.figures++;
            r.outlines++;
            note(0, 4);
            break;
        case EMR_ARC:
        case EMR_CHORD:
        case EMR_PIE:
            r.figures++;
            r.outlines++;
            note(0, 8);
            break;
        case EMR_LINETO:
        case EMR_SETPIXELV:
            r.figures++;
            r.outlines += rec->iType == EMR_LINETO;
            note(0, 2);
            break;
        case EMR_MOVETOEX:
            note(0, 2);
            break;
        case EMR_CREATEPEN: // a pen's width reaches as far
            note(2, 3);
            break;
        case EMR_POLYGON:
        case EMR_POLYLINE:
        case EMR_POLYBEZIER:
        case EMR_POLYBEZIERTO:
        case EMR_POLYLINETO:
            r.figures++;
            r.outlines++;
            note(5, 5 + 2 * (size_t)v[4]);
            break;
        case EMR_POLYGON16:
        case EMR_POLYLINE16:
        case EMR_POLYBEZIER16:
        case EMR_POLYBEZIERTO16:
        case EMR_POLYLINETO16: {
            r.figures++;
            r.outlines++;
            const int16_t *s = (const int16_t *)(v + 5);
            for (size_t i = 0; i < 2 * (size_t)v[4] && 10 + i / 2 < n; i++)
                r.farthest = std::max<int64_t>(r.farthest, std::abs((int64_t)s[i]));
            break;
        }
        case EMR_BITBLT:
        case EMR_STRETCHBLT:
        case EMR_STRETCHDIBITS:
            r.figures++;
            note(4, 8);
            break;
        case EMR_EXTTEXTOUTA:
        case EMR_EXTTEXTOUTW: {
            r.figures++;
            note(7, 9);
            r.characters += v[9];
            const auto *text = (const EMREXTTEXTOUTW *)rec;
            if (rec->iType == EMR_EXTTEXTOUTW && !(text->emrtext.fOptions & ETO_GLYPH_INDEX) &&
                text->emrtext.offString + 2 * (size_t)text->emrtext.nChars <= rec->nSize) {
                const auto *c = (const WCHAR *)((const uint8_t *)rec + text->emrtext.offString);
                r.blanks += std::count(c, c + text->emrtext.nChars, L' ');
            }
            break;
        }
        }
        at += rec->nSize;
    }
    return r;
}

// Far coordinates reach the platform kept within a small multiple of any
// frame, and a figure wholly outside the frame reaches it not at all.
TEST_F(Drawing, FarCoordinatesReachThePlatformWithinReach)
{
    for (const PixelRow &row : farrows) {
        SCOPED_TRACE(row.script);
        EXPECT_LE(Record(host, row.script).farthest, 1 << 18);
    }
    for (size_t i : {8, 9, 13, 20, 21}) {
        SCOPED_TRACE(farrows[i].script);
        EXPECT_EQ(Record(host, farrows[i].script).figures, 0);
    }
    // No outline of a pen wider than a pixel reaches the platform, whatever
    // the width: its own stroke of any such pen costs the width times the
    // outline's length. A pen of a pixel it draws in a moment, and exactly.
    for (const char *figure : {"line(-50,10,300,200)", "framerect(10,10,150,100)", "frameellipse(10,10,150,100)",
                               "frameroundrect(10,10,150,100,20,20)", "arc(10,10,150,100,0,180)",
                               "framepie(10,10,150,100,0,180)",
                               "declarearray(&p,8)\nsetarrayvalue(&p,2,300)\nsetarrayvalue(&p,5,99)\n"
                               "framepolygon(&p,4)"})
        for (int width : {1, 2, 4, 512, 513, 2048, 65536}) {
            std::string script = "setpencolor(255," + std::to_string(width) + ")\n" + figure;
            SCOPED_TRACE(script);
            EXPECT_EQ(Record(host, script).outlines, width > 1 ? 0 : 1);
        }
    // A curve of 1,024 segments, each swinging far beyond the frame, is
    // flattened within one budget of pieces for the whole curve, whatever the
    // pen: it is drawn in a moment of the thread's own processor time.
    const std::string swings = "declarearray(&p,6146)\ndeclareint(@i,0)\n:l\n"
                               "setarrayvalue(&p,mul(@i,2),mod(mul(@i,53),160))\n"
                               "setarrayvalue(&p,add(mul(@i,2),1),mul(mod(@i,3),40000))\ninc(@i)\n"
                               "if(islessthan(@i,3073),:l)\n";
    for (int width : {1, 2}) {
        SCOPED_TRACE(testing::Message() << "pen " << width);
        // What the script takes to build the curve is measured apart.
        const std::string build = "setpencolor(255," + std::to_string(width) + ")\n" + swings;
        double start = sbtest::ProcessorMs();
        ASSERT_EQ(RunScript(build + "inc(@i)", 20000).result, -1);
        const double built = sbtest::ProcessorMs() - start;
        start = sbtest::ProcessorMs();
        ASSERT_EQ(RunScript(build + "beziercurve(&p,3073)", 20000).result, -1);
        EXPECT_LT(sbtest::ProcessorMs() - start - built, 700) << "ms of processor time for the curve";
    }
}

// Outlines with pens wider than a pixel paint, inside the frame, what the
// platform paints with the same pen, to within the stroke's edge: at widths
// and extents it still draws quickly, figure by figure, small boxes and pens
// wider than their box included; and nothing beyond the frame. The frame is
// 160 by 128 at the corner of the fake DC.
TEST_F(Drawing, WidePensPaintWhatThePlatformPaintsInTheFrame)
{
    // An edge of the stroke crosses the frame (the hole inside an ellipse,
    // the outside of a round corner, a line's flank...), or, where a pen is
    // wider than its box or an arc too short, the platform fills the frame
    // or paints nothing.
    enum Crossing { EDGE, WHOLE };
    const struct {
        const char *figure;
        std::vector<int> widths;
        void (*platform)(HDC dc);
        Crossing crossing = EDGE;
    } rows[] = {
        {"frameellipse(-600,-600,760,728)", {600}, [](HDC dc) { Ellipse(dc, -600, -600, 760, 728); }},
        {"frameellipse(-520,-520,680,648)", {511, 512, 513}, [](HDC dc) { Ellipse(dc, -520, -520, 680, 648); }},
        {"frameellipse(-1200,-1200,300,250)", {1001}, [](HDC dc) { Ellipse(dc, -1200, -1200, 300, 250); }},
        {"frameellipse(20,20,100,90)", {2, 3, 30}, [](HDC dc) { Ellipse(dc, 20, 20, 100, 90); }},
        {"frameellipse(-20,30,180,200)", {4, 9}, [](HDC dc) { Ellipse(dc, -20, 30, 180, 200); }},
        {"frameroundrect(-1200,-1200,300,250,400,300)", {1001},
         [](HDC dc) { RoundRect(dc, -1200, -1200, 300, 250, 400, 300); }},
        {"frameroundrect(10,10,150,140,60,-50)", {2, 7}, [](HDC dc) { RoundRect(dc, 10, 10, 150, 140, 60, -50); }},
        {"frameroundrect(10,10,150,140,2,40)", {6}, [](HDC dc) { RoundRect(dc, 10, 10, 150, 140, 2, 40); }},
        {"framerect(150,-30,-20,100)", {2, 5, 40}, [](HDC dc) { Rectangle(dc, 150, -30, -20, 100); }},
        {"line(-50,10,300,200)", {2, 7, 40}, [](HDC dc) {
             MoveToEx(dc, -50, 10, nullptr);
             LineTo(dc, 300, 200);
         }},
        {"line(60,60,60,60)", {25}, [](HDC dc) {
             MoveToEx(dc, 60, 60, nullptr);
             LineTo(dc, 60, 60);
         }},
        {"declarearray(&p,6)\nsetarrayvalue(&p,0,-40)\nsetarrayvalue(&p,1,10)\nsetarrayvalue(&p,2,140)\n"
         "setarrayvalue(&p,3,60)\nsetarrayvalue(&p,4,30)\nsetarrayvalue(&p,5,300)\nframepolygon(&p,3)",
         {2, 3, 31},
         [](HDC dc) {
             const POINT p[3] = {{-40, 10}, {140, 60}, {30, 300}};
             Polygon(dc, p, 3);
         }},
        {"arc(-1200,-1200,300,250,270,0)", {600},
         [](HDC dc) { Arc(dc, -1200, -1200, 300, 250, -450, 275, 300, -475); }},
        {"arc(10,10,150,120,0,180)", {2, 5}, [](HDC dc) { Arc(dc, 10, 10, 150, 120, 150, 65, 10, 65); }},
        {"framepie(-700,-300,500,900,270,0)", {520},
         [](HDC dc) { Pie(dc, -700, -300, 500, 900, -100, 900, 500, 300); }},
        {"framepie(10,10,150,120,270,0)", {3, 8}, [](HDC dc) { Pie(dc, 10, 10, 150, 120, 80, 120, 150, 65); }},
        // Rays a few degrees apart that meet the curve on one pixel, whose
        // whole ring is drawn, or on neighbouring ones, where nothing is; a
        // pie whose box is as wide as the pen, a disc at its centre.
        {"arc(51,39,59,52,7,16)", {4}, [](HDC dc) { Arc(dc, 51, 39, 59, 52, 59, 45, 59, 44); }},
        {"arc(-20,20,140,130,7,8)", {20}, [](HDC dc) { Arc(dc, -20, 20, 140, 130, 140, 69, 140, 68); }, WHOLE},
        {"framepie(41,25,99,111,346,257)", {58}, [](HDC dc) { Pie(dc, 41, 25, 99, 111, 99, 75, 41, 322); }},
        {"declarearray(&p,8)\nsetarrayvalue(&p,0,-600)\nsetarrayvalue(&p,1,-250)\nsetarrayvalue(&p,2,-200)\n"
         "setarrayvalue(&p,3,-300)\nsetarrayvalue(&p,4,300)\nsetarrayvalue(&p,5,-200)\nsetarrayvalue(&p,6,800)\n"
         "setarrayvalue(&p,7,-250)\nbeziercurve(&p,4)",
         {700},
         [](HDC dc) {
             const POINT p[4] = {{-600, -250}, {-200, -300}, {300, -200}, {800, -250}};
             PolyBezier(dc, p, 4);
         }},
        {"declarearray(&p,8)\nsetarrayvalue(&p,0,-20)\nsetarrayvalue(&p,1,20)\nsetarrayvalue(&p,2,60)\n"
         "setarrayvalue(&p,3,300)\nsetarrayvalue(&p,4,100)\nsetarrayvalue(&p,5,-200)\nsetarrayvalue(&p,6,190)\n"
         "setarrayvalue(&p,7,100)\nbeziercurve(&p,4)",
         {1, 2, 9},
         [](HDC dc) {
             const POINT p[4] = {{-20, 20}, {60, 300}, {100, -200}, {190, 100}};
             PolyBezier(dc, p, 4);
         }},
        // Every segment of a longer curve.
        {"declarearray(&p,14)\nsetarrayvalue(&p,0,-20)\nsetarrayvalue(&p,1,20)\nsetarrayvalue(&p,2,60)\n"
         "setarrayvalue(&p,3,300)\nsetarrayvalue(&p,4,100)\nsetarrayvalue(&p,5,-200)\n"
         "setarrayvalue(&p,6,190)\nsetarrayvalue(&p,7,100)\nsetarrayvalue(&p,8,200)\n"
         "setarrayvalue(&p,9,0)\nsetarrayvalue(&p,10,60)\nsetarrayvalue(&p,11,-20)\n"
         "setarrayvalue(&p,12,110)\nsetarrayvalue(&p,13,40)\nbeziercurve(&p,7)",
         {1, 9},
         [](HDC dc) {
             const POINT p[7] = {{-20, 20}, {60, 300}, {100, -200}, {190, 100}, {200, 0}, {60, -20}, {110, 40}};
             PolyBezier(dc, p, 7);
         }},
        {"declarearray(&p,20)\nsetarrayvalue(&p,0,10)\nsetarrayvalue(&p,1,100)\nsetarrayvalue(&p,2,-60)\n"
         "setarrayvalue(&p,3,130)\nsetarrayvalue(&p,4,-60)\nsetarrayvalue(&p,5,40)\n"
         "setarrayvalue(&p,6,20)\nsetarrayvalue(&p,7,30)\nsetarrayvalue(&p,8,100)\n"
         "setarrayvalue(&p,9,20)\nsetarrayvalue(&p,10,130)\nsetarrayvalue(&p,11,-40)\n"
         "setarrayvalue(&p,12,200)\nsetarrayvalue(&p,13,-30)\nsetarrayvalue(&p,14,260)\n"
         "setarrayvalue(&p,15,-20)\nsetarrayvalue(&p,16,250)\nsetarrayvalue(&p,17,140)\n"
         "setarrayvalue(&p,18,140)\nsetarrayvalue(&p,19,110)\nbeziercurve(&p,10)",
         {4},
         [](HDC dc) {
             const POINT p[10] = {{10, 100}, {-60, 130}, {-60, 40},  {20, 30},  {100, 20},
                                  {130, -40}, {200, -30}, {260, -20}, {250, 140}, {140, 110}};
             PolyBezier(dc, p, 10);
         }},
        // Pens wider than their box.
        {"frameellipse(30,20,170,130)", {520, 1000, 3000}, [](HDC dc) { Ellipse(dc, 30, 20, 170, 130); }, WHOLE},
        {"frameroundrect(30,20,170,130,40,40)", {520, 3000},
         [](HDC dc) { RoundRect(dc, 30, 20, 170, 130, 40, 40); }, WHOLE},
        {"framerect(30,20,170,130)", {520}, [](HDC dc) { Rectangle(dc, 30, 20, 170, 130); }, WHOLE},
        {"arc(30,20,170,130,0,180)", {520, 3000}, [](HDC dc) { Arc(dc, 30, 20, 170, 130, 170, 75, 30, 75); }, WHOLE},
        {"framepie(30,20,170,130,0,180)", {520, 3000}, [](HDC dc) { Pie(dc, 30, 20, 170, 130, 170, 75, 30, 75); },
         WHOLE},
        {"arc(-1000,-1000,1160,1128,0,180)", {520},
         [](HDC dc) { Arc(dc, -1000, -1000, 1160, 1128, 1160, 64, -1000, 64); }, WHOLE},
        {"framepie(30,20,800,130,0,180)", {520}, [](HDC dc) { Pie(dc, 30, 20, 800, 130, 800, 75, 30, 75); }, WHOLE},
        {"frameellipse(2000,40,2010,50)", {3000}, [](HDC dc) { Ellipse(dc, 2000, 40, 2010, 50); }, WHOLE},
    };
    for (const auto &row : rows)
        for (int width : row.widths) {
            SCOPED_TRACE(testing::Message() << row.figure << " pen " << width);
            host.Clear(BG);
            Outcome out = RunScript("setpencolor(255," + std::to_string(width) + ")\n" + row.figure);
            ASSERT_EQ(out.result, -1) << out.errorline;
            const std::vector<COLORREF> ours = Frame();
            for (int x = 0; x <= FW && width > 1; x++)
                ASSERT_EQ(host.Pixel(x, FH), BG) << "under the frame at " << x;
            for (int y = 0; y <= FH && width > 1; y++)
                ASSERT_EQ(host.Pixel(FW, y), BG) << "right of the frame at " << y;
            host.Clear(BG);
            HPEN pen = CreatePen(PS_INSIDEFRAME, width, RED);
            HGDIOBJ oldpen = SelectObject(host.dc, pen), oldbrush = SelectObject(host.dc, GetStockObject(NULL_BRUSH));
            row.platform(host.dc);
            SelectObject(host.dc, oldbrush);
            DeleteObject(SelectObject(host.dc, oldpen));
            GdiFlush();
            if (row.crossing == EDGE) {
                ExpectSameInFrame(ours, BG, 1);
            } else {
                const Differences d = Compare(ours, Frame(), RED, BG);
                EXPECT_EQ(d.stray, 0);
                EXPECT_LE(d.differ, FW + FH) << "pixels that differ";
            }
        }
}

// Text in fonts too tall for the platform to draw in a moment paints, inside
// the frame, what the platform's own TextOut and DrawText paint with the
// same font, to within the glyphs' smoothed edges: at heights it still draws
// quickly, with the background opaque or not, turned, underlined, and laid
// out as a paragraph.
TEST_F(Drawing, TallFontsPaintWhatThePlatformPaintsInTheFrame)
{
    constexpr COLORREF BACK = 0x804000;
#define LINES "Go on and on as we go on to the end of it all and then go on and on once more"
    const struct {
        const char *text;
        int x, y, height, angle, underline;
        bool opaque;
        void (*platform)(HDC dc);
    } rows[] = {
        {"print(\"Hg\")", -40, -250, 600, 0, 0, true, [](HDC dc) { TextOutA(dc, 0, 0, "Hg", 2); }},
        {"print(\"W\",\"a\")", -40, -250, 700, 0, 0, false,
         [](HDC dc) {
             TextOutA(dc, 0, 0, "W", 1);
             TextOutA(dc, 0, 0, "a", 1);
         }},
        {"print(\"Oy\")", -40, -250, 650, 30, 0, true, [](HDC dc) { TextOutA(dc, 0, 0, "Oy", 2); }},
        {"print(\"ee\")", -300, -600, 800, 0, 1, false, [](HDC dc) { TextOutA(dc, 0, 0, "ee", 2); }},
        {"paragraphtext(\"Go on\",-150,-300,900,0)", 0, 0, 620, 0, 0, false,
         [](HDC dc) {
             RECT r = {-150, -300, 750, -290};
             SetTextAlign(dc, TA_LEFT | TA_TOP | TA_NOUPDATECP);
             DrawTextA(dc, "Go on", 5, &r, DT_WORDBREAK | DT_NOPREFIX | DT_CALCRECT);
             DrawTextA(dc, "Go on", 5, &r, DT_WORDBREAK | DT_NOPREFIX);
         }},
        // Lines from far above the frame, and on below it.
        {"paragraphtext(\"" LINES "\",-150,-3900,900,0)", 0, 0, 620, 0, 0, false,
         [](HDC dc) {
             RECT r = {-150, -3900, 750, -3890};
             SetTextAlign(dc, TA_LEFT | TA_TOP | TA_NOUPDATECP);
             DrawTextA(dc, LINES, -1, &r, DT_WORDBREAK | DT_NOPREFIX | DT_CALCRECT);
             DrawTextA(dc, LINES, -1, &r, DT_WORDBREAK | DT_NOPREFIX);
         }},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(testing::Message() << row.text << " height " << row.height << " angle " << row.angle);
        host.Clear(BG);
        std::string script = "settextforecolor(255)\nsettextbackcolor(" + std::to_string(BACK) + ")\n" +
                             (row.opaque ? "" : "settexttransparent(1)\n") + "setfont(\"ARIAL\"," +
                             std::to_string(row.height) + ",0,0," + std::to_string(row.underline) + "," +
                             std::to_string(row.angle) + ")\nsetposition(" + std::to_string(row.x) + "," +
                             std::to_string(row.y) + ")\n" + row.text;
        Outcome out = RunScript(script);
        ASSERT_EQ(out.result, -1) << out.errorline;
        const std::vector<COLORREF> ours = Frame();
        host.Clear(BG);
        HFONT font = CreateFontA(row.height, 0, row.angle * 10, 0, 400, FALSE, row.underline, FALSE, DEFAULT_CHARSET,
                                 OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY,
                                 DEFAULT_PITCH | FF_DONTCARE, "ARIAL");
        HGDIOBJ oldfont = SelectObject(host.dc, font);
        SetTextColor(host.dc, RED);
        SetBkColor(host.dc, BACK);
        SetBkMode(host.dc, row.opaque ? OPAQUE : TRANSPARENT);
        UINT align = SetTextAlign(host.dc, TA_LEFT | TA_TOP | TA_UPDATECP);
        MoveToEx(host.dc, row.x, row.y, nullptr);
        row.platform(host.dc);
        SetTextAlign(host.dc, align);
        DeleteObject(SelectObject(host.dc, oldfont));
        GdiFlush();
        ExpectSameInFrame(ours, RED, 3);
    }
}

// One line does a bounded amount of work however much it is given: a text
// of four megabytes in a 100-pixel column lays out and draws only what the
// frame can show.
TEST_F(Drawing, LongTextsDrawOnlyWhatCanBeSeen)
{
    const std::string build = "declarestring($s,\"some words here \")\ndeclareint(@i,0)\n:l\nstrcat($s,$s)\n"
                              "inc(@i)\nif(islessthan(@i,18),:l)\n";
    Recorded r = Record(host, build + "paragraphtext($s,0,0,100,0)");
    EXPECT_GT(r.characters, 100);
    EXPECT_LT(r.characters, 4000);
    // The lines above the frame's top are laid out, not drawn beyond it.
    Recorded scrolled = Record(host, build + "paragraphtext($s,0,-2000,100,0)");
    EXPECT_LT(scrolled.characters, 40000);
    // Printed, it draws what reaches the frame, and moves the position on
    // and measures as the platform would the whole text.
    Recorded printed = Record(host, build + "print($s)");
    EXPECT_GT(printed.characters, 10);
    EXPECT_LT(printed.characters, 4000);
    // So it does in a symbol font, whose code page the platform says nothing of.
    EXPECT_LT(Record(host, build + "setfont(\"Symbol\",16,0,0,0)\nprint($s)").characters, 4000);
    // A tall text's background is painted under glyphs with no outline, not
    // under blanks: a symbol font may have none, and the box drawn in its
    // place took half a second a line to render at the tallest heights.
    EXPECT_EQ(Record(host, "settextbackcolor(255)\nsetfont(\"Symbol\",600,0,0,0)\nprint(\"98\")").blanks, 0);
    Outcome measured = RunScript(build + "print(\"some words here \")\ndeclareint(@x,gethorizontalpos())\n"
                                         "setposition(0,0)\nprint($s)\ndeclareint(@p,isequal(gethorizontalpos(),mul(@x,262144)))\n"
                                         "declareint(@w,gettextlength(\"some words here \"))\n"
                                         "declareint(@m,isequal(gettextlength($s),mul(@w,262144)))");
    const std::string numbers = measured.variables.substr(measured.variables.find(" i="));
    EXPECT_NE(numbers.find("p=1"), std::string::npos) << numbers;
    EXPECT_NE(numbers.find("m=1"), std::string::npos) << numbers;
}

// Save, clear and restore: the same pixels come back, right and bottom
// edges included.
TEST_F(Drawing, SavedAreaComesBackUnchanged)
{
    Outcome out = RunScript("drawgradient(255,16711680,0,0,160,128,0)\nsetpixel(49,49,65280)\nsetdrawingoffset(3,7)\n"
                            "saveframearea(0,0,49,49)\nclearframe(0)\nrestoreframearea(0,0)");
    ASSERT_EQ(out.result, -1);
    std::vector<COLORREF> after;
    for (int y = 0; y < 60; y++)
        for (int x = 0; x < 60; x++)
            after.push_back(host.Pixel(x, y));
    host.Clear(BG);
    RunScript("drawgradient(255,16711680,0,0,160,128,0)\nsetpixel(49,49,65280)");
    for (int y = 0; y < 60; y++)
        for (int x = 0; x < 60; x++) {
            bool inside = x >= 3 && x <= 52 && y >= 7 && y <= 56;
            ASSERT_EQ(after[(size_t)(y * 60 + x)], inside ? host.Pixel(x, y) : 0u) << x << "," << y;
        }
}

// The horizontal position moves on by the printed text's width in the
// applet's font, measured piece by piece.
TEST_F(Drawing, PrintAdvancesByItsExtent)
{
    HFONT font = CreateFontA(16, 0, 0, 0, 400, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, "ARIAL");
    HGDIOBJ old = SelectObject(host.dc, font);
    auto width = [&](const char *text) {
        SIZE size{};
        GetTextExtentPoint32A(host.dc, text, (int)strlen(text), &size);
        return (int)size.cx;
    };
    int hello = width("Hello"), x = width("x"), y = width("y"), n = width("-42");
    SelectObject(host.dc, old);
    DeleteObject(font);
    ASSERT_GT(hello, 0);
    EXPECT_EQ(RunScript("setposition(3,9)\nprint(\"Hello\")\ndeclareint(@x,gethorizontalpos())\n"
                        "declareint(@y,getverticalpos())")
                  .variables,
              "x=" + std::to_string(3 + hello) + " y=9");
    EXPECT_EQ(RunScript("setdrawingoffset(100,0)\nprint(\"x\")\nprint(\"y\",-42)\ndeclareint(@x,gethorizontalpos())")
                  .variables,
              "x=" + std::to_string(x + y + n));
}

// Damaged picture entries are refused before anything of them is read.
TEST_F(Drawing, DamagedPictures)
{
    std::string good = PackedDib(2, 2, {RED, RED, RED, RED});
    auto with = [&](size_t offset, uint32_t value) {
        std::string d = good;
        memcpy(&d[offset], &value, 4);
        return d;
    };
    std::string palette8 = with(14, 8); // biBitCount 8, biCompression 0
    palette8.resize(40 + 1024 + 8);
    const std::string damaged[] = {
        good.substr(0, 40),                       // no pixels
        good.substr(0, 20),                       // a header cut short
        with(0, 12),                              // a header of another length
        with(0, 0x7FFFFF00),
        with(4, 0x40000000),                      // wider than the entry
        with(8, 0xFFFFFFFE),                      // top-down
        with(8, 0),
        palette8.substr(0, 40 + 100),             // a colour table cut short
        palette8.substr(0, 40 + 1024),            // no room for the pixels after the table
        with(16, BI_RLE8),
        with(14, 16),                             // a depth the picture functions do not take
        palette8.substr(0, 32) + std::string(4, '\x10') + palette8.substr(36), // more colours than the table
    };
    uint32_t number = 20;
    for (const std::string &d : damaged)
        host.entries.push_back({ENTRY_PICT, number++, d});
    host.entries.push_back({ENTRY_PICT, number, palette8});
    for (uint32_t i = 20; i <= number; i++) {
        SCOPED_TRACE(i);
        std::string n = std::to_string(i);
        bool usable = i == number;
        Outcome draw = RunScript("drawpicture(" + n + ",0,0)\ndrawpicture(" + n + ",0,0,1,0)");
        EXPECT_EQ(draw.result, usable ? -1 : 16);
        Outcome size = RunScript("declareint(@w,7)\ndeclareint(@h,7)\ndeclareint(@b,7)\ngetpicturedimensions(" + n +
                                 ",@w,@h,@b)");
        EXPECT_EQ(size.variables, usable ? "w=2 h=2 b=8" : "w=7 h=7 b=7");
    }
}

// The objects of a saved graphic state are deleted with it, however it
// leaves the stack; a restored state's objects replace the copies, which go.
TEST_F(Drawing, SavedStatesOwnTheirObjects)
{
    const struct {
        const char *script;
        int lines;
    } rows[] = {
        {"savegraphicstate()\nrestoregraphicstate()", 2},
        {"savegraphicstate()\nsetbrushcolor(255)\nsetfont(\"ARIAL\",30,0,0,0)\nrestoregraphicstate()", 4},
        {"do()\nsavegraphicstate()\nwhile(0)", 3},
        {"gosub(:s)\nend()\n:s\nsavegraphicstate()\nreturn()", 5},
        {"savegraphicstate()\nsavegraphicstate()\nrestoreframearea(0,0)", 3},
        {"savegraphicstate()\nsetpencolor(255,3)", 2},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.script);
        HGLOBAL object = MakeAppletObject(row.script);
        APPLET a;
        ASSERT_EQ(APPLETInitApplet(&a, nullptr, object, 0, 0, nullptr, "x", &FakeHost::host), 1);
        std::vector<HGDIOBJ> made = {a.font, a.pen, a.brush};
        HGDIOBJ saved[3] = {};
        for (int i = 0; i < row.lines && !APPLETProcessLine(&a, nullptr); i++) {
            if (a.savedstates && !saved[0]) {
                auto *g = (GRAPHICSTATE *)(UINT_PTR)a.stack[a.stacktop - 1].value;
                saved[0] = g->font, saved[1] = g->pen, saved[2] = g->brush;
            }
            made.insert(made.end(), {a.font, a.pen, a.brush});
        }
        std::vector<HGDIOBJ> current = {a.font, a.pen, a.brush};
        if (a.savedstates)
            current.insert(current.end(), saved, saved + 3);
        for (HGDIOBJ h : made) {
            bool kept = std::find(current.begin(), current.end(), h) != current.end();
            EXPECT_EQ(GetObjectType(h) != 0, kept);
        }
        APPLETFreeApplet(&a);
        for (HGDIOBJ h : made)
            EXPECT_EQ(GetObjectType(h), 0u);
        GlobalFree(object);
    }
}

// On a palette display pictures are reduced to the colour cube first:
// remapped to the nearest colour, or dithered.
TEST_F(Drawing, PaletteDisplay)
{
    int bits = devicebits;
    devicebits = 8;
    host.entries.push_back({ENTRY_PICT, 5, PackedDib(2, 2, std::vector<COLORREF>(4, RGB(250, 10, 10)))});
    Outcome remapped = RunScript("clearframe(65280)\nsetbrushcolor(255)\nparagraphtext(\"x\",0,50,50,0)\n"
                                 "drawpicture(5,0,0,1)\ndrawpicture(5,10,0)");
    devicebits = bits;
    EXPECT_EQ(remapped.result, -1);
    EXPECT_EQ(host.Pixel(0, 0), RED);
    EXPECT_EQ(host.Pixel(1, 1), RED);
    EXPECT_EQ(host.Pixel(5, 5), GREEN);
    EXPECT_NE(host.Pixel(10, 0), GREEN);
}

TEST_F(Drawing, SoundThatDoesNotStart)
{
    host.entries.push_back({ENTRY_MIDI, 1, "MIDI-1"});
    host.playresult = 0;
    Outcome out = RunScript("declareint(@a,playsound(1))\ndeclareint(@b,issoundplaying())");
    EXPECT_EQ(out.result, -1);
    EXPECT_EQ(out.variables, "a=0 b=0");
    EXPECT_EQ(out.log, "play(midi,MIDI-1);");
}

} // namespace
