// Page objects: one movable global block each, holding the object's header,
// its type record and its attached data. The same bytes (less the data, which
// is compressed) stand in a document file, so every record is packed and its
// size and offsets are fixed.
#pragma once
#include "document/records.h"
#include <windows.h>

struct BLOCK;

// Type tags.
constexpr uint32_t TAG_BUTN = MakeTag("BUTN");
constexpr uint32_t TAG_TEXT = MakeTag("TEXT");
constexpr uint32_t TAG_CHEC = MakeTag("CHEC");
constexpr uint32_t TAG_RDIO = MakeTag("RDIO");
constexpr uint32_t TAG_IMAG = MakeTag("iMAg");
constexpr uint32_t TAG_WAVE = MakeTag("wAve");
constexpr uint32_t TAG_MIDI = MakeTag("mIdi");
constexpr uint32_t TAG_ANIM = MakeTag("aNim");
constexpr uint32_t TAG_MOVI = MakeTag("mOvI");
constexpr uint32_t TAG_FRAM = MakeTag("FRAm");
constexpr uint32_t TAG_APPL = MakeTag("APPl");
constexpr uint32_t TAG_LIST = MakeTag("LIST");
constexpr uint32_t TAG_CMBO = MakeTag("CMBO");
constexpr uint32_t TAG_BAKI = MakeTag("BaKI");
constexpr uint32_t TAG_EDIT = MakeTag("EDIT");
constexpr uint32_t TAG_TIME = MakeTag("tIme");
constexpr uint32_t TAG_STAT = MakeTag("sTAt");
constexpr uint32_t TAG_FONT = MakeTag("fONt");

// Object flags (a bit's meaning may depend on the type).
constexpr uint32_t OBJ_DEFAULT = 0x1;     // BUTN: default push button
constexpr uint32_t OBJ_VISIBLE = 0x2;
constexpr uint32_t OBJ_ENABLED = 0x4;
constexpr uint32_t OBJ_LOOP = 0x8;        // BUTN: soft system; TEXT: raised
constexpr uint32_t OBJ_NOTIFY = 0x10;
constexpr uint32_t OBJ_REMAP = 0x20;      // TEXT: shadow
constexpr uint32_t OBJ_TRANSPARENT = 0x40;// LIST: sorted
constexpr uint32_t OBJ_ITALIC = 0x80;
constexpr uint32_t OBJ_CENTRED = 0x100;
constexpr uint32_t OBJ_RIGHT = 0x200;
constexpr uint32_t OBJ_SOFTCUSTOM = 0x400;// CHEC/RDIO: checked; aNim: cells remapped; mOvI: page shows
constexpr uint32_t OBJ_RUNNING = 0x800;
constexpr uint32_t OBJ_CONTINUOUS = 0x1000;
constexpr uint32_t OBJ_DEACTIVATED = 0x2000;
constexpr uint32_t OBJ_GRAPHIC = 0x8000;  // BUTN: picture button; TEXT: smoothed

constexpr uint32_t OBJECTHEADERSIZE = 76;
// The spare zero bytes behind every object's data: a text that fills its data
// exactly is still terminated.
constexpr uint32_t OBJECTSLACK = 16;
// The largest object, fixed part and data, that a document holds: the reader
// refuses any larger, so nothing larger may be made to be saved.
constexpr uint64_t MAXOBJECTBYTES = 0x40000000;
// The longest fixed part an object may have.
constexpr uint32_t MAXFIXEDSIZE = 0x10000;

#pragma pack(push, 1)
struct OBJECTHEADER {
    uint32_t tag;
    uint32_t totalsize;      // fixed size + data length
    uint32_t fixedsize;      // 76 + the type record: where the data starts
    uint32_t datasize;
    uint32_t compressedsize; // length of the data's zlib stream in the file
    uint32_t flags;
    RECT rect;
    uint32_t number;         // unique within the page; the window's control id
    uint32_t background;     // run time: HBITMAP under a static image
    uint8_t reserved[28];
};

struct OBJECTBUTTON {
    OBJECTHEADER header;
    uint32_t action;
    uint32_t target;
    uint32_t titlelength;    // with the terminator
    uint32_t targetlength;   // with the terminator
    COLORREF disabledcolour;
    COLORREF softcolour;
    COLORREF softtextcolour;
    uint8_t reserved[12];
};

