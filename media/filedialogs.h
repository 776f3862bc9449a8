// The open and save dialogs for pictures, waves and MIDI files: the
// Explorer form of the common dialogs with child templates of our own, a
// live preview of the selected picture or wave, preview players, and save
// dialogs that keep the name's extension in step with the chosen type.
//
// Every open dialog takes the current file in `path`, whose folder becomes
// the start folder, and gives back the chosen file (for multiple selection
// the folder and the names in the dialog's own form: folder, NUL, names each
// ended by NUL, a second NUL). `path` holds as many characters as the
// dialog's buffer (260, or 8192 for the multiple and the PNG, AVI and GIF
// dialogs). A cancelled dialog returns 0 and leaves `path` as it was.
#pragma once
#include <windows.h>
#include <commdlg.h>
#include <string>

constexpr DWORD FILENAMEBUFFER = 260;
constexpr DWORD MULTIPLEFILEBUFFER = 8192;

// The first file of what an open dialog gave back in `buffer` (`size`
// characters): the path itself when one file was chosen, else the folder
// joined to the first name.
std::string FirstChosenFile(const char *buffer, size_t size);

// Pictures.
int GetOpenImageFileName(HWND owner, char *path);
int GetOpenMultipleImageFileName(HWND owner, char *path);
int GetOpenImageFileNamePNG(HWND owner, char *path);
int GetOpenImageFileNameAVI(HWND owner, char *path);
int GetOpenImageFileNameGIF(HWND owner, char *path);
int GetOpenImageFileNameMultipleGIF(HWND owner, char *path);
// `path` is the proposed name, 260 characters.
int GetWriteImageFileName(HWND owner, char *path);
UINT_PTR CALLBACK OFNHookProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);
UINT_PTR CALLBACK OFNWriteHookProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);

// Sounds.
int COMMONGetOpenWaveFileName(HWND owner, char *path);
int COMMONGetOpenWaveFileNameMultiple(HWND owner, char *path);
int COMMONGetOpenMidiFileName(HWND owner, char *path);
int COMMONGetOpenMidiFileNameMultiple(HWND owner, char *path);
int COMMONGetWriteWaveFileName(HWND owner, char *path);
int COMMONGetWriteMidiFileName(HWND owner, char *path);
UINT_PTR CALLBACK WaveOpenHookProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);
UINT_PTR CALLBACK MidiOpenHookProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);
// Shows `text` where a sound failed to play, with the reason when the sound
// of `kind` is itself at fault rather than the device.
void ShowSoundError(HWND owner, const char *text, HGLOBAL sound, DWORD kind);

// --- Shared by the dialogs of this folder ------------------------------

// One open or save dialog to run. The hook's state, when it has one, comes
// to its WM_INITDIALOG through the record's lCustData.
struct FILEDIALOG {
    const char *filter;
    DWORD index = 1;
    char *path;
    DWORD size;
    const char *defext = nullptr;
    DWORD flags;
    LPOFNHOOKPROC hook = nullptr;
    const char *templ = nullptr;
    LPARAM state = 0;
};
// Runs the dialog through COMMONModal: an open dialog starts in the folder of
// `path`; the chosen filter index comes back in `index` on OK. Afterwards the
// owner and the main window are brought up to date.
int RunFileDialog(HWND owner, FILEDIALOG &dialog, bool save);
// The selected file of a dialog whose hook is `hook`, in `out` (260
// characters); false when there is none or it would not fit.
bool GetSelectedPath(HWND hook, char (&out)[FILENAMEBUFFER]);
// Moves a control of the hook dialog to client row y, keeping its column.
void MoveControlTo(HWND hook, int id, int y);
// A sunken edge round the item and its inside filled white; `inside` is
// the rectangle within the edge.
void DrawPreviewFrame(const DRAWITEMSTRUCT *item, RECT *inside);
// Draws a picture scaled to the item rectangle, centred, within `clip`.
void DrawScaledPreview(HDC dc, const RECT &item, const RECT &clip, HGLOBAL dib);
