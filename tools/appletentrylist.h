// What the applet's picture list and sound list share: a modal list of
// numbered entries copied out of the applet object, each item owning one
// whole entry (its 48-byte head, then its data), drawn in a frame with a
// number badge, filled from files and drops, and written back into the
// object in list order on Done. Each list says only what it does
// differently in an APPLETLIST.
#pragma once
#include "resources/appletlists_ids.h"
#include <windows.h>
#include <cstdint>

struct EDITPARAM;

// The private message a list posts itself to take its place beside the
// script editor.
constexpr UINT AEM_REPOSITION = WM_USER + 202;


constexpr int APPLETITEMHEIGHT = 120;

struct APPLETLIST {
    const char *templ;
    uint32_t kinds[2]; // the entry kinds listed; 0 for none
    // The buttons that need an entry, ended by 0.
    const int *entrybuttons;
    // Runs the list's open dialog over `dlg` on `names` (MULTIPLEFILEBUFFER
    // characters, starting with the remembered folder); nonzero when files
    // were chosen, in the common dialog's form.
    int (*choose)(HWND dlg, char *names);
    // A new block of the file's data and its kind, or NULL for a file the
    // list does not take.
    HGLOBAL (*load)(HWND dlg, const char *path, uint32_t *kind);
    // Draws an entry (a locked whole entry of `length` data bytes) inside the
    // item and gives the area it covered.
    void (*draw)(HDC dc, const RECT &item, const void *entry, uint32_t length, RECT *area);
    // The list's own commands; true when `id` was one.
    bool (*command)(HWND dlg, int id);
    // Brings the list's own buttons up to date, after the shared ones; may be
    // null.
    void (*update)(HWND dlg);
    // Sees every message first; true when it took it. May be null.
    bool (*filter)(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam);
};

// Runs the list modally over `owner` with `proc`, which hands its messages
// to AppletListMessage, then updates the owner; always 1.
int RunAppletList(HWND owner, EDITPARAM *param, const APPLETLIST &list, DLGPROC proc);
INT_PTR AppletListMessage(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam);

// The selected item's entry (owned by the list) and its place; NULL when
// nothing is selected.
HGLOBAL SelectedAppletEntry(HWND dlg, int *index = nullptr);
// A new item of `data` (copied) under the next free number, selected; shows
// the failure and returns false when it cannot be made. The caller keeps
// `data`.
bool AddAppletListEntry(HWND dlg, HGLOBAL data, uint32_t kind);
// Puts `entry` in the place of item `index`, freeing the entry it held.
void ReplaceAppletListEntry(HWND dlg, int index, HGLOBAL entry);
// Frees the selected item's entry and removes it; shows "Memory error" when
// nothing is selected.
void DeleteAppletListEntry(HWND dlg);
// Enables the buttons that need an entry exactly when the list has one.
void UpdateAppletListButtons(HWND dlg);
