// What the tests of the editor's windows share: its settings put back after
// each test, its user folders in a folder of the test's own, its own start
// told to stay quiet, and a frame with an MDI client for document windows
// made without that start. For test programs that link the editor.
#pragma once
#include "common/paths.h"
#include "common/shell.h"
#include "document/blockstore.h"
#include "editor/config.h"
#include "editor/docwindow.h"
#include "editor/shell.h"
#include "tests/support/testsupport.h"
#include <gtest/gtest.h>
#include <cstring>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

namespace sbtest {

// Every editor setting as it was when this was made, put back when it goes.
class KeptSettings {
public:
    KeptSettings()
    {
        for (int i = 0; i < MAXCONFIGITEM; i++)
            saved.emplace_back((const char *)configitem[i].value,
                               configitem[i].type & CONFIG_TEXT ? SETTINGTEXT : sizeof(int));
    }
    ~KeptSettings()
    {
        for (int i = 0; i < MAXCONFIGITEM; i++)
            memcpy(configitem[i].value, saved[i].data(), saved[i].size());
    }
    KeptSettings(const KeptSettings &) = delete;
    KeptSettings &operator=(const KeptSettings &) = delete;

private:
    std::vector<std::string> saved;
};

// The running test program's own path: a file that surely exists.
inline std::string OwnProgram()
{
    char path[MAX_PATH] = "";
    GetModuleFileNameA(NULL, path, sizeof path);
    return path;
}

// Where PaintbrushPath may point, and whether Paint is then offered: only a
// file that exists is a paint program to hand a picture to.
struct PaintPathCase {
    std::string path;
    bool offered;
};
inline std::vector<PaintPathCase> PaintPathCases()
{
    return {{"", false}, {"C:\\nowhere\\mspaint.exe", false}, {"C:\\windows", false}, {OwnProgram(), true}};
}

// The clipboard held open by another program for as long as this lives, as
// any program may hold it while the editor copies (testpaint.exe, beside the
// test program, holds it).
class ClipboardHeldElsewhere {
public:
    ClipboardHeldElsewhere()
    {
        std::string exe = OwnProgram();
        std::string command = "\"" + exe.substr(0, exe.find_last_of("\\/") + 1) + "testpaint.exe\"";
        SetEnvironmentVariableA("SBTESTPAINT", "holdclipboard");
        SetEnvironmentVariableA("SBTESTPAINTHELD", "sbtest clipboard held");
        SetEnvironmentVariableA("SBTESTPAINTWAIT", "sbtest clipboard go");
        STARTUPINFOA start{};
        start.cb = sizeof start;
        started = CreateProcessA(NULL, command.data(), NULL, NULL, FALSE, 0, NULL, NULL, &start, &other);
        for (const char *name : {"SBTESTPAINT", "SBTESTPAINTHELD", "SBTESTPAINTWAIT"})
            SetEnvironmentVariableA(name, NULL);
        EXPECT_TRUE(started) << command;
        // Its start notifies this program's windows: they answer while it
        // starts.
        auto signalled = [](HANDLE h) { return WaitForSingleObject(h, 0) == WAIT_OBJECT_0; };
        held_ = started && sbtest::PumpUntil([&] { return signalled(held) || signalled(other.hProcess); }) &&
                signalled(held);
        EXPECT_TRUE(held_) << "the other program did not take the clipboard";
    }
    ~ClipboardHeldElsewhere()
    {
        SetEvent(go);
        if (started) {
            EXPECT_TRUE(sbtest::PumpUntil([&] { return WaitForSingleObject(other.hProcess, 0) == WAIT_OBJECT_0; }))
                << "the other program did not end";
            CloseHandle(other.hThread);
            CloseHandle(other.hProcess);
        }
        CloseHandle(held);
        CloseHandle(go);
    }
    ClipboardHeldElsewhere(const ClipboardHeldElsewhere &) = delete;
    ClipboardHeldElsewhere &operator=(const ClipboardHeldElsewhere &) = delete;
    bool Held() const { return held_; }

private:
    HANDLE held = CreateEventA(NULL, TRUE, FALSE, "sbtest clipboard held");
    HANDLE go = CreateEventA(NULL, TRUE, FALSE, "sbtest clipboard go");
    PROCESS_INFORMATION other{};
    BOOL started = FALSE;
    bool held_ = false;
};

// Another program takes the clipboard, as a user copying a word in a mail
// does: testpaint.exe empties it and puts `text` on it (only empties it
// when null), while this program's windows answer the clipboard's notices.
inline void OtherProgramTakesClipboard(const char *text = nullptr)
{
    std::string exe = OwnProgram();
    std::string command = "\"" + exe.substr(0, exe.find_last_of("\\/") + 1) + "testpaint.exe\"";
    SetEnvironmentVariableA("SBTESTPAINT", text ? "copytext" : "emptyclipboard");
    SetEnvironmentVariableA("SBTESTPAINTTEXT", text);
    STARTUPINFOA start{};
    start.cb = sizeof start;
    PROCESS_INFORMATION other{};
    BOOL started = CreateProcessA(NULL, command.data(), NULL, NULL, FALSE, 0, NULL, NULL, &start, &other);
    SetEnvironmentVariableA("SBTESTPAINT", NULL);
    SetEnvironmentVariableA("SBTESTPAINTTEXT", NULL);
    ASSERT_TRUE(started) << command;
    bool ended = PumpUntil([&] { return WaitForSingleObject(other.hProcess, 0) == WAIT_OBJECT_0; });
    DWORD code = 1;
    GetExitCodeProcess(other.hProcess, &code);
    CloseHandle(other.hThread);
    CloseHandle(other.hProcess);
    ASSERT_TRUE(ended && code == 0) << "the other program did not take the clipboard: " << code;
}

// Another program that takes the clipboard each time it is asked, as
// OtherProgramTakesClipboard does, started once for as long as this lives.
class ClipboardTaker {
public:
    ClipboardTaker()
    {
        char dir[MAX_PATH];
        GetTempPathA(sizeof dir, dir);
        std::string id = std::to_string(GetCurrentProcessId());
        file = std::string(dir) + "sbtaker" + id + ".txt";
        std::ofstream(file, std::ios::binary).flush();
        std::string donename = "sbtest taken " + id, goname = "sbtest take " + id;
        done = CreateEventA(NULL, FALSE, FALSE, donename.c_str());
        go = CreateEventA(NULL, FALSE, FALSE, goname.c_str());
        std::string exe = OwnProgram();
        std::string command = "\"" + exe.substr(0, exe.find_last_of("\\/") + 1) + "testpaint.exe\" \"" + file + "\"";
        SetEnvironmentVariableA("SBTESTPAINT", "serveclipboard");
        SetEnvironmentVariableA("SBTESTPAINTHELD", donename.c_str());
        SetEnvironmentVariableA("SBTESTPAINTWAIT", goname.c_str());
        STARTUPINFOA start{};
        start.cb = sizeof start;
        started = CreateProcessA(NULL, command.data(), NULL, NULL, FALSE, 0, NULL, NULL, &start, &other);
        for (const char *name : {"SBTESTPAINT", "SBTESTPAINTHELD", "SBTESTPAINTWAIT"})
            SetEnvironmentVariableA(name, NULL);
        EXPECT_TRUE(started) << command;
    }
    ~ClipboardTaker()
    {
        DeleteFileA(file.c_str());
        SetEvent(go);
        if (started) {
            EXPECT_TRUE(PumpUntil([&] { return WaitForSingleObject(other.hProcess, 0) == WAIT_OBJECT_0; }))
                << "the other program did not end";
            CloseHandle(other.hThread);
            CloseHandle(other.hProcess);
        }
        CloseHandle(done);
        CloseHandle(go);
    }
    ClipboardTaker(const ClipboardTaker &) = delete;
    ClipboardTaker &operator=(const ClipboardTaker &) = delete;
    // Empties the clipboard and puts `text` on it; false, with a failure,
    // when the other program did not.
    bool Take(const std::string &text)
    {
        std::ofstream(file, std::ios::binary | std::ios::trunc) << text;
        SetEvent(go);
        bool taken = false;
        PumpUntil([&] {
            taken = WaitForSingleObject(done, 0) == WAIT_OBJECT_0;
            return taken || !started || WaitForSingleObject(other.hProcess, 0) == WAIT_OBJECT_0;
        });
        EXPECT_TRUE(taken) << "the other program did not take the clipboard";
        return taken;
    }

private:
    std::string file;
    HANDLE done = NULL, go = NULL;
    PROCESS_INFORMATION other{};
    BOOL started = FALSE;
};

// Blocks of this process filled with a pattern of their own: a handle freed
// twice lands on whichever of them took it in between, and shows as a block
// no longer whole.
class PatternBlocks {
public:
    explicit PatternBlocks(int count = 32)
    {
        for (int i = 0; i < count; i++) {
            SIZE_T size = 16 + 61 * (SIZE_T)i;
            HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE, size);
            if (auto *p = h ? (uint8_t *)GlobalLock(h) : nullptr) {
                for (SIZE_T j = 0; j < size; j++)
                    p[j] = Byte(i, j);
                GlobalUnlock(h);
            }
            blocks.push_back({h, size});
        }
    }
    ~PatternBlocks()
    {
        for (const auto &b : blocks)
            if (GlobalSize(b.first))
                GlobalFree(b.first);
    }
    PatternBlocks(const PatternBlocks &) = delete;
    PatternBlocks &operator=(const PatternBlocks &) = delete;
    // How many are no longer whole.
    int Damaged() const
    {
        int damaged = 0;
        for (size_t i = 0; i < blocks.size(); i++) {
            HGLOBAL h = blocks[i].first;
            auto *p = GlobalSize(h) >= blocks[i].second ? (const uint8_t *)GlobalLock(h) : nullptr;
            bool whole = p != nullptr;
            for (SIZE_T j = 0; whole && j < blocks[i].second; j++)
                whole = p[j] == Byte((int)i, j);
            if (p)
                GlobalUnlock(h);
            damaged += !whole;
        }
        return damaged;
    }

private:
    static uint8_t Byte(int block, SIZE_T at) { return (uint8_t)(block * 37 + at * 11 + 5); }
    std::vector<std::pair<HGLOBAL, SIZE_T>> blocks;
};

