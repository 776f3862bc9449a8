// Modal message, question and warning boxes.
#pragma once
#include <windows.h>

void CentreWindow(HWND hwnd);

int DoMessage(HWND parent, const char *text);      // 1 (or 2 by Esc)
int DoYesNo(HWND parent, const char *text);        // 6 Yes, 7 anything else
int DoYesNoCancel(HWND parent, const char *text);  // 6 Yes, 7 No, 2 anything else
// Shown only while *flag is nonzero; the box's check box clears it.
void DoWarning(HWND parent, const char *text, unsigned *flag);
// 1 for Yes (also without asking while *flag is 0), 0 otherwise.
int DoYesNoWarning(HWND parent, const char *text, unsigned *flag);

struct WARNINGRECORD {
    const char *text;
    unsigned *flag;
    DLGPROC proc;
};

INT_PTR CALLBACK MessageDlgProc(HWND, UINT, WPARAM, LPARAM);
INT_PTR CALLBACK WarningDlgProc(HWND, UINT, WPARAM, LPARAM);
INT_PTR CALLBACK YesNoWarningDlgProc(HWND, UINT, WPARAM, LPARAM);
