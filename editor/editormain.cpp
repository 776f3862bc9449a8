// The editor's start-up, message loop and end.
#include "editor/editormain.h"
#include "common/about.h"
#include "common/msgdlg.h"
#include "common/paths.h"
#include "common/services.h"
#include "common/statbar.h"
#include "common/sticky.h"
#include "common/strings.h"
#include "common/theme.h"
#include "common/tooltip.h"
#include "editor/config.h"
#include "editor/docwindow.h"
#include "editor/paint.h"
#include "editor/shell.h"
#include "editor/sysinfo.h"
#include "editor/tipfolder.h"
#include "editor/toolbar.h"
#include "editor/viewprint.h"
#include "media/dib.h"
#include "resources/editorframe_ids.h"
#include "runtime/runtime.h"
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>

HBRUSH barbrush, eyedropperbrush, picturebrush;
HFONT smallcontrolfont;

const char appName[] = "ShowbinderProfessional 2.0a";
const char barclass[] = "ShowbinderBar";
const char pagepreviewclass[] = "ShowbinderPagePreview";
const char objectpreviewclass[] = "ShowbinderObjectPreview";

namespace {

constexpr UINT BYTEALIGNED = CS_BYTEALIGNWINDOW | CS_HREDRAW | CS_VREDRAW;

struct CLASSROW {
    const char *name;
    WNDPROC proc;
    UINT style;
    int extra;
    HBRUSH *background; // NULL: the hollow stock brush
    const char *menu;
};

// The header editor and the page editor register their own classes.
const CLASSROW classes[] = {
    {szAppName, WndProc, BYTEALIGNED | CS_DBLCLKS, 0, &backbrush, "MainMenu"},
    {TASKCLASSNAME, TaskProc, BYTEALIGNED | CS_DBLCLKS, 4, &backbrush, NULL},
    {barclass, BarProc, BYTEALIGNED, 0, &barbrush, NULL},
};
constexpr int CLASSCOUNT = sizeof classes / sizeof classes[0];

int RegisterClasses(HINSTANCE inst)
{
    HICON icon = LoadIconA(inst, MAKEINTRESOURCEA(IDI_EDITOR));
    if (!icon)
        icon = LoadIconA(NULL, IDI_APPLICATION);
    int done = 0;
    for (const CLASSROW &row : classes) {
        WNDCLASSA wc{};
        wc.style = row.style;
        wc.lpfnWndProc = row.proc;
        wc.cbWndExtra = row.extra;
        wc.hInstance = inst;
        wc.hIcon = icon;
        wc.hCursor = LoadCursorA(NULL, IDC_ARROW);
        wc.hbrBackground = row.background ? *row.background : (HBRUSH)GetStockObject(NULL_BRUSH);
        wc.lpszMenuName = row.menu;
        wc.lpszClassName = row.name;
        if (!RegisterClassA(&wc))
            return done;
        done++;
    }
    return done;
}

void UnregisterClasses(HINSTANCE inst, int count)
{
    for (int i = count - 1; i >= 0; i--)
        UnregisterClassA(classes[i].name, inst);
}

void AppendBackslash(char *path, size_t size)
{
    size_t n = strlen(path);
    if (n && path[n - 1] != '\\' && n + 1 < size) {
        path[n] = '\\';
        path[n + 1] = 0;
    }
}

// The three settings needed before the frame exists, read the way Windows
// reads any profile file.
void ReadEarlySettings()
{
    char path[PATHBUILDSIZE];
    lstrcpynA(path, COMMONAddApplicationDataPath("SHOWBUILDER.INI"), sizeof path);
    if (!path[0])
        return;
    ShowStartupWindow = (int)GetPrivateProfileIntA("Showbinder", "ShowStartupWindow", 1, path);
    LogoDelay = (int)GetPrivateProfileIntA("Showbinder", "LogoDelay", LogoDelay, path);
}

void ReadTheme()
{
    char path[PATHBUILDSIZE];
    lstrcpynA(path, COMMONAddApplicationDataPath("SHOWBUILDER.INI"), sizeof path);
    if (path[0])
        GetPrivateProfileStringA("Showbinder", "ThemeCurrent", "THEME_Contemporary.dll", ThemeCurrent, SETTINGTEXT,
                                 path);
}

void SettleFolders()
{
    char module[MAX_PATH];
    DWORD n = GetModuleFileNameA(hInst, module, sizeof module);
    if (n && n < sizeof module) {
        module[n] = 0;
        if (char *slash = strrchr(module, '\\'))
            slash[1] = 0;
        lstrcpynA(ApplicationPath, module, SETTINGTEXT);
    }
    if (!OpenPath[0]) {
        lstrcpynA(OpenPath, COMMONAddDocumentPath("My Showbinder Documents"), SETTINGTEXT - 1);
        AppendBackslash(OpenPath, SETTINGTEXT);
        // A file dialog told to start in a folder that is not there starts
        // in the current one instead, which is wherever the editor was
        // started from.
        if (OpenPath[0])
            COMMONMakeFoldersFor(OpenPath);
    }
}

void DeleteGdi(HGDIOBJ &object)
{
    if (object)
        DeleteObject(object);
    object = NULL;
}

void FreeGraphics()
{
    HGDIOBJ objects[] = {controlfont, smallcontrolfont, backbrush, barbrush, eyedropperbrush, logobrush, picturebrush};
    for (HGDIOBJ &o : objects)
        DeleteGdi(o);
    controlfont = smallcontrolfont = NULL;
    backbrush = barbrush = eyedropperbrush = logobrush = picturebrush = NULL;
}

} // namespace