inline HANDLE WINAPI NoClipboardData(UINT, HANDLE)
{
    SetLastError(ERROR_ACCESS_DENIED);
    return NULL;
}

// The two ways a copy fails to reach the clipboard, each running `copy`
// while it holds: another program has the clipboard open, or the clipboard
// takes no data.
struct CLIPBOARDREFUSAL {
    const char *name;
    void (*refusing)(const std::function<void()> &copy);
};
inline const CLIPBOARDREFUSAL clipboardrefusals[] = {
    {"held by another program",
     [](const std::function<void()> &copy) {
         ClipboardHeldElsewhere other;
         ASSERT_TRUE(other.Held());
         copy();
     }},
    {"taking no data",
     [](const std::function<void()> &copy) {
         void *real = ReplaceImport("user32.dll", "SetClipboardData", (void *)NoClipboardData);
         ASSERT_TRUE(real);
         copy();
         ReplaceImport("user32.dll", "SetClipboardData", real);
     }},
};

inline void RemoveTree(const std::string &folder)
{
    WIN32_FIND_DATAA found;
    HANDLE h = FindFirstFileA((folder + "*").c_str(), &found);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            std::string name = found.cFileName;
            if (name == "." || name == "..")
                continue;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(folder + name + "\\");
            else
                DeleteFileA((folder + name).c_str());
        } while (FindNextFileA(h, &found));
        FindClose(h);
    }
    RemoveDirectoryA(folder.c_str());
}

