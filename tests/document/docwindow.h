// What the document tests share: a document window as the shell makes it,
// pictures and data to put into objects, and files in a folder of their own.
#pragma once
#include "common/owners.h"
#include "common/shell.h"
#include "common/windowvalue.h"
#include "document/blockstore.h"
#include "document/objects.h"
#include "media/dib.h"
#include "tests/support/testsupport.h"
#include <gtest/gtest.h>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace docfixture {

// A window with the block list, the undo list and the BLOCKSET in its user
// data, as the shell makes a document window.
struct Doc {
    HWND owner = nullptr, list = nullptr;
    HGLOBAL seth = nullptr;
    BLOCKSET *set = nullptr;
    Doc()
    {
        owner = sbtest::CreateTestWindow(false);
        list = CreateWindowA("LISTBOX", "", WS_CHILD, 0, 0, 100, 100, owner, (HMENU)IDC_BLOCKLIST, hInst, NULL);
        CreateWindowA("LISTBOX", "", WS_CHILD, 0, 0, 1, 1, owner, (HMENU)IDC_UNDOLIST, hInst, NULL);
        seth = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(BLOCKSET));
        SetWindowValue(owner, GWLP_USERDATA, seth);
        set = LockBlockSet(owner);
    }
    ~Doc()
    {
        FreeBlocks(owner, set);
        FreeUndo(owner, set);
        UnlockBlockSet(owner);
        GlobalFree(seth);
        DestroyWindow(owner);
    }
    Doc(const Doc &) = delete;
    Doc &operator=(const Doc &) = delete;
    void Clear() { FreeBlocks(owner, set); }
    BLOCK Get(unsigned index)
    {
        BLOCK b{};
        EXPECT_EQ(GetBlock(list, index, &b), 1);
        return b;
    }
    unsigned Count() { return (unsigned)SendMessageA(list, LB_GETCOUNT, 0, 0); }
    // Appends a header block and returns it.
    BLOCK AddHeader()
    {
        BLOCK h;
        CreateBlock(owner, set, &h, TAG_HEDR, nullptr, 0);
        h.hedr.created = 1234567890; // a fixed time keeps saved files comparable
        EXPECT_GT(AppendBlock(list, set, &h), 0);
        return h;
    }
    BLOCK NewPage(const char *title)
    {
        BLOCK p;
        CreateBlock(owner, set, &p, TAG_PAGE, nullptr, 0);
        snprintf(p.page.title, sizeof p.page.title, "%s", title);
        return p;
    }
};

struct DocumentWindow : testing::Test, Doc {};

// A global block holding `bytes`.
inline HGLOBAL Global(const std::vector<uint8_t> &bytes)
{
    return NewGlobal(bytes.size() ? bytes.size() : 1, bytes.data(), bytes.size());
}

inline std::vector<uint8_t> Bytes(HGLOBAL h, size_t count = 0)
{
    GlobalLocked<uint8_t> p(h);
    if (!p)
        return {};
    size_t n = count ? count : p.size();
    return std::vector<uint8_t>(p.get(), p.get() + n);
}

// Makes an object and appends it to the block.
inline HGLOBAL AddObject(BLOCK &b, uint32_t tag, LONG_PTR data = 0, unsigned position = 0)
{
    HGLOBAL h = CreatePageObject(&b, tag, position, data);
    EXPECT_TRUE(h);
    EXPECT_EQ(AppendPageObject(&b, h), 1);
    return h;
}

// The same for an object whose data is a copy of `bytes`.
inline HGLOBAL AddData(BLOCK &b, uint32_t tag, const std::vector<uint8_t> &bytes, unsigned position = 0)
{
    HGLOBAL data = Global(bytes);
    HGLOBAL h = AddObject(b, tag, (LONG_PTR)data, position);
    GlobalFree(data);
    return h;
}

// Noise that does not compress: deterministic, from a small generator.
inline std::vector<uint8_t> Noise(size_t n, uint32_t seed)
{
    std::vector<uint8_t> v(n);
    for (auto &b : v) {
        seed = seed * 1103515245u + 12345u;
        b = (uint8_t)(seed >> 16);
    }
    return v;
}

// A packed DIB of 24 bits per pixel whose pixels are `fill`; top-down for a
// negative height.
inline std::vector<uint8_t> Dib(int width, int height, const std::vector<uint8_t> &fill = {})
{
    HGLOBAL h = CreateDib(width, height < 0 ? -height : height, nullptr, 24);
    std::vector<uint8_t> v = Bytes(h);
    GlobalFree(h);
    memcpy(&v[8], &height, 4);
    for (size_t i = sizeof(BITMAPINFOHEADER); i < v.size() && !fill.empty(); i++)
        v[i] = fill[(i - sizeof(BITMAPINFOHEADER)) % fill.size()];
    return v;
}

// A folder of its own under the temporary folder, removed with its files.
struct TempFolder {
    std::string path;
    TempFolder()
    {
        char dir[MAX_PATH], name[MAX_PATH];
        GetTempPathA(sizeof dir, dir);
        GetTempFileNameA(dir, "sbd", 0, name);
        DeleteFileA(name);
        CreateDirectoryA(name, NULL);
        path = name;
    }
    ~TempFolder()
    {
        for (const std::string &f : Files())
            DeleteFileA((path + "\\" + f).c_str());
        RemoveDirectoryA(path.c_str());
    }
    std::string File(const char *name) const { return path + "\\" + name; }
    std::vector<std::string> Files() const
    {
        std::vector<std::string> names;
        WIN32_FIND_DATAA fd;
        HANDLE f = FindFirstFileA((path + "\\*").c_str(), &fd);
        if (f == INVALID_HANDLE_VALUE)
            return names;
        do {
            if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                names.push_back(fd.cFileName);
        } while (FindNextFileA(f, &fd));
        FindClose(f);
        return names;
    }
};

inline std::vector<uint8_t> ReadFileBytes(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

inline bool WriteFileBytes(const std::string &path, const std::vector<uint8_t> &bytes)
{
    std::ofstream out(path, std::ios::binary);
    out.write((const char *)bytes.data(), (std::streamsize)bytes.size());
    out.close();
    return !out.fail();
}

template <class T> T At(const std::vector<uint8_t> &bytes, size_t offset)
{
    T v{};
    if (offset <= bytes.size() && bytes.size() - offset >= sizeof v)
        memcpy(&v, bytes.data() + offset, sizeof v);
    return v;
}

template <class T> void Put(std::vector<uint8_t> &bytes, size_t offset, T v)
{
    if (offset <= bytes.size() && bytes.size() - offset >= sizeof v)
        memcpy(bytes.data() + offset, &v, sizeof v);
}

} // namespace docfixture
