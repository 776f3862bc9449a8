// The line driver, the line cleaner, the expression evaluator, the built-in
// table, and starting and freeing an applet.
#include "applet/internal.h"
#include "common/services.h"
#include "document/applet.h"
#include "common/owners.h"
#include "document/record.h"
#include <algorithm>
#include <cstdlib>
#include <cstring>

// ---- errors ----

const char *APPLETErrorText(int code)
{
    static const char *const texts[] = {"Ok",
                                        "Stack overflow",
                                        "Error allocating memory",
                                        "Variable previously declared",
                                        "Inappropriate value",
                                        "Syntax error",
                                        "Terminated",
                                        "Stack corrupted",
                                        "No function by that name",
                                        "Variable not declared",
                                        "Invalid assignment",
                                        "Incorrect number of arguments",
                                        "Attempt to divide by zero",
                                        "Label previously declared",
                                        "Label not declared",
                                        "While encountered before Do",
                                        "Sound or picture not found"};
    return code >= 0 && code <= 16 ? texts[code] : "Unknown error";
}

const char *APPLETError(APPLET *a) { return APPLETErrorText(a ? a->error : 0); }

// ---- the built-in table ----

namespace {

struct FUNCTION {
    const char *name;
    BUILTIN handler;
};

const FUNCTION function[] = {
    {"abs", APPLETAbs},
    {"add", APPLETAdd},
    {"and", APPLETAnd},
    {"arc", APPLETArc},
    {"beep", APPLETBeep},
    {"beziercurve", APPLETBezierCurve},
    {"bitand", APPLETBitAnd},
    {"bitor", APPLETBitOr},
    {"bitxor", APPLETBitXor},
    {"clearframe", APPLETClearScreen},
    {"controlvideo", APPLETControlVideo},
    {"copyframearea", APPLETCopyScreenArea},
    {"dec", APPLETDec},
    {"declarearray", APPLETDeclareArray},
    {"declareint", APPLETDeclareIntVariable},
    {"declarestring", APPLETDeclareString},
    {"div", APPLETDiv},
    {"do", APPLETDo},
    {"drawedge", APPLETDrawEdge},
    {"drawgradient", APPLETDrawGradient},
    {"drawpicture", APPLETDrawPicture},
    {"enableobject", APPLETEnableObject},
    {"end", APPLETFunctionEnd},
    {"fillrect", APPLETFillRect},
    {"fillroundrect", APPLETFillRoundRect},
    {"fillellipse", APPLETFillEllipse},
    {"fillpie", APPLETFillPie},
    {"fillpolygon", APPLETFillPolygon},
    {"frameellipse", APPLETFrameEllipse},
    {"framepie", APPLETFramePie},
    {"framepolygon", APPLETFramePolygon},
    {"framerect", APPLETFrameRect},
    {"frameroundrect", APPLETFrameRoundRect},
    {"getarrayvalue", APPLETGetArrayValue},
    {"getfixedcolor", APPLETGetFixedColour},
    {"getframedepth", APPLETGetFrameDeep},
    {"getframewidth", APPLETGetFrameWide},
    {"gethorizontalpos", APPLETGetHorizontalPosition},
    {"getpicturedimensions", APPLETGetPictureDimensions},
    {"getpixel", APPLETGetPixel},
    {"getobjectposition", APPLETGetObjectPosition},
    {"getobjecttext", APPLETGetObjectText},
    {"getbackgroundcolor", APPLETGetSaverColour},
    {"getcheckboxstate", APPLETGetCheckboxState},
    {"getconfigstring", APPLETGetConfigString},
    {"getscreenbits", APPLETGetScreenBits},
    {"getscreendepth", APPLETGetScreenDeep},
    {"getscreenwidth", APPLETGetScreenWide},
    {"getsyscolor", APPLETGetSysColour},
    {"getsystemtime", APPLETGetSystemTime},
    {"gettextdepth", APPLETGetTextDepth},
    {"gettextlength", APPLETGetTextLength},
    {"getverticalpos", APPLETGetVerticalPosition},
    {"gosub", APPLETGoSub},
    {"goto", APPLETGoTo},
    {"if", APPLETIf},
    {"inc", APPLETInc},
    {"intfromstring", APPLETIntFromStr},
    {"isequal", APPLETIsEqual},
    {"isgreaterthan", APPLETIsGreaterThan},
    {"isgreaterthanorequalto", APPLETIsGreaterThanOrEqualTo},
    {"islessthan", APPLETIsLessThan},
    {"islessthanorequalto", APPLETIsLessThanOrEqualTo},
    {"isnotequal", APPLETIsNotEqual},
    {"issoundplaying", APPLETIsSoundPlaying},
    {"jumptopage", APPLETJumpToPage},
    {"killsound", APPLETKillSoundFunction},
    {"line", APPLETLine},
    {"listboxdeletestring", APPLETListboxDeleteString},
    {"listboxgetcount", APPLETListboxGetCount},
    {"listboxgetstring", APPLETListboxGetString},
    {"listboxinsertstring", APPLETListboxInsertString},
    {"makecolor", APPLETMakeColour},
    {"max", APPLETMax},
    {"messagebox", APPLETMessageBox},
    {"min", APPLETMin},
    {"mod", APPLETMod},
    {"mul", APPLETMul},
    {"not", APPLETNot},
    {"opendocument", APPLETOpenDocument},
    {"or", APPLETOr},
    {"paragraphtext", APPLETParagraphText},
    {"playsound", APPLETPlaySoundFunction},
    {"pow", APPLETPow},
    {"print", APPLETFunctionPrint},
    {"printpage", APPLETPrintPage},
    {"quit", APPLETQuit},
    {"random", APPLETRandom},
    {"restoregraphicstate", APPLETRestoreGraphicState},
    {"restoreframearea", APPLETRestoreScreenArea},
    {"return", APPLETReturn},
    {"savegraphicstate", APPLETSaveGraphicState},
    {"saveframearea", APPLETSaveScreenArea},
    {"setarrayvalue", APPLETSetArrayValue},
    {"setbrushcolor", APPLETSetBrushColour},
    {"setcheckboxstate", APPLETSetCheckboxState},
    {"setconfigstring", APPLETSetConfigString},
    {"setdrawingoffset", APPLETSetDrawingOffset},
    {"setfont", APPLETSetFont},
    {"setobjecttext", APPLETSetObjectText},
    {"setpencolor", APPLETSetPenColour},
    {"setpixel", APPLETSetPixel},
    {"setposition", APPLETSetPosition},
    {"setpriority", APPLETSetPriority},
    {"settextbackcolor", APPLETSetTextBackColour},
    {"settextforecolor", APPLETSetTextForeColour},
    {"settexttransparent", APPLETSetTextTransparent},
    {"shiftleft", APPLETShiftLeft},
    {"shiftright", APPLETShiftRight},
    {"showobject", APPLETShowObject},
    {"sleep", APPLETSleep},
    {"strcat", APPLETStrCat},
    {"strcmp", APPLETStrCmp},
    {"strcmpi", APPLETStrCmpI},
    {"strcpy", APPLETStrCpy},
    {"strfromchar", APPLETStrFromChar},
    {"strfromint", APPLETStrFromInt},
    {"strgetchar", APPLETStrGetChar},
    {"strgettime", APPLETStrGetTime},
    {"strlen", APPLETStrLen},
    {"strlwr", APPLETStrLwr},
    {"strsub", APPLETStrSub},
    {"strupr", APPLETStrUpr},
    {"sub", APPLETSubtract},
    {"while", APPLETWhile},
    {"yesnobox", APPLETYesNoBox},
};
constexpr int FUNCTIONCOUNT = sizeof function / sizeof function[0];
static_assert(FUNCTIONCOUNT == 126);
constexpr int LONGESTNAME = 24;

// The rows in name order, for a binary search instead of 126 comparisons.
const int *SortedFunctions()
{
    static int order[FUNCTIONCOUNT];
    static bool ready = false;
    if (!ready) {
        for (int i = 0; i < FUNCTIONCOUNT; i++)
            order[i] = i;
        std::sort(order, order + FUNCTIONCOUNT,
                  [](int x, int y) { return strcmp(function[x].name, function[y].name) < 0; });
        ready = true;
    }
    return order;
}

} // namespace