// The user's folders ("appdata" and "docs") in `root`, a new folder of the
// temporary folder for each test, removed with all it holds afterwards.
class UserFolders {
public:
    static inline std::string root; // ends in a backslash
    explicit UserFolders(const char *name)
    {
        char temp[MAX_PATH];
        GetTempPathA(sizeof temp, temp);
        static int run;
        root = std::string(temp) + name + std::to_string(GetCurrentProcessId()) + "_" + std::to_string(++run) + "\\";
        RemoveTree(root);
        CreateDirectoryA(root.c_str(), NULL);
        reader = COMMONSetFolderReader(Read);
    }
    ~UserFolders()
    {
        COMMONSetFolderReader(reader);
        RemoveTree(root);
    }
    UserFolders(const UserFolders &) = delete;
    UserFolders &operator=(const UserFolders &) = delete;

private:
    FOLDERREADER reader;
    static bool Read(int csidl, char *out)
    {
        std::string f = root + (csidl == 0x1A /* CSIDL_APPDATA */ ? "appdata" : "docs");
        lstrcpynA(out, f.c_str(), MAX_PATH);
        return true;
    }
};

// A configuration file that starts the editor without the logo, the tip,
// the paint search and the driver notice, with the settings in `more` too.
inline void WriteQuietConfig(const std::string &more = "")
{
    std::string config = ConfigFilePath();
    COMMONMakeFoldersFor(config.c_str());
    std::ofstream(config, std::ios::binary) << "[Showbinder]\nShowStartupWindow = 0\nShowTipOfTheDay = 0\n"
                                               "SearchForPaintbrush = 0\nShowDriverMessage = 0\nOpenPath = \n"
                                            << more;
}

