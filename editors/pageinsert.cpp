// The page menu's insert commands: a new object of each type, made from a
// text, from nothing or from a file the user picks, at the right click.
#include "editors/pageinsert.h"
#include "common/msgdlg.h"
#include "common/owners.h"
#include "common/strings.h"
#include "document/objects.h"
#include "editor/filedialogs.h"
#include "editor/grid.h"
#include "editor/tipfolder.h"
#include "editors/pageclipboard.h"
#include "editors/pagerecord.h"
#include "editors/pageundo.h"
#include "media/filedialogs.h"
#include "media/imageformat.h"
#include "media/loaders.h"
#include "media/mngload.h"
#include "media/pngload.h"
#include "resources/document_ids.h"
#include "resources/editordocs_ids.h"
#include "resources/pageeditor_ids.h"
#include "resources/resource.h"
#include <cstring>
#include <string>
#include <vector>

namespace {

void Say(HWND owner, unsigned id)
{
    DoMessage(owner, FetchString(id));
}

enum SOURCE { TEXTID, EMPTY, NODATA, ANIMFILE, IMAGEFILE, MIDIFILE, MOVIEFILE, WAVEFILE, STATICFILE };

struct INSERTROW {
    UINT id;
    uint32_t tag;
    SOURCE source;
    unsigned text;
};

const INSERTROW inserts[] = {
    {IDM_INSERTANIM, TAG_ANIM, ANIMFILE, 0},      {IDM_INSERTAPPLET, TAG_APPL, TEXTID, IDS_NEWAPPLET},
    {IDM_INSERTBUTTON, TAG_BUTN, TEXTID, IDS_UNTITLED}, {IDM_INSERTCHECK, TAG_CHEC, TEXTID, IDS_UNTITLED},
    {IDM_INSERTEDIT, TAG_EDIT, TEXTID, IDS_UNTITLED},   {IDM_INSERTFRAME, TAG_FRAM, TEXTID, IDS_UNTITLED},
    {IDM_INSERTIMAGE, TAG_IMAG, IMAGEFILE, 0},    {IDM_INSERTLIST, TAG_LIST, EMPTY, 0},
    {IDM_INSERTMIDI, TAG_MIDI, MIDIFILE, 0},      {IDM_INSERTMOVIE, TAG_MOVI, MOVIEFILE, 0},
    {IDM_INSERTRADIO, TAG_RDIO, TEXTID, IDS_UNTITLED},  {IDM_INSERTWAVE, TAG_WAVE, WAVEFILE, 0},
    {IDM_INSERTSTATIC, TAG_STAT, STATICFILE, 0},  {IDM_INSERTTEXT, TAG_TEXT, TEXTID, IDS_UNTITLED},
    {IDM_INSERTTIMER, TAG_TIME, NODATA, 0},
};

const INSERTROW *InsertRow(UINT id)
{
    for (const INSERTROW &row : inserts)
        if (row.id == id)
            return &row;
    return nullptr;
}

// What a loaded file adds to the new record beyond its data.
struct LOADED {
    HGLOBAL data = NULL;
    long imagesize = 0, filesize = 0;
    int trnscount = 0, colourtype = 6;
    char trns[256] = {};
};

// Asks for the file and loads it: false when the user cancelled or loading failed.
bool LoadInsertFile(HWND page, SOURCE source, LOADED *loaded)
{
    std::vector<char> path(MULTIPLEFILEBUFFER, 0);
    GetOpenPath(path.data());
    int chosen = 0;
    switch (source) {
    case ANIMFILE: chosen = GetAnimationFileName(page, path.data()); break;
    case IMAGEFILE: chosen = GetOpenMultipleImageFileName(page, path.data()); break;
    case MIDIFILE: chosen = GetMIDIFileName(page, path.data()); break;
    case MOVIEFILE: chosen = GetOpenImageFileNameAVI(page, path.data()); break;
    case WAVEFILE: chosen = GetWAVEFileName(page, path.data()); break;
    case STATICFILE: chosen = GetOpenImageFileNamePNG(page, path.data()); break;
    default: break;
    }
    if (!chosen)
        return false;
    const std::string chosenfile = FirstChosenFile(path.data(), path.size());
    SetOpenPath(chosenfile.c_str());
    HCURSOR old = SetCursor(LoadCursorA(NULL, IDC_WAIT));
    const char *file = chosenfile.c_str();
    switch (source) {
    case ANIMFILE: loaded->data = LoadAnimation(page, file); break;
    case IMAGEFILE: {
        unsigned short bits = 0;
        loaded->data = LoadImageA(NULL, file, NULL, &bits);
        break;
    }
    case MIDIFILE: loaded->data = LoadObject(page, file); break;
    case MOVIEFILE: loaded->data = LoadMovie(page, file, &loaded->imagesize, &loaded->filesize); break;
    case WAVEFILE: loaded->data = LoadSound(page, file); break;
    case STATICFILE:
        loaded->data = LoadStaticImage(page, file, &loaded->trnscount, loaded->trns, &loaded->colourtype);
        break;
    default: break;
    }
    // Animations that fail to load say nothing.
    if (!loaded->data && source != ANIMFILE)
        Say(page, source == STATICFILE && OtherThanPng(file) ? IDS_UNSUPPORTEDFORMAT : IDS_ERRREAD);
    SetCursor(old);
    return loaded->data != NULL;
}

// A new object placed at the click is moved, keeping its size, so that it
// lies on the page; one wider or deeper than the page starts at its edge.
void KeepOnPage(HWND page, RECT *r)
{
    RECT client;
    GetClientRect(page, &client);
    LONG dx = 0, dy = 0;
    if (r->right > client.right)
        dx = client.right - r->right;
    if (r->left + dx < 0)
        dx = -r->left;
    if (r->bottom > client.bottom)
        dy = client.bottom - r->bottom;
    if (r->top + dy < 0)
        dy = -r->top;
    OffsetRect(r, dx, dy);
}

void Insert(HWND page, PAGEEDITOR *e, const INSERTROW &row)
{
    TakePageUndo(e);
    POINT at = e->clickpoint;
    DoGrid(page, &at);
    ScreenToClient(page, &at);
    at.x = ClampCoordinate(at.x, 0, MAXCOORDINATE);
    at.y = ClampCoordinate(at.y, 0, MAXCOORDINATE);
    LOADED loaded;
    LONG_PTR data = 0;
    switch (row.source) {
    case TEXTID: data = (LONG_PTR)FetchString(row.text); break;
    case EMPTY: data = (LONG_PTR) ""; break;
    case NODATA: break;
    default:
        if (!LoadInsertFile(page, row.source, &loaded))
            return;
        data = (LONG_PTR)loaded.data;
    }
    HGLOBAL object = CreatePageObject(e->param->block, row.tag, MAKELONG(at.x, at.y), data);
    if (loaded.data)
        GlobalFree(loaded.data);
    if (!object) {
        Say(page, IDS_OBJECTACCESSERROR);
        return;
    }
    if (GlobalLocked<OBJECTHEADER> o{object}) {
        KeepOnPage(page, &o->rect);
        if (row.tag == TAG_MOVI) {
            auto *movie = (OBJECTMOVIE *)o.get();
            movie->avioffset = (uint32_t)loaded.imagesize;
            movie->avilength = (uint32_t)loaded.filesize;
        } else if (row.tag == TAG_STAT) {
            auto *still = (OBJECTSTATICIMAGE *)o.get();
            still->colourtype = (uint32_t)loaded.colourtype;
            still->transparencycount = (uint32_t)ClampCoordinate(loaded.trnscount, 0, 256);
            memcpy(still->transparency, loaded.trns, sizeof still->transparency);
        }
    }
    if (!AppendPageObject(e->param->block, object)) {
        Say(page, IDS_OBJECTACCESSERROR);
        GlobalFree(object);
        return;
    }
    e->changed = 1;
    RebuildPageObjectWindows(page, e->param->block, false);
}
} // namespace

bool InsertObject(HWND page, PAGEEDITOR *e, UINT id)
{
    const INSERTROW *row = InsertRow(id);
    if (row)
        Insert(page, e, *row);
    return row != nullptr;
}
