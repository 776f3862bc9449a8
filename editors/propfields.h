// What the timer, edit field and list box property dialogs share: the
// position, size, number, flag and target fields filled from the object and
// read back into it, and the new block OK builds.
#pragma once
#include "document/objects.h"
#include "editors/editparam.h"
#include <windows.h>
#include <string>

// Which shared fields a dialog has.
struct PROPFIELDS {
    bool size;      // width and depth
    uint32_t flags; // the flag bits of its check boxes
};

// The live object locked for the dialog's use, or null after string 311 and
// a posted Cancel when it cannot be locked or is shorter than `fixed` bytes.
OBJECTHEADER *LockLiveObject(HWND dlg, HGLOBAL object, uint32_t fixed);
// The object's attached text up to its first zero, never past its data.
std::string ObjectDataText(const OBJECTHEADER *o, uint32_t fixed);
// Fills the shared fields and binds their spin controls (and `extraspin`).
void ShowPropFields(HWND dlg, const OBJECTHEADER *o, const PROPFIELDS &f, BLOCK *page, uint32_t target,
                    int extraspin = 0);
// Reads the shared fields into the header of a new block: the rectangle
// bounded to the page and the object size settings, the flags of the
// dialog's boxes, and the target when the list names one.
void ReadPropFields(HWND dlg, OBJECTHEADER *o, const PROPFIELDS &f, uint32_t *target);
// A new object of the live one's first `fixed` bytes followed by `size`
// bytes of attached data (zero), its sizes set; null after text 6 when
// memory or the live object fails, so the dialog stays open.
HGLOBAL BuildObject(HWND dlg, HGLOBAL live, uint32_t fixed, uint32_t size);
// Puts the built block in place of the live object and ends the dialog.
void KeepObject(HWND dlg, HGLOBAL *live, HGLOBAL built);

// What one of these dialogs does when it opens and on OK, and its help key.
struct PROPDIALOG {
    void (*open)(HWND dlg, EDITPARAM *p);
    void (*build)(HWND dlg, EDITPARAM *p);
    const char *help;
};
// The part of their procedures they share: opening, OK, Cancel and Help;
// true when the message is answered and the procedure returns *answer.
bool PropDialogMessage(const PROPDIALOG &d, HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam, INT_PTR *answer);

// The allocation BuildObject uses; tests replace it to make it fail.
extern HGLOBAL (*NewObjectBlock)(SIZE_T size);
