// What the property dialogs of the page objects, the header editor and the
// page properties share: place fields, flag boxes, bounded numbers, colour
// swatches and the colour kind list, the common entry pattern of the
// simpler object dialogs, and the new object block built on OK.
#pragma once
#include "common/dialog.h"
#include "document/objects.h"
#include "editors/editparam.h"
#include <initializer_list>
#include <new>
#include <string>
#include <type_traits>
#include <windows.h>

// A check box of a dialog and the flag bits it edits: it is ticked when any
// of them is set.
struct FLAGBOX {
    int id;
    uint32_t bit;
};

// The place fields are five in a row from `left`: left, top, width, depth
// and number. Binds the size spin controls from the size settings (with
// `size`) and every spin control of `spins` (0 ends it), then fills the
// fields from `h`, the width and depth only with `size`.
void ShowPlace(HWND dlg, int left, const OBJECTHEADER *h, const int *spins, bool size = true);
// The number in a field as typed (ReadTypedNumber): the spin ranges bound
// the arrows, not the fields, so that a number stored outside them and left
// alone is stored again as it was.
uint32_t ReadTyped(HWND dlg, int id);
// The rectangle from the place fields as typed; with `width` and `depth`
// nonzero those are the size instead of the fields.
RECT ReadPlace(HWND dlg, int left, int width = 0, int depth = 0);
void ShowFlags(HWND dlg, uint32_t flags, const FLAGBOX *boxes, size_t count);
// Sets or clears the boxes' bits and keeps every other bit.
uint32_t ReadFlags(HWND dlg, uint32_t flags, const FLAGBOX *boxes, size_t count);
// The length of a control's text with its terminating zero.
uint32_t TextSize(HWND dlg, int id);

// Swatch text "%u,%u,%u" of a colour, and the swatch repainted.
void ShowSwatch(HWND dlg, int id, COLORREF colour);
// The colour chooser over the default palette; true when one was chosen.
bool PickColour(HWND dlg, COLORREF *colour);
// Draws an owner-drawn swatch button in `colour`.
void DrawSwatch(const DRAWITEMSTRUCT *item, COLORREF colour);
// Fills an owner-drawn combo box with the first `count` colour kinds and
// selects `kind`.
void FillColourKinds(HWND combo, unsigned count, unsigned kind);
// Draws one entry of that combo box: a swatch of its colour, then its name;
// `own` is the colour of the custom kind.
void DrawColourKind(const DRAWITEMSTRUCT *item, COLORREF own);

// Tells that the object cannot be edited and closes the dialog.
void RefuseObject(HWND dlg);
// The block list of the document window that last locked `set`, which
// previews and page lists read; null without one.
HWND DocumentList(const BLOCKSET *set);
// The live object locked for the dialog's use, or null after RefuseObject
// when it cannot be locked or is shorter than `fixed` bytes.
OBJECTHEADER *LockLiveObject(HWND dlg, HGLOBAL object, uint32_t fixed);
// The object's attached text up to its first zero, never past its data.
std::string ObjectDataText(const OBJECTHEADER *o, uint32_t fixed);

// --- The object dialogs' shared fields and their shared procedure ----------

// Which shared fields such a dialog has.
struct PROPFIELDS {
    bool size;      // width and depth
    uint32_t flags; // the flag bits of its check boxes
};
// Fills the shared fields and binds their spin controls (and `extraspin`).
void ShowPropFields(HWND dlg, const OBJECTHEADER *o, const PROPFIELDS &f, BLOCK *page, uint32_t target,
                    int extraspin = 0);
// Reads the shared fields into the header of a new block: the rectangle as
// typed (32 square without size fields), the flags of the dialog's boxes, and the target when the list
// names one.
void ReadPropFields(HWND dlg, OBJECTHEADER *o, const PROPFIELDS &f, uint32_t *target);

// What one of these dialogs does when it opens and on OK, and its help key.
struct PROPDIALOG {
    void (*open)(HWND dlg, EDITPARAM *p);
    void (*build)(HWND dlg, EDITPARAM *p);
    const char *help;
};
// The part of the object dialogs' procedures they share: opening, OK,
// Cancel and Help (the button whose id is IDC_HELPBUTTON); true when the
// message is answered and the procedure returns *answer.
bool PropDialogMessage(const PROPDIALOG &d, HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam, INT_PTR *answer);

// What an object dialog that keeps state of its own while it is open is
// bound to instead of the opener's record: a record of its own type, derived
// from this one, which names the opener's.
struct PROPSTATE {
    EDITPARAM *p = nullptr;
};
// The dialog's own record; null before it opens and once it is gone.
template <class T> T *PropState(HWND dlg)
{
    static_assert(std::is_base_of_v<PROPSTATE, T>);
    return static_cast<T *>(DialogState<PROPSTATE>(dlg));
}
// PropDialogMessage with the state: the dialog's record of type T is made as
// the dialog opens and freed at WM_NCDESTROY, once its controls are gone
// (the procedure sees that message after the record). Without the record
// nothing but leaving is done.
bool PropStateMessage(const PROPDIALOG &d, HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam, INT_PTR *answer);
template <class T>
bool PropDialogMessage(const PROPDIALOG &d, HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam, INT_PTR *answer)
{
    if (msg == WM_INITDIALOG) {
        T *own = new (std::nothrow) T{};
        if (own)
            own->p = (EDITPARAM *)lParam;
        lParam = (LPARAM)static_cast<PROPSTATE *>(own);
    }
    if (msg == WM_NCDESTROY) {
        delete PropState<T>(dlg);
        SetWindowValue<PROPSTATE *>(dlg, DWLP_USER, nullptr);
        return false;
    }
    return PropStateMessage(d, dlg, msg, wParam, lParam, answer);
}

// --- The new object OK builds ----------------------------------------------

// Attached data of a new object; a null `data` leaves its bytes zero.
struct OBJECTPIECE {
    const void *data;
    uint32_t size;
};
// A new movable block: `fixed` bytes copied from the live object, then each
// piece and OBJECTSLACK zeros; sizes set in its header. Null when the live
// object is shorter than its fixed part or memory runs out; the live object
// is never changed.
HGLOBAL NewObject(HGLOBAL live, uint32_t fixed, std::initializer_list<OBJECTPIECE> pieces);
// NewObject with `size` zero bytes of data; null after text 6, so that the
// dialog stays open and nothing typed is lost.
HGLOBAL BuildObject(HWND dlg, HGLOBAL live, uint32_t fixed, uint32_t size);
// Puts the built block in place of the live object and ends the dialog.
void KeepObject(HWND dlg, HGLOBAL *live, HGLOBAL built);
