// The property dialogs of the page objects: one entry function per type,
// all built on one pattern (take the object and a backup, run the dialog,
// keep its result or put the backup back), and what their procedures share.
#pragma once
#include "editors/editparam.h"
#include <windows.h>

// Each takes (page window, document, working page, object index) and
// returns nonzero when the dialog ended with OK.
int EditButtonObject(HWND parent, BLOCKSET *set, BLOCK *block, unsigned index);
int EditTextObject(HWND parent, BLOCKSET *set, BLOCK *block, unsigned index);
int EditCheckboxObject(HWND parent, BLOCKSET *set, BLOCK *block, unsigned index);
int EditRadioObject(HWND parent, BLOCKSET *set, BLOCK *block, unsigned index);
int EditImageObject(HWND parent, BLOCKSET *set, BLOCK *block, unsigned index);
int EditFrameObject(HWND parent, BLOCKSET *set, BLOCK *block, unsigned index);
int EditWaveObject(HWND parent, BLOCKSET *set, BLOCK *block, unsigned index);
int EditMidiObject(HWND parent, BLOCKSET *set, BLOCK *block, unsigned index);
int EditAnimObject(HWND parent, BLOCKSET *set, BLOCK *block, unsigned index);
int EditMovieObject(HWND parent, BLOCKSET *set, BLOCK *block, unsigned index);
int EditListboxObject(HWND parent, BLOCKSET *set, BLOCK *block, unsigned index);
int EditEditObject(HWND parent, BLOCKSET *set, BLOCK *block, unsigned index);
int EditTimerObject(HWND parent, BLOCKSET *set, BLOCK *block, unsigned index);
int EditStaticImageObject(HWND parent, BLOCKSET *set, BLOCK *block, unsigned index);
int EditAppletObject(HWND parent, BLOCKSET *set, BLOCK *block, unsigned index);
// The entry function of the object's type; 0 for a type without one.
int EditObject(HWND parent, BLOCKSET *set, BLOCK *block, unsigned index);

// The procedures of the dialogs, for their templates "EditTextBox" and
// "EditImageBox".
INT_PTR CALLBACK EditTextObjectProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK EditImageObjectProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam);

// The pattern every entry function follows, for the dialog `templ` run by
// `proc` (null: this program has no such dialog, which the user is told).
int RunObjectDialog(HWND parent, BLOCKSET *set, BLOCK *block, unsigned index, const char *templ, DLGPROC proc);

// A dialog that replaced the object under edit while it stays open puts
// `p->object` in the page and in the object's window at once, so that
// nothing goes on showing or listing the block it freed.
void StoreEditedObject(const EDITPARAM *p);

// --- What the dialog procedures share -----------------------------------

// The width and depth spin controls get "min,max,min" from the object size
// settings; then every spin control listed (0 ends the list) is bound from
// its window text.
void SetupObjectSpins(HWND dlg, int widthspin, int depthspin, const int *spins);
// The line of an object in target lists and the object list, "%lu (%s%s)";
// empty for the page's background picture.
void ObjectLine(HGLOBAL object, char *line, size_t size);
// Fills a list or combo box with every object of the page but its
// background picture, in array order, selecting the one numbered `target`.
void FillTargetList(HWND control, BLOCK *block, uint32_t target);
// The target the list names: its text's leading number when 100 or more,
// else `keep`.
uint32_t ReadTarget(HWND control, uint32_t keep);
