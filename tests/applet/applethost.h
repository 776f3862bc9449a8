// A host for applets under test: page objects as plain records, list boxes
// and check boxes as vectors and numbers, and everything the applet asks of
// the world written to a log.
#pragma once
#include "applet/applet.h"
#include "common/services.h"
#include "document/applet.h"
#include "document/blockstore.h"
#include "common/owners.h"
#include <map>
#include <string>
#include <vector>

namespace applettest {

struct FakeObject {
    OBJECTHEADER header{};
    std::vector<std::string> items; // a list box's
    int check = 0;
};

// An entry of the applet object besides its script.
struct Entry {
    uint32_t kind;
    uint32_t number;
    std::string data;
};

// The applet's frame: a 32-bit top-down DIB section in a memory DC, wider
// and higher than the applet object's rectangle (160 x 128).
constexpr int DCWIDTH = 200, DCHEIGHT = 150;

struct FakeHost {
    FakeHost();
    ~FakeHost();
    FakeHost(const FakeHost &) = delete;
    FakeHost &operator=(const FakeHost &) = delete;
    std::string log;
    bool alive = true;
    int locks = 0;                  // locked and not yet unlocked
    std::map<int, FakeObject> objects;
    std::vector<int> answers;       // message box results, first first
    std::map<std::string, std::string> profile; // "section/key" -> value
    int abortafter = -1;            // waits before the user aborts; -1 never
    int video = 0;                  // the playing movie's number, 0 none
    int page = 0, pages = 0;
    uint32_t notifynumber = 0, notifytag = 0;
    void (*onbox)(APPLET *) = nullptr; // runs inside a message box
    std::vector<Entry> entries;     // added to every applet object made
    HDC dc = nullptr;
    int dcs = 0;                    // device contexts lent and not given back
    std::map<int, std::string> texts; // object windows' texts by number
    int playresult = 1;             // what starting a sound gives
    bool playing = false;

    COLORREF Pixel(int x, int y) const
    {
        uint32_t v = bits[y * DCWIDTH + x];
        return RGB(v >> 16 & 0xFF, v >> 8 & 0xFF, v & 0xFF);
    }
    void Clear(COLORREF colour)
    {
        for (int i = 0; i < DCWIDTH * DCHEIGHT; i++)
            bits[i] = (uint32_t)GetRValue(colour) << 16 | (uint32_t)GetGValue(colour) << 8 | GetBValue(colour);
    }

    FakeObject &Add(int id, uint32_t tag, RECT rect = {0, 0, 10, 10})
    {
        FakeObject &o = objects[id];
        o.header.tag = tag;
        o.header.number = (uint32_t)id;
        o.header.rect = rect;
        return o;
    }
    static const APPLETHOST host;

private:
    HBITMAP bitmap = nullptr, oldbitmap = nullptr;
    uint32_t *bits = nullptr;
};

// The host's functions find their FakeHost here.
extern FakeHost *fake;

// An applet object holding the script as its text entry, with an optional
// picture entry before it and the fake host's entries after it.
HGLOBAL MakeAppletObject(const std::string &script, uint32_t number = 7, bool picturefirst = false);

// A 24-bit packed DIB of the colours given row by row from the top.
std::string PackedDib(int width, int height, const std::vector<COLORREF> &pixels);

struct Outcome {
    int result = 0;       // the last APPLETProcessLine result; 0 = budget spent
    int errorline = -1;
    std::string variables; // the script's own, in order of declaration
    std::string log;
    int steps = 0;
};

// Starts the script (start failure: result is the start's error, or -100),
// runs it for at most `budget` lines and frees it.
Outcome RunScript(const std::string &script, int budget = 2000, long stacksize = 0);
std::string Variables(APPLET *a);

} // namespace applettest
