// A theme plug-in for the host's tests, built three ways: complete, without
// THEMEGetBitmap and settings of its own (THEME_NO_BITMAP) and refusing to
// start (THEME_REFUSE). It
// notes every call in the environment variable THEMELOG, which outlives the
// module.
#include <windows.h>
#include <cstdio>
#include <cstring>

static void Note(const char *text)
{
    char log[2048] = "";
    GetEnvironmentVariableA("THEMELOG", log, sizeof log);
    if (strlen(log) + strlen(text) + 2 < sizeof log) {
        strcat(log, text);
        strcat(log, " ");
    }
    SetEnvironmentVariableA("THEMELOG", log);
}

extern "C" {

__declspec(dllexport) int WINAPI THEMEGetSupport(int version)
{
    char text[32];
    snprintf(text, sizeof text, "support(%d)", version);
    Note(text);
    return 1;
}

__declspec(dllexport) int WINAPI THEMEInit(int a, int b, int c, int d)
{
    char text[64];
    snprintf(text, sizeof text, "init(%d,%d,%d,%d)", a, b, c, d);
    Note(text);
#ifdef THEME_REFUSE
    return 0;
#else
    return 1;
#endif
}

__declspec(dllexport) int WINAPI THEMEDeInit()
{
    Note("deinit");
    return 1;
}

static int Draw(const char *what, HDC dc, RECT *r, int glyph, int flags)
{
    char text[64];
    snprintf(text, sizeof text, "%s(%d,%d)", what, glyph, flags);
    Note(text);
    FillRect(dc, r, (HBRUSH)GetStockObject(BLACK_BRUSH));
    return 7;
}

__declspec(dllexport) int WINAPI THEMEDrawButton(HWND, HDC dc, RECT *r, int glyph, int flags)
{
    return Draw("button", dc, r, glyph, flags);
}

__declspec(dllexport) int WINAPI THEMEDrawSmallButton(HWND, HDC dc, RECT *r, int glyph, int flags)
{
    return Draw("small", dc, r, glyph, flags);
}

__declspec(dllexport) int WINAPI THEMEDrawTool(HWND, HDC dc, RECT *r, int glyph, int flags)
{
    return Draw("tool", dc, r, glyph, flags);
}

__declspec(dllexport) int WINAPI THEMEDrawToolbarBackground(HWND, HDC)
{
    Note("background");
    return 5;
}

__declspec(dllexport) int WINAPI THEMEGetMetric(int index) { return index * 100 + 7; }

#ifndef THEME_NO_BITMAP
// A preview taller than a list item can be, 8 x 300 pixels of 24 bits.
__declspec(dllexport) HGLOBAL WINAPI THEMEGetBitmap(int number)
{
    if (number != 0)
        return NULL;
    const int w = 8, h = 300, row = 24;
    HGLOBAL g = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(BITMAPINFOHEADER) + row * h);
    BITMAPINFOHEADER *bi = (BITMAPINFOHEADER *)GlobalLock(g);
    bi->biSize = sizeof *bi;
    bi->biWidth = w;
    bi->biHeight = h;
    bi->biPlanes = 1;
    bi->biBitCount = 24;
    GlobalUnlock(g);
    Note("bitmap");
    return g;
}
#endif

#ifndef THEME_NO_BITMAP
__declspec(dllexport) int WINAPI THEMEConfigure(HWND, int version)
{
    char text[32];
    snprintf(text, sizeof text, "configure(%d)", version);
    Note(text);
    return 1;
}
#endif
}
