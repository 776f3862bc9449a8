#include "tests/support/drive.h"
#include "runtime/runtime.h"

namespace {

struct FINDING {
    DWORD pid;
    std::vector<PLAYWINDOW> *out;
};

BOOL CALLBACK CollectWindow(HWND hwnd, LPARAM data)
{
    auto *f = (FINDING *)data;
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (pid == f->pid) {
        char cls[64] = "", caption[256] = "";
        GetClassNameA(hwnd, cls, sizeof cls);
        GetWindowTextA(hwnd, caption, sizeof caption);
        f->out->push_back(PLAYWINDOW{hwnd, cls, caption, IsWindowVisible(hwnd) != 0});
    }
    return TRUE;
}

BOOL CALLBACK LongestText(HWND child, LPARAM data)
{
    char cls[16] = "", text[1024] = "";
    GetClassNameA(child, cls, sizeof cls);
    if (_stricmp(cls, "Static") == 0 && GetWindowTextA(child, text, sizeof text) > 0) {
        auto *best = (std::string *)data;
        if (strlen(text) > best->size())
            *best = text;
    }
    return TRUE;
}

} // namespace

std::vector<PLAYWINDOW> ProcessWindows(DWORD pid)
{
    std::vector<PLAYWINDOW> out;
    FINDING f{pid, &out};
    EnumWindows(CollectWindow, (LPARAM)&f);
    return out;
}

std::string MessageBoxText(HWND box)
{
    std::string text;
    EnumChildWindows(box, LongestText, (LPARAM)&text);
    return text;
}

bool WaitFor(const std::function<bool()> &test, int timeoutms)
{
    DWORD start = GetTickCount();
    for (;;) {
        if (test())
            return true;
        if ((int)(GetTickCount() - start) > timeoutms)
            return false;
        Sleep(10);
    }
}

COLORREF ScreenPixel(HWND window, int x, int y)
{
    POINT p{x, y};
    ClientToScreen(window, &p);
    HDC screen = GetDC(NULL);
    COLORREF c = GetPixel(screen, p.x, p.y);
    ReleaseDC(NULL, screen);
    return c;
}

PLAYOUTCOME PlayDocument(const std::string &path, const char *args,
                         const std::function<void(HWND show, DWORD pid)> &onshow, int timeoutms)
{
    PLAYOUTCOME out;
    std::string line = "\"" + path + "\"" + (args && *args ? std::string(" ") + args : std::string());
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessA(path.c_str(), &line[0], NULL, NULL, FALSE, 0, NULL, NULL, &si, &pi))
        return out;
    CloseHandle(pi.hThread);
    DWORD start = GetTickCount();
    bool closed = false;
    std::vector<HWND> answered;
    while (WaitForSingleObject(pi.hProcess, 5) == WAIT_TIMEOUT) {
        if ((int)(GetTickCount() - start) > timeoutms) {
            TerminateProcess(pi.hProcess, 99);
            WaitForSingleObject(pi.hProcess, 5000);
            CloseHandle(pi.hProcess);
            return out;
        }
        for (const PLAYWINDOW &w : ProcessWindows(pi.dwProcessId)) {
            if (w.cls == "#32770" && w.caption == "Message" && w.visible) {
                bool seen = false;
                for (HWND a : answered)
                    seen = seen || a == w.hwnd;
                if (!seen) {
                    answered.push_back(w.hwnd);
                    out.messages.push_back(MessageBoxText(w.hwnd));
                }
                PostMessageA(w.hwnd, WM_COMMAND, IDOK, 0);
            } else if (w.cls == QVCLASS_appwindow && w.visible && !closed) {
                out.shown = true;
                if (onshow)
                    onshow(w.hwnd, pi.dwProcessId);
                PostMessageA(w.hwnd, WM_CLOSE, 0, 0);
                closed = true;
                start = GetTickCount(); // the end is waited for from the close
            }
        }
    }
    out.ended = true;
    GetExitCodeProcess(pi.hProcess, &out.code);
    CloseHandle(pi.hProcess);
    return out;
}
