// The picture and sound file dialogs, driven for real: the common dialog
// runs with our hooks and templates, a driver picks files in its list the
// way a user does, reads what the preview shows and closes it.
#include "media/filedialogs.h"
#include "media/imageformat.h"
#include "media/soundfiles.h"
#include "common/shell.h"
#include "resources/filedialogs_ids.h"
#include "tests/media/picturetest.h"
#include "tests/media/soundtest.h"
#include "tests/support/testsupport.h"
#include <gtest/gtest.h>
#include <commctrl.h>
#include <algorithm>
#include <string>

using namespace pictest;
using namespace soundtest;
using sbtest::Capture;
using sbtest::ModalRecorder;

namespace {

constexpr int FILENAMEFIELD = 1152, FILETYPECOMBO = 1136;

// A folder of its own for each test, with the files it writes.
class FileDialogs : public testing::Test {
protected:
    TempFolder dir;
    const std::string &folder = dir.path;
    std::string Path(const std::string &name) const { return folder + name; }
};

// The child dialog of our template inside the common dialog.
HWND Hook(HWND dlg)
{
    return FindWindowExA(dlg, NULL, "#32770", NULL);
}

std::string Text(HWND window)
{
    char text[512] = "";
    GetWindowTextA(window, text, sizeof text);
    return text;
}

// Selects the file `name` in the dialog's list, as a click would; false
// when the list does not show it.
bool Select(HWND dlg, const std::string &name)
{
    HWND list = FindWindowExA(FindWindowExA(dlg, NULL, "SHELLDLL_DefView", NULL), NULL, WC_LISTVIEWA, NULL);
    for (int i = 0, count = (int)SendMessageA(list, LVM_GETITEMCOUNT, 0, 0); i < count; ++i) {
        char text[MAX_PATH] = "";
        LVITEMA item{};
        item.pszText = text, item.cchTextMax = sizeof text;
        SendMessageA(list, LVM_GETITEMTEXTA, i, (LPARAM)&item);
        if (_stricmp(text, name.c_str()) == 0) {
            item.stateMask = LVIS_SELECTED;
            SendMessageA(list, LVM_SETITEMSTATE, (WPARAM)-1, (LPARAM)&item); // none but this one
            item.stateMask = item.state = LVIS_SELECTED | LVIS_FOCUSED;
            return SendMessageA(list, LVM_SETITEMSTATE, i, (LPARAM)&item);
        }
    }
    return false;
}

// What the preview box shows, read back from the screen.
Capture Shown(HWND hook, int id)
{
    HWND box = GetDlgItem(hook, id);
    UpdateWindow(box);
    return sbtest::CaptureClient(box);
}

void WritePicture(const std::string &path, int width, int height, COLORREF left, COLORREF right)
{
    Dib picture(CreateDib(width, height, NULL, 24));
    {
        Pixels p(picture);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                p.Put(x, y, x < width / 2 ? left : right);
    }
    ASSERT_EQ(WriteImage(path.c_str(), picture), 1);
}

const COLORREF RED = RGB(200, 30, 30), BLUE = RGB(30, 30, 200), GREEN = RGB(20, 180, 40), WHITE = RGB(255, 255, 255);

TEST_F(FileDialogs, PicturePreviewShowsSizeColoursAndTheScaledPicture)
{
    WritePicture(Path("big.bmp"), 640, 480, RED, BLUE);
    WritePicture(Path("dot.bmp"), 1, 1, GREEN, GREEN);
    Write(Path("junk.bmp"), "BM\1\2\3");
    ImageFileOpenIndex = 2; // BMP files
    ShowFileOpenPreview = 1;
    ModalRecorder rec;
    rec.Drive([&](HWND dlg) {
        HWND hook = Hook(dlg);
        ASSERT_TRUE(Select(dlg, "big.bmp"));
        EXPECT_EQ(Text(GetDlgItem(hook, IDC_FILEINFO)), "Width: 640\nDepth: 480\nColors: 16,777,216");
        Capture c = Shown(hook, IDC_FILEPREVIEW);
        ASSERT_GT(c.width, 40);
        // Scaled by the smaller ratio, centred: white above and below.
        const int percent = std::min(c.width * 100 / 640, c.height * 100 / 480);
        const int w = 640 * percent / 100, h = 480 * percent / 100, top = (c.height - h) / 2;
        EXPECT_EQ(c.At(c.width / 2 - w / 4, c.height / 2), RED);
        EXPECT_EQ(c.At(c.width / 2 + w / 4, c.height / 2), BLUE);
        EXPECT_EQ(c.At(c.width / 2 + w / 4, top + 2), BLUE);
        if (top > 4) {
            EXPECT_EQ(c.At(c.width / 2, top - 2), WHITE);
        }

        // One pixel grows to fill the box's smaller side.
        ASSERT_TRUE(Select(dlg, "dot.bmp"));
        EXPECT_EQ(Text(GetDlgItem(hook, IDC_FILEINFO)), "Width: 1\nDepth: 1\nColors: 16,777,216");
        c = Shown(hook, IDC_FILEPREVIEW);
        const int side = std::min(c.width, c.height);
        for (int d : {-side / 2 + 3, 0, side / 2 - 4}) {
            EXPECT_EQ(c.At(c.width / 2 + d, c.height / 2), GREEN) << d;
            EXPECT_EQ(c.At(c.width / 2, c.height / 2 + d), GREEN) << d;
        }

        // A file no codec reads: no information, an empty box.
        ASSERT_TRUE(Select(dlg, "junk.bmp"));
        EXPECT_EQ(Text(GetDlgItem(hook, IDC_FILEINFO)), "");
        EXPECT_EQ(Shown(hook, IDC_FILEPREVIEW).At(c.width / 2, c.height / 2), WHITE);

        // Unticked, the box stays white.
        ASSERT_TRUE(Select(dlg, "dot.bmp"));
        sbtest::Click(hook, IDC_FILEPREVIEWON);
        EXPECT_EQ(ShowFileOpenPreview, 0);
        EXPECT_EQ(Shown(hook, IDC_FILEPREVIEW).At(c.width / 2, c.height / 2), WHITE);
        sbtest::Click(dlg, IDCANCEL);
    });
    char path[FILENAMEBUFFER];
    strcpy(path, Path("current.bmp").c_str());
    EXPECT_EQ(GetOpenImageFileName(NULL, path), 0);
    EXPECT_EQ(path, Path("current.bmp")); // a cancel changes nothing

    // The next dialog starts unticked; OK gives the file and keeps the type.
    rec.Drive([&](HWND dlg) {
        EXPECT_EQ(IsDlgButtonChecked(Hook(dlg), IDC_FILEPREVIEWON), (UINT)BST_UNCHECKED);
        sbtest::Click(Hook(dlg), IDC_FILEPREVIEWON);
        ASSERT_TRUE(Select(dlg, "big.bmp"));
        sbtest::Click(dlg, IDOK);
    });
    ImageFileOpenIndex = 2;
    EXPECT_EQ(GetOpenImageFileName(NULL, path), 1);
    EXPECT_EQ(path, Path("big.bmp"));
    EXPECT_EQ(ShowFileOpenPreview, 1);
    EXPECT_EQ(ImageFileOpenIndex, 2);
    ASSERT_EQ(rec.calls.size(), 2u);
    EXPECT_EQ(rec.calls[0].kind, MODAL_COMMONDIALOG);
    EXPECT_EQ(rec.calls[0].name, "CommonOpenFileNameEx");
}

// A multiple choice comes back as the folder and then the names; a single
// one as the path alone, and a folder that is a drive's root keeps one '\\'.
TEST(FirstChosenFile, JoinsTheFolderToTheFirstNameOnly)
{
    using namespace std::string_literals;
    struct Row {
        std::string buffer, first;
    } rows[] = {
        {"C:\\pics\\one.png"s, "C:\\pics\\one.png"},
        {"C:\\pics\0a.png\0b.png\0"s, "C:\\pics\\a.png"},
        {"C:\\\0a.png\0"s, "C:\\a.png"},
    };
    for (const Row &row : rows) {
        std::string buffer = row.buffer + std::string(8, '\0');
        EXPECT_EQ(FirstChosenFile(buffer.data(), buffer.size()), row.first) << row.first;
    }
    // A name cut off by the end of the buffer ends there.
    const char cut[] = {'C', ':', '\\', 0, 'a', 'b'};
    EXPECT_EQ(FirstChosenFile(cut, sizeof cut), "C:\\ab");
}

// The dialog may name a file longer than the hook's buffer: the preview
// keeps what it shows rather than take a name cut short.
TEST_F(FileDialogs, ASelectionTooLongForTheBufferChangesNothing)
{
    WritePicture(Path("big.bmp"), 640, 480, RED, BLUE);
    ImageFileOpenIndex = 7; // All files
    ModalRecorder rec;
    rec.Drive([&](HWND dlg) {
        HWND hook = Hook(dlg);
        ASSERT_TRUE(Select(dlg, "big.bmp"));
        SetDlgItemTextA(dlg, FILENAMEFIELD, std::string(300 - folder.size(), 'b').c_str());
        OFNOTIFYA notice{};
        notice.hdr = {dlg, 0, (UINT)CDN_SELCHANGE};
        SendMessageA(hook, WM_NOTIFY, 0, (LPARAM)&notice);
        EXPECT_EQ(Text(GetDlgItem(hook, IDC_FILEINFO)), "Width: 640\nDepth: 480\nColors: 16,777,216");
        sbtest::Click(dlg, IDCANCEL);
    });
    char path[MULTIPLEFILEBUFFER] = "";
    EXPECT_EQ(GetOpenMultipleImageFileName(NULL, strcpy(path, folder.c_str())), 0);

    // A current file that fills its whole buffer is no file: the dialog
    // starts without it and a cancel leaves every byte as it was.
    rec.Drive([&](HWND dlg) {
        EXPECT_EQ(Text(GetDlgItem(dlg, FILENAMEFIELD)), "");
        sbtest::Click(dlg, IDCANCEL);
    });
    char full[FILENAMEBUFFER];
    memset(full, 'f', sizeof full);
    EXPECT_EQ(GetOpenImageFileName(NULL, full), 0);
    EXPECT_EQ(std::string(full, sizeof full), std::string(sizeof full, 'f'));
}

TEST_F(FileDialogs, SaveDialogKeepsTheExtensionWithTheType)
{
    ModalRecorder rec;
    rec.Drive([&](HWND dlg) {
        HWND combo = GetDlgItem(dlg, FILETYPECOMBO);
        EXPECT_EQ(SendMessageA(combo, CB_GETCURSEL, 0, 0), 1); // old.bmp: BMP files at once
        SetDlgItemTextA(dlg, FILENAMEFIELD, "photo.jpg");
        auto choose = [&](int type) {
            SendMessageA(combo, CB_SETCURSEL, type, 0);
            SendMessageA(dlg, WM_COMMAND, MAKEWPARAM(FILETYPECOMBO, CBN_SELENDOK), (LPARAM)combo);
            return Text(GetDlgItem(dlg, FILENAMEFIELD));
        };
        EXPECT_EQ(choose(5), "photo.png");
        EXPECT_EQ(choose(6), "photo.png"); // All files
        EXPECT_EQ(choose(4), "photo.tga");
        sbtest::Click(dlg, IDOK);
    });
    char path[FILENAMEBUFFER];
    strcpy(path, Path("old.bmp").c_str());
    ImageFileOpenIndex = 1;
    EXPECT_EQ(GetWriteImageFileName(NULL, path), 1);
    EXPECT_EQ(path, Path("photo.tga"));
    EXPECT_EQ(ImageFileOpenIndex, 5);
    ImageFileOpenIndex = 1;
}

// Opens of files by name, counted while the counter is installed.
int opens;
decltype(&CreateFileA) realcreate;
HANDLE WINAPI CountingCreateFile(LPCSTR name, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security, DWORD how,
                                 DWORD flags, HANDLE model)
{
    opens++;
    return realcreate(name, access, share, security, how, flags, model);
}

bool PreviewsIdle()
{
    return !COMMONwavehandle && !COMMONhwaveout && COMMONmidiid == -1 && !COMMONmiditemppath[0];
}

TEST_F(FileDialogs, WaveDialogShowsFormatAndWaveformAndPreviewsTheSelection)
{
    // 61.25 s of 8-bit stereo at 44.1 kHz; 50 ms of 16-bit mono; a format
    // that reads but does not play.
    Write(Path("long.wav"), WaveFile(44100, 2, 8, 44100 * 6125 / 100, [](DWORD i, int) { return (int)(i % 200); }));
    Write(Path("short.wav"), WaveFile(8000, 1, 16, 400, [](DWORD i, int) { return (int)(i * 100); }));
    Write(Path("bad.wav"), WaveFile(8000, 1, 12, 400, [](DWORD, int) { return 0; }));
    WaveOpenIsPreview = 1;
    ModalRecorder rec;
    rec.Drive([&](HWND dlg) {
        HWND hook = Hook(dlg), button = GetDlgItem(hook, IDC_FILEPREVIEW), info = GetDlgItem(hook, IDC_FILEINFO);
        EXPECT_FALSE(GetDlgItem(hook, IDC_WAVELOOP));
        ASSERT_TRUE(Select(dlg, "long.wav"));
        EXPECT_EQ(Text(info), "Stereo 44.1 kHz 01:01.25");
        Capture c = Shown(hook, IDC_WAVEPANEL);
        ASSERT_GT(c.width, 40);
        EXPECT_EQ(c.At(c.width / 2, c.height / 4), GetSysColor(COLOR_BTNSHADOW));
        EXPECT_EQ(c.At(c.width / 2, c.height * 3 / 4), GetSysColor(COLOR_BTNSHADOW));
        // A repaint draws the waveform made for the selection: the wave is
        // not read again.
        opens = 0;
        realcreate =
            (decltype(&CreateFileA))sbtest::ReplaceImport("kernel32.dll", "CreateFileA", (void *)CountingCreateFile);
        for (int i = 0; i < 3; i++)
            RedrawWindow(GetDlgItem(hook, IDC_WAVEPANEL), NULL, NULL, RDW_INVALIDATE | RDW_UPDATENOW);
        sbtest::ReplaceImport("kernel32.dll", "CreateFileA", (void *)realcreate);
        EXPECT_EQ(opens, 0);
        EXPECT_EQ(Shown(hook, IDC_WAVEPANEL).At(c.width / 2, c.height / 4), GetSysColor(COLOR_BTNSHADOW));

        sbtest::Click(hook, IDC_FILEPREVIEW);
        EXPECT_EQ(Text(button), "&Silence");
        EXPECT_TRUE(COMMONhwaveout);
        ASSERT_TRUE(Select(dlg, "short.wav")); // a new selection stops it
        EXPECT_EQ(Text(button), "&Preview");
        EXPECT_TRUE(PreviewsIdle());
        EXPECT_EQ(Text(info), "Mono 8.0 kHz 00:00.05");
        sbtest::Click(hook, IDC_FILEPREVIEW);
        EXPECT_EQ(Text(button), "&Silence");
        EXPECT_TRUE(sbtest::PumpUntil([&] { return !COMMONhwaveout && Text(button) == "&Preview"; }))
            << "the preview played to its end";

        ASSERT_TRUE(Select(dlg, "bad.wav"));
        EXPECT_EQ(Shown(hook, IDC_WAVEPANEL).At(c.width / 2, c.height / 4), WHITE) << "no other wave's picture";
        sbtest::Click(hook, IDC_FILEPREVIEW);
        EXPECT_EQ(Text(button), "&Preview");
        sbtest::Click(hook, IDC_WAVEPREVIEWON);
        EXPECT_EQ(WaveOpenIsPreview, 0);
        ASSERT_TRUE(Select(dlg, "long.wav"));
        EXPECT_EQ(Shown(hook, IDC_WAVEPANEL).At(c.width / 2, c.height / 4), WHITE);
        sbtest::Click(hook, IDC_FILEPREVIEW); // left playing when the dialog ends
        sbtest::Click(dlg, IDCANCEL);
    });
    rec.Answer(IDOK);
    char path[FILENAMEBUFFER];
    EXPECT_EQ(COMMONGetOpenWaveFileName(NULL, strcpy(path, Path("x.wav").c_str())), 0);
    EXPECT_TRUE(PreviewsIdle());
    ASSERT_EQ(rec.calls.size(), 2u);
    // The sound itself is at fault, and the box says how.
    EXPECT_EQ(rec.calls[1].text, "There has been an error previewing the selected sound.\n\n"
                                 "The sound's samples are not of 8, 16, 24 or 32 bits.");
    WaveOpenIsPreview = 1;
}

// Wave files whose chunk lengths point back at their own chunk or at each
// other: selecting each in the Open dialog answers at once, with no format
// shown (not the one of the file selected before) and its waveform panel
// drawn.
TEST_F(FileDialogs, WaveLengthsThatPointBackAnswerTheSelectionAtOnce)
{
    const std::string wave = WaveFile(8000, 1, 8, 20, [](DWORD, int) { return 128; });
    const std::vector<BACKWARDWAVE> rows = BackwardWaves();
    Write(Path("good.wav"), wave);
    for (const auto &row : rows)
        Write(Path(std::string(row.name) + ".wav"), row.bytes);
    WaveOpenIsPreview = 1;
    ModalRecorder rec;
    rec.Drive([&](HWND dlg) {
        HWND hook = Hook(dlg), info = GetDlgItem(hook, IDC_FILEINFO);
        for (const auto &row : rows) {
            SCOPED_TRACE(row.name);
            ASSERT_TRUE(Select(dlg, "good.wav"));
            EXPECT_EQ(Text(info), "Mono 8.0 kHz 00:00.00");
            const double start = sbtest::ProcessorMs();
            ASSERT_TRUE(Select(dlg, std::string(row.name) + ".wav"));
            Shown(hook, IDC_WAVEPANEL);
            EXPECT_LT(sbtest::ProcessorMs() - start, 1000) << "ms of processor time for the selection's format and waveform";
            EXPECT_EQ(Text(info), "");
        }
        sbtest::Click(dlg, IDCANCEL);
    });
    char path[FILENAMEBUFFER];
    EXPECT_EQ(COMMONGetOpenWaveFileName(NULL, strcpy(path, Path("x.wav").c_str())), 0);
}

TEST_F(FileDialogs, MidiPreviewEndsOnlyWithItsOwnNotice)
{
    Write(Path("a.mid"), std::string(MIDIFILE, sizeof MIDIFILE));
    Write(Path("b.mid"), std::string(MIDIFILE, sizeof MIDIFILE));
    ModalRecorder rec;
    rec.Drive([&](HWND dlg) {
        HWND hook = Hook(dlg), button = GetDlgItem(hook, IDC_FILEPREVIEW);
        ASSERT_TRUE(Select(dlg, "a.mid"));
        sbtest::Click(hook, IDC_FILEPREVIEW);
        EXPECT_EQ(Text(button), "&Silence");
        ASSERT_NE(COMMONmidiid, -1);
        EXPECT_EQ(Count(folder + "MID*.TMP"), 1);
        SendMessageA(hook, MM_MCINOTIFY, MCI_NOTIFY_ABORTED, COMMONmidiid); // someone's stop
        EXPECT_EQ(Text(button), "&Silence");
        ASSERT_TRUE(Select(dlg, "b.mid"));
        EXPECT_EQ(Text(button), "&Preview");
        EXPECT_TRUE(PreviewsIdle());
        EXPECT_EQ(Count(folder + "MID*.TMP"), 0);

        sbtest::Click(hook, IDC_FILEPREVIEW);
        SendMessageA(hook, MM_MCINOTIFY, MCI_NOTIFY_SUCCESSFUL, COMMONmidiid); // its end
        EXPECT_EQ(Text(button), "&Preview");
        EXPECT_TRUE(PreviewsIdle());
        sbtest::Click(hook, IDC_FILEPREVIEW);
        sbtest::Click(hook, IDC_FILEPREVIEW); // stopped by hand
        EXPECT_TRUE(PreviewsIdle());
        sbtest::Click(hook, IDC_FILEPREVIEW); // and played again: left playing
        EXPECT_EQ(Text(button), "&Silence");
        sbtest::Click(dlg, IDCANCEL);
    });
    char path[FILENAMEBUFFER] = "";
    EXPECT_EQ(COMMONGetOpenMidiFileName(NULL, strcpy(path, folder.c_str())), 0);
    EXPECT_TRUE(PreviewsIdle());
    EXPECT_EQ(Count(folder + "MID*.TMP"), 0);
}

TEST_F(FileDialogs, MultipleSelectionGivesTheFolderAndTheNames)
{
    for (const char *name : {"a.wav", "b.wav"})
        Write(Path(name), WaveFile(8000, 1, 8, 100, [](DWORD, int) { return 128; }));
    ModalRecorder rec;
    rec.Drive([&](HWND dlg) {
        SetDlgItemTextA(dlg, FILENAMEFIELD, "\"a.wav\" \"b.wav\"");
        sbtest::Click(dlg, IDOK);
    });
    char path[MULTIPLEFILEBUFFER];
    // A folder without its closing backslash is the folder to start in.
    strcpy(path, folder.c_str())[folder.size() - 1] = 0;
    ASSERT_EQ(COMMONGetOpenWaveFileNameMultiple(NULL, path), 1);
    const std::string dir(path), first(path + dir.size() + 1), second(path + dir.size() + first.size() + 2);
    EXPECT_EQ(dir + "\\", folder);
    EXPECT_EQ(first, "a.wav");
    EXPECT_EQ(second, "b.wav");
    EXPECT_EQ(path[dir.size() + first.size() + second.size() + 3], 0);
}

} // namespace
