// The system's own font picker: a face, one of its styles and optionally a
// size, with a live sample. Callers pass and receive plain values.
#pragma once
#include <windows.h>

struct FONTPARAM {
    char face[261];
    int weight;
    int italic;
    int size;
    int minimum;
    int maximum;
};

// `face` holds 261 characters; weight, italic and size may be NULL. Nonzero
// on OK, when the values are written back.
int COMMONChooseFont(HWND parent, char *face, int *weight, int *italic, int *size, int minimum, int maximum);

// The name callers use. The system's font common dialog has the same name
// with one argument; this one is a different function.
inline int ChooseFontA(HWND parent, char *face, int *weight, int *italic, int *size, int minimum, int maximum)
{
    return COMMONChooseFont(parent, face, weight, italic, size, minimum, maximum);
}

// The index of the entry that is exactly `face` (without regard to case),
// or CB_ERR: "Arial" is not "Arial Black".
int COMMONFindFace(HWND combo, const char *face);

INT_PTR CALLBACK ChooseFontDlgProc(HWND, UINT, WPARAM, LPARAM);
int CALLBACK ChooseFontEnumProc(const LOGFONTA *, const TEXTMETRICA *, DWORD, LPARAM);
int CALLBACK ChooseFontEnumProcEx(const LOGFONTA *, const TEXTMETRICA *, DWORD, LPARAM);
