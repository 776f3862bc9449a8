// Small services every subsystem calls: dialog fonts and colours, bitmap
// drawing, status-bar progress, abort polling and a handful of helpers.
#pragma once
#include <windows.h>

void SetAllFontControls(HWND parent, HFONT font);
BOOL CALLBACK FontEnumProc(HWND child, LPARAM font);
HBRUSH HandleCtlColour(HWND dlg, HDC dc, LPARAM);
int DrawBitmapStaticButton(HWND, unsigned, unsigned, DRAWITEMSTRUCT *item, unsigned short index,
                           const char *bitmap, unsigned short first);
void DrawImage(HDC dc, int x, int y, HGLOBAL resource, DWORD rop);
void DrawBitmap(HDC dc, int x, int y, HGLOBAL dib, DWORD rop);
HBITMAP CopyScreenToBitmap(HDC dc, const RECT *rect);

void OpenStatus();
void UpdateStatus(unsigned value, unsigned max);
void CloseStatus();
void StatusText(const char *text);
int CheckForAbort(HWND hwnd);

void COMMONTextToHex(char *out, const char *in, int limit);
int RectWidth(const RECT *r);
int RectDepth(const RECT *r);

// Reads one string value under HKEY_LOCAL_MACHINE.
typedef bool (*REGISTRYREADER)(const char *subkey, const char *value, char *out, DWORD size);
bool ReadMachineString(const char *subkey, const char *value, char *out, DWORD size);
// The registered owner and organisation as `read` finds them, with the
// fall-backs of an unregistered system.
int GetMachineName(char *name, char *organisation, REGISTRYREADER read = ReadMachineString);

int GetSpinValue(HWND dlg, int id);
HGLOBAL DuplicateObject(HGLOBAL source);

// `value` as an unsigned number with commas between groups of three digits
// (1234567 gives "1,234,567"), in a buffer the next call overwrites.
char *formatlong(long value);
