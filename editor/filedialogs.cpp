// The editor's file dialogs: one OPENFILENAME each, run through COMMONModal
// so that tests answer them, and the owner and the frame repainted at once
// afterwards so that no trace of the dialog stays while the caller works.
#include "editor/filedialogs.h"
#include "common/modal.h"
#include "common/shell.h"
#include "editor/shell.h"
#include <commdlg.h>
#include <cstring>

namespace {

// The record as the dialogs of the first Explorer style know it.
constexpr DWORD OFNSIZE = 76;
constexpr DWORD OPENFLAGS = OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR | OFN_HIDEREADONLY;
constexpr DWORD SAVEFLAGS = OFN_EXPLORER | OFN_OVERWRITEPROMPT | OFN_NOCHANGEDIR | OFN_HIDEREADONLY;

const char EXEFILTER[] = "EXE files\0*.EXE\0All files\0*.*\0";
const char DOCFILTER[] = "DOC files\0*.DOC\0All files\0*.*\0";
const char SOUNDFILTER[] = "WAVE files\0*.WAV\0MIDI files\0*.MID\0";
const char MNGFILTER[] = "MNG files\0*.MNG\0";

INT_PTR RunOpen(const MODALCALL *call) { return GetOpenFileNameA((OPENFILENAMEA *)call->data); }
INT_PTR RunSave(const MODALCALL *call) { return GetSaveFileNameA((OPENFILENAMEA *)call->data); }

// The drive and folder of `path` with a trailing backslash, or "".
void StartFolder(const char *path, char *folder)
{
    size_t n = strnlen(path, MAX_PATH - 1);
    memcpy(folder, path, n);
    folder[n] = 0;
    char *slash = strrchr(folder, '\\');
    char *colon = strrchr(folder, ':');
    char *end = slash ? slash + 1 : colon ? colon + 1 : folder;
    *end = 0;
}

int Run(HWND owner, OPENFILENAMEA &ofn, bool save)
{
    char title[261] = "";
    ofn.lStructSize = OFNSIZE;
    ofn.hwndOwner = owner;
    ofn.hInstance = hInst;
    ofn.lpstrFileTitle = title;
    ofn.nMaxFileTitle = sizeof title;
    MODALCALL call{};
    call.kind = MODAL_COMMONDIALOG;
    call.parent = owner;
    call.instance = hInst;
    call.name = save ? "GetSaveFileName" : "GetOpenFileName";
    call.data = &ofn;
    call.run = save ? RunSave : RunOpen;
    int result = COMMONModal(&call) > 0 ? 1 : 0;
    if (owner)
        UpdateWindow(owner);
    if (hwndmain)
        UpdateWindow(hwndmain);
    return result;
}

// One path into a buffer of its own, copied to the caller's only on OK.
int OpenOne(HWND owner, char *buffer, const char *filter)
{
    char folder[MAX_PATH], file[MAX_PATH] = "";
    StartFolder(buffer, folder);
    OPENFILENAMEA ofn{};
    ofn.lpstrFilter = filter;
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = file;
    ofn.nMaxFile = MAX_PATH;
    ofn.lpstrInitialDir = folder[0] ? folder : nullptr;
    ofn.Flags = OPENFLAGS;
    int result = Run(owner, ofn, false);
    if (result) {
        file[MAX_PATH - 1] = 0;
        strcpy(buffer, file);
    }
    return result;
}

// Several names straight into the caller's buffer.
int OpenMany(HWND owner, char *buffer, const char *filter, DWORD index, DWORD *chosen)
{
    char folder[MAX_PATH];
    StartFolder(buffer, folder);
    memset(buffer, 0, MULTIPLEFILEBUFFER);
    OPENFILENAMEA ofn{};
    ofn.lpstrFilter = filter;
    ofn.nFilterIndex = index;
    ofn.lpstrFile = buffer;
    ofn.nMaxFile = MULTIPLEFILEBUFFER;
    ofn.lpstrInitialDir = folder[0] ? folder : nullptr;
    ofn.Flags = OPENFLAGS | OFN_ALLOWMULTISELECT;
    int result = Run(owner, ofn, false);
    // Whatever the dialog did, the list ends inside the buffer.
    buffer[MULTIPLEFILEBUFFER - 2] = buffer[MULTIPLEFILEBUFFER - 1] = 0;
    if (!result)
        buffer[0] = 0;
    else if (chosen)
        *chosen = ofn.nFilterIndex;
    return result;
}

int Save(HWND owner, char *buffer)
{
    OPENFILENAMEA ofn{};
    ofn.lpstrFilter = EXEFILTER;
    ofn.nFilterIndex = 0;
    ofn.lpstrFile = buffer;
    ofn.nMaxFile = MAX_PATH;
    ofn.lpstrDefExt = "EXE";
    ofn.Flags = SAVEFLAGS;
    buffer[MAX_PATH - 1] = 0;
    int result = Run(owner, ofn, true);
    buffer[MAX_PATH - 1] = 0;
    return result;
}

} // namespace

int GetOpenFileNameA(HWND owner, char *buffer) { return OpenOne(owner, buffer, EXEFILTER); }

int GetOpenDocName(HWND owner, char *buffer) { return OpenOne(owner, buffer, DOCFILTER); }

int GetSoundFileName(HWND owner, char *buffer)
{
    DWORD index = SoundFileOpenIndex == 2 ? 2 : 1;
    int result = OpenMany(owner, buffer, SOUNDFILTER, index, &index);
    if (result)
        SoundFileOpenIndex = (int)index;
    return result;
}

int GetAnimationFileName(HWND owner, char *buffer) { return OpenMany(owner, buffer, MNGFILTER, 1, nullptr); }

// Waves and MIDI files are picked in the shared dialogs with their previews.
int GetWAVEFileName(HWND owner, char *buffer) { return COMMONGetOpenWaveFileNameMultiple(owner, buffer); }

int GetMIDIFileName(HWND owner, char *buffer) { return COMMONGetOpenMidiFileNameMultiple(owner, buffer); }

int GetWriteFileName(HWND owner, char *buffer) { return Save(owner, buffer); }

int GetWriteExeFileName(HWND owner, char *buffer) { return Save(owner, buffer); }