int APPLETFunctionCount() { return FUNCTIONCOUNT; }
const char *APPLETFunctionName(int i) { return i >= 0 && i < FUNCTIONCOUNT ? function[i].name : nullptr; }

int APPLETExecuteFunction(APPLET *a, HWND w, const char *name, int length)
{
    if (length <= 0 || length > LONGESTNAME)
        return APPLETERR_NOFUNCTION;
    char lower[LONGESTNAME + 1];
    for (int i = 0; i < length; i++) {
        char ch = name[i];
        lower[i] = ch >= 'A' && ch <= 'Z' ? (char)(ch + 32) : ch;
    }
    lower[length] = 0;
    const int *order = SortedFunctions();
    int lo = 0, hi = FUNCTIONCOUNT;
    while (lo < hi) {
        int mid = (lo + hi) / 2;
        int c = strcmp(function[order[mid]].name, lower);
        if (c == 0) {
            return function[order[mid]].handler(a, w);
        }
        if (c < 0)
            lo = mid + 1;
        else
            hi = mid;
    }
    return APPLETERR_NOFUNCTION;
}

// ---- lines ----

char *APPLETGetLine(char *dst, char *src)
{
    if (!*src)
        return nullptr;
    int n = 0;
    while (n < APPLET_LINESIZE && src[n] && src[n] != '\n') {
        dst[n] = src[n];
        n++;
    }
    dst[n] = 0;
    return src[n] == '\n' ? src + n + 1 : src + n;
}