void TakeCommandLine(const char *cmdline)
{
    LoadFile[0] = 0;
    if (!cmdline)
        return;
    std::string line(cmdline);
    line.push_back(0);
    COMMONUnQuoteCommandLine(&line[0]);
    line.resize(strlen(line.c_str()));
    size_t first = line.find_first_not_of(" \t");
    size_t last = line.find_last_not_of(" \t\r\n");
    if (first == std::string::npos)
        return;
    line = line.substr(first, last - first + 1);
    if (line.size() < SETTINGTEXT)
        strcpy(LoadFile, line.c_str());
}

namespace {

void CreateBrushes()
{
    backbrush = CreateSolidBrush(GetSysColor(COLOR_BTNFACE));
    barbrush = CreateSolidBrush(GetSysColor(COLOR_BTNFACE));
    eyedropperbrush = CreateSolidBrush(GetSysColor(COLOR_BTNFACE));
    logobrush = CreateSolidBrush(0);
    picturebrush = CreateSolidBrush(0);
}

void KeepStartupPath()
{
    char current[MAX_PATH] = "";
    DWORD n = GetCurrentDirectoryA(sizeof current, current);
    lstrcpynA(StartupPath, n && n < sizeof current ? current : "", SETTINGTEXT - 1);
    AppendBackslash(StartupPath, SETTINGTEXT);
}

void CreateControlFonts()
{
    if (!ControlFontName[0])
        return;
    controlfont = CreateFontA(16, 0, 0, 0, 400, 0, 0, 0, ANSI_CHARSET, 0, 0, 0, 0, ControlFontName);
    smallcontrolfont = CreateFontA(13, 0, 0, 0, 400, 0, 0, 0, ANSI_CHARSET, 0, 0, 0, 0, ControlFontName);
}

// Everything the frame holds, put up once the frame itself exists.
void FurnishFrame(HINSTANCE inst, const char *cmdline, int show, const EDITORPARTS &parts, int width,
                  const char *title)
{
    LoadMenuConfig();
    GetPaintbrushPath(hwndmain, PaintbrushPath, PaintbrushName, &SearchForPaintbrush, parts.paintsearch);
    SettleFolders();
    statusbar = STATCreateStatusWindow(inst, hwndmain, "");
    STATInsertCell(hwndmain, "", 300, -1, 0);
    STATInsertCell(hwndmain, "", 300, -1, 1);
    hwndbar = CreateWindowExA(0, barclass, "", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_DLGFRAME, 0, 0, width,
                              COMMONTHEMEGetMetric(1), hwndmain, (HMENU)0, inst, NULL);
    EnableCommands(NULL, 0, 0);
    if (controlfont && hwndbar)
        SetAllFontControls(hwndbar, controlfont);
    TakeCommandLine(cmdline);
    if (LoadFile[0])
        PostMessageA(hwndbar ? hwndbar : hwndmain, WM_COMMAND, IDM_OPEN, 0);
    ShowWindow(hwndmain, show);
    UpdateWindow(hwndmain);
    SetStickyWindows(hwndmain);
    if (StartMaximized)
        SendMessageA(hwndmain, WM_SYSCOMMAND, SC_MAXIMIZE, 0);
    SetWindowTextA(hwndmain, title);
    SetSelectionStatus(0);
    if (devicebits <= 8 && ShowDriverMessage)
        ShowDriverDialog(hwndmain);
    SendMessageA(hwndmain, WM_DRAWCLIPBOARD, 0, 0);
    if (ShowTipOfTheDay && IsTipTime())
        PostMessageA(hwndmain, WM_COMMAND, IDM_TIP, 0);
}

// Runs until the frame is gone or a quit arrives; gives the quit's code.
int RunMessageLoop(HACCEL accelerators)
{
    MSG msg{};
    bool settled = false;
    for (;;) {
        // The windows of the start-up are all up once the queue first
        // holds nothing but timers: the logo comes back in front of them.
        if (!settled && !HIWORD(GetQueueStatus(QS_ALLINPUT & ~QS_TIMER))) {
            RaiseLogo();
            settled = true;
        }
        if (GetMessageA(&msg, NULL, 0, 0) <= 0)
            break;
        if (!IsWindow(hwndmain))
            break;
        if (!accelerators || !TranslateAcceleratorA(hwndmain, accelerators, &msg)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
    bool quit = msg.message == WM_QUIT;
    int code = quit ? (int)msg.wParam : 0;
    if (IsWindow(hwndmain))
        DestroyWindow(hwndmain);
    // A quit already posted belongs to this run, not to whoever runs next.
    if (!quit && PeekMessageA(&msg, NULL, WM_QUIT, WM_QUIT, PM_REMOVE))
        code = (int)msg.wParam;
    return code;
}

void ShutDown(HINSTANCE inst)
{
    COMMONTHEMEDeInit();
    DestroyTips(hwndbar);
    QV_UnregisterCommonClasses();
    UnregisterClasses(inst, CLASSCOUNT);
    UnregisterClassA("StatusBar", inst);
    hwndmain = hwndclient = hwndbar = statusbar = NULL;
    FreeGraphics();
}

} // namespace

int EditorMain(HINSTANCE inst, const char *cmdline, int show, const EDITORPARTS &parts)
{
    srand((unsigned)time(nullptr));
    hInst = inst;
    CreateBrushes();
    ReadEarlySettings();
    OpenLogo(NULL);
    devicebits = GetDisplayBits();
    KeepStartupPath();
    InitializeTips(inst);
    HACCEL accelerators = LoadAcceleratorsA(inst, "MainAccelerator");

    int registered = RegisterClasses(inst);
    if (registered < CLASSCOUNT || !QV_RegisterCommonClasses()) {
        DoMessage(NULL, FetchString(IDS_CLASSERROR));
        QV_UnregisterCommonClasses();
        UnregisterClasses(inst, registered);
        FreeGraphics();
        return 0;
    }
    ReadTheme();
    COMMONTHEMEInit(8, 2, 0, 59, ThemeCurrent);
    CreateControlFonts();

    FilePathIndex = 0;
    LoadFile[0] = 0;
    int sv = GetSystemMetrics(SM_CXVSCROLL), sh = GetSystemMetrics(SM_CXHSCROLL);
    int width = GetSystemMetrics(SM_CXSCREEN) - 2 * sv;
    char title[FETCHSTRINGSIZE];
    lstrcpynA(title, FetchString(IDS_FRAMETITLE), sizeof title);
    hwndmain = CreateWindowExA(0, szAppName, title, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, sv, sh, width,
                               GetSystemMetrics(SM_CYSCREEN) - 2 * sh, NULL, NULL, inst, (void *)&parts);
    int code = 0;
    if (hwndmain) {
        FurnishFrame(inst, cmdline, show, parts, width, title);
        srand((unsigned)time(nullptr));
        code = RunMessageLoop(accelerators);
    }
    ShutDown(inst);
    return code;
}
