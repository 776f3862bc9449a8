// What the built-ins share: the calling convention (arguments off the stack,
// typed argument readers, the result) and the writing of string variables.
#pragma once
#include "applet/applet.h"
#include "media/dib.h"
#include <cstddef>

void APPLETFreeIndex(APPLETINDEX *x);

// One call of a built-in: its arguments popped off the stack, first argument
// first.
struct CALL {
    APPLET *a;
    HWND hwnd;
    int argc;
    VALUE *args;
    VALUE few[8];
    bool counted; // the argument count is one the built-in accepts
};

// Pops the count marker and the arguments. A nonzero result is the code the
// handler returns at once; otherwise `counted` tells whether to act (a wrong
// count has recorded error 11).
int BeginCall(CALL *c, APPLET *a, HWND hwnd, int least, int most);
// Frees the arguments, leaves the result in returnvalue and returns the
// applet's error.
int EndCall(CALL *c, int32_t result);

// The opening of every handler taking (APPLET *a, HWND w): the arguments into
// `c`, and a return at once on a stack fault or a wrong count.
#define BEGIN(least, most)                                                                                   \
    CALL c;                                                                                                  \
    if (int r_ = BeginCall(&c, a, w, least, most))                                                           \
        return r_;                                                                                           \
    if (!c.counted)                                                                                          \
        return EndCall(&c, 0);

// A host entry, or `absent` when the applet runs without one.
#define HOST(a, f, absent, ...) ((a)->host && (a)->host->f ? (a)->host->f((a) __VA_OPT__(, ) __VA_ARGS__) : (absent))

// Argument readers; an argument past the count gives the default silently,
// a wrong type records its error and gives the default.
int32_t IntArg(CALL *c, int i, int32_t absent = 0);
const char *TextArg(CALL *c, int i); // NULL: no text
uint32_t RefArg(CALL *c, int i, uint32_t bit);
uint32_t LabelArg(CALL *c, int i);

size_t TextLength(const char *s);   // up to STRING_END or NUL
size_t StoredLength(const char *s); // up to NUL
// A text copied out of the script: its text, terminated, in memory of its
// own (text length + 16). NULL with error 2 recorded when memory fails;
// `text` NULL gives the empty text.
char *CopyText(APPLET *a, const char *text);

// Writes a string target: new memory of len + 16 zeroed bytes holding the
// bytes. 10 when the first variable with the key is no writable string;
// nothing when there is none.
int WriteString(APPLET *a, uint32_t key, const char *bytes, size_t len);

typedef int (*BUILTIN)(APPLET *, HWND);

