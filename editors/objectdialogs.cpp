// The entry functions of the object property dialogs and what their
// procedures share. A type whose dialog this program does not have yet tells
// the user so instead of opening nothing.
#include "editors/objectdialogs.h"
#include "editors/animdialog.h"
#include "editors/objectdialogs3.h"
#include "editors/objectdialogs4.h"
#include "editors/moviedialog.h"
#include "common/dialog.h"
#include "common/modal.h"
#include "common/msgdlg.h"
#include "common/owners.h"
#include "common/services.h"
#include "common/strings.h"
#include "document/objects.h"
#include "editor/parts.h"
#include "editor/shell.h"
#include "editors/objectdialogs1.h"
#include "resources/document_ids.h"
#include <commctrl.h>
#include <cstdio>
#include <cstdlib>
#include <initializer_list>

namespace {

// The dialogs of the types: template and procedure. A row without a
// procedure is a dialog this program does not have.
struct OBJECTDIALOG {
    uint32_t tag;
    const char *templ;
    DLGPROC proc;
};

const OBJECTDIALOG dialogs[] = {
    {TAG_BUTN, "EditButtonBox", EditButtonObjectProc},     {TAG_TEXT, "EditTextBox", EditTextObjectProc},
    {TAG_CHEC, "EditCheckboxBox", EditCheckboxObjectProc}, {TAG_RDIO, "EditRadioBox", EditRadioObjectProc},
    {TAG_IMAG, "EditImageBox", EditImageObjectProc},       {TAG_FRAM, "EditFrameBox", EditFrameObjectProc},
    {TAG_WAVE, "EditWaveBox", EditWaveObjectProc},         {TAG_MIDI, "EditMidiBox", EditMidiObjectProc},
    {TAG_ANIM, "EditAnimBox", EditAnimObjectProc},   {TAG_MOVI, "EditMovieBox", EditMovieObjectProc},
    {TAG_LIST, "EditListboxBox", EditListboxObjectProc}, {TAG_EDIT, "EditEditBox", EditEditObjectProc},
    {TAG_TIME, "EditTimerBox", EditTimerObjectProc},     {TAG_STAT, "EditStaticImageBox", EditStaticImageObjectProc},
};

int Run(uint32_t tag, HWND parent, BLOCKSET *set, BLOCK *block, unsigned index)
{
    for (const OBJECTDIALOG &d : dialogs)
        if (d.tag == tag)
            return RunObjectDialog(parent, set, block, index, d.templ, d.proc);
    return 0;
}

} // namespace

static void ShowPageObject(HWND parent, BLOCK *block, unsigned index)
{
    GlobalLocked<OBJECTHEADER> o(GetPageObject(block, index));
    if (o && o.size() >= sizeof(OBJECTHEADER))
        if (HWND w = GetDlgItem(parent, (int)o->number))
            SetWindowValue(w, GWLP_USERDATA, GetPageObject(block, index));
}

void StoreEditedObject(const EDITPARAM *p)
{
    if (!p->block || GetPageObject(p->block, p->index) == p->object)
        return;
    PutPageObject(p->block, p->object, p->index);
    ShowPageObject(p->hwnd, p->block, p->index);
}

int RunObjectDialog(HWND parent, BLOCKSET *set, BLOCK *block, unsigned index, const char *templ, DLGPROC proc)
{
    if (!block || block->tag != TAG_PAGE)
        return 0;
    if (!EditorPartReady(parent, proc != nullptr))
        return 0;
    HGLOBAL object = GetPageObject(block, index);
    HGLOBAL backup = object ? DuplicateObject(object) : NULL;
    if (!backup) {
        DoMessage(parent, FetchString(IDS_OBJECTACCESSERROR));
        return 0;
    }
    EDITPARAM p{};
    p.hwnd = parent;
    p.blockset = set;
    p.block = block;
    p.index = index;
    p.object = object;
    INT_PTR result = COMMONDialogBox(hInst, templ, parent, proc, (LPARAM)&p, nullptr);
    // Cancel gives IDCANCEL from the shared dialog handling: only 1 is OK.
    bool ok = result == 1;
    if (ok) {
        GlobalFree(backup);
        PutPageObject(block, p.object, index);
    } else {
        if (p.object)
            GlobalFree(p.object);
        PutPageObject(block, backup, index);
    }
    // The object's window still holds the handle it was made with, which
    // is now freed: it shows the one in the page before anything repaints.
    ShowPageObject(parent, block, index);
    UpdateWindow(parent);
    return ok ? 1 : 0;
}