// Where the line starting at src ends (its LF, its NUL, or the cut after
// 2048 characters) and where the next one starts.
static const char *LineEnd(const char *src, const char **next)
{
    const char *p = src, *limit = src + APPLET_LINESIZE;
    while (p < limit && *p && *p != '\n')
        p++;
    *next = p < limit && *p == '\n' ? p + 1 : p;
    return p;
}

int APPLETCleanLine(char *dst, const char *src)
{
    bool instring = false;
    for (;;) {
        unsigned char ch = (unsigned char)*src;
        if (!ch || ch == ';')
            break;
        if (instring && ch == '\\') {
            ch = (unsigned char)*++src;
            if (ch >= '0' && ch <= '9') {
                if (src[1] >= '0' && src[1] <= '9' && src[2] >= '0' && src[2] <= '9') {
                    int v = (ch - '0') * 100 + (src[1] - '0') * 10 + (src[2] - '0');
                    if (v > 1 && v <= 255)
                        *dst++ = (char)v;
                    src += 3;
                } else {
                    src++;
                }
                continue;
            }
            if (ch == 'n' || ch == 'N') {
                *dst++ = '\r';
                *dst++ = '\n';
                src++;
                continue;
            }
            if (ch == '\\') {
                *dst++ = '\\';
                src++;
                continue;
            }
            continue; // any other character is taken as it stands
        }
        if (ch == '"') {
            *dst++ = instring ? STRING_END : '"';
            instring = !instring;
        } else if (instring || ch > 0x20) {
            *dst++ = (char)ch;
        }
        src++;
    }
    *dst = 0;
    return 1;
}

char *APPLETGetArgument(char *dst, char *src)
{
    int n = 0;
    while (src[n] && src[n] != ',' && src[n] != ')') {
        if (n < APPLET_LINESIZE)
            dst[n] = src[n];
        n++;
    }
    dst[std::min(n, APPLET_LINESIZE)] = 0;
    return src + n;
}

void APPLETGetStringFromString(char *dst, const char *src)
{
    while (src && *src && *src != STRING_END)
        *dst++ = *src++;
    *dst = 0;
}

int APPLETGetStringLength(const char *s) { return s ? (int)TextLength(s) : 0; }
int APPLETGetIntFromValue(const VALUE *v) { return v ? (int)v->value : 0; }

// ---- expressions ----

// Decimal digits with an optional sign, up to the first other character;
// wraps like the arithmetic does.
static uint32_t ReadNumber(const char *p, const char *end)
{
    bool negative = false;
    if (p < end && (*p == '-' || *p == '+'))
        negative = *p++ == '-';
    uint32_t n = 0;
    while (p < end && *p >= '0' && *p <= '9')
        n = n * 10 + (uint32_t)(*p++ - '0');
    return negative ? 0u - n : n;
}

static uint32_t KeyOf(const char *p, const char *end)
{
    uint32_t key = 0;
    for (int i = 0; i < 4 && p + i < end; i++)
        key |= (uint32_t)(unsigned char)p[i] << (8 * i);
    return key;
}

static char *Evaluate(APPLET *a, HWND w, char *text);