// Control flow and integer variables.
int APPLETGoTo(APPLET *, HWND);
int APPLETIf(APPLET *, HWND);
int APPLETGoSub(APPLET *, HWND);
int APPLETReturn(APPLET *, HWND);
int APPLETDo(APPLET *, HWND);
int APPLETWhile(APPLET *, HWND);
int APPLETFunctionEnd(APPLET *, HWND);
int APPLETDeclareIntVariable(APPLET *, HWND);
int APPLETInc(APPLET *, HWND);
int APPLETDec(APPLET *, HWND);
// Arithmetic, comparison and logic.
int APPLETAdd(APPLET *, HWND);
int APPLETSubtract(APPLET *, HWND);
int APPLETMul(APPLET *, HWND);
int APPLETDiv(APPLET *, HWND);
int APPLETMod(APPLET *, HWND);
int APPLETShiftLeft(APPLET *, HWND);
int APPLETShiftRight(APPLET *, HWND);
int APPLETBitAnd(APPLET *, HWND);
int APPLETBitOr(APPLET *, HWND);
int APPLETBitXor(APPLET *, HWND);
int APPLETAbs(APPLET *, HWND);
int APPLETMax(APPLET *, HWND);
int APPLETMin(APPLET *, HWND);
int APPLETPow(APPLET *, HWND);
int APPLETAnd(APPLET *, HWND);
int APPLETOr(APPLET *, HWND);
int APPLETNot(APPLET *, HWND);
int APPLETIsEqual(APPLET *, HWND);
int APPLETIsNotEqual(APPLET *, HWND);
int APPLETIsGreaterThan(APPLET *, HWND);
int APPLETIsLessThan(APPLET *, HWND);
int APPLETIsGreaterThanOrEqualTo(APPLET *, HWND);
int APPLETIsLessThanOrEqualTo(APPLET *, HWND);
int APPLETRandom(APPLET *, HWND);
int APPLETGetSystemTime(APPLET *, HWND);
// Strings and arrays.
int APPLETDeclareString(APPLET *, HWND);
int APPLETStrCpy(APPLET *, HWND);
int APPLETStrCat(APPLET *, HWND);
int APPLETStrSub(APPLET *, HWND);
int APPLETStrFromInt(APPLET *, HWND);
int APPLETStrFromChar(APPLET *, HWND);
int APPLETStrGetTime(APPLET *, HWND);
int APPLETStrLen(APPLET *, HWND);
int APPLETStrCmp(APPLET *, HWND);
int APPLETStrCmpI(APPLET *, HWND);
int APPLETStrGetChar(APPLET *, HWND);
int APPLETStrUpr(APPLET *, HWND);
int APPLETStrLwr(APPLET *, HWND);
int APPLETIntFromStr(APPLET *, HWND);
int APPLETDeclareArray(APPLET *, HWND);
int APPLETGetArrayValue(APPLET *, HWND);
int APPLETSetArrayValue(APPLET *, HWND);
// Page objects and the system.
int APPLETListboxGetCount(APPLET *, HWND);
int APPLETListboxDeleteString(APPLET *, HWND);
int APPLETListboxInsertString(APPLET *, HWND);
int APPLETListboxGetString(APPLET *, HWND);
int APPLETGetCheckboxState(APPLET *, HWND);
int APPLETSetCheckboxState(APPLET *, HWND);
int APPLETShowObject(APPLET *, HWND);
int APPLETEnableObject(APPLET *, HWND);
int APPLETGetObjectPosition(APPLET *, HWND);
int APPLETJumpToPage(APPLET *, HWND);
int APPLETPrintPage(APPLET *, HWND);
int APPLETQuit(APPLET *, HWND);
int APPLETControlVideo(APPLET *, HWND);
int APPLETSetPriority(APPLET *, HWND);
int APPLETMessageBox(APPLET *, HWND);
int APPLETYesNoBox(APPLET *, HWND);
int APPLETOpenDocument(APPLET *, HWND);
int APPLETGetConfigString(APPLET *, HWND);
int APPLETSetConfigString(APPLET *, HWND);
int APPLETSleep(APPLET *, HWND);
int APPLETBeep(APPLET *, HWND);

// A bad integer argument records its error like IntArg but gives `fallback`
// in its place, for the built-ins whose defaults are not 0.
int32_t IntArgOr(CALL *c, int i, int32_t fallback);

// The applet's frame for the length of one built-in: the host's device
// context in MM_TEXT, given back when the built-in is done. `dc` NULL: there
// is nothing to draw on, and the built-in draws nothing.
class Surface {
public:
    explicit Surface(APPLET *a);
    ~Surface();
    Surface(const Surface &) = delete;
    Surface &operator=(const Surface &) = delete;
    HDC dc;

private:
    APPLET *a;
};

// The fixed 3-3-2 palette realised in a device context for one drawing, on
// displays of 8 bits or fewer only; Solid gives the colour a solid fill takes.
class FixedPalette {
public:
    explicit FixedPalette(HDC dc);
    ~FixedPalette();
    FixedPalette(const FixedPalette &) = delete;
    FixedPalette &operator=(const FixedPalette &) = delete;
    COLORREF Solid(COLORREF colour) const;

private:
    HDC dc;
    bool realised = false;
    PALSTATE state{};
};

// The frame's size in pixels: its applet object's rectangle, 0 x 0 when the
// object cannot be read or the rectangle is inside out.
void FrameSize(APPLET *a, int *width, int *height);

// Whether a figure within the rectangle, either way round, can reach into
// the frame, a wide pen's width and a pixel beyond it taken as reaching.
bool SeenInFrame(APPLET *a, const RECT &r);

// A script's integer arithmetic wraps round, as 32-bit registers do.
inline int32_t Wrap(uint32_t v) { return (int32_t)v; }

// A wide result narrowed to the nearest 32-bit value.
inline int32_t Clamp32(int64_t v) { return (int32_t)(v < INT32_MIN ? INT32_MIN : v > INT32_MAX ? INT32_MAX : v); }

// A script coordinate moved by an offset; wraps rather than overflows.
inline int32_t Moved(int32_t v, int32_t by) { return (int32_t)((uint32_t)v + (uint32_t)by); }

// The platform's drawing code takes figures far beyond any window badly:
// near 2^31 it crashes, and a figure a billion pixels across takes seconds
// even when clipped. Every coordinate handed to it stays within this reach
// of the frame's origin, far beyond any frame, so what shows is unchanged.
constexpr int32_t REACH = 1 << 16;
// A script coordinate moved by an offset, as the drawing code gets it.
inline int32_t Placed(int32_t v, int32_t by)
{
    int64_t moved = (int64_t)v + by;
    return (int32_t)(moved < -REACH ? -REACH : moved > REACH ? REACH : moved);
}