int EditButtonObject(HWND parent, BLOCKSET *set, BLOCK *block, unsigned index)
{
    return Run(TAG_BUTN, parent, set, block, index);
}
int EditTextObject(HWND parent, BLOCKSET *set, BLOCK *block, unsigned index)
{
    return Run(TAG_TEXT, parent, set, block, index);
}
int EditCheckboxObject(HWND parent, BLOCKSET *set, BLOCK *block, unsigned index)
{
    return Run(TAG_CHEC, parent, set, block, index);
}
int EditRadioObject(HWND parent, BLOCKSET *set, BLOCK *block, unsigned index)
{
    return Run(TAG_RDIO, parent, set, block, index);
}
int EditImageObject(HWND parent, BLOCKSET *set, BLOCK *block, unsigned index)
{
    return Run(TAG_IMAG, parent, set, block, index);
}
int EditFrameObject(HWND parent, BLOCKSET *set, BLOCK *block, unsigned index)
{
    return Run(TAG_FRAM, parent, set, block, index);
}
int EditWaveObject(HWND parent, BLOCKSET *set, BLOCK *block, unsigned index)
{
    return Run(TAG_WAVE, parent, set, block, index);
}
int EditMidiObject(HWND parent, BLOCKSET *set, BLOCK *block, unsigned index)
{
    return Run(TAG_MIDI, parent, set, block, index);
}
int EditAnimObject(HWND parent, BLOCKSET *set, BLOCK *block, unsigned index)
{
    return Run(TAG_ANIM, parent, set, block, index);
}
int EditMovieObject(HWND parent, BLOCKSET *set, BLOCK *block, unsigned index)
{
    return Run(TAG_MOVI, parent, set, block, index);
}
int EditListboxObject(HWND parent, BLOCKSET *set, BLOCK *block, unsigned index)
{
    return Run(TAG_LIST, parent, set, block, index);
}
int EditEditObject(HWND parent, BLOCKSET *set, BLOCK *block, unsigned index)
{
    return Run(TAG_EDIT, parent, set, block, index);
}
int EditTimerObject(HWND parent, BLOCKSET *set, BLOCK *block, unsigned index)
{
    return Run(TAG_TIME, parent, set, block, index);
}
int EditStaticImageObject(HWND parent, BLOCKSET *set, BLOCK *block, unsigned index)
{
    return Run(TAG_STAT, parent, set, block, index);
}

// The applet's dialog is the script editor, which the program links in above us.
int EditAppletObject(HWND parent, BLOCKSET *set, BLOCK *block, unsigned index)
{
    return RunObjectDialog(parent, set, block, index, "EditAppletBox", EditorParts().appletscripteditor);
}

int EditObject(HWND parent, BLOCKSET *set, BLOCK *block, unsigned index)
{
    static const struct {
        uint32_t tag;
        int (*edit)(HWND, BLOCKSET *, BLOCK *, unsigned);
    } entries[] = {
        {TAG_BUTN, EditButtonObject}, {TAG_TEXT, EditTextObject},   {TAG_CHEC, EditCheckboxObject},
        {TAG_RDIO, EditRadioObject},  {TAG_IMAG, EditImageObject},  {TAG_FRAM, EditFrameObject},
        {TAG_WAVE, EditWaveObject},   {TAG_MIDI, EditMidiObject},   {TAG_ANIM, EditAnimObject},
        {TAG_MOVI, EditMovieObject},  {TAG_LIST, EditListboxObject}, {TAG_EDIT, EditEditObject},
        {TAG_APPL, EditAppletObject}, {TAG_TIME, EditTimerObject},  {TAG_STAT, EditStaticImageObject},
    };
    GlobalLocked<OBJECTHEADER> o(GetPageObject(block, index));
    if (!o || o.size() < sizeof(OBJECTHEADER))
        return 0;
    uint32_t tag = o->tag;
    o.Unlock();
    for (const auto &e : entries)
        if (e.tag == tag)
            return e.edit(parent, set, block, index);
    return 0;
}

void SetupObjectSpins(HWND dlg, int widthspin, int depthspin, const int *spins)
{
    char text[64];
    snprintf(text, sizeof text, "%u,%u,%u", (unsigned)MinimumObjectSize, (unsigned)MaximumObjectSize,
             (unsigned)MinimumObjectSize);
    for (int id : {widthspin, depthspin})
        if (id)
            SetDlgItemTextA(dlg, id, text);
    for (const int *id = spins; id && *id; id++)
        BindSpinControl(GetDlgItem(dlg, *id));
}

void ObjectLine(HGLOBAL object, char *line, size_t size)
{
    *line = 0;
    GlobalLocked<OBJECTHEADER> o(object);
    if (!o || o.size() < sizeof(OBJECTHEADER) || o->tag == TAG_BAKI)
        return;
    const char *title = "";
    bool button = o->tag == TAG_BUTN && o->fixedsize >= sizeof(OBJECTBUTTON);
    if (button && (uint64_t)o->fixedsize + o->datasize <= o.size())
        title = GetButtonTitleText((OBJECTBUTTON *)o.get());
    snprintf(line, size, "%lu (%s%s%s)", (unsigned long)o->number, GetObjectTypeName(o->tag), button ? " - " : "",
             title ? title : "");
}

void FillTargetList(HWND control, BLOCK *block, uint32_t target)
{
    char name[32];
    GetClassNameA(control, name, sizeof name);
    bool combo = lstrcmpiA(name, "ComboBox") == 0;
    UINT add = combo ? CB_ADDSTRING : LB_ADDSTRING, select = combo ? CB_SETCURSEL : LB_SETCURSEL;
    uint32_t n = BlockObjectCount(block);
    for (uint32_t i = 0; i < n; i++) {
        HGLOBAL object = GetPageObject(block, i);
        char line[400];
        ObjectLine(object, line, sizeof line);
        if (!*line)
            continue;
        LRESULT at = SendMessageA(control, add, 0, (LPARAM)line);
        if (strtoul(line, nullptr, 10) == target && at >= 0)
            SendMessageA(control, select, (WPARAM)at, 0);
    }
}

uint32_t ReadTarget(HWND control, uint32_t keep)
{
    char text[400] = "", name[32] = "";
    GetClassNameA(control, name, sizeof name);
    if (lstrcmpiA(name, "ListBox") == 0) {
        LRESULT at = SendMessageA(control, LB_GETCURSEL, 0, 0);
        if (at >= 0 && SendMessageA(control, LB_GETTEXTLEN, (WPARAM)at, 0) < (LRESULT)sizeof text)
            SendMessageA(control, LB_GETTEXT, (WPARAM)at, (LPARAM)text);
    } else {
        GetWindowTextA(control, text, sizeof text);
    }
    unsigned long number = strtoul(text, nullptr, 10);
    return number >= 100 ? (uint32_t)number : keep;
}
