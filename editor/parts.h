// What the editor shell calls in the editors and tools that lie above it.
// The program that links them in fills the record and gives it to the
// frame window at its creation; an empty entry tells the user that the
// function is not available in this program.
#pragma once
#include "runtime/runtime.h"
#include <windows.h>

struct BLOCK;
struct BLOCKSET;
struct PAINTSEARCHHOST;

// The editor of a block: nonzero when the user confirmed changes. The
// edited block is then in `block`, and the editor has destroyed the block
// it replaced; a thumbnail left in it is dropped by the caller.
typedef int (*BLOCKEDITOR)(HWND window, BLOCKSET *set, BLOCK *block, int index);

struct EDITORPARTS {
    BLOCKEDITOR editheader;
    BLOCKEDITOR editpage;
    // The applet script editor's dialog procedure, which the applet object
    // dialog runs on its template with the object's EDITPARAM.
    DLGPROC appletscripteditor;
    // The photo album wizard over the frame window: 1 when it finished.
    int (*photoalbumwizard)(HWND frame);
    // The surroundings of the shows the editor opens (its view of a
    // document, previews): the interpreter's applet windows and the
    // editor's abort rule. Null: QV_SystemHost.
    const SHOWHOST *showhost;
    // Where the start looks for the paint program. Null: PaintSystemSearch.
    const PAINTSEARCHHOST *paintsearch;
    // Makes the block of an object a property dialog builds. Null: moveable,
    // zero-filled global memory.
    HGLOBAL (*newobjectblock)(SIZE_T size);
};

// Binds the record to the frame window until the frame is destroyed; the
// record must outlive the window.
void BindEditorParts(HWND frame, const EDITORPARTS *parts);
// The record bound to the editor's frame (hwndmain); every entry empty when
// none is bound.
const EDITORPARTS &EditorParts();
// The host for the shows the editor opens: the bound record's, else
// QV_SystemHost.
const SHOWHOST &EditorShowHost();
// `present` for an entry that is there; for an empty one, tells the user
// over `owner` that the function is not available and returns false.
bool EditorPartReady(HWND owner, bool present);