struct OBJECTTEXT {
    OBJECTHEADER header;
    char face[33];
    int32_t size;
    int32_t weight;
    COLORREF colour;
    COLORREF backcolour;
    int32_t padding;         // percent of the font size
    int32_t offset;          // of the highlight and shadow, percent of the font size
    uint8_t reserved[32];
};

// Check boxes and radio buttons.
struct OBJECTCHECKBOX {
    OBJECTHEADER header;
    uint32_t notify;
    uint8_t reserved[32];
};

struct OBJECTEDIT {
    OBJECTHEADER header;
    uint32_t notify;
    uint8_t reserved[32];
};

struct OBJECTLISTBOX {
    OBJECTHEADER header;
    uint32_t notify;
    uint32_t selected;
    uint8_t reserved[32];
};

struct OBJECTWAVE {
    OBJECTHEADER header;
    uint32_t notify;
    uint32_t sound;          // run time: the window's copy of the data
    uint8_t reserved[32];
};

struct OBJECTMIDI {
    OBJECTHEADER header;
    uint32_t notify;
    uint32_t sound;          // run time
    uint8_t reserved[32];
};

struct OBJECTIMAGE {
    OBJECTHEADER header;
    uint32_t appear;
    uint32_t disappear;
    uint32_t speed;
    uint32_t reserved1;
    uint32_t wait;           // seconds
    uint32_t clearscreen;
    uint32_t notify;
    uint32_t status;         // run time from here on
    uint32_t picture;
    uint32_t timer1;
    uint32_t timer2;
    uint8_t runtime[32];
};

struct OBJECTANIM {
    OBJECTHEADER header;
    uint32_t notify;
    uint32_t frames;
    uint32_t current;        // reset whenever the animation is shown
    uint32_t repeat;         // 0 = endless
    uint32_t timer;          // run time from here on
    uint32_t firstgrab;
    uint32_t grab;
    RECT lastcell;
    uint32_t passes;
    int32_t lastframe;
    uint8_t runtime[24];
};

struct OBJECTMOVIE {
    OBJECTHEADER header;
    uint32_t reserved1;
    uint32_t notify;
    uint32_t grab;           // run time: the page under the movie
    uint32_t avioffset;      // within the data, after the first-frame picture
    uint32_t avilength;
    uint32_t device;         // run time: MCI device id
    uint8_t reserved[32];
};

struct OBJECTFRAME {
    OBJECTHEADER header;
    uint32_t type;
    COLORREF primary;
    COLORREF secondary;
    COLORREF interior;
    uint32_t thickness;
    uint32_t angle;
    uint32_t primaryselector;
    uint32_t secondaryselector;
    uint32_t interiorselector;
    uint8_t reserved[32];
};

struct OBJECTTIMER {
    OBJECTHEADER header;
    uint32_t action;
    uint32_t target;
    uint32_t delay;          // seconds
    uint32_t timer;          // run time
    uint8_t reserved[32];
};

struct OBJECTAPPLET {
    OBJECTHEADER header;
    uint32_t entries;
    uint32_t parameter;      // number of another object of the page, 0 = none
    uint32_t stacksize;
    uint32_t applet;         // run time from here on: the interpreter's state
    uint8_t runtime[32];
};

struct OBJECTSTATICIMAGE {
    OBJECTHEADER header;
    uint32_t transparencycount;
    uint32_t colourtype;     // PNG colour type of the picture
    uint8_t transparency[256];
    uint8_t reserved[32];
};

// The embedded fonts, a header object of the file only.
struct OBJECTFONT {
    OBJECTHEADER header;
    uint8_t reserved[32];
};
#pragma pack(pop)

