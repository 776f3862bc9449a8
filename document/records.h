// The three block records exactly as they stand in a document file, and the
// four-character tags. All integers little-endian, no padding.
#pragma once
#include <cstddef>
#include <cstdint>

constexpr uint32_t MakeTag(const char (&s)[5])
{
    return (uint32_t)(unsigned char)s[0] | (uint32_t)(unsigned char)s[1] << 8 |
           (uint32_t)(unsigned char)s[2] << 16 | (uint32_t)(unsigned char)s[3] << 24;
}

constexpr uint32_t TAG_HEDR = MakeTag("HEDR");
constexpr uint32_t TAG_PAGE = MakeTag("PAGE");
constexpr uint32_t TAG_END = MakeTag("END$");
static_assert(TAG_HEDR == 0x52444548);

constexpr uint32_t HEDRSIZE = 2288;
constexpr uint32_t PAGESIZE = 358;
constexpr uint32_t ENDSIZE = 390;
constexpr int TITLESIZE = 294;
// What a user may type as a title or a password: the field holds more, and
// a longer title read from a file is kept as it is.
constexpr int TITLECHARS = 260;
constexpr int PASSWORDCHARS = 260;
// The longest password a stored document can have been made from: an
// earlier editor let its password field fill the title's width. The box
// that asks for a password takes this many, so none of those is locked out.
constexpr int STOREDPASSWORDCHARS = TITLESIZE - 1;

// Flags of the common head.
constexpr uint32_t BLOCK_HASOBJECTS = 0x1;

// Header flags.
constexpr uint32_t HEDR_PASSWORD = 0x2;
constexpr uint32_t HEDR_TILED = 0x8;
constexpr uint32_t HEDR_REMAP = 0x10;
constexpr uint32_t HEDR_EMBEDFONTS = 0x40;
constexpr uint32_t HEDR_FIXEDCLIENT = 0x80;
constexpr uint32_t HEDR_PROGRESS = 0x100;
constexpr uint32_t HEDR_NEWLAYOUT = 0x200;
constexpr uint32_t HEDR_RESERVED = 0x400 | 0x800;
constexpr uint32_t HEDR_WINDOWSTYLE = 0x00CF0000;
constexpr uint32_t HEDR_DEFAULTSTYLE = 0x00CA0000;

// What a colour selector beside a colour holds: 0 to 24 a system colour
// index (GetSysColor), or one of these.
constexpr uint32_t COLOURSELECTOR_CUSTOM = 25; // the colour stored beside it
constexpr uint32_t COLOURSELECTOR_HEADER = 26; // pages only: the header's colour

// Page flags.
constexpr uint32_t PAGE_TILED = 0x8;
constexpr uint32_t PAGE_REMAP = 0x10;
constexpr uint32_t PAGE_CLICKCLOSES = 0x1000;
constexpr uint32_t PAGE_CLICKNEXT = 0x2000;

constexpr uint32_t CREATORVERSION = 0x3B020061;

// The trailer's three fields are stored XOR these masks.
constexpr uint32_t MASK_LENGTH = 0x4D2E7A13;
constexpr uint32_t MASK_HEADERCRC = 0x91B3C6F5;
constexpr uint32_t MASK_PLAYERCRC = 0x2C58E0A7;

// The embedded fonts: a head, then one entry per face, each followed by the
// whole font file.
constexpr uint32_t TAG_FONB = MakeTag("fonB");
constexpr uint32_t TAG_FONE = MakeTag("fonE");

#pragma pack(push, 1)
struct HEDRRECORD {
    uint32_t tag;
    uint32_t size;         // this record and all its object records on disk
    uint32_t recordsize;   // 2288
    uint32_t objectbytes;  // bytes of the object records that follow
    uint32_t flags;
    char title[TITLESIZE];
    uint32_t version;
    int32_t width;
    int32_t depth;
    uint32_t colour;
    uint32_t colourselector;
    uint32_t created;
    uint32_t blockcount;
    uint32_t password;
    uint8_t reserved1[2];
    char author[262];
    char organisation[262];
    char reservedtext[262];
    char about[1026];
    uint32_t oldpicture;
    uint32_t reserved2;
    uint32_t objectcount;
    uint8_t reserved3[116];
};

struct PAGERECORD {
    uint32_t tag;
    uint32_t size;
    uint32_t recordsize;   // 358
    uint32_t objectbytes;
    uint32_t flags;
    char title[TITLESIZE];
    uint32_t colour;
    uint32_t colourselector;
    uint32_t objectcount;
    uint8_t reserved[32];
};

struct ENDRECORD {
    uint32_t tag;
    uint32_t size;         // 0
    uint32_t recordsize;   // 390
    uint32_t objectbytes;
    uint32_t flags;
    char title[TITLESIZE];
    uint32_t length;       // masked document length
    uint32_t headercrc;    // masked CRC-32 of the header record
    uint32_t playercrc;    // masked CRC-32 of the player program
    uint8_t reserved[64];
};

struct FONTBLOCKHEAD {
    uint32_t tag;      // fonB
    uint32_t count;
    uint32_t bytes;    // of all entries with their font data
    uint8_t reserved[64];
};

struct FONTENTRY {
    uint32_t tag;      // fonE
    uint32_t size;     // of the font data that follows
    char face[33];
    char path[293];    // the player's temporary copy; empty in a file
};
#pragma pack(pop)

static_assert(sizeof(FONTBLOCKHEAD) == 76);
static_assert(sizeof(FONTENTRY) == 334);
static_assert(offsetof(FONTENTRY, face) == 8);
static_assert(offsetof(FONTENTRY, path) == 41);
static_assert(sizeof(HEDRRECORD) == HEDRSIZE);
static_assert(sizeof(PAGERECORD) == PAGESIZE);
static_assert(sizeof(ENDRECORD) == ENDSIZE);
static_assert(offsetof(HEDRRECORD, title) == 20);
static_assert(offsetof(HEDRRECORD, version) == 314);
static_assert(offsetof(HEDRRECORD, width) == 318);
static_assert(offsetof(HEDRRECORD, depth) == 322);
static_assert(offsetof(HEDRRECORD, colour) == 326);
static_assert(offsetof(HEDRRECORD, colourselector) == 330);
static_assert(offsetof(HEDRRECORD, created) == 334);
static_assert(offsetof(HEDRRECORD, blockcount) == 338);
static_assert(offsetof(HEDRRECORD, password) == 342);
static_assert(offsetof(HEDRRECORD, author) == 348);
static_assert(offsetof(HEDRRECORD, organisation) == 610);
static_assert(offsetof(HEDRRECORD, reservedtext) == 872);
static_assert(offsetof(HEDRRECORD, about) == 1134);
static_assert(offsetof(HEDRRECORD, oldpicture) == 2160);
static_assert(offsetof(HEDRRECORD, objectcount) == 2168);
static_assert(offsetof(PAGERECORD, colour) == 314);
static_assert(offsetof(PAGERECORD, colourselector) == 318);
static_assert(offsetof(PAGERECORD, objectcount) == 322);
static_assert(offsetof(ENDRECORD, length) == 314);
static_assert(offsetof(ENDRECORD, headercrc) == 318);
static_assert(offsetof(ENDRECORD, playercrc) == 322);
