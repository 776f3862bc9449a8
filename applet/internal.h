// What the built-ins share: the calling convention (arguments off the stack,
// typed argument readers, the result) and the writing of string variables.
#pragma once
#include "applet/applet.h"
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
