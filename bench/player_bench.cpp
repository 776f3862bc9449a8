// The player started as its users start it. Two measurements:
//   player_bench.exe                  time from starting a saved document of
//       about 1, 10 and 50 MB to its first page painted, against the start of
//       a bare program that opens one window, in the same run; what the start
//       takes beyond the bare program, against the reader's own load of the
//       same file, in this process and in one started for it;
//   player_bench.exe hostile N [T]    N damaged documents played, T at a time,
//       each of which must end with the load message or a shown document and
//       a clean exit.
//   scripts/wine-one.sh build/bin/player_bench.exe
#include "bench/clock.h"
#include "common/shell.h"
#include "common/windowvalue.h"
#include "document/blockstore.h"
#include "document/reader.h"
#include "document/objects.h"
#include "tests/support/drive.h"
#include "tests/support/mutate.h"
#include "player/sample.h"
#include "resources/resource.h"
#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr COLORREF FIRSTPAGE = RGB(30, 60, 90);
constexpr int ROUNDS = 5;

std::string Folder()
{
    char dir[MAX_PATH];
    GetTempPathA(sizeof dir, dir);
    std::string folder = std::string(dir) + "sbplayerbench";
    CreateDirectoryA(folder.c_str(), NULL);
    return folder;
}

std::string BesideMe(const char *name)
{
    char me[MAX_PATH];
    GetModuleFileNameA(NULL, me, sizeof me);
    std::string path = me;
    return path.substr(0, path.find_last_of('\\') + 1) + name;
}

// The pictures the document benchmark saves, every other one photograph-like
// (smooth shapes with grain), the others flat (large areas of one colour).
std::vector<uint8_t> Picture(int index, int H)
{
    constexpr int W = 1024;
    std::vector<uint8_t> v = SamplePicture(W, H, (unsigned)index);
    uint8_t *p = v.data() + sizeof(BITMAPINFOHEADER);
    uint32_t seed = 0x9E3779B9u * (uint32_t)(index + 1);
    for (int y = 0; y < H; y++)
        for (int x = 0; x < W; x++, p += 3) {
            if (index % 2) {
                static const uint8_t colours[5][3] = {
                    {255, 255, 255}, {200, 40, 40}, {30, 90, 200}, {240, 240, 200}, {20, 20, 20}};
                memcpy(p, colours[(x / 128 + y / 96 + index) % 5], 3);
                continue;
            }
            seed = seed * 1664525u + 1013904223u;
            int grain = (int)(seed >> 28) - 8;
            double s = std::sin(x * 0.011 + index) * std::cos(y * 0.017 - index) * 100.0;
            int base = 128 + (int)s;
            p[0] = (uint8_t)std::clamp(base + grain + x / 16, 0, 255);
            p[1] = (uint8_t)std::clamp(base + grain / 2 + y / 12, 0, 255);
            p[2] = (uint8_t)std::clamp(255 - base + grain, 0, 255);
        }
    return v;
}

uint64_t FileSize(const std::string &path)
{
    WIN32_FILE_ATTRIBUTE_DATA a;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &a))
        return 0;
    return ((uint64_t)a.nFileSizeHigh << 32) | a.nFileSizeLow;
}

// A document whose first page is one colour and whose later pages carry
// about `megabytes` of pictures, as the document benchmark counts them (the
// pictures' own bytes); the size of the document in the file (the file less
// the player program) goes to *stored.
bool WriteSized(const std::string &path, double megabytes, double *stored)
{
    constexpr double FULL = 1024.0 * 768 * 3 / 1048576.0;
    int pictures = std::max(1, (int)std::lround(megabytes / FULL));
    int height = megabytes < FULL ? (int)(768 * megabytes / FULL) : 768;
    SAMPLEDOC doc("Bench", 640, 480, RGB(0, 0, 0));
    doc.Page("First", FIRSTPAGE);
    for (int i = 0; i < pictures; i++) {
        if (i % 4 == 0)
            doc.Page("Pictures", RGB(0, 0, 0));
        doc.Add(doc.pages.back(), TAG_STAT, RECT{0, 0, 640, 480}, nullptr, Picture(i, height));
    }
    if (!doc.Save(path.c_str()))
        return false;
    HRSRC res = FindResourceA(hInst, MAKEINTRESOURCEA(IDR_PLAYER), (LPCSTR)RT_RCDATA);
    *stored = (double)(FileSize(path) - (res ? SizeofResource(hInst, res) : 0)) / 1048576.0;
    return true;
}

