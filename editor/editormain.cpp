#include "editor/editormain.h"
#include "common/msgdlg.h"
#include "common/shell.h"
#include "common/statbar.h"
#include "media/dib.h"
#include <cstdlib>
#include <ctime>

static LRESULT CALLBACK FrameProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

int EditorMain(HINSTANCE inst, const char *, int show)
{
    hInst = inst;
    srand((unsigned)time(nullptr));
    devicebits = GetDisplayBits();

    WNDCLASSA wc{};
    wc.lpfnWndProc = FrameProc;
    wc.hInstance = inst;
    wc.hCursor = LoadCursorA(NULL, IDC_ARROW);
    wc.hIcon = LoadIconA(NULL, IDI_APPLICATION);
    wc.hbrBackground = (HBRUSH)(COLOR_APPWORKSPACE + 1);
    wc.lpszClassName = szAppName;
    if (!RegisterClassA(&wc)) {
        DoMessage(NULL, "Error registering window class.");
        return 0;
    }

    backbrush = CreateSolidBrush(GetSysColor(COLOR_BTNFACE));
    controlfont = CreateFontA(16, 0, 0, 0, 400, 0, 0, 0, ANSI_CHARSET, 0, 0, 0, 0, ControlFontName);

    hwndmain = CreateWindowExA(0, szAppName, "Showbuilder", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN,
                               CW_USEDEFAULT, CW_USEDEFAULT, 800, 600, NULL, NULL, inst, NULL);
    int result = 0;
    if (hwndmain) {
        STATCreateStatusWindow(inst, hwndmain, "");
        STATInsertCell(hwndmain, "", 300, -1, 0);
        STATInsertCell(hwndmain, "", 300, -1, 1);
        ShowWindow(hwndmain, show);
        UpdateWindow(hwndmain);
        MSG msg;
        while (GetMessageA(&msg, NULL, 0, 0) > 0) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        result = 0;
    }
    hwndmain = NULL;
    if (controlfont)
        DeleteObject(controlfont);
    if (backbrush)
        DeleteObject(backbrush);
    controlfont = NULL;
    backbrush = NULL;
    UnregisterClassA(szAppName, inst);
    UnregisterClassA("StatusBar", inst);
    return result;
}
