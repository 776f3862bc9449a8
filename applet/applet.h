// The TALLIX applet interpreter: one APPLET record per running script, a
// stack and two tables of typed VALUEs, and a line driver that runs one
// script line per call.
//
// The interpreter itself touches no window. Whatever reaches outside the
// script (the other objects of the page, the show, modal boxes, the profile
// file, waiting, beeping) goes through the APPLETHOST the applet was started
// with: the applet window provides the real one, tests a recording fake.
#pragma once
#include "document/objects.h"
#include <windows.h>
#include <cstddef>
#include <cstdint>

struct VALUE {
    uint32_t type;
    uint32_t value;
    uint32_t name;
};
static_assert(sizeof(VALUE) == 12);

constexpr uint32_t VT_INTEGER = 0x1;
constexpr uint32_t VT_STRING = 0x2;
constexpr uint32_t VT_LABEL = 0x4;
constexpr uint32_t VT_ARGCOUNT = 0x8;
constexpr uint32_t VT_RETURN = 0x10;
constexpr uint32_t VT_INTREF = 0x20;
constexpr uint32_t VT_STRINGREF = 0x40;
constexpr uint32_t VT_DOLOOP = 0x80;
constexpr uint32_t VT_ARRAYREF = 0x100;
constexpr uint32_t VT_GRAPHICSTATE = 0x200;
constexpr uint32_t VT_OWNED = 0x8000;
constexpr uint32_t VT_SAVEDAREA = 0x10000;

constexpr uint32_t VT_STRINGVARIABLE = VT_OWNED | VT_STRINGREF;
constexpr uint32_t VT_READONLYSTRING = VT_OWNED | VT_STRING;
constexpr uint32_t VT_ARRAYVARIABLE = VT_OWNED | VT_ARRAYREF; // plus the count << 16

constexpr char STRING_END = 0x01;

// Error codes; APPLETError gives their texts.
enum {
    APPLETERR_OK = 0,
    APPLETERR_STACK = 1,
    APPLETERR_MEMORY = 2,
    APPLETERR_DECLARED = 3,
    APPLETERR_VALUE = 4,
    APPLETERR_SYNTAX = 5,
    APPLETERR_TERMINATED = 6,
    APPLETERR_CORRUPTED = 7,
    APPLETERR_NOFUNCTION = 8,
    APPLETERR_UNDECLARED = 9,
    APPLETERR_ASSIGNMENT = 10,
    APPLETERR_ARGCOUNT = 11,
    APPLETERR_DIVIDE = 12,
    APPLETERR_LABELDECLARED = 13,
    APPLETERR_NOLABEL = 14,
    APPLETERR_WHILE = 15,
    APPLETERR_NOTFOUND = 16,
};

constexpr int APPLET_LINESIZE = 2048;      // characters of one line
constexpr int APPLET_DEFAULTSTACK = 8192;  // values; smaller requests get this
// A stack size comes from the document file: anything above this many values
// is refused rather than trusted.
constexpr int64_t APPLET_MAXSTACK = 1 << 20;
// Calls nested deeper than this in one line are a syntax error, long before
// the evaluator's own recursion could run out of native stack.
constexpr int APPLET_MAXDEPTH = 128;
// Graphic states and frame areas saved on the stack at once; one more is
// error 1.
constexpr int APPLET_MAXSAVED = 256;
// Bytes of one string variable: a script that keeps doubling a string gets
// error 2 here rather than taking the player's last memory.
constexpr size_t APPLET_MAXSTRING = 16 << 20;
constexpr int APPLET_CONFIGSIZE = 1024;    // characters of a profile value
constexpr int APPLET_FACESIZE = 32;        // a font face with its terminator

struct APPLET;

// Key -> entry index for one table, open addressing; 0 marks a free slot.
struct APPLETINDEX {
    uint32_t *slots; // key of each slot
    int *entries;    // table index of each slot
    int capacity;    // a power of two, or 0
};