// Seconds from CreateProcess to `colour` at the middle of the client area of
// the program's first visible window; the program is then closed.
double TimeToFirstPaint(const std::string &program)
{
    std::string line = "\"" + program + "\"";
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    double start = bench::Now();
    if (!CreateProcessA(program.c_str(), &line[0], NULL, NULL, FALSE, 0, NULL, NULL, &si, &pi))
        return -1;
    double painted = -1;
    HWND window = NULL;
    while (bench::Now() - start < 60) {
        if (!window)
            for (const PLAYWINDOW &w : ProcessWindows(pi.dwProcessId))
                if (w.visible && w.cls != "#32770")
                    window = w.hwnd;
        if (window) {
            RECT r;
            GetClientRect(window, &r);
            COLORREF c = ScreenPixel(window, r.right / 2, r.bottom / 2);
            if (c == FIRSTPAGE) {
                painted = bench::Now() - start;
                break;
            }
        }
        if (WaitForSingleObject(pi.hProcess, 0) == WAIT_OBJECT_0)
            break;
        Sleep(0);
    }
    if (window)
        PostMessageA(window, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(pi.hProcess, 10000) != WAIT_OBJECT_0)
        TerminateProcess(pi.hProcess, 1);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return painted;
}

// Other work on the machine only ever adds to a time: the best round counts.
double Best(const std::vector<double> &v)
{
    return *std::min_element(v.begin(), v.end());
}

// Seconds the reader alone takes to load the document of `path` into a list,
// with no one to ask and nothing shown, the fonts kept as the player keeps
// them.
double BareLoad(const std::string &path)
{
    HWND owner = CreateWindowA("STATIC", "", WS_POPUP, 0, 0, 1, 1, NULL, NULL, hInst, NULL);
    HWND list = CreateWindowA("LISTBOX", "", WS_CHILD | LBS_HASSTRINGS, 0, 0, 1, 1, owner, (HMENU)IDC_BLOCKLIST,
                              hInst, NULL);
    HGLOBAL seth = GlobalAlloc(GHND, sizeof(BLOCKSET));
    SetWindowValue(owner, GWLP_USERDATA, seth);
    BLOCKSET *set = LockBlockSet(owner);
    LOADHOST host{};
    host.keepfonts = true;
    double t = bench::Now();
    int ok = LoadExeFileWith(list, set, path.c_str(), host);
    t = bench::Now() - t;
    FreeBlocks(owner, set);
    UnlockBlockSet(owner);
    GlobalFree(seth);
    DestroyWindow(owner);
    return ok ? t : -1;
}

// The same load in a process of its own, started for it, as the player's
// load always is: its code and heap not yet touched by an earlier round.
double FreshLoad(const std::string &path)
{
    char me[MAX_PATH];
    GetModuleFileNameA(NULL, me, sizeof me);
    std::string out = Folder() + "\\freshload.txt";
    DeleteFileA(out.c_str());
    std::string line = "\"" + std::string(me) + "\" load \"" + path + "\" \"" + out + "\"";
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessA(me, &line[0], NULL, NULL, FALSE, 0, NULL, NULL, &si, &pi))
        return -1;
    WaitForSingleObject(pi.hProcess, 120000);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    double t = -1;
    if (FILE *f = fopen(out.c_str(), "r")) {
        if (fscanf(f, "%lf", &t) != 1)
            t = -1;
        fclose(f);
    }
    return t;
}

