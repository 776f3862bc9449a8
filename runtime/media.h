// The players behind the sound and movie windows, and the one movie that
// plays at a time with the in-memory file procedure that serves it to MCI.
#pragma once
#include <windows.h>
#include <mmsystem.h>

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

// What a movie window shows when its movie cannot be played from memory.
constexpr char MOVIEMEMORYERROR[] = "Memory error: Unable to display video";
