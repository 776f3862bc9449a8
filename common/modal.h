// Every modal box and every launch of an outside program goes through
// COMMONModal. Tests replace the hook to record the request and answer it, so
// nothing ever waits for a person.
#pragma once
#include <windows.h>

enum MODALKIND {
    MODAL_DIALOG = 1,     // DialogBoxParam of one of our templates
    MODAL_MESSAGEBOX = 2, // MessageBox (the player's plain boxes)
    MODAL_LAUNCH = 3,     // starting an outside program or document
    MODAL_COMMONDIALOG = 4 // a common dialog (open, save, colour, print...)
};

struct MODALCALL;
typedef INT_PTR (*MODALRUN)(const MODALCALL *call);

struct MODALCALL {
    int kind;
    HWND parent;
    HINSTANCE instance;
    const char *name;    // template name (may be an integer resource), program or verb
    const char *text;    // message text, command line or document
    const char *caption; // message box caption
    DLGPROC proc;
    LPARAM param;
    UINT style;          // message box style or show command
    void *data;          // whatever the real runner needs
    MODALRUN run;        // performs the call for real
};

typedef INT_PTR (*MODALHOOK)(const MODALCALL *call);

// Installs a hook (NULL restores the real behaviour); returns the previous one.
MODALHOOK COMMONSetModalHook(MODALHOOK hook);
INT_PTR COMMONModal(const MODALCALL *call);
// What the hook may call to let a request happen for real.
INT_PTR COMMONModalForReal(const MODALCALL *call);

INT_PTR COMMONDialogBox(HINSTANCE inst, const char *templ, HWND parent, DLGPROC proc,
                        LPARAM param, const char *text);
int COMMONMessageBox(HWND parent, const char *text, const char *caption, UINT style);