// Pens wider than this draw outlines through WideStroke, not the platform:
// the platform's stroke of any wider pen costs its width times the outline's
// length, wherever the outline runs.
constexpr int32_t WIDEPEN = 1;
enum WIDEFIGURE { WIDE_LINE, WIDE_POLYGON, WIDE_RECT, WIDE_ELLIPSE, WIDE_ROUNDRECT, WIDE_ARC, WIDE_PIE, WIDE_BEZIER };
// Draws an outline with the applet's pen when that is wider than WIDEPEN,
// and a Bezier curve with any pen, only within what can be seen of the
// frame; false when the platform is to draw it. `box` is the figure's rectangle; `points` the round rectangle's
// corner size, the arc's or pie's two radial points, or the `count` points
// of a line, polygon or Bezier curve.
bool WideStroke(APPLET *a, HDC dc, WIDEFIGURE figure, const RECT &box, const POINT *points, int count);
// How many of the platform's steps round the ellipse of radii rx, ry lie
// between where the rays of the parameters `from` and `from + sweep` meet
// it, counter-clockwise: 0 or 1, or 2 for two or more.
int ArcStepsBetween(double rx, double ry, double from, double sweep);

// Drawing surface and graphic state.
int APPLETSetPosition(APPLET *, HWND);
int APPLETGetHorizontalPosition(APPLET *, HWND);
int APPLETGetVerticalPosition(APPLET *, HWND);
int APPLETSetDrawingOffset(APPLET *, HWND);
int APPLETSetTextForeColour(APPLET *, HWND);
int APPLETSetTextBackColour(APPLET *, HWND);
int APPLETSetTextTransparent(APPLET *, HWND);
int APPLETSetBrushColour(APPLET *, HWND);
int APPLETSetPenColour(APPLET *, HWND);
int APPLETMakeColour(APPLET *, HWND);
int APPLETGetFixedColour(APPLET *, HWND);
int APPLETGetSysColour(APPLET *, HWND);
int APPLETGetSaverColour(APPLET *, HWND);
int APPLETGetScreenWide(APPLET *, HWND);
int APPLETGetScreenDeep(APPLET *, HWND);
int APPLETGetScreenBits(APPLET *, HWND);
int APPLETGetFrameWide(APPLET *, HWND);
int APPLETGetFrameDeep(APPLET *, HWND);
int APPLETClearScreen(APPLET *, HWND);
int APPLETSaveGraphicState(APPLET *, HWND);
int APPLETRestoreGraphicState(APPLET *, HWND);
// Shapes.
int APPLETLine(APPLET *, HWND);
int APPLETFrameRect(APPLET *, HWND);
int APPLETFillRect(APPLET *, HWND);
int APPLETFrameEllipse(APPLET *, HWND);
int APPLETFillEllipse(APPLET *, HWND);
int APPLETFrameRoundRect(APPLET *, HWND);
int APPLETFillRoundRect(APPLET *, HWND);
int APPLETArc(APPLET *, HWND);
int APPLETFramePie(APPLET *, HWND);
int APPLETFillPie(APPLET *, HWND);
int APPLETFramePolygon(APPLET *, HWND);
int APPLETFillPolygon(APPLET *, HWND);
int APPLETBezierCurve(APPLET *, HWND);
int APPLETDrawEdge(APPLET *, HWND);
int APPLETDrawGradient(APPLET *, HWND);
int APPLETSetPixel(APPLET *, HWND);
int APPLETGetPixel(APPLET *, HWND);
// Text.
int APPLETFunctionPrint(APPLET *, HWND);
int APPLETParagraphText(APPLET *, HWND);
int APPLETSetFont(APPLET *, HWND);
int APPLETGetTextLength(APPLET *, HWND);
int APPLETGetTextDepth(APPLET *, HWND);
// Pictures and frame areas.
int APPLETDrawPicture(APPLET *, HWND);
int APPLETGetPictureDimensions(APPLET *, HWND);
int APPLETSaveScreenArea(APPLET *, HWND);
int APPLETRestoreScreenArea(APPLET *, HWND);
int APPLETCopyScreenArea(APPLET *, HWND);
// Object texts and sounds.
int APPLETSetObjectText(APPLET *, HWND);
int APPLETGetObjectText(APPLET *, HWND);
int APPLETPlaySoundFunction(APPLET *, HWND);
int APPLETKillSoundFunction(APPLET *, HWND);
int APPLETIsSoundPlaying(APPLET *, HWND);