static char *EvaluateCall(APPLET *a, HWND w, char *text)
{
    char *open = text;
    while (*open && *open != '(')
        open++;
    if (!*open) {
        APPLETRecordError(a, APPLETERR_SYNTAX);
        return nullptr;
    }
    char *p = open + 1;
    uint32_t count = 0;
    while (*p != ')') {
        // Only a call runs code that could let the window go (a message box,
        // a wait): after a literal or a reference there is nothing to test.
        bool call = !strchr("\"-0123456789@$&:", *p);
        p = Evaluate(a, w, p);
        if (!p)
            return nullptr;
        if (APPLETPush(a, &returnvalue))
            return nullptr;
        if (call && a->host && a->host->alive && !a->host->alive(a)) {
            APPLETRecordError(a, APPLETERR_TERMINATED);
            return nullptr;
        }
        if (a->error)
            return nullptr;
        count++;
        if (*p == ',')
            p++;
        if (!*p) {
            APPLETRecordError(a, APPLETERR_SYNTAX);
            return nullptr;
        }
    }
    VALUE marker;
    APPLETPush(a, APPLETMakeValue(&marker, VT_ARGCOUNT, count, 0));
    if (a->error)
        return nullptr;
    int result = APPLETExecuteFunction(a, w, text, (int)(open - text));
    if (result) {
        if (result != a->error)
            APPLETRecordError(a, result);
        return nullptr;
    }
    return p + 1;
}

static char *Evaluate(APPLET *a, HWND w, char *text)
{
    switch (*text) {
    case 0:
        return text;
    case '"': {
        APPLETMakeValue(&returnvalue, VT_STRING, (uint32_t)(UINT_PTR)(text + 1), 0);
        char *end = strchr(text, STRING_END);
        if (!end) {
            APPLETRecordError(a, APPLETERR_SYNTAX);
            return nullptr;
        }
        return end + 1;
    }
    case '-':
    case '0':
    case '1':
    case '2':
    case '3':
    case '4':
    case '5':
    case '6':
    case '7':
    case '8':
    case '9':
    case '@':
    case '$':
    case '&':
    case ':': {
        char *end = text + strcspn(text, ",)");
        uint32_t type = *text == '@' ? VT_INTREF : *text == '$' ? VT_STRINGREF
                      : *text == '&' ? VT_ARRAYREF : *text == ':' ? VT_LABEL : VT_INTEGER;
        uint32_t value = type == VT_INTEGER ? ReadNumber(text, end) : KeyOf(text + 1, end);
        APPLETMakeValue(&returnvalue, type, value, 0);
        return end;
    }
    default:
        if (a->depth_ >= APPLET_MAXDEPTH) {
            APPLETRecordError(a, APPLETERR_SYNTAX);
            return nullptr;
        }
        a->depth_++;
        char *p = EvaluateCall(a, w, text);
        a->depth_--;
        return p;
    }
}

char *APPLETEvaluateExpression(APPLET *a, HWND w, char *text) { return Evaluate(a, w, text); }

int APPLETInterpretLine(APPLET *a, HWND w, char *line)
{
    a->runningline = a->currentline++;
    a->depth_ = 0;
    if (!*line || *line == ':')
        return a->error;
    if (*line == '@') {
        char *equals = strchr(line, '=');
        if (!equals)
            return APPLETRecordError(a, APPLETERR_SYNTAX);
        uint32_t key = KeyOf(line + 1, equals);
        if (!Evaluate(a, w, equals + 1) || a->error)
            return a->error;
        VALUE v = returnvalue;
        if (v.type == VT_INTREF && APPLETFindVariable(a, &v, v.value))
            return a->error;
        return APPLETAssignVariable(a, key, &v);
    }
    Evaluate(a, w, line);
    return a->error;
}

int APPLETProcessLine(APPLET *a, HWND w)
{
    if (a->freed)
        return APPLETERR_TERMINATED;
    // A step that reaches the applet while one of its own lines waits in a
    // message box has to wait for that line.
    if (a->busy)
        return 0;
    if (a->error)
        return a->error;
    if (a->currentline < 0 || a->currentline >= a->linecount || !a->source)
        return -1;
    char raw[APPLET_LINESIZE + 4], cleaned[APPLET_LINESIZE + 4];
    if (!APPLETGetLine(raw, a->source + a->lineoffsets[a->currentline]))
        return -1;
    APPLETCleanLine(cleaned, raw);
    a->busy = 1;
    int result = APPLETInterpretLine(a, w, cleaned);
    a->busy = 0;
    if (a->orphaned) {
        // Its window went while the line ran: release it now that nothing of
        // the line is using it any more.
        APPLETFreeApplet(a);
        return APPLETERR_TERMINATED;
    }
    return result;
}

