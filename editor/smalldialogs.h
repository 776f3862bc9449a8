// Small dialogs of the editor shell that other windows open: the tip of the
// day, the text of one list item, a palette grid that picks a colour index,
// and the filling of a font list with the installed families.
#pragma once
#include <windows.h>

// The tip-of-the-day box over `window`; its result (1 for Done).
int ShowTipDialog(HWND window);
// Edits `text` (SETTINGTEXT bytes); 1 for OK, which replaces it, 0 for Cancel.
int GetListBoxString(HWND window, char *text);

struct SELECTINDEXPARAM {
    const unsigned char *palette; // red, green, blue triples
    int count;                    // colours in it, at most 256
    int index;                    // in: the current one; out: the picked one
};
// The palette grid; 1 and *index set for a pick, 0 for Cancel. (The colour
// picker of the object dialogs is the other SelectColour, on colour values.)
int SelectColour(HWND window, const unsigned char *palette, int count, int *index);

// Fills the drop-down list `id` of `dialog` with the installed font families
// and selects the first that begins with `face`; 1.
int InitFontCombo(HWND dialog, int id, const char *face);
// Frees the name copies the list's items hold; call before the list goes.
void FreeFontCombo(HWND combo);

INT_PTR CALLBACK TipOfTheDayProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK GetListBoxStringProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK SelectColourIndexProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam);