// What the interpreter needs of the world outside the script. Object windows
// are found by object number and handed back as the window that was locked,
// so a built-in acts on and unlocks the very window it locked.
struct APPLETHOST {
    // The applet's window still exists (tested after every argument, since a
    // modal box or a wait may let it be destroyed).
    int (*alive)(APPLET *applet);
    // The window of the page object with that number with its record locked,
    // or NULL (no such object, or not a page object window at all).
    HWND (*lockobject)(APPLET *applet, int id, OBJECTHEADER **object);
    void (*unlockobject)(APPLET *applet, HWND object);
    // List box and check box messages to a locked object window.
    LRESULT (*sendobject)(APPLET *applet, HWND object, UINT message, WPARAM wparam, LPARAM lparam);
    int (*showobject)(APPLET *applet, HWND object, int show);      // ShowWindow's result
    // A posted start or stop request, naming the applet window as the asker.
    void (*startstop)(APPLET *applet, HWND object, int run);
    // Requests to the show window; they take effect after the current line.
    void (*showpage)(APPLET *applet, int page);
    void (*printpage)(APPLET *applet, int whole);
    void (*quit)(APPLET *applet);
    // The playing movie: op 1 pause, 2 resume, 3 stop, 4 ask its number;
    // returns the built-in's result (0 when no movie plays).
    int (*controlvideo)(APPLET *applet, int op);
    // A box on the show window with an empty caption (MB_OK or MB_YESNO);
    // after an MB_OK box the show window is repainted. The applet's window
    // may be destroyed while it is open (see APPLETFreeApplet).
    int (*messagebox)(APPLET *applet, const char *text, UINT style);
    // Only a path or address the show would open itself; 1 when opened.
    int (*opendocument)(APPLET *applet, const char *path);
    // The applet profile file: section, key, value; getprofile fills at most
    // size bytes including the terminator.
    void (*getprofile)(APPLET *applet, const char *section, const char *key, char *out, int size);
    int (*setprofile)(APPLET *applet, const char *section, const char *key, const char *value);
    void (*wait)(APPLET *applet, int ms);
    int (*aborted)(APPLET *applet);                                 // the user asked to stop
    void (*beep)(APPLET *applet, UINT type);
    // At start: the current page (from 0) and the number of pages, 0 and 0
    // without a document; the number and tag of the object that started the
    // applet, 0 and 0 when none.
    void (*pageinfo)(APPLET *applet, int *page, int *count);
    void (*notifyinfo)(APPLET *applet, uint32_t *number, uint32_t *tag);

    // Drawing. The device context the applet paints its frame through, with
    // the show's palette selected and realized when it has one; every getdc is
    // paired with one releasedc in the same built-in. NULL: nothing is drawn.
    HDC (*getdc)(APPLET *applet);
    void (*releasedc)(APPLET *applet, HDC dc);
    // The window text of the page object with that number on the applet's
    // page. objecttext copies at most size bytes with the terminator and
    // returns the text's full length; with out NULL it only measures. Both
    // do nothing (and report 0 / an empty text) when there is no such window.
    int (*objecttext)(APPLET *applet, int number, char *out, int size);
    void (*setobjecttext)(APPLET *applet, int number, const char *text);
    // The process-wide sound player: play a copy of a wave (kind 0, a
    // WAVEDATA) or MIDI (kind 1, a MIDI file) entry of the applet, with its
    // end notified to the applet's window; 1 when playback started.
    int (*playsound)(APPLET *applet, HGLOBAL data, int kind);
    void (*killsound)(APPLET *applet);
    int (*soundplaying)(APPLET *applet);
};

struct APPLET {
    HWND hwnd;
    HFONT font;
    HBRUSH brush;
    HBRUSH backgroundbrush;
    HPEN pen;
    int xpos, ypos;
    COLORREF forecolour;
    COLORREF backcolour;
    int bkmode;
    VALUE *stack;
    int stacktop;
    int stacksize;
    VALUE *variables;
    int variablecount;
    VALUE *labels;
    int labelcount;
    int width, depth;
    char *source;          // the script, always terminated
    int currentline;
    int errorline;
    int error;
    uint32_t *lineoffsets;
    int linecount;
    COLORREF backgroundcolour;
    int offsetx, offsety;
    HGLOBAL appletobject;
    uint32_t objectnumber;
    HWND notifywindow;
    char appname[260];