static_assert(sizeof(OBJECTHEADER) == OBJECTHEADERSIZE);
static_assert(offsetof(OBJECTHEADER, totalsize) == 4);
static_assert(offsetof(OBJECTHEADER, fixedsize) == 8);
static_assert(offsetof(OBJECTHEADER, datasize) == 12);
static_assert(offsetof(OBJECTHEADER, compressedsize) == 16);
static_assert(offsetof(OBJECTHEADER, flags) == 20);
static_assert(offsetof(OBJECTHEADER, rect) == 24);
static_assert(offsetof(OBJECTHEADER, number) == 40);
static_assert(offsetof(OBJECTHEADER, background) == 44);
static_assert(sizeof(OBJECTBUTTON) == 116);
static_assert(offsetof(OBJECTBUTTON, action) == 76);
static_assert(offsetof(OBJECTBUTTON, target) == 80);
static_assert(offsetof(OBJECTBUTTON, titlelength) == 84);
static_assert(offsetof(OBJECTBUTTON, targetlength) == 88);
static_assert(offsetof(OBJECTBUTTON, disabledcolour) == 92);
static_assert(offsetof(OBJECTBUTTON, softcolour) == 96);
static_assert(offsetof(OBJECTBUTTON, softtextcolour) == 100);
static_assert(sizeof(OBJECTTEXT) == 165);
static_assert(offsetof(OBJECTTEXT, face) == 76);
static_assert(offsetof(OBJECTTEXT, size) == 109);
static_assert(offsetof(OBJECTTEXT, weight) == 113);
static_assert(offsetof(OBJECTTEXT, colour) == 117);
static_assert(offsetof(OBJECTTEXT, backcolour) == 121);
static_assert(offsetof(OBJECTTEXT, padding) == 125);
static_assert(offsetof(OBJECTTEXT, offset) == 129);
static_assert(sizeof(OBJECTCHECKBOX) == 112);
static_assert(offsetof(OBJECTCHECKBOX, notify) == 76);
static_assert(sizeof(OBJECTEDIT) == 112);
static_assert(offsetof(OBJECTEDIT, notify) == 76);
static_assert(sizeof(OBJECTLISTBOX) == 116);
static_assert(offsetof(OBJECTLISTBOX, notify) == 76);
static_assert(offsetof(OBJECTLISTBOX, selected) == 80);
static_assert(sizeof(OBJECTWAVE) == 116);
static_assert(offsetof(OBJECTWAVE, notify) == 76);
static_assert(offsetof(OBJECTWAVE, sound) == 80);
static_assert(sizeof(OBJECTMIDI) == 116);
static_assert(offsetof(OBJECTMIDI, notify) == 76);
static_assert(offsetof(OBJECTMIDI, sound) == 80);
static_assert(sizeof(OBJECTIMAGE) == 152);
static_assert(offsetof(OBJECTIMAGE, appear) == 76);
static_assert(offsetof(OBJECTIMAGE, disappear) == 80);
static_assert(offsetof(OBJECTIMAGE, speed) == 84);
static_assert(offsetof(OBJECTIMAGE, wait) == 92);
static_assert(offsetof(OBJECTIMAGE, clearscreen) == 96);
static_assert(offsetof(OBJECTIMAGE, notify) == 100);
static_assert(offsetof(OBJECTIMAGE, status) == 104);
static_assert(offsetof(OBJECTIMAGE, picture) == 108);
static_assert(offsetof(OBJECTIMAGE, timer1) == 112);
static_assert(offsetof(OBJECTIMAGE, timer2) == 116);
static_assert(sizeof(OBJECTANIM) == 152);
static_assert(offsetof(OBJECTANIM, notify) == 76);
static_assert(offsetof(OBJECTANIM, frames) == 80);
static_assert(offsetof(OBJECTANIM, current) == 84);
static_assert(offsetof(OBJECTANIM, repeat) == 88);
static_assert(offsetof(OBJECTANIM, timer) == 92);
static_assert(offsetof(OBJECTANIM, firstgrab) == 96);
static_assert(offsetof(OBJECTANIM, grab) == 100);
static_assert(offsetof(OBJECTANIM, lastcell) == 104);
static_assert(offsetof(OBJECTANIM, passes) == 120);
static_assert(offsetof(OBJECTANIM, lastframe) == 124);
static_assert(sizeof(OBJECTMOVIE) == 132);
static_assert(offsetof(OBJECTMOVIE, notify) == 80);
static_assert(offsetof(OBJECTMOVIE, grab) == 84);
static_assert(offsetof(OBJECTMOVIE, avioffset) == 88);
static_assert(offsetof(OBJECTMOVIE, avilength) == 92);
static_assert(offsetof(OBJECTMOVIE, device) == 96);
static_assert(sizeof(OBJECTFRAME) == 144);
static_assert(offsetof(OBJECTFRAME, type) == 76);
static_assert(offsetof(OBJECTFRAME, primary) == 80);
static_assert(offsetof(OBJECTFRAME, secondary) == 84);
static_assert(offsetof(OBJECTFRAME, interior) == 88);
static_assert(offsetof(OBJECTFRAME, thickness) == 92);
static_assert(offsetof(OBJECTFRAME, angle) == 96);
static_assert(offsetof(OBJECTFRAME, primaryselector) == 100);
static_assert(offsetof(OBJECTFRAME, secondaryselector) == 104);
static_assert(offsetof(OBJECTFRAME, interiorselector) == 108);
static_assert(sizeof(OBJECTTIMER) == 124);
static_assert(offsetof(OBJECTTIMER, action) == 76);
static_assert(offsetof(OBJECTTIMER, target) == 80);
static_assert(offsetof(OBJECTTIMER, delay) == 84);
static_assert(offsetof(OBJECTTIMER, timer) == 88);
static_assert(sizeof(OBJECTAPPLET) == 124);
static_assert(offsetof(OBJECTAPPLET, entries) == 76);
static_assert(offsetof(OBJECTAPPLET, parameter) == 80);
static_assert(offsetof(OBJECTAPPLET, stacksize) == 84);
static_assert(offsetof(OBJECTAPPLET, applet) == 88);
static_assert(sizeof(OBJECTSTATICIMAGE) == 372);
static_assert(offsetof(OBJECTSTATICIMAGE, transparencycount) == 76);
static_assert(offsetof(OBJECTSTATICIMAGE, colourtype) == 80);
static_assert(offsetof(OBJECTSTATICIMAGE, transparency) == 84);
static_assert(sizeof(OBJECTFONT) == 108);

