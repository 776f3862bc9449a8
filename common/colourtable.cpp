// The colour table file: a named colour a line, "name=red,green,blue",
// read into a list box and written back from one.
#include "common/colour.h"
#include "common/paths.h"
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// Takes the number that `p` points at, after leading blanks (as atol does),
// and moves past it.
long ReadNumber(char *&p)
{
    return strtol(p, &p, 10);
}

bool ParseTableLine(char *line, char *&name, COLORREF &colour)
{
    line[strcspn(line, "\n")] = 0;
    line[strcspn(line, "\r")] = 0;
    char *equals = strchr(line, '=');
    if (!equals || equals == line)
        return false;
    *equals = 0;
    name = line;
    char *p = equals + 1;
    while (*p == '=' || *p == ' ' || *p == 8)
        p++;
    long red = ReadNumber(p);
    p = strchr(p, ',');
    if (!p)
        return false;
    while (*p == ',')
        p++;
    long green = ReadNumber(p);
    p = strchr(p, ',');
    if (!p)
        return false;
    while (*p == ',')
        p++;
    long blue = ReadNumber(p);
    colour = RGB(red & 0xFF, green & 0xFF, blue & 0xFF);
    return true;
}

} // namespace

int LoadColourTable(HWND dlg, const char *path, int listid)
{
    HWND list = GetDlgItem(dlg, listid);
    SendMessageA(list, LB_RESETCONTENT, 0, 0);
    FILE *f = path && path[0] ? fopen(path, "rt") : NULL;
    if (!f)
        return 0;
    char line[260];
    while (fgets(line, sizeof line, f)) {
        char *name;
        COLORREF colour;
        if (!ParseTableLine(line, name, colour))
            continue;
        LRESULT index = SendMessageA(list, LB_INSERTSTRING, (WPARAM)-1, (LPARAM)name);
        if (index >= 0)
            SendMessageA(list, LB_SETITEMDATA, index, (LPARAM)colour);
    }
    fclose(f);
    return 1;
}

int SaveColourTable(HWND dlg, const char *path, int listid)
{
    if (!path || !path[0] || strlen(path) + 5 > PATHBUILDSIZE)
        return 0;
    HWND list = GetDlgItem(dlg, listid);
    int count = (int)SendMessageA(list, LB_GETCOUNT, 0, 0);
    if (count == LB_ERR)
        return 0;
    if (!COMMONMakeFoldersFor(path))
        return 0;
    // The table is written beside the old one, which stays untouched until
    // the new one is complete.
    char fresh[PATHBUILDSIZE], backup[PATHBUILDSIZE];
    snprintf(fresh, sizeof fresh, "%s.new", path);
    snprintf(backup, sizeof backup, "%s.bak", path);
    FILE *f = fopen(fresh, "wt");
    if (!f)
        return 0;
    bool ok = true;
    for (int i = 0; i < count && ok; i++) {
        char name[COLOURNAMESIZE];
        if (!ColourTableName(list, i, name))
            continue;
        COLORREF c = (COLORREF)SendMessageA(list, LB_GETITEMDATA, i, 0);
        ok = fprintf(f, "%s=%d,%d,%d\n", name, GetRValue(c), GetGValue(c), GetBValue(c)) > 0;
    }
    ok = fflush(f) == 0 && ok;
    ok = fclose(f) == 0 && ok;
    if (!ok) {
        DeleteFileA(fresh);
        return 0;
    }
    bool hadold = GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES;
    if (hadold) {
        DeleteFileA(backup);
        if (!MoveFileA(path, backup)) {
            DeleteFileA(fresh);
            return 0;
        }
    }
    if (!MoveFileA(fresh, path)) {
        if (hadold)
            MoveFileA(backup, path);
        DeleteFileA(fresh);
        return 0;
    }
    return 1;
}

