// The structured data of two object types: the numbered entries of an applet
// object (its source, pictures and sounds) and the frames of an animation.
#pragma once
#include "document/records.h"
#include <windows.h>
#include <string>

constexpr uint32_t ENTRY_TEXT = MakeTag("text");
constexpr uint32_t ENTRY_PICT = MakeTag("pict");
constexpr uint32_t ENTRY_WAVE = MakeTag("wave");
constexpr uint32_t ENTRY_MIDI = MakeTag("midi");

// Numbers of an applet's table rows run from 1 to this.
constexpr uint32_t MAXAPPLETOBJECTNUMBER = 16383;

#pragma pack(push, 1)
struct OBJECTAPPLETENTRY {
    uint32_t length; // of the data that follows
    uint32_t kind;
    uint32_t number;
    uint8_t reserved[36];
};

// One row of the in-memory table of an applet's pictures and sounds.
struct APPLETOBJECT {
    uint32_t kind;
    uint32_t size;
    uint32_t number;
    HGLOBAL data; // owned by the row
    uint8_t reserved[16];
};

// The head of an animation's data block.
struct ANIMHEADER {
    int32_t width;
    int32_t height;
    uint32_t frames;
    uint32_t repeat; // 0 = endless
    uint8_t reserved[32];
};

struct OBJECTANIMFRAME {
    uint32_t offset; // of the frame's packed DIB within the block
    uint32_t size;
    uint32_t flags;
    uint32_t delay;  // milliseconds
    uint32_t transparent;
    int32_t x;
    int32_t y;
    uint8_t reserved[32];
};
#pragma pack(pop)

static_assert(sizeof(OBJECTAPPLETENTRY) == 48);
static_assert(offsetof(OBJECTAPPLETENTRY, kind) == 4);
static_assert(offsetof(OBJECTAPPLETENTRY, number) == 8);
static_assert(sizeof(APPLETOBJECT) == 32);
static_assert(offsetof(APPLETOBJECT, data) == 12);
static_assert(sizeof(ANIMHEADER) == 48);
static_assert(offsetof(ANIMHEADER, frames) == 8);
static_assert(offsetof(ANIMHEADER, repeat) == 12);
static_assert(sizeof(OBJECTANIMFRAME) == 60);
static_assert(offsetof(OBJECTANIMFRAME, flags) == 8);
static_assert(offsetof(OBJECTANIMFRAME, delay) == 12);
static_assert(offsetof(OBJECTANIMFRAME, transparent) == 16);
static_assert(offsetof(OBJECTANIMFRAME, x) == 20);
static_assert(offsetof(OBJECTANIMFRAME, y) == 24);

constexpr uint32_t ANIMFRAME_TRANSPARENT = 0x1;
constexpr uint32_t ANIMFRAME_RESTORE = 0x2;

// Applet entries. Functions that change an object return a new handle and
// leave the old one to the caller.
HGLOBAL AppendAppletEntry(HGLOBAL object, const char *data, unsigned long length, unsigned long kind,
                          unsigned long number);
HGLOBAL DeleteAppletEntry(HGLOBAL object, unsigned long index);
HGLOBAL GetAppletEntry(HGLOBAL object, unsigned long index, unsigned long *length, unsigned long *kind,
                       unsigned long *number);
HGLOBAL GetAppletEntryAndHeader(HGLOBAL object, unsigned long index, unsigned long *length, unsigned long *kind,
                                unsigned long *number);
int FindAppletEntry(HGLOBAL object, unsigned long number, unsigned long kind);
// How many entries, from the first, lie wholly inside the object; -1 when
// it is no applet object at all. Fewer than the object's own count means
// the entries from there on are damaged.
long CountAppletEntries(HGLOBAL object);
HGLOBAL FindNumberedAppletObject(OBJECTAPPLETENTRY *head, HGLOBAL object, unsigned long number,
                                 unsigned long kind);
int GetObjectAppletEntryHeader(OBJECTAPPLETENTRY *head, HGLOBAL entry);
HGLOBAL InsertObjectAppletEntryHeader(HGLOBAL data, const OBJECTAPPLETENTRY *head);
HGLOBAL GetAppletEntryData(HGLOBAL entry);

// An applet's source: its first `text` entry, up to its terminating zero,
// and that entry's place among the entries (-1: there is none). `damaged`
// says that something was wrong on the way: the object is no applet, some
// entries lie outside it, or the source has no end.
struct APPLETSOURCE {
    std::string text;
    int index = -1;
    bool damaged = false;
};
APPLETSOURCE ReadAppletSource(HGLOBAL object, bool withtext = true);
// A new object whose source is `length` bytes of `text`, appended after the
// other entries in place of the old source, or NULL when it cannot be made.
HGLOBAL ReplaceAppletSource(HGLOBAL object, const char *text, unsigned long length);

// The applet object table.
int AddAppletObject(HGLOBAL *table, int *count, const APPLETOBJECT *row);
HGLOBAL GetAppletObject(HGLOBAL table, int index, APPLETOBJECT *row);
int PutAppletObject(HGLOBAL table, int index, const APPLETOBJECT *row);
int MakeNewAppletObject(APPLETOBJECT *row, HGLOBAL table, int count, HGLOBAL data, unsigned long kind);

// Animation frames.
int GetAnimFrameHeader(HGLOBAL block, OBJECTANIMFRAME *frame, unsigned long index);
int PutAnimFrameHeader(HGLOBAL block, const OBJECTANIMFRAME *frame, unsigned long index);
ANIMHEADER *FindAnimationHeader(char *block);
