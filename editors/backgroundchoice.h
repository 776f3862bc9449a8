// The background choice the header editor and page properties share: the
// solid colour or picture radio buttons, the colour kinds and the colour
// button, the picture file, the owner-drawn sample, swatch and kinds, and
// the dialog procedure around them, each dialog naming its own controls.
#pragma once
#include "common/dialog.h"
#include "common/paths.h"
#include "document/blockstore.h"
#include <windows.h>

struct EDITPARAM;

// The controls of the background choice each dialog has; the colour button
// is IDC_BACKCOLOUR in both.
struct BACKGROUNDIDS {
    int solid, picture; // the radio buttons
    int select;         // chooses the picture file
    int drawn;          // the picture's drawing option
    int kinds;          // the list of colour kinds
    int sample;
};

constexpr int BACKGROUNDHELP = 9;

// How either dialog answers its messages, over its state T.
template <class T> struct BACKGROUNDDIALOG {
    const char *help; // the topic of its Help button
    void (*init)(HWND dlg, T *state);
    void (*command)(HWND dlg, T *state, int id, int code);
    void (*draw)(const DRAWITEMSTRUCT *item, T *state);
    void (*destroy)(HWND dlg, T *state);
};

template <class T>
INT_PTR BackgroundDialogMessage(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam, const BACKGROUNDDIALOG<T> &d)
{
    INT_PTR answer;
    T *state;
    if (DialogOpening(dlg, msg, wParam, lParam, &answer, &state))
        return answer;
    switch (msg) {
    case WM_INITDIALOG:
        d.init(dlg, state);
        return FALSE;
    case WM_COMMAND:
        if (LOWORD(wParam) == BACKGROUNDHELP)
            DoHelp(dlg, d.help);
        else
            d.command(dlg, state, LOWORD(wParam), HIWORD(wParam));
        return TRUE;
    case WM_DRAWITEM:
        d.draw((const DRAWITEMSTRUCT *)lParam, state);
        return TRUE;
    case WM_DESTROY:
        d.destroy(dlg, state);
        break;
    }
    return FALSE;
}

// The index of the first object of `tag` in the block, or -1.
int FirstBlockObject(BLOCK *block, uint32_t tag);
void ShowBackgroundChoice(HWND dlg, const BACKGROUNDIDS &ids, bool picture);
// The colour kinds up to `last` with `selector` chosen, and the own colour.
void ShowColourChoice(HWND dlg, const BACKGROUNDIDS &ids, uint32_t last, uint32_t selector, COLORREF colour);
// The kind chosen in the list (CB_ERR for none), kept in *selector when it
// is one up to `last`.
LRESULT ReadColourKind(HWND dlg, const BACKGROUNDIDS &ids, uint32_t last, uint32_t *selector);
// A new choice from the kinds list: kept, and the colour button and the
// sample follow it.
void TakeColourKind(HWND dlg, const BACKGROUNDIDS &ids, uint32_t last, uint32_t *selector);
// The colour button: the user picks the own colour; its swatch, the sample
// and the kinds list follow.
void PickBackColour(HWND dlg, const BACKGROUNDIDS &ids, uint32_t *colour);
// The picture file the user chooses, loaded into *dib; false when none was
// chosen. *dib is NULL, and the user told, when the file cannot be read.
bool ChooseBackgroundPicture(HWND dlg, HGLOBAL *dib);
// The background sample: the colour, and the picture fitted inside.
void DrawBackgroundSample(const DRAWITEMSTRUCT *item, COLORREF colour, HGLOBAL dib);
// Whichever owner-drawn part of the background choice `item` asks for: the
// sample (with `dib`, which may be NULL and is freed here), the swatch of
// the own colour or the list of colour kinds.
void DrawBackgroundPart(const DRAWITEMSTRUCT *item, const EDITPARAM *p, const BACKGROUNDIDS &ids, COLORREF own,
                        HGLOBAL dib);
