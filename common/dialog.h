// What every dialog of ours shares. A dialog gets its state through the
// lParam of its creation, kept in DWLP_USER; its control colours are the
// system's button face; Esc and the close box end it with IDCANCEL; F1
// (WM_HELP) presses its Help button, when it has one. A dialog procedure
// offers each message to DialogOpening first, which does all of this and
// hands back the state (COMMONDialogMessage is the part without the state,
// for procedures that keep none).
//
// A dialog that must not end on Esc answers IDCANCEL itself before offering
// the message there. Whatever a dialog makes for itself is freed at
// WM_DESTROY, which comes however the dialog ends.
#pragma once
#include "common/windowvalue.h"
#include <cstdint>
#include <windows.h>

// True when the message is answered and the procedure returns *answer.
// WM_INITDIALOG is never answered here: the procedure goes on with it after
// the state is stored.
bool COMMONDialogMessage(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam, INT_PTR *answer);

// The state the dialog was created with.
template <class T> T *DialogState(HWND dlg)
{
    return GetWindowValue<T *>(dlg, DWLP_USER);
}

// The opening most dialog procedures share, in its order: Esc and the close
// box end the dialog with `escape`, then COMMONDialogMessage, then the state.
// True when the message is answered and the procedure returns *answer;
// otherwise *state is the dialog's state (null before WM_INITDIALOG).
//
//     INT_PTR answer;
//     EDITPARAM *p;
//     if (DialogOpening(dlg, msg, wParam, lParam, &answer, &p))
//         return answer;
template <class T>
bool DialogOpening(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam, INT_PTR *answer, T **state,
                   INT_PTR escape = IDCANCEL)
{
    if (msg == WM_COMMAND && LOWORD(wParam) == IDCANCEL) {
        EndDialog(dlg, escape);
        *answer = TRUE;
        return true;
    }
    if (COMMONDialogMessage(dlg, msg, wParam, lParam, answer))
        return true;
    *state = DialogState<T>(dlg);
    return false;
}

// Binds an up-down control to its number field from the control's own window
// text, "min,max,start": the range is set unless either bound is missing
// (read as -32767 or 32767), the position unless the start is missing.
void BindSpinControl(HWND updown);

// The number typed in a field, as a 32-bit unsigned number: blanks, an
// optional sign, then decimal digits, read up to the first other character.
// A minus gives the number's two's complement, so that a negative number a
// field shows reads back as itself. Not a number, or one too long for 32
// bits, reads as 0.
uint32_t ReadTypedNumber(HWND field);
