// The header editor: the document's title, window, background, sound, about
// text, password and options, with a preview of the presentation window.
#include "editors/headereditor.h"
#include "editors/backgroundchoice.h"
#include "editors/headerpreview.h"
#include "common/dialog.h"
#include "common/modal.h"
#include "common/msgdlg.h"
#include "common/owners.h"
#include "common/strings.h"
#include "document/objects.h"
#include "document/reader.h"
#include "editor/blocks.h"
#include "editor/filedialogs.h"
#include "editor/shell.h"
#include "editor/tipfolder.h"
#include "editors/editparam.h"
#include "editors/objectfields.h"
#include "media/loaders.h"
#include "media/sound.h"
#include "resources/document_ids.h"
#include "resources/headereditor_ids.h"
#include "resources/resource.h"
#include <mmsystem.h>
#include <zlib.h>
#include <cstdio>
#include <cstring>
#include <ctime>

namespace {

constexpr int MINPASSWORD = 6;

// The header flag each check box stands for. The caption is two style bits;
// its box is ticked when either is set.
const FLAGBOX flagboxes[] = {
    {IDC_HDRTILED, HEDR_TILED},         {IDC_HDRDRAWN, HEDR_REMAP},       {IDC_HDRFONTS, HEDR_EMBEDFONTS},
    {IDC_HDRFIXED, HEDR_FIXEDCLIENT},   {IDC_HDRSTATUS, HEDR_PROGRESS},   {IDC_HDRMAXIMIZE, WS_MAXIMIZEBOX},
    {IDC_HDRMINIMIZE, WS_MINIMIZEBOX},  {IDC_HDRRESIZE, WS_THICKFRAME},   {IDC_HDRSYSMENU, WS_SYSMENU},
    {IDC_HDRCAPTION, WS_CAPTION},
};

const BACKGROUNDIDS background{IDC_HDRSOLID, IDC_HDRPICTURE, IDC_HDRSELECT, IDC_HDRDRAWN, IDC_HDRKIND, IDC_HDRSAMPLE};

bool Checked(HWND dlg, int id)
{
    return IsDlgButtonChecked(dlg, id) == BST_CHECKED;
}

void Say(HWND owner, unsigned id)
{
    DoMessage(owner, FetchString(id));
}

// The header's sound object: its wave object, else its MIDI object; -1 for none.
int SoundObject(BLOCK *block, uint32_t *tag)
{
    for (uint32_t t : {TAG_WAVE, TAG_MIDI}) {
        int i = FirstBlockObject(block, t);
        if (i >= 0) {
            if (tag)
                *tag = t;
            return i;
        }
    }
    return -1;
}

void UpdateSoundButtons(HWND dlg, BLOCK *block)
{
    int i = SoundObject(block, nullptr);
    bool loop = false;
    if (i >= 0) {
        GlobalLocked<OBJECTHEADER> o(GetPageObject(block, (unsigned)i));
        loop = o && (o->flags & OBJ_LOOP);
    }
    for (int id : {IDC_HDRSOUNDPLAY, IDC_HDRSOUNDLOOP, IDC_HDRSOUNDREMOVE})
        EnableWindow(GetDlgItem(dlg, id), i >= 0);
    EnableWindow(GetDlgItem(dlg, IDC_HDRSOUNDSTOP), FALSE);
    CheckDlgButton(dlg, IDC_HDRSOUNDLOOP, loop ? BST_CHECKED : BST_UNCHECKED);
}

void Repaint(HWND dlg, int id)
{
    InvalidateRect(GetDlgItem(dlg, id), NULL, TRUE);
}

void ShowSize(HWND dlg, const HEDRRECORD &h)
{
    SetDlgItemInt(dlg, IDC_HDRWIDTH, (UINT)h.width, FALSE);
    SetDlgItemInt(dlg, IDC_HDRDEPTH, (UINT)h.depth, FALSE);
}

// What the header editor holds while it is open: the header it works on,
// which OK hands back, and what the preview and background choice are given.
struct HEADEREDITOR {
    BLOCK work;
    EDITPARAM param;
};

void Init(HWND dlg, HEADEREDITOR *e)
{
    EDITPARAM *p = &e->param;
    HEDRRECORD &h = p->block->hedr;
    SendDlgItemMessageA(dlg, IDC_HDRTITLE, EM_LIMITTEXT, TITLECHARS, 0);
    SendDlgItemMessageA(dlg, IDC_HDRPASSWORD, EM_LIMITTEXT, PASSWORDCHARS, 0);
    SendDlgItemMessageA(dlg, IDC_HDRABOUT, EM_LIMITTEXT, sizeof h.about - 2, 0);
    BindSpinControl(GetDlgItem(dlg, IDC_HDRWIDTH + 10000));
    BindSpinControl(GetDlgItem(dlg, IDC_HDRDEPTH + 10000));
    ShowSize(dlg, h);

    char text[300];
    snprintf(text, sizeof text, "%.*s", (int)sizeof h.author, h.author);
    SetDlgItemTextA(dlg, IDC_HDRAUTHOR, text);
    snprintf(text, sizeof text, "%.*s", (int)sizeof h.organisation, h.organisation);
    SetDlgItemTextA(dlg, IDC_HDRORGANISATION, text);
    h.title[TITLESIZE - 1] = 0;
    h.about[sizeof h.about - 1] = 0;
    SetDlgItemTextA(dlg, IDC_HDRTITLE, h.title);
    SetDlgItemTextA(dlg, IDC_HDRABOUT, h.about);
    time_t created = (time_t)h.created;
    const char *when = ctime(&created);
    snprintf(text, sizeof text, "%24.24s", when ? when : "");
    SetDlgItemTextA(dlg, IDC_HDRCREATED, text);
    uint32_t v = h.version;
    int n = snprintf(text, sizeof text, "%d.%d%c", (int)((v >> 16) & 0xFF), (int)((v >> 8) & 0xFF),
                     (char)(v & 0xFF) ? (char)(v & 0xFF) : ' ');
    if ((int32_t)v < 0)
        snprintf(text + n, sizeof text - n, " BETA %d", (int)((v >> 24) & 0x7F));
    else if (v >> 24)
        snprintf(text + n, sizeof text - n, " PATCH %d", (int)(v >> 24));
    SetDlgItemTextA(dlg, IDC_HDRVERSION, text);

    ShowFlags(dlg, h.flags, flagboxes, std::size(flagboxes));
    CheckDlgButton(dlg, IDC_HDRPROTECT, h.flags & HEDR_PASSWORD ? BST_CHECKED : BST_UNCHECKED);
    ShowBackgroundChoice(dlg, background, FirstBlockObject(p->block, TAG_IMAG) >= 0);

    ShowColourChoice(dlg, background, COLOURSELECTOR_CUSTOM, h.colourselector, h.colour);
    char caption[300];
    GetWindowTextA(dlg, caption, 200);
    snprintf(text, sizeof text, FetchString(IDS_HEADERBLOCKS),
             (unsigned)SendDlgItemMessageA(p->hwnd, IDC_BLOCKLIST, LB_GETCOUNT, 0, 0));
    strncat(caption, text, sizeof caption - strlen(caption) - 1);
    SetWindowTextA(dlg, caption);
    UpdateSoundButtons(dlg, p->block);
    SetFocus(GetDlgItem(dlg, IDOK));
    CentreWindow(dlg);
}

// What OK and Preview both copy into the header: every box but the
// password, the size as typed, the title, the about text and the kind.
void Store(HWND dlg, HEDRRECORD &h)
{
    h.flags = ReadFlags(dlg, h.flags, flagboxes, std::size(flagboxes));
    BOOL ok;
    UINT v = GetDlgItemInt(dlg, IDC_HDRWIDTH, &ok, FALSE);
    if (ok)
        h.width = (int32_t)v;
    v = GetDlgItemInt(dlg, IDC_HDRDEPTH, &ok, FALSE);
    if (ok)
        h.depth = (int32_t)v;
    GetDlgItemTextA(dlg, IDC_HDRTITLE, h.title, TITLESIZE);
    GetDlgItemTextA(dlg, IDC_HDRABOUT, h.about, sizeof h.about - 1);
    ReadColourKind(dlg, background, COLOURSELECTOR_CUSTOM, &h.colourselector);
}

bool PasswordTooShort(HWND dlg, const char *password)
{
    size_t n = strlen(password);
    if (n == 0 || n >= (size_t)MINPASSWORD)
        return false;
    char text[300];
    snprintf(text, sizeof text, FetchString(IDS_PASSWORDLENGTH), MINPASSWORD);
    DoMessage(dlg, text);
    return true;
}

// The password protection the header will carry: false (and the dialog
// stays open) when it cannot be had. Protection is never stored without a
// check value, since no password could open such a document.
bool StorePassword(HWND dlg, HEDRRECORD &h)
{
    char password[TITLESIZE] = "";
    GetDlgItemTextA(dlg, IDC_HDRPASSWORD, password, sizeof password);
    if (!Checked(dlg, IDC_HDRPROTECT)) {
        h.password = 0;
        h.flags &= ~HEDR_PASSWORD;
        return true;
    }
    if (PasswordTooShort(dlg, password))
        return false;
    uint32_t check = h.password;
    if (*password) {
        EncryptString(password, 1);
        check = (uint32_t)crc32(0, (const Bytef *)password, (uInt)strlen(password));
        SecureZeroMemory(password, sizeof password);
    }
    if (!check) {
        Say(dlg, IDS_PASSWORDMISSING);
        return false;
    }
    h.password = check;
    h.flags |= HEDR_PASSWORD;
    return true;
}

void Ok(HWND dlg, EDITPARAM *p)
{
    APPLETKillSound(dlg);
    HEDRRECORD &h = p->block->hedr;
    HEDRRECORD before = h;
    Store(dlg, h);
    if (!StorePassword(dlg, h)) {
        h = before;
        return;
    }
    if (!*h.title)
        snprintf(h.title, TITLESIZE, "%s", FetchString(IDS_UNTITLED));
    EndDialog(dlg, 1);
}

// The old object goes only once the new one is in place, so a failed
// append leaves the header holding what it held.
void ReplaceObject(HWND dlg, BLOCK *block, int old, HGLOBAL object)
{
    if (!object || !AppendPageObject(block, object)) {
        if (object)
            GlobalFree(object);
        Say(dlg, IDS_OBJECTACCESSERROR);
        return;
    }
    if (old >= 0)
        DeletePageObject(block, (unsigned)old);
}

void SelectPicture(HWND dlg, EDITPARAM *p)
{
    HGLOBAL dib;
    if (!ChooseBackgroundPicture(dlg, &dib))
        return;
    if (!dib) {
        if (FirstBlockObject(p->block, TAG_IMAG) < 0)
            ShowBackgroundChoice(dlg, background, false);
        return;
    }
    HGLOBAL object = CreatePageObject(p->block, TAG_IMAG, 0, (LONG_PTR)dib);
    GlobalFree(dib);
    ReplaceObject(dlg, p->block, FirstBlockObject(p->block, TAG_IMAG), object);
    Repaint(dlg, IDC_HDRSAMPLE);
}

void RemovePicture(HWND dlg, EDITPARAM *p)
{
    int i = FirstBlockObject(p->block, TAG_IMAG);
    if (i >= 0)
        DeletePageObject(p->block, (unsigned)i);
    ShowBackgroundChoice(dlg, background, false);
}

void SelectSound(HWND dlg, EDITPARAM *p)
{
    char path[MULTIPLEFILEBUFFER] = "";
    GetOpenPath(path);
    if (!GetSoundFileName(dlg, path))
        return;
    SetOpenPath(path);
    HCURSOR cursor = SetCursor(LoadCursorA(NULL, IDC_WAIT));
    const char *dot = strrchr(path, '.');
    bool midi = dot && lstrcmpiA(dot, ".MID") == 0;
    HGLOBAL data = midi ? LoadObject(dlg, path) : LoadSound(dlg, path);
    SetCursor(cursor);
    if (!data) {
        Say(dlg, IDS_ERRREAD);
        return;
    }
    HGLOBAL object = CreatePageObject(p->block, midi ? TAG_MIDI : TAG_WAVE, 0, (LONG_PTR)data);
    GlobalFree(data);
    if (object) {
        GlobalLocked<OBJECTHEADER> o(object);
        if (o)
            o->flags = Checked(dlg, IDC_HDRSOUNDLOOP) ? o->flags | OBJ_LOOP : o->flags & ~OBJ_LOOP;
    }
    // The sound that plays is the one replaced, and Stop goes grey below.
    APPLETKillSound(dlg);
    ReplaceObject(dlg, p->block, SoundObject(p->block, nullptr), object);
    UpdateSoundButtons(dlg, p->block);
}

void PlayHeaderSound(HWND dlg, EDITPARAM *p)
{
    uint32_t tag = 0;
    int i = SoundObject(p->block, &tag);
    HGLOBAL data = NULL;
    if (i >= 0) {
        GlobalLocked<OBJECTHEADER> o(GetPageObject(p->block, (unsigned)i));
        if (o && o.size() >= sizeof(OBJECTHEADER) && (uint64_t)o->fixedsize + o->datasize <= o.size())
            data = tag == TAG_WAVE ? GetWaveObjectData((OBJECTWAVE *)o.get()) : GetMidiObjectData((OBJECTMIDI *)o.get());
    }
    if (!data) {
        Say(dlg, IDS_OBJECTACCESSERROR);
        return;
    }
    if (APPLETPlaySound(dlg, data, tag == TAG_WAVE ? SOUND_WAVE : SOUND_MIDI)) {
        EnableWindow(GetDlgItem(dlg, IDC_HDRSOUNDPLAY), FALSE);
        EnableWindow(GetDlgItem(dlg, IDC_HDRSOUNDSTOP), TRUE);
    }
    GlobalFree(data);
}

void StopSound(HWND dlg)
{
    APPLETKillSound(dlg);
    EnableWindow(GetDlgItem(dlg, IDC_HDRSOUNDPLAY), TRUE);
    EnableWindow(GetDlgItem(dlg, IDC_HDRSOUNDSTOP), FALSE);
}

void LoopSound(HWND dlg, EDITPARAM *p)
{
    int i = SoundObject(p->block, nullptr);
    GlobalLocked<OBJECTHEADER> o(i < 0 ? NULL : GetPageObject(p->block, (unsigned)i));
    if (o)
        o->flags = Checked(dlg, IDC_HDRSOUNDLOOP) ? o->flags | OBJ_LOOP : o->flags & ~OBJ_LOOP;
}

void RemoveSound(HWND dlg, EDITPARAM *p)
{
    int i = SoundObject(p->block, nullptr);
    // Stop goes grey with the sound: it must not play on out of reach.
    APPLETKillSound(dlg);
    if (i >= 0)
        DeletePageObject(p->block, (unsigned)i);
    UpdateSoundButtons(dlg, p->block);
}

void Preview(HWND dlg, EDITPARAM *p)
{
    HEDRRECORD &h = p->block->hedr;
    Store(dlg, h);
    RunPreview(dlg, p, h.title, h.flags & WS_OVERLAPPEDWINDOW, h.width, h.depth);
    ShowSize(dlg, h);
}

void Command(HWND dlg, HEADEREDITOR *e, int id, int code)
{
    EDITPARAM *p = &e->param;
    switch (id) {
    case IDOK:
        Ok(dlg, p);
        break;
    case IDC_HDRPROTECT:
        if (Checked(dlg, id)) {
            char password[TITLESIZE] = "";
            GetDlgItemTextA(dlg, IDC_HDRPASSWORD, password, sizeof password);
            if (PasswordTooShort(dlg, password))
                CheckDlgButton(dlg, id, BST_UNCHECKED);
        }
        break;
    case IDC_HDRTITLE:
        if (code == EN_CHANGE)
            GetDlgItemTextA(dlg, id, p->block->hedr.title, TITLESIZE);
        break;
    case IDC_HDRSOLID:
        RemovePicture(dlg, p);
        break;
    case IDC_HDRPICTURE:
        ShowBackgroundChoice(dlg, background, true);
        break;
    case IDC_HDRSELECT:
        SelectPicture(dlg, p);
        break;
    case IDC_HDRKIND:
        if (code == CBN_SELENDOK)
            TakeColourKind(dlg, background, COLOURSELECTOR_CUSTOM, &p->block->hedr.colourselector);
        break;
    case IDC_BACKCOLOUR:
        PickBackColour(dlg, background, &p->block->hedr.colour);
        break;
    case IDC_HDRSOUNDSELECT:
        SelectSound(dlg, p);
        break;
    case IDC_HDRSOUNDPLAY:
        PlayHeaderSound(dlg, p);
        break;
    case IDC_HDRSOUNDSTOP:
        StopSound(dlg);
        break;
    case IDC_HDRSOUNDLOOP:
        LoopSound(dlg, p);
        break;
    case IDC_HDRSOUNDREMOVE:
        RemoveSound(dlg, p);
        break;
    case IDC_BACKPREVIEW:
        Preview(dlg, p);
        break;
    }
}

void DrawItem(const DRAWITEMSTRUCT *item, HEADEREDITOR *e)
{
    EDITPARAM *p = &e->param;
    HGLOBAL dib = item->CtlID == IDC_HDRSAMPLE ? HeaderPicture(p->block) : NULL;
    DrawBackgroundPart(item, p, background, p->block->hedr.colour, dib);
}

void Destroy(HWND dlg, HEADEREDITOR *)
{
    APPLETKillSound(dlg);
}

const BACKGROUNDDIALOG<HEADEREDITOR> headerdialog{"HEADER", Init, Command, DrawItem, Destroy};

} // namespace

