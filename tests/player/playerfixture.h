// What the player tests share: a folder for the documents they save, the
// player program's bytes, and the temporary font files on the machine.
#pragma once
#include "applet/appletwindow.h"
#include "common/owners.h"
#include "common/shell.h"
#include "document/objects.h"
#include "tests/support/drive.h"
#include "player/playermain.h"
#include "player/sample.h"
#include "player/variants.h"
#include "resources/resource.h"
#include "runtime/messages.h"
#include <gtest/gtest.h>
#include <cstdio>
#include <string>
#include <vector>

namespace playertest {

// The player's parts as its program wires them.
inline const PLAYERPARTS &PlayerParts()
{
    static const PLAYERPARTS parts{PlayerCheckForAbort, APPLETWindowProc, PlayerMessage, PlayerCanOpenDocument};
    return parts;
}

inline std::string TempFolder()
{
    char dir[MAX_PATH];
    GetTempPathA(sizeof dir, dir);
    std::string folder = std::string(dir) + "sbplayer";
    CreateDirectoryA(folder.c_str(), NULL);
    return folder;
}

// Removes the documents the tests saved once the program ends.
struct FolderCleanup {
    ~FolderCleanup()
    {
        std::string folder = TempFolder();
        WIN32_FIND_DATAA fd;
        HANDLE find = FindFirstFileA((folder + "\\*.exe").c_str(), &fd);
        if (find != INVALID_HANDLE_VALUE) {
            do
                DeleteFileA((folder + "\\" + fd.cFileName).c_str());
            while (FindNextFileA(find, &fd));
            FindClose(find);
        }
        RemoveDirectoryA(folder.c_str());
    }
};

inline std::string DocPath(const char *name)
{
    return TempFolder() + "\\" + name;
}

// The files in the temporary folder that match `pattern`.
inline int TempFiles(const char *pattern)
{
    char dir[MAX_PATH];
    GetTempPathA(sizeof dir, dir);
    WIN32_FIND_DATAA fd;
    HANDLE find = FindFirstFileA((std::string(dir) + pattern).c_str(), &fd);
    int n = 0;
    if (find != INVALID_HANDLE_VALUE) {
        do
            n++;
        while (FindNextFileA(find, &fd));
        FindClose(find);
    }
    return n;
}

// The temporary font files of players that are running or did not clean up
// (the system names them by the prefix's first three letters).
inline int FontFiles()
{
    return TempFiles("SHW*.tmp");
}

// The player program the editor carries.
inline std::vector<uint8_t> PlayerBytes()
{
    HRSRC res = FindResourceA(hInst, MAKEINTRESOURCEA(IDR_PLAYER), (LPCSTR)RT_RCDATA);
    const uint8_t *p = res ? (const uint8_t *)LockResource(LoadResource(hInst, res)) : nullptr;
    return p ? std::vector<uint8_t>(p, p + SizeofResource(hInst, res)) : std::vector<uint8_t>();
}

inline std::vector<uint8_t> ReadFileBytes(const std::string &path)
{
    std::vector<uint8_t> v;
    if (FILE *f = fopen(path.c_str(), "rb")) {
        fseek(f, 0, SEEK_END);
        v.resize((size_t)ftell(f));
        fseek(f, 0, SEEK_SET);
        if (fread(v.data(), 1, v.size(), f) != v.size())
            v.clear();
        fclose(f);
    }
    return v;
}

inline bool WriteFileBytes(const std::string &path, const std::vector<uint8_t> &v)
{
    FILE *f = fopen(path.c_str(), "wb");
    if (!f)
        return false;
    bool ok = fwrite(v.data(), 1, v.size(), f) == v.size();
    return fclose(f) == 0 && ok;
}

inline std::string Title(HWND w)
{
    char t[300] = "";
    GetWindowTextA(w, t, sizeof t);
    return t;
}

inline SIZE ClientSize(HWND w)
{
    RECT r;
    GetClientRect(w, &r);
    return SIZE{r.right, r.bottom};
}

inline SIZE WindowSize(HWND w)
{
    RECT r;
    GetWindowRect(w, &r);
    return SIZE{r.right - r.left, r.bottom - r.top};
}

// Colours close enough to be the same on a display of this depth.
inline bool Near(COLORREF a, COLORREF b)
{
    auto d = [](int x, int y) { return x > y ? x - y : y - x; };
    return d(GetRValue(a), GetRValue(b)) < 12 && d(GetGValue(a), GetGValue(b)) < 12 &&
           d(GetBValue(a), GetBValue(b)) < 12;
}

constexpr char LOADERROR[] = "There has been an error loading the requested page.";

} // namespace playertest
