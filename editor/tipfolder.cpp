#include "editor/tipfolder.h"
#include "common/owners.h"
#include "common/paths.h"
#include "common/strings.h"
#include "editor/shell.h"
#include <cstdio>
#include <cstring>
#include <string>

#include "resources/editorframe_ids.h"

int IsTipTime()
{
    SYSTEMTIME now;
    GetLocalTime(&now);
    // Year in the low word, then the day of the month, then the month.
    int stamp = (int)((unsigned)now.wYear | (unsigned)now.wDay << 16 | (unsigned)now.wMonth << 24);
    if (stamp == LastTipDate)
        return 0;
    LastTipDate = stamp;
    return 1;
}

// Line `number` (from 1) of the open file into `text` with its "\n" pairs
// turned into line breaks; false when the file ends first or the line is empty.
static bool TakeLine(FILE *f, unsigned number, char *text)
{
    char line[TIPTEXTSIZE + 2];
    for (unsigned i = 1;; i++) {
        if (!fgets(line, sizeof line, f))
            return false;
        size_t n = strlen(line);
        bool whole = n && line[n - 1] == '\n';
        // A line longer than a tip is read on to its end, so the count stays
        // one tip per line.
        while (!whole) {
            char rest[256];
            if (!fgets(rest, sizeof rest, f))
                break;
            size_t r = strlen(rest);
            whole = r && rest[r - 1] == '\n';
        }
        if (i < number)
            continue;
        line[strcspn(line, "\r\n")] = 0;
        if (!line[0])
            return false;
        size_t o = 0;
        for (const char *p = line; *p && o < TIPTEXTSIZE - 1; p++) {
            if (p[0] == '\\' && p[1] == 'n') {
                text[o++] = '\n';
                p++;
            } else {
                text[o++] = *p;
            }
        }
        text[o] = 0;
        return true;
    }
}

int GetTipOfTheDay(char *text)
{
    text[0] = 0;
    if (FILE *f = fopen(AddApplicationPath("SHOWBUILDER.TIP"), "r")) {
        unsigned n = (unsigned)TipOfTheDay;
        // Numbers 0 and 1 both mean the first line; the one after it is 2.
        unsigned line = n < 1 ? 1 : n;
        if (TakeLine(f, line, text)) {
            TipOfTheDay = (int)(line + 1);
        } else {
            rewind(f);
            text[0] = 0;
            TakeLine(f, 1, text);
            TipOfTheDay = 2;
        }
        fclose(f);
    }
    if (!text[0])
        lstrcpynA(text, FetchString(IDS_TIPERROR), TIPTEXTSIZE);
    return 1;
}

int GetOpenPath(char *path)
{
    lstrcpynA(path, OpenPath, SETTINGTEXT);
    return 1;
}

int SetOpenPath(const char *path)
{
    std::string result(path, COMMONFileNamePart(path));
    if (!result.empty() && result.back() != '\\')
        result += '\\';
    if (result.size() < SETTINGTEXT)
        strcpy(OpenPath, result.c_str());
    return 1;
}

int CopyToClipboard(HWND window, const char *text)
{
    size_t n = strlen(text);
    GlobalBlock block = GlobalBlock::Alloc(n + 1);
    if (!block)
        return 0;
    {
        GlobalLocked<char> p(block);
        if (!p)
            return 0;
        memcpy(p.get(), text, n);
    }
    if (!OpenClipboard(window))
        return 0;
    EmptyClipboard();
    bool placed = SetClipboardData(CF_TEXT, block.get()) != NULL;
    if (placed)
        block.Release(); // the clipboard's now, and freed by the platform
    CloseClipboard();
    return placed ? 1 : 0;
}
