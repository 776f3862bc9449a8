// The wave Open dialog's waveform box: a repaint of the box with a 64 MiB
// wave selected (six minutes of CD sound), against a repaint with a 1 KiB one
// selected, in the same dialog; goal <= 1.5. Medians of eleven repaints,
// after the first paint of each selection (which reads the wave) is taken
// apart and printed too.
//   scripts/wine-one.sh build/bin/sounddialog_bench.exe
#include "bench/clock.h"
#include "common/shell.h"
#include "media/filedialogs.h"
#include "resources/filedialogs_ids.h"
#include <commctrl.h>
#include <mmsystem.h>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

using bench::Now;

// A 16-bit stereo 44.1 kHz wave of `bytes` bytes of samples, written in
// pieces so that the bench holds no copy of it.
bool WriteWave(const std::string &path, uint32_t bytes)
{
    FILE *f = fopen(path.c_str(), "wb");
    if (!f)
        return false;
    auto put = [&](uint32_t v, int n) {
        for (int i = 0; i < n; ++i)
            fputc((int)(v >> (8 * i)) & 255, f);
    };
    fputs("RIFF", f), put(36 + bytes, 4), fputs("WAVEfmt ", f), put(16, 4);
    put(WAVE_FORMAT_PCM, 2), put(2, 2), put(44100, 4), put(44100 * 4, 4), put(4, 2), put(16, 2);
    fputs("data", f), put(bytes, 4);
    std::vector<int16_t> piece(1 << 16);
    for (uint32_t done = 0; done < bytes;) {
        for (size_t i = 0; i < piece.size(); ++i)
            piece[i] = (int16_t)(((done / 2 + i) % 441) * 140 - 30000);
        const uint32_t n = std::min<uint32_t>(bytes - done, (uint32_t)(piece.size() * 2));
        fwrite(piece.data(), 1, n, f);
        done += n;
    }
    return fclose(f) == 0;
}

std::string folder;
double firstbig, firstsmall, repaintbig, repaintsmall;
bool done;

// The open dialog: a shown dialog of this thread holding our template's.
BOOL CALLBACK FindOpenDialog(HWND w, LPARAM out)
{
    char cls[16] = "";
    GetClassNameA(w, cls, sizeof cls);
    if (strcmp(cls, "#32770") || !IsWindowVisible(w) || !FindWindowExA(w, NULL, "#32770", NULL))
        return TRUE;
    *(HWND *)out = w;
    return FALSE;
}

HWND OpenDialog()
{
    HWND found = NULL;
    EnumThreadWindows(GetCurrentThreadId(), FindOpenDialog, (LPARAM)&found);
    return found;
}

// Selects `name` in the dialog's list as a click would.
bool Select(HWND dlg, const char *name)
{
    HWND list = FindWindowExA(FindWindowExA(dlg, NULL, "SHELLDLL_DefView", NULL), NULL, WC_LISTVIEWA, NULL);
    for (int i = 0, count = (int)SendMessageA(list, LVM_GETITEMCOUNT, 0, 0); i < count; ++i) {
        char text[MAX_PATH] = "";
        LVITEMA item{};
        item.pszText = text, item.cchTextMax = sizeof text;
        SendMessageA(list, LVM_GETITEMTEXTA, i, (LPARAM)&item);
        if (_stricmp(text, name) == 0) {
            item.stateMask = LVIS_SELECTED;
            SendMessageA(list, LVM_SETITEMSTATE, (WPARAM)-1, (LPARAM)&item);
            item.stateMask = item.state = LVIS_SELECTED | LVIS_FOCUSED;
            return SendMessageA(list, LVM_SETITEMSTATE, i, (LPARAM)&item);
        }
    }
    return false;
}

double Repaint(HWND box)
{
    const double start = Now();
    RedrawWindow(box, NULL, NULL, RDW_INVALIDATE | RDW_UPDATENOW);
    GdiFlush();
    return Now() - start;
}

// The selection's first paint, then the median of its repaints.
bool Measure(HWND dlg, const char *name, double *first, double *repaint)
{
    HWND box = GetDlgItem(FindWindowExA(dlg, NULL, "#32770", NULL), IDC_WAVEPANEL);
    if (!box || !Select(dlg, name))
        return false;
    *first = Repaint(box);
    std::vector<double> times;
    for (int i = 0; i < 11; ++i)
        times.push_back(Repaint(box));
    std::sort(times.begin(), times.end());
    *repaint = times[times.size() / 2];
    return true;
}

void CALLBACK Drive(HWND, UINT, UINT_PTR timer, DWORD)
{
    HWND dlg = OpenDialog();
    if (!dlg || done)
        return;
    KillTimer(NULL, timer);
    done = true;
    if (!Measure(dlg, "small.wav", &firstsmall, &repaintsmall) || !Measure(dlg, "big.wav", &firstbig, &repaintbig))
        printf("the dialog did not show the waves\n");
    PostMessageA(dlg, WM_COMMAND, IDCANCEL, 0);
}

} // namespace

int main()
{
    InitCommonControls();
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    folder = std::string(temp) + "sbwavebench\\";
    CreateDirectoryA(folder.c_str(), NULL);
    if (!WriteWave(folder + "small.wav", 1024) || !WriteWave(folder + "big.wav", 64u << 20)) {
        printf("cannot write the waves in %s\n", folder.c_str());
        return 1;
    }
    WaveOpenIsPreview = 1;
    char path[FILENAMEBUFFER];
    snprintf(path, sizeof path, "%sx.wav", folder.c_str());
    UINT_PTR timer = SetTimer(NULL, 0, 50, Drive);
    COMMONGetOpenWaveFileName(NULL, path);
    KillTimer(NULL, timer);
    DeleteFileA((folder + "small.wav").c_str());
    DeleteFileA((folder + "big.wav").c_str());
    RemoveDirectoryA(folder.c_str());
    if (!repaintsmall)
        return 1;
    printf("first paint: 1 KiB wave %.2f ms, 64 MiB wave %.1f ms\n", firstsmall * 1000, firstbig * 1000);
    printf("repaint: 1 KiB wave %.2f ms, 64 MiB wave %.2f ms, ratio %.2f (goal <= 1.5)\n", repaintsmall * 1000,
           repaintbig * 1000, repaintbig / repaintsmall);
    return 0;
}