// ---- start and end ----

static int AddString(APPLET *a, const char *name, const char *text)
{
    size_t n = strlen(text);
    char *memory = (char *)calloc(n + 16, 1);
    if (!memory)
        return APPLETRecordError(a, APPLETERR_MEMORY);
    memcpy(memory, text, n);
    memory[n] = STRING_END;
    VALUE v;
    APPLETMakeValue(&v, VT_READONLYSTRING, (uint32_t)(UINT_PTR)memory, APPLETMakeVariableName(name));
    if (APPLETAddVariable(a, &v)) {
        free(memory);
        return a->error;
    }
    return 0;
}

static int AddInteger(APPLET *a, const char *name, uint32_t value)
{
    VALUE v;
    return APPLETAddVariable(a, APPLETMakeValue(&v, VT_INTEGER, value, APPLETMakeVariableName(name)));
}

// The script: the first text entry, copied and terminated whatever its
// stored bytes hold.
static bool CopyScript(APPLET *a, HGLOBAL object)
{
    for (unsigned long i = 0;; i++) {
        unsigned long length = 0, kind = 0;
        HGLOBAL entry = GetAppletEntry(object, i, &length, &kind, nullptr);
        if (!entry)
            return false;
        if (kind == ENTRY_TEXT) {
            {
                GlobalLocked<char> data(entry);
                size_t n = std::min<size_t>(length, data.size());
                a->source = data ? (char *)malloc(n + 1) : nullptr;
                if (a->source) {
                    memcpy(a->source, data.get(), n);
                    a->source[n] = 0;
                }
            }
            GlobalFree(entry);
            return a->source != nullptr;
        }
        GlobalFree(entry);
    }
}

static bool FindLines(APPLET *a)
{
    int capacity = 0;
    for (const char *p = a->source; *p;) {
        const char *next;
        const char *end = LineEnd(p, &next);
        if (a->linecount == capacity) {
            if (capacity >= (1 << 26))
                return false;
            capacity = capacity ? capacity * 2 : 64;
            uint32_t *n = (uint32_t *)realloc(a->lineoffsets, capacity * sizeof(uint32_t));
            if (!n)
                return false;
            a->lineoffsets = n;
        }
        a->lineoffsets[a->linecount] = (uint32_t)(p - a->source);
        // Only a line whose first character that cleaning keeps is ':' is a
        // label: most lines are told apart without being cleaned.
        const char *q = p;
        while (q < end && (unsigned char)*q <= 0x20)
            q++;
        if (q < end && *q == ':') {
            char raw[APPLET_LINESIZE + 4], cleaned[APPLET_LINESIZE + 4];
            APPLETGetLine(raw, (char *)p);
            APPLETCleanLine(cleaned, raw);
            if (cleaned[0] == ':') {
                a->runningline = a->linecount;
                VALUE label;
                APPLETMakeValue(&label, VT_LABEL, (uint32_t)a->linecount, APPLETMakeVariableName(cleaned + 1));
                if (APPLETAddLabel(a, &label))
                    return false;
            }
        }
        a->linecount++;
        p = next;
    }
    a->runningline = -1;
    return true;
}