// Every document of the editor goes without asking to be saved.
inline void ForgetChanges()
{
    for (HWND c = GetWindow(hwndclient, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
        if (BLOCKSET *set = LockBlockSet(c)) {
            set->modified = 0;
            UnlockBlockSet(c);
        }
}

// A frame with an MDI client, as the editor has, that the editor's globals
// point at while it is open; its documents close without asking to be saved.
// A `proc` of the test's own ends in DefFrameProc, as the frame's does.
class DocumentFrame {
public:
    HWND Open(int width = 900, int height = 700, WNDPROC proc = FrameProc)
    {
        WNDCLASSA wc{};
        if (!GetClassInfoA(hInst, TASKCLASSNAME, &wc)) {
            wc.lpfnWndProc = TaskProc;
            wc.cbWndExtra = 4;
            wc.hInstance = hInst;
            wc.hCursor = LoadCursorA(NULL, IDC_ARROW);
            wc.lpszClassName = TASKCLASSNAME;
            registered = RegisterClassA(&wc) != 0;
        }
        frame = CreateTestWindow(true, width, height, proc);
        CLIENTCREATESTRUCT ccs{};
        ccs.idFirstChild = 810; // the editor's first document id
        RECT r;
        GetClientRect(frame, &r);
        hwndclient = CreateWindowA("MDICLIENT", NULL, WS_CHILD | WS_CLIPCHILDREN | WS_VISIBLE, 0, 0, r.right,
                                   r.bottom, frame, NULL, hInst, &ccs);
        hwndmain = frame;
        return frame;
    }
    void CloseDocuments()
    {
        ForgetChanges();
        while (HWND child = GetWindow(hwndclient, GW_CHILD))
            SendMessageA(hwndclient, WM_MDIDESTROY, (WPARAM)child, 0);
    }
    // The editor's own start registers the document class too: it is gone
    // again when this frame registered it.
    void Close()
    {
        DestroyWindow(frame);
        hwndmain = hwndclient = NULL;
        if (registered)
            UnregisterClassA(TASKCLASSNAME, hInst);
        registered = false;
    }

private:
    HWND frame = NULL;
    bool registered = false;
    static LRESULT CALLBACK FrameProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
    {
        // The editor's frame answers for its clipboard data: so does this one.
        if (msg == WM_DESTROYCLIPBOARD)
            return WndProc(hwnd, msg, wParam, lParam);
        return DefFrameProcA(hwnd, hwndclient, msg, wParam, lParam);
    }
};

} // namespace sbtest
