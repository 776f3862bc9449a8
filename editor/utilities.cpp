#include "editor/utilities.h"
#include "common/msgdlg.h"
#include "common/owners.h"
#include "common/paths.h"
#include "common/strings.h"
#include "editor/shell.h"
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "resources/editorframe_ids.h"
constexpr int MAXNAMES = 260;
constexpr size_t NAMESCRATCH = 9216;

int SwabMultipleNames(char *names)
{
    std::vector<char *> list;
    for (char *p = names; *p && (int)list.size() < MAXNAMES; p += strlen(p) + 1)
        list.push_back(p);
    char *scratch = (char *)calloc(NAMESCRATCH, 1);
    if (!scratch)
        return 0;
    // Adjacent swaps until a pass swaps nothing: equal names keep their order.
    for (bool swapped = true; swapped;) {
        swapped = false;
        for (size_t i = 0; i + 1 < list.size(); i++)
            if (strcmp(list[i], list[i + 1]) > 0) {
                std::swap(list[i], list[i + 1]);
                swapped = true;
            }
    }
    size_t o = 0;
    for (char *name : list) {
        size_t n = strlen(name) + 1;
        if (o + n + 1 > NAMESCRATCH)
            break;
        memcpy(scratch + o, name, n);
        o += n;
    }
    // The names and the empty one that ends them.
    memcpy(names, scratch, o + 1);
    if (o == 0)
        names[1] = 0;
    free(scratch);
    return 1;
}

char *SubtractPath(const char *path)
{
    static char out[MAX_PATH];
    lstrcpynA(out, COMMONFileNamePart(path), sizeof out);
    return out;
}

static bool IsDelimiter(char c)
{
    return (unsigned char)c < '!' || strchr("(),;@$&=\"", c) != NULL;
}

int GetWordAtCursor(HWND edit, char *word)
{
    word[0] = 0;
    int length = GetWindowTextLengthA(edit);
    if (length <= 0)
        return 0;
    char *text = (char *)calloc((size_t)length + 1, 1);
    if (!text)
        return 0;
    GetWindowTextA(edit, text, length + 1);
    length = (int)strlen(text);
    SetFocus(edit);
    DWORD end = 0;
    SendMessageA(edit, EM_GETSEL, 0, (LPARAM)&end);
    int caret = (int)end > length ? length : (int)end;
    int first = caret, last = caret;
    while (first > 0 && !IsDelimiter(text[first - 1]))
        first--;
    while (last < length && !IsDelimiter(text[last]))
        last++;
    int n = last - first > 259 ? 259 : last - first;
    memcpy(word, text + first, (size_t)n);
    word[n] = 0;
    free(text);
    return 1;
}

HGLOBAL ReadBinaryFile(const char *path, long *length)
{
    FileHandle file(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL));
    if (!file)
        return NULL;
    LARGE_INTEGER size;
    // A global block and the length both hold at most 2 GB.
    if (!GetFileSizeEx(file.get(), &size) || size.QuadPart > 0x7FFFFFFF)
        return NULL;
    GlobalBlock block = GlobalBlock::Alloc((SIZE_T)size.QuadPart);
    if (!block)
        return NULL;
    {
        GlobalLocked<BYTE> p(block);
        DWORD got = 0;
        if (!p || (size.QuadPart && !ReadFile(file.get(), p.get(), (DWORD)size.QuadPart, &got, NULL)) ||
            got != (DWORD)size.QuadPart)
            return NULL;
    }
    if (length && *length)
        *length = (long)size.QuadPart;
    return block.Release();
}

char *LoadTextFile(const char *path)
{
    FILE *f = fopen(path, "rb");
    if (!f)
        return NULL;
    long size = fseek(f, 0, SEEK_END) == 0 ? ftell(f) : 0;
    rewind(f);
    if (size > 16383)
        size = 16383;
    if (size <= 0) {
        fclose(f);
        return NULL;
    }
    size_t room = 2 * (size_t)size + 16;
    char *text = (char *)calloc(room, 1);
    if (!text) {
        fclose(f);
        return NULL;
    }
    size_t o = 0;
    int c;
    while ((c = fgetc(f)) != EOF) {
        if (c == '\r') {
            if (o + 2 >= room)
                break;
            text[o++] = '\r';
            text[o++] = '\n';
        } else if (c == '\t' || c >= 32) {
            if (o + 1 >= room)
                break;
            text[o++] = c == '\t' ? ' ' : (char)c;
        }
    }
    fclose(f);
    return text;
}

int ShowManual(HWND window)
{
    DoWarning(window, FetchString(IDS_MANUALWARNING), &WarnShowManual);
    char file[PATHBUILDSIZE];
    lstrcpynA(file, AddApplicationPath("html\\manual.htm"), sizeof file);
    ViewHTMLDocument(window, file, "#DOCUMENTATION", MaximizePaint);
    return 1;
}