// The fixed size of a tag's object, 0 for tags without a record of their own.
uint32_t ObjectFixedSize(uint32_t tag);
// What an object head, held as in memory with its data expanded, may hold:
// the one rule of the loader, the writer and every paste. A sound head is
// taken without a word; a damaged one contradicts itself (sizes that do not
// add up, a known type's record with bytes behind it, more than a document
// holds) and a load takes it only if the user goes on despite the damage; an
// unreadable one (a fixed part shorter than its type's or longer than any)
// cannot be held at all: a load leaves out one longer than any if the user
// goes on, and fails on a shorter one, which no record of its type can be.
enum HEADVERDICT { HEAD_SOUND, HEAD_DAMAGED, HEAD_UNREADABLE };
HEADVERDICT ObjectHeadVerdict(const OBJECTHEADER &head);
// Zeroes what the runtime keeps in a live object: nothing of it may reach a
// file or come back from one. `fixed` is the object's fixed part.
void ClearRunTimeFields(OBJECTHEADER *fixed);
// The attached data of a locked object.
inline char *ObjectData(OBJECTHEADER *object)
{
    return (char *)object + object->fixedsize;
}

HGLOBAL CreatePageObject(BLOCK *block, unsigned long tag, unsigned int position, LONG_PTR data);
unsigned GetNextPageObjectNumber(BLOCK *block);
char *GetObjectTypeName(unsigned long tag);
void CopyPageObject(OBJECTHEADER *dst, const OBJECTHEADER *src);
HGLOBAL GetPageObject(BLOCK *block, unsigned index);
int PutPageObject(BLOCK *block, HGLOBAL object, unsigned index);
int AppendPageObject(BLOCK *block, HGLOBAL object);
int DeletePageObject(BLOCK *block, unsigned index);
HGLOBAL DuplicatePageObject(HGLOBAL object);
int DestroyPageObject(HGLOBAL object);
int FindPageObject(BLOCK *block, unsigned long tag, unsigned long number);
int AddPageObject(HWND page, HGLOBAL object);
int AddOptionalObjects(HWND owner, BLOCK *page);
COLORREF GetBlockBackgroundColour(HWND owner, BLOCK *block);
// The colour a page or header block is filled with, by its colour selector:
// the colour stored beside it, the header's own (`header`, or `noheader`
// when the document has none) for a page that takes the header's, or the
// system colour the selector numbers.
COLORREF BlockColour(const BLOCK *block, const BLOCK *header, COLORREF noheader);

// Data accessors; the object is locked by the caller.
char *GetButtonTitleText(OBJECTBUTTON *object);
char *GetButtonTargetText(OBJECTBUTTON *object);
// The title picture, or null when the two texts leave no room for one.
char *GetButtonTitleGraphic(OBJECTBUTTON *object);
char *GetTimerTargetText(OBJECTTIMER *object);
HGLOBAL GetImageObjectBitmap(OBJECTIMAGE *object);
HGLOBAL GetStaticImageObjectBitmap(OBJECTSTATICIMAGE *object);
HGLOBAL GetWaveObjectData(OBJECTWAVE *object);
HGLOBAL GetMidiObjectData(OBJECTMIDI *object);
HGLOBAL GetAnimObjectData(OBJECTANIM *object);
HGLOBAL GetMovieObjectData(OBJECTMOVIE *object);
HGLOBAL GetBackImage(HGLOBAL object);
