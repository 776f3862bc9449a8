// Documents built in memory from the project's own pieces and saved with the
// real writer: the sample presentation, and the plainer documents the
// player's tests and benchmarks play.
#pragma once
#include "document/blockstore.h"
#include <windows.h>
#include <cstdint>
#include <deque>
#include <vector>

// A document window as the shell makes one (block list, undo list, the
// BLOCKSET in its user data), a header and pages to fill before saving.
struct SAMPLEDOC {
    HWND owner = NULL, list = NULL;
    HGLOBAL seth = NULL;
    BLOCKSET *set = nullptr;
    BLOCK header{};
    std::deque<BLOCK> pages; // a deque keeps references to pages valid

    // A header of `width` by `depth` client pixels with a caption and a
    // system menu, and `colour` as the document colour.
    SAMPLEDOC(const char *title, int width, int depth, COLORREF colour);
    ~SAMPLEDOC();
    SAMPLEDOC(const SAMPLEDOC &) = delete;
    SAMPLEDOC &operator=(const SAMPLEDOC &) = delete;

    // A page of its own colour.
    BLOCK &Page(const char *title, COLORREF colour);
    // An object at `r`: `text` for the types that carry a text, else `data`
    // as its attached data (a picture, sound, animation or movie); the record
    // for the caller to finish, or null.
    HGLOBAL Add(BLOCK &page, uint32_t tag, RECT r, const char *text = nullptr,
                const std::vector<uint8_t> &data = {});
    // Replaces the attached data of `object`, an object of `page`; returns
    // the object's new handle (the old one is freed), or null.
    HGLOBAL SetData(BLOCK &page, HGLOBAL object, const void *data, size_t size);
    // Saves the header and pages with the writer; false on failure.
    bool Save(const char *path);
};

// A 24-bit packed DIB of a smooth pattern that differs by `seed`.
std::vector<uint8_t> SamplePicture(int width, int height, unsigned seed);
// A packed DIB of one colour, 24 bits.
std::vector<uint8_t> SolidPicture(int width, int height, COLORREF colour);
// Half a second of a tone as a wave sound (a 16-byte PCM format, then samples).
std::vector<uint8_t> SampleWave();
// A few notes as a MIDI file.
std::vector<uint8_t> SampleMidi();
// An animation of `frames` cells of `size` pixels square.
std::vector<uint8_t> SampleAnimation(int size, int frames);
// A movie object's data: its first frame as a DIB, then an AVI file of
// `frames` frames at four a second; the sizes of the two parts go to the
// pointers. Empty when the AVI library fails.
std::vector<uint8_t> SampleMovie(int width, int height, uint32_t *picturesize, uint32_t *moviesize, int frames = 8);
// A landscape drawn by the sample's own code: `look` picks one of twelve
// times of day and places, `sunshift` moves the sun along its way.
std::vector<uint8_t> ScenePicture(int width, int height, int look, double sunshift = 0);
// An animation of a ball bouncing in a square of `size`, its background
// `transparent`.
std::vector<uint8_t> BallAnimation(int size, int frames, COLORREF transparent);
// The script of the sample's applet: it draws over and over.
extern const char SAMPLESCRIPT[];

// The sample presentation: four pages with every object type, a looping
// picture for each transition effect, an animation, a movie, sounds, a timer
// and an applet, with buttons to move between the pages. Saved to `path`;
// 1 on success.
int WriteSamplePresentation(const char *path);