    // Kept by the interpreter beside the recorded state.
    const APPLETHOST *host;
    int variablecapacity;
    int labelcapacity;
    APPLETINDEX variableindex;
    APPLETINDEX labelindex;
    int runningline;       // the line whose errors are being recorded
    int depth_;            // call nesting of the expression being evaluated
    int savedstates;       // graphic states on the stack
    int savedareas;        // frame areas on the stack
    int busy;              // a line is running (a modal box may be open in it)
    int orphaned;          // freed while busy: released when the line returns
    int freed;             // everything released; the caller frees the record
};

// The graphic state savegraphicstate pushes; it owns its three objects until
// it is restored.
struct GRAPHICSTATE {
    HFONT font;
    HPEN pen;
    HBRUSH brush;
    int32_t xpos, ypos;
    COLORREF forecolour, backcolour;
    int32_t bkmode;
    int32_t offsetx, offsety;
};

// The result of the last expression or built-in of any applet.
extern VALUE returnvalue;

// Values and tables.
VALUE *APPLETMakeValue(VALUE *out, uint32_t type, uint32_t value, uint32_t name);
uint32_t APPLETMakeVariableName(const char *name);
int APPLETGetVariable(APPLET *a, VALUE *out, int i);
int APPLETPutVariable(APPLET *a, const VALUE *in, int i);
int APPLETGetLabel(APPLET *a, VALUE *out, int i);
int APPLETPutLabel(APPLET *a, const VALUE *in, int i);
int APPLETAddVariable(APPLET *a, const VALUE *v);
int APPLETAddLabel(APPLET *a, const VALUE *v);
int APPLETFindVariable(APPLET *a, VALUE *out, uint32_t key);
int APPLETFindLabel(APPLET *a, VALUE *out, uint32_t key);
int APPLETAssignVariable(APPLET *a, uint32_t key, const VALUE *v);
int APPLETPush(APPLET *a, const VALUE *v);
int APPLETPop(APPLET *a, VALUE *out);
// Releases what a value popped off the stack owns (string memory, a saved
// graphic state, a saved frame area).
void APPLETDiscardValue(APPLET *a, const VALUE *v);
// Index of the first variable with the key, -1 when none.
int APPLETVariableIndex(APPLET *a, uint32_t key);
int APPLETRecordError(APPLET *a, int code);

// Lines and expressions.
int APPLETProcessLine(APPLET *a, HWND appletwindow);
int APPLETInterpretLine(APPLET *a, HWND appletwindow, char *cleanedline);
char *APPLETEvaluateExpression(APPLET *a, HWND appletwindow, char *text);
int APPLETExecuteFunction(APPLET *a, HWND appletwindow, const char *name, int length);
const char *APPLETError(APPLET *a);
const char *APPLETErrorText(int code);
char *APPLETGetLine(char *dst, char *src);
int APPLETCleanLine(char *dst, const char *src);
char *APPLETGetArgument(char *dst, char *src);
void APPLETGetStringFromString(char *dst, const char *src);
int APPLETGetStringLength(const char *s);
int APPLETGetIntFromValue(const VALUE *v);

// Start and end. APPLETFreeApplet returns 0 when a line of the applet is still
// running (a message box of it is open): the applet is then released when
// that line returns, which sets `freed`, and the record's owner frees the
// record there instead.
int APPLETInitApplet(APPLET *a, HWND appletwindow, HGLOBAL appletobject, COLORREF backgroundcolour,
                     long stacksize, HWND notifywindow, const char *name, const APPLETHOST *host);
int APPLETFreeApplet(APPLET *a);

// The interpreter's own random numbers, 31 bits; seeded once per process.
void APPLETSeedRandom(uint64_t seed);
uint32_t APPLETRandom31();

// A font face from a script, cut to fit a LOGFONT face.
void APPLETCopyFaceName(char (&dst)[APPLET_FACESIZE], const char *text);

// Number of rows of the built-in table, and the name of row i.
int APPLETFunctionCount();
const char *APPLETFunctionName(int i);