INT_PTR CALLBACK EditHeaderProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (APPLETHandleMessage(dlg, msg, wParam, lParam)) {
        return TRUE;
    }
    // The sound ended by itself.
    if ((msg == MM_MCINOTIFY || msg == MM_WOM_DONE) && DialogState<HEADEREDITOR>(dlg)) {
        EnableWindow(GetDlgItem(dlg, IDC_HDRSOUNDPLAY), SoundObject(&DialogState<HEADEREDITOR>(dlg)->work, nullptr) >= 0);
        EnableWindow(GetDlgItem(dlg, IDC_HDRSOUNDSTOP), FALSE);
    }
    return BackgroundDialogMessage(dlg, msg, wParam, lParam, headerdialog);
}

int EditHeader(HWND docwindow, BLOCKSET *set, BLOCK *block, int index)
{
    HEADEREDITOR e{};
    if (!DuplicateBlock(&e.work, block)) {
        Say(docwindow, IDS_MEMORY);
        return 0;
    }
    e.param.hwnd = docwindow;
    e.param.blockset = set;
    e.param.block = &e.work;
    e.param.index = (unsigned)index;
    INT_PTR result = COMMONDialogBox(hInst, "EditHeaderBox", docwindow, EditHeaderProc, (LPARAM)&e, nullptr);
    if (result == 1) {
        DestroyBlock(block);
        *block = e.work;
        PostMessageA(docwindow, WMU_REFRESHTHUMBNAILS, 0, 0);
    } else {
        DestroyBlock(&e.work);
    }
    InvalidateRect(docwindow, NULL, TRUE);
    UpdateWindow(docwindow);
    return result == 1;
}
