// The players behind the sound and movie windows, and the one movie that
// plays at a time with the in-memory file procedure that serves it to MCI.
#pragma once
#include <windows.h>
#include <mmsystem.h>
#include <cstdint>

// Where the sound and movie windows meet the platform's players, part of
// their show's host (runtime/runtime.h). The defaults are the process's
// sound player and MCI.
struct MEDIAHOST {
    int (*playsound)(HWND hwnd, HGLOBAL data, DWORD kind);
    int (*killsound)(HWND hwnd);
    int (*soundmessage)(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    MCIERROR (*mcicommand)(MCIDEVICEID device, UINT msg, DWORD_PTR flags, DWORD_PTR params);
    BOOL (*mcierrortext)(MCIERROR error, char *text, UINT size);
};
// MCI's own, for the system's host.
MCIERROR SystemMciCommand(MCIDEVICEID device, UINT msg, DWORD_PTR flags, DWORD_PTR params);
BOOL SystemMciErrorText(MCIERROR error, char *text, UINT size);

// The movie playing: a copy of its AVI file in a fixed block, its length,
// and its window; all zero when none plays. Only that window frees the copy.
extern HGLOBAL AVIplaybuffer;
extern DWORD AVIbufferSize;
extern HWND AVIobjecthwnd;

// The file procedure over AVIplaybuffer, installed for this code; MCI
// reaches it through the element name MOVIEELEMENT. Every position it
// reaches stays within the buffer.
constexpr FOURCC AVIIOPROCCODE = mmioFOURCC('M', 'E', 'Y', ' ');
constexpr char MOVIEELEMENT[] = "video.MEY+";
LRESULT CALLBACK AVIIOProc(LPSTR info, UINT msg, LPARAM lParam1, LPARAM lParam2);

// Plays `length` bytes of an AVI file from memory in `hwnd`, which gets
// MCI's notices: the bytes are checked (once: `checked` keeps the outcome, 0
// not yet, 1 sound, -1 damaged), copied to AVIplaybuffer and opened and
// played by "avivideo" through AVIIOProc, and `hwnd` becomes AVIobjecthwnd.
// When it cannot, nothing stays open or held and `error` (MOVIEERRORTEXT
// characters) says why, except for no memory, which has no text.
enum MOVIEPLAY { MOVIE_PLAYING, MOVIE_FAILED, MOVIE_NOMEMORY };
constexpr int MOVIEERRORTEXT = 261;
constexpr uint32_t MOVIENODEVICE = 0xFFFFFFFF;
MOVIEPLAY QV_PlayMovie(HWND hwnd, const MEDIAHOST &media, const char *bytes, uint32_t length, int *checked,
                       uint32_t *device, char *error);
// Stops and closes `*device` (left MOVIENODEVICE) and, when `hwnd`'s movie is
// the one playing, frees its copy.
void QV_HaltMovie(HWND hwnd, const MEDIAHOST &media, uint32_t *device);
// MCI's text for `error`, or "MCI error N" when it has none.
void QV_MovieErrorText(const MEDIAHOST &media, MCIERROR error, char *text);

// What a movie window shows when its movie cannot be played from memory.
constexpr char MOVIEMEMORYERROR[] = "Memory error: Unable to display video";
