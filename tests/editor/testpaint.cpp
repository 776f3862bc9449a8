// Stands in for the paint program: opens the BMP file its command line names,
// changes known pixels and saves it. SBTESTPAINT picks what it does instead:
//   (empty)  top-left pixel red and bottom-right blue (24 bits), or indices
//            1 and 2 (8 bits)
//   to24     saves a 3 x 2 picture of 24 bits in its place
//   notbm, short, offset, header, depth, size, rows   a damaged file
//   delete   removes the file
//   emptyclipboard   empties the clipboard, as any other program may
//   copytext         empties it and puts SBTESTPAINTTEXT on it as text, as a
//                    user copying a word in a mail does
//   serveclipboard   does as copytext, with the text its file holds, each time
//                    the SBTESTPAINTWAIT event is set, then sets the event
//                    SBTESTPAINTHELD names; ends when the file is gone
//   holdclipboard    holds the clipboard open, sets the event SBTESTPAINTHELD
//                    names, and lets go once the SBTESTPAINTWAIT event is set
// SBTESTPAINTLOG names a file that gets the path it was given;
// SBTESTPAINTWAIT names an event it waits for before it saves.
#include <windows.h>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

static std::string Env(const char *name)
{
    char value[MAX_PATH] = "";
    GetEnvironmentVariableA(name, value, sizeof value);
    return value;
}

static void Put32(std::vector<uint8_t> &b, size_t at, uint32_t v)
{
    for (int i = 0; i < 4; i++)
        b[at + i] = (uint8_t)(v >> (8 * i));
}

static uint32_t Get32(const std::vector<uint8_t> &b, size_t at)
{
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | (uint32_t)b[at + 3] << 24;
}

static std::vector<uint8_t> Picture24()
{
    // Rows bottom first: white, black, grey; then red, green, blue.
    const uint8_t rows[2][12] = {{255, 255, 255, 0, 0, 0, 128, 128, 128, 0, 0, 0},
                                 {0, 0, 255, 0, 255, 0, 255, 0, 0, 0, 0, 0}};
    std::vector<uint8_t> b(54 + 24);
    b[0] = 'B';
    b[1] = 'M';
    Put32(b, 2, (uint32_t)b.size());
    Put32(b, 10, 54);
    Put32(b, 14, 40);
    Put32(b, 18, 3);
    Put32(b, 22, 2);
    b[26] = 1;
    b[28] = 24;
    memcpy(&b[54], rows, 24);
    return b;
}

// Empties the clipboard and puts `text` on it, when there is one.
static bool TakeClipboard(HWND owner, const char *text)
{
    bool done = OpenClipboard(owner) && EmptyClipboard();
    if (done && text) {
        size_t n = strlen(text) + 1;
        HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE, n);
        if (char *p = h ? (char *)GlobalLock(h) : nullptr) {
            memcpy(p, text, n);
            GlobalUnlock(h);
        }
        done = h && SetClipboardData(CF_TEXT, h);
        if (!done && h)
            GlobalFree(h);
    }
    CloseClipboard();
    return done;
}

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR cmdline, int)
{
    std::string path = cmdline;
    size_t a = path.find('"'), z = path.rfind('"');
    if (a != std::string::npos && z > a)
        path = path.substr(a + 1, z - a - 1);
    std::string log = Env("SBTESTPAINTLOG"), wait = Env("SBTESTPAINTWAIT"), mode = Env("SBTESTPAINT");
    if (!log.empty())
        std::ofstream(log, std::ios::binary) << path;
    if (mode == "holdclipboard") {
        HWND owner = CreateWindowA("STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, NULL, NULL, NULL);
        HANDLE held = OpenEventA(EVENT_MODIFY_STATE, FALSE, Env("SBTESTPAINTHELD").c_str());
        HANDLE go = OpenEventA(SYNCHRONIZE, FALSE, wait.c_str());
        bool open = owner && held && go && OpenClipboard(owner);
        if (open) {
            SetEvent(held);
            WaitForSingleObject(go, 120000);
            CloseClipboard();
        }
        return open ? 0 : 3;
    }
    if (mode == "serveclipboard") {
        // The clipboard's messages to its owner are answered while it waits.
        HWND owner = CreateWindowA("STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, NULL, NULL, NULL);
        HANDLE done = OpenEventA(EVENT_MODIFY_STATE, FALSE, Env("SBTESTPAINTHELD").c_str());
        HANDLE go = OpenEventA(SYNCHRONIZE, FALSE, wait.c_str());
        for (DWORD r; owner && done && go && (r = MsgWaitForMultipleObjects(1, &go, FALSE, 600000, QS_ALLINPUT)) <= WAIT_OBJECT_0 + 1;) {
            MSG msg;
            while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE))
                DispatchMessageA(&msg);
            if (r == WAIT_OBJECT_0 + 1)
                continue;
            std::ifstream in(path, std::ios::binary);
            if (!in)
                return 0;
            if (!TakeClipboard(owner, std::string(std::istreambuf_iterator<char>(in), {}).c_str()))
                return 3;
            SetEvent(done);
        }
        return 3;
    }
    if (!wait.empty())
        if (HANDLE go = OpenEventA(SYNCHRONIZE, FALSE, wait.c_str())) {
            WaitForSingleObject(go, 120000);
            CloseHandle(go);
        }
    if (mode == "emptyclipboard" || mode == "copytext") {
        HWND owner = CreateWindowA("STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, NULL, NULL, NULL);
        std::string text = Env("SBTESTPAINTTEXT");
        return owner && TakeClipboard(owner, mode == "copytext" ? text.c_str() : nullptr) ? 0 : 3;
    }
    std::vector<uint8_t> b;
    {
        std::ifstream in(path, std::ios::binary);
        b.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    if (b.size() < 54)
        return 2;
    int width = (int)Get32(b, 18), height = (int)Get32(b, 22), bits = b[28];
    uint32_t offset = Get32(b, 10), row = (uint32_t)((width * bits + 31) / 32 * 4);
    if (mode == "delete")
        return DeleteFileA(path.c_str()) ? 0 : 3;
    if (mode == "to24")
        b = Picture24();
    else if (mode == "notbm")
        b[0] = 'X';
    else if (mode == "short")
        b.resize(10);
    else if (mode == "offset")
        Put32(b, 10, 0x7FFFFFF0);
    else if (mode == "header")
        Put32(b, 14, 7);
    else if (mode == "depth")
        b[28] = 7;
    else if (mode == "size")
        Put32(b, 18, 100000);
    else if (mode == "rows")
        b.resize(offset + row * height / 2);
    else if (bits == 24) {
        uint8_t *top = &b[offset + row * (height - 1)], *bottom = &b[offset];
        top[0] = 0, top[1] = 0, top[2] = 255;
        bottom[3 * (width - 1)] = 255, bottom[3 * (width - 1) + 1] = 0, bottom[3 * (width - 1) + 2] = 0;
    } else if (bits == 8) {
        b[offset + row * (height - 1)] = 1;
        b[offset + width - 1] = 2;
    }
    std::ofstream(path, std::ios::binary | std::ios::trunc).write((const char *)b.data(), (std::streamsize)b.size());
    return 0;
}