int APPLETInitApplet(APPLET *a, HWND w, HGLOBAL object, COLORREF background, long stacksize, HWND notify,
                     const char *name, const APPLETHOST *host)
{
    memset(a, 0, sizeof *a);
    a->errorline = -1;
    a->runningline = -1;
    a->host = host;
    // The size comes from the document file: reckoned in 64 bits and capped.
    int64_t size = stacksize <= APPLET_DEFAULTSTACK ? APPLET_DEFAULTSTACK : (int64_t)stacksize;
    if (size > APPLET_MAXSTACK) {
        APPLETRecordError(a, APPLETERR_MEMORY);
        APPLETFreeApplet(a);
        return 0;
    }
    a->stacksize = (int)size;
    a->hwnd = w;
    a->font = CreateFontA(16, 0, 0, 0, 400, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, "ARIAL");
    a->brush = CreateSolidBrush(0xFFFFFF);
    a->backgroundcolour = background;
    a->backgroundbrush = CreateSolidBrush(background);
    a->pen = CreatePen(PS_SOLID, 1, 0xFFFFFF);
    a->appletobject = object;
    a->notifywindow = notify;
    a->stack = (VALUE *)calloc((size_t)size, sizeof(VALUE));
    a->forecolour = 0xFFFFFF;
    a->backcolour = 0;
    a->bkmode = 2;
    bool ok = a->stack && object && CopyScript(a, object);
    if (ok) {
        ObjectRecord<> header(object);
        ok = (bool)header;
        if (ok) {
            a->width = RectWidth(&header->rect);
            a->depth = RectDepth(&header->rect);
            a->objectnumber = header->number;
        }
    }
    a->currentline = 0;
    a->errorline = -1;
    a->error = 0;
    ok = ok && FindLines(a);
    if (ok) {
        char owner[260], organisation[260];
        GetMachineName(owner, organisation);
        owner[259] = organisation[259] = 0;
        ok = !AddString(a, "_OWN", owner[0] ? owner : "UNKNOWN USER") &&
             !AddString(a, "_ORG", organisation[0] ? organisation : "UNKNOWN USER");
    }
    if (ok) {
        uint32_t notifynumber = 0, notifytag = 0;
        int page = 0, pages = 0;
        if (host && host->notifyinfo && notify)
            host->notifyinfo(a, &notifynumber, &notifytag);
        if (host && host->pageinfo)
            host->pageinfo(a, &page, &pages);
        const struct {
            const char *name;
            uint32_t value;
        } integers[] = {{"_NTF", notifynumber}, {"_BTN", TAG_BUTN}, {"_TXT", TAG_TEXT}, {"_CHB", TAG_CHEC},
                        {"_RDO", TAG_RDIO},     {"_IMG", TAG_IMAG}, {"_WAV", TAG_WAVE}, {"_MID", TAG_MIDI},
                        {"_ANM", TAG_ANIM},     {"_FRM", TAG_FRAM}, {"_APL", TAG_APPL}, {"_LST", TAG_LIST},
                        {"_EDT", TAG_EDIT},     {"_STI", TAG_STAT}, {"_TMR", TAG_TIME}, {"_TYP", notifytag},
                        {"_PAG", (uint32_t)page}, {"_PCT", (uint32_t)pages}, {"_APN", a->objectnumber}};
        for (const auto &v : integers)
            if (ok && AddInteger(a, v.name, v.value))
                ok = false;
    }
    if (!ok) {
        APPLETFreeApplet(a);
        return 0;
    }
    size_t n = name ? strnlen(name, sizeof a->appname - 1) : 0;
    memcpy(a->appname, name, n);
    a->appname[n] = 0;
    if (!a->appname[0])
        strcpy(a->appname, "UNTITLED");
    return 1;
}

int APPLETFreeApplet(APPLET *a)
{
    if (a->freed)
        return 1;
    if (a->busy) {
        a->orphaned = 1;
        return 0;
    }
    for (HGDIOBJ *h : {(HGDIOBJ *)&a->font, (HGDIOBJ *)&a->brush, (HGDIOBJ *)&a->backgroundbrush,
                       (HGDIOBJ *)&a->pen}) {
        if (*h)
            DeleteObject(*h);
        *h = nullptr;
    }
    int error = a->error, errorline = a->errorline;
    VALUE v;
    while (a->stack && a->stacktop > 0 && !APPLETPop(a, &v))
        APPLETDiscardValue(a, &v);
    a->error = error;
    a->errorline = errorline;
    for (int i = 0; i < a->variablecount; i++)
        if (a->variables[i].type & VT_OWNED)
            free((void *)(UINT_PTR)a->variables[i].value);
    free(a->stack);
    free(a->variables);
    free(a->labels);
    free(a->source);
    free(a->lineoffsets);
    APPLETFreeIndex(&a->variableindex);
    APPLETFreeIndex(&a->labelindex);
    a->stack = a->variables = a->labels = nullptr;
    a->source = nullptr;
    a->lineoffsets = nullptr;
    a->stacktop = a->variablecount = a->labelcount = a->linecount = 0;
    a->freed = 1;
    return 1;
}
