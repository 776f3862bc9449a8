// What the wizard's tests share: a frame with an MDI client for the new
// document windows, pictures of known sizes and colours written by the
// codecs, and the pages of a built album read back object by object.
#pragma once
#include "common/shell.h"
#include "document/blockstore.h"
#include "document/objects.h"
#include "editor/config.h"
#include "editor/docwindow.h"
#include "editor/shell.h"
#include "media/dib.h"
#include "media/imageformat.h"
#include "tests/support/editorsupport.h"
#include "tools/wizard.h"
#include <gtest/gtest.h>
#include <cstring>
#include <string>
#include <vector>

namespace wizardtest {

inline std::string Folder()
{
    char dir[MAX_PATH];
    GetTempPathA(sizeof dir, dir);
    std::string folder = std::string(dir) + "sbwizard" + std::to_string(GetCurrentProcessId()) + "\\";
    CreateDirectoryA(folder.c_str(), NULL);
    return folder;
}

// A picture whose red rises from left to right and whose blue is `blue`, so
// that what was cropped shows in its pixels.
inline std::string MakePicture(const std::string &name, int width, int height, int blue = 200)
{
    std::string path = Folder() + name;
    char rgb[768] = {};
    NewDib dib(CreateDib(width, height, rgb, 24));
    for (int y = 0; y < height; y++)
        for (int x = 0; x < width; x++)
            WritePixel(dib.Row(y), x, 24, RGB(width > 1 ? x * 255 / (width - 1) : 0, 100, blue));
    HGLOBAL h = dib.Release();
    EXPECT_EQ(WriteImage(path.c_str(), h), 1) << path;
    GlobalFree(h);
    return path;
}

// The objects of one page: tag, rectangle, flags and the fixed part.
struct Object {
    uint32_t tag, flags;
    RECT rect;
    std::vector<uint8_t> bytes;
    template <class T> const T &As() const { return *(const T *)bytes.data(); }
    std::string Text() const
    {
        const OBJECTHEADER &h = As<OBJECTHEADER>();
        return h.datasize ? std::string((const char *)bytes.data() + h.fixedsize) : std::string();
    }
    // Width and height of an attached DIB, and one of its pixels.
    HGLOBAL Picture() const
    {
        const OBJECTHEADER &h = As<OBJECTHEADER>();
        HGLOBAL dib = GlobalAlloc(GMEM_MOVEABLE, h.datasize);
        memcpy(GlobalLock(dib), bytes.data() + h.fixedsize, h.datasize);
        GlobalUnlock(dib);
        return dib;
    }
};

inline std::vector<Object> Objects(BLOCK &page)
{
    std::vector<Object> out;
    for (uint32_t i = 0; i < page.page.objectcount; i++) {
        GlobalLocked<OBJECTHEADER> o(GetPageObject(&page, i));
        if (!o)
            continue;
        Object x{o->tag, o->flags, o->rect, {}};
        x.bytes.assign((const uint8_t *)o.get(), (const uint8_t *)o.get() + o->totalsize);
        out.push_back(std::move(x));
    }
    return out;
}

inline std::string Tags(const std::vector<Object> &objects)
{
    std::string out;
    for (const Object &o : objects) {
        if (!out.empty())
            out += ' ';
        out.append((const char *)&o.tag, 4);
    }
    return out;
}

inline HWND List(HWND doc) { return GetDlgItem(doc, IDC_BLOCKLIST); }

inline std::string Titles(HWND doc)
{
    std::string out;
    int n = (int)SendMessageA(List(doc), LB_GETCOUNT, 0, 0);
    for (int i = 0; i < n; i++) {
        BLOCK b;
        if (!GetBlock(List(doc), i, &b))
            return out + " (an item without its block)";
        if (i)
            out += ' ';
        out += b.tag == TAG_HEDR ? "H" : b.page.title;
    }
    return out;
}

// A frame with an MDI client, as the editor has; every setting comes back
// after the test, and the built documents go without asking to be saved.
class Frame : public testing::Test {
protected:
    void SetUp() override
    {
        frame = mdi.Open();
        OpenPath[0] = 0;
        WizardOpenRecord(&wizard);
    }
    void TearDown() override
    {
        WizardCloseRecord(&wizard);
        mdi.CloseDocuments();
        mdi.Close();
    }
    std::vector<HWND> Documents()
    {
        std::vector<HWND> out;
        for (HWND c = GetWindow(hwndclient, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
            char name[64] = "";
            GetClassNameA(c, name, sizeof name);
            if (strcmp(name, TASKCLASSNAME) == 0)
                out.push_back(c);
        }
        return out;
    }
    // The pictures as the pictures page leaves them in the record.
    void Pictures(const std::vector<std::string> &paths)
    {
        std::string list;
        for (const std::string &p : paths)
            list += p + '\0';
        list += '\0';
        free(wizard.pictures);
        wizard.pictures = (char *)calloc(list.size() + 16, 1);
        memcpy(wizard.pictures, list.data(), list.size());
    }
    // Builds the album and gives its document window.
    HWND Build()
    {
        size_t before = Documents().size();
        EXPECT_EQ(WizardCreatePresentation(frame, &wizard), 1);
        std::vector<HWND> docs = Documents();
        EXPECT_EQ(docs.size(), before + 1);
        return docs.empty() ? NULL : docs.front();
    }
    BLOCK Block(HWND doc, int i)
    {
        BLOCK b{};
        EXPECT_TRUE(GetBlock(List(doc), i, &b));
        return b;
    }

    HWND frame = NULL;
    WIZARDPARAM wizard;
    sbtest::KeptSettings settings;
    sbtest::DocumentFrame mdi;
};

} // namespace wizardtest
