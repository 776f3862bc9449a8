// The transition engine: an image object's picture comes into view with one
// effect, waits, and goes with another, one step per tick of its caller's
// timer. The caller owns the record and the picture; the engine owns the
// bitmaps it makes for a cycle.
#pragma once
#include <windows.h>
#include <cstdint>

constexpr int MAXEFFECT = 12;
constexpr uint32_t STATUS_NEWCYCLE = 0xFFFF;
// The timer id of the end-of-cycle message the engine posts.
constexpr WPARAM TRANSITION_ENDTIMER = (WPARAM)-1;
constexpr int TRANSITION_MAXSPEED = 80;

// Results of an effect's operation.
constexpr uint16_t EFFECT_DONE = 1;   // this phase is over
constexpr uint16_t EFFECT_FAILED = 2; // the cycle is over

enum TRANSITIONPHASE : int16_t { PHASE_SETUP = 0, PHASE_APPEAR = 1, PHASE_WAIT = 2, PHASE_DISAPPEAR = 3 };

struct TRANSITIONHOST;

struct STATUS {
    HDC hdc;
    HWND hwnd;
    HGLOBAL image;
    int32_t xorigin, yorigin;
    int32_t appear;
    int32_t disappear;
    uint32_t current;
    int32_t speed;
    int32_t wait;
    int16_t phase;
    int32_t countdown;
    int32_t width, height, bits;
    char palette[768];
    HBITMAP bitmap;
    void *list;
    void *order;
    HBITMAP background;
    HGLOBAL spare;
    HBITMAP snapshot;
    int32_t cx, cy;
    int32_t pick;
    int32_t step;
    uint32_t count;
    uint32_t area;
    int32_t gridwidth, gridheight;
    uint32_t pixels;
    int32_t strip;
    int32_t steps;
    double stepx, stepy;
    double extentx, extenty;
    // What this tick drew, in client coordinates: the snapshot is brought up
    // to date over this rectangle only, so a tick costs what it changes.
    RECT drawn;
    // Set when the snapshot must be taken whole (new cycle, new size).
    int32_t fullsnapshot;
    // Where the engine meets the window it draws in; null: the system's.
    // InitImageStatus clears it; the caller sets it after.
    const TRANSITIONHOST *host;
};
// The image window keeps its record in a zeroed block of this size.
constexpr unsigned STATUSBLOCKSIZE = 1010;
static_assert(sizeof(STATUS) <= STATUSBLOCKSIZE);

typedef uint16_t (*EFFECTPROC)(STATUS *);

struct EFFECT {
    EFFECTPROC Setup, Appear, Wait, Disappear, Close;
    char name[261];
    int16_t randomappear;
    int16_t randomdisappear;
};
extern const EFFECT effect[MAXEFFECT];

// True for a row number that names a row of the table.
inline bool ValidEffect(int32_t row) { return (uint32_t)row < (uint32_t)MAXEFFECT; }

// Where the engine meets the window it draws in. The system's finds the
// client size of a window, or of the bitmap selected into a memory DC when
// there is no window, and posts the end-of-cycle message.
struct TRANSITIONHOST {
    bool (*clientsize)(HWND hwnd, HDC hdc, int *width, int *height);
    void (*endcycle)(HWND hwnd);
};
bool DefaultClientSize(HWND hwnd, HDC hdc, int *width, int *height);
void DefaultEndCycle(HWND hwnd);

int16_t InitImageStatus(STATUS *status, void *image, int appear, int disappear, long speed, long wait,
                        void *background);
void HandleOnceCell(void *hwnd, void *hdc, STATUS *status);
void ChangePhase(STATUS *status);
int16_t DestroyStatus(STATUS *status);
int16_t GetImage(void *hwnd, STATUS *status);

uint16_t SetupRandom(STATUS *);
uint16_t AppearRandom(STATUS *);
uint16_t WaitRandom(STATUS *);
uint16_t DisappearRandom(STATUS *);
uint16_t CloseRandom(STATUS *);

// random(n): 0 .. n - 1, 0 when n is 0.
int EffectRandom(int n);
// Deletes a bitmap an effect's set-up made (or keeps it for the next one).
void ReleaseEffectBitmap(HBITMAP bitmap);
// Fixes the generator's seed (benchmarks, tests); else the first set-up
// seeds it from the time.
void SeedEffects(unsigned seed);