int StartUp()
{
    std::string bare = BesideMe("barewindow.exe");
    const double sizes[] = {1, 10, 50};
    std::vector<std::string> docs;
    std::vector<double> actual(3);
    for (double mb : sizes) {
        std::string path = Folder() + "\\start" + std::to_string((int)mb) + ".exe";
        if (!WriteSized(path, mb, &actual[docs.size()])) {
            fprintf(stderr, "could not write %s\n", path.c_str());
            return 1;
        }
        docs.push_back(path);
    }
    TimeToFirstPaint(bare); // the first start of anything warms the system
    printf("%-10s %6s %7s %9s %8s %8s %8s %7s %11s %12s\n", "document", "MB", "stored", "player s", "bare s",
           "load s", "fresh s", "ratio", "(p-b)/load", "(p-b)/fresh");
    for (size_t i = 0; i < docs.size(); i++) {
        std::vector<double> player, reference, load, fresh;
        // A small document loads in hundredths of a second, and a start's
        // spread on a busy machine is tenths: more rounds for the subject
        // and both references alike, so the best of each comes nearer the
        // start that nothing else slowed.
        const int rounds = sizes[i] < 10 ? 3 * ROUNDS : ROUNDS;
        for (int r = 0; r < rounds; r++) {
            reference.push_back(TimeToFirstPaint(bare));
            player.push_back(TimeToFirstPaint(docs[i]));
            load.push_back(BareLoad(docs[i]));
            fresh.push_back(FreshLoad(docs[i]));
        }
        double p = Best(player), b = Best(reference), l = Best(load), f = Best(fresh);
        printf("%-10s %6.0f %7.1f %9.3f %8.3f %8.3f %8.3f %7.2f %11.2f %12.2f (goal 1.1)\n",
               ("start" + std::to_string((int)sizes[i])).c_str(), sizes[i], actual[i], p, b, l, f, p / b, (p - b) / l,
               (p - b) / f);
        DeleteFileA(docs[i].c_str());
    }
    return 0;
}

int Hostile(int count, int threads)
{
    std::string base[2] = {Folder() + "\\base0.exe", Folder() + "\\base1.exe"};
    std::vector<uint8_t> files[2];
    std::vector<size_t> records[2];
    for (int b = 0; b < 2; b++) {
        if (!WriteHostileBase(base[b].c_str(), b == 1))
            return 1;
        FILE *f = fopen(base[b].c_str(), "rb");
        fseek(f, 0, SEEK_END);
        files[b].resize((size_t)ftell(f));
        fseek(f, 0, SEEK_SET);
        if (fread(files[b].data(), 1, files[b].size(), f) != files[b].size())
            return 1;
        fclose(f);
        DeleteFileA(base[b].c_str());
        records[b] = DocumentRecords(files[b]);
    }
    std::atomic<int> next{0}, shown{0}, refused{0}, bad{0};
    std::mutex lock;
    double start = bench::Now();
    auto work = [&](int t) {
        std::string path = Folder() + "\\hostile" + std::to_string(t) + ".exe";
        for (int i; (i = next++) < count;) {
            std::string what;
            std::vector<uint8_t> v = MutateDocument(files[i % 2], records[i % 2], (uint32_t)i, &what);
            FILE *f = fopen(path.c_str(), "wb");
            if (!f)
                continue;
            fwrite(v.data(), 1, v.size(), f);
            fclose(f);
            PLAYOUTCOME out = PlayDocument(path, "", [](HWND, DWORD) { Sleep(30); }, 30000);
            bool refusal = !out.shown && out.messages.size() == 1 &&
                           out.messages[0] == "There has been an error loading the requested page.";
            if (out.ended && out.code == 0 && (out.shown || refusal)) {
                (out.shown ? shown : refused)++;
            } else {
                bad++;
                std::lock_guard<std::mutex> g(lock);
                printf("FAILED #%d %s: %s, code %lu\n", i, what.c_str(), out.ended ? "ended" : "killed", out.code);
                fflush(stdout);
            }
            int done = shown + refused + bad;
            if (done % 1000 == 0) {
                std::lock_guard<std::mutex> g(lock);
                printf("%d done, %.0f s\n", done, bench::Now() - start);
                fflush(stdout);
            }
        }
        DeleteFileA(path.c_str());
    };
    std::vector<std::thread> pool;
    for (int t = 0; t < threads; t++)
        pool.emplace_back(work, t);
    for (std::thread &t : pool)
        t.join();
    printf("%d documents in %.0f s: %d shown, %d refused with the load message, %d failed\n", count,
           bench::Now() - start, shown.load(), refused.load(), bad.load());
    return bad ? 1 : 0;
}

} // namespace

int main(int argc, char **argv)
{
    hInst = GetModuleHandleA(NULL);
    if (argc >= 4 && strcmp(argv[1], "load") == 0) {
        FILE *f = fopen(argv[3], "w");
        if (!f)
            return 1;
        fprintf(f, "%f\n", BareLoad(argv[2]));
        fclose(f);
        return 0;
    }
    if (argc >= 3 && strcmp(argv[1], "hostile") == 0)
        return Hostile(atoi(argv[2]), argc >= 4 ? std::max(1, atoi(argv[3])) : 4);
    return StartUp();
}
