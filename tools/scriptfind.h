// The script editor's find and replace boxes, which search its source
// without regard to case, and replace one found text or every one from the
// caret on.
#pragma once
#include <windows.h>
#include <commdlg.h>

// What the editor keeps of its find and replace, in its own record.
struct SCRIPTFIND {
    UINT message = 0; // the one the boxes send their requests with
    char findtext[261] = "";
    char replacetext[261] = "";
    FINDREPLACEA box{};
    HWND dialog = NULL;   // the open find or replace box, the latest one
    HHOOK keys = NULL;    // the filter that hands keys to that box
    bool handing = false; // a key is being handed on to it
};

// The find record of `editor` when it is a script editor, else null; the
// editor gives it.
SCRIPTFIND *ScriptFindOf(HWND editor);

// Sets the filter up as the editor opens, and takes it away as the editor
// goes; a filter handing a key on just then removes itself.
void StartScriptFind(SCRIPTFIND *f);
void EndScriptFind(SCRIPTFIND *f);
// Opens the find or the replace box over the editor `dlg`, the word at the
// caret to find.
void OpenScriptFind(HWND dlg, SCRIPTFIND *f, bool replace);
// Carries out a box's request; `changed` is set when the source changes.
void ScriptFindMessage(HWND dlg, SCRIPTFIND *f, const FINDREPLACEA *asked, int *changed);
