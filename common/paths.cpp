#include "common/paths.h"
#include "common/modal.h"
#include "common/msgdlg.h"
#include "common/shell.h"
#include "common/strings.h"
#include "resources/dialogs_ids.h"
#include <shellapi.h>
#include <shlobj.h>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <string>

static bool ReadSpecialFolder(int csidl, char *out)
{
    out[0] = 0;
    LPITEMIDLIST list = NULL;
    if (SHGetSpecialFolderLocation(NULL, csidl, &list) != S_OK || !list)
        return false;
    BOOL ok = SHGetPathFromIDListA(list, out);
    CoTaskMemFree(list);
    return ok && out[0];
}

static FOLDERREADER folderreader = ReadSpecialFolder;

FOLDERREADER COMMONSetFolderReader(FOLDERREADER reader)
{
    FOLDERREADER old = folderreader;
    folderreader = reader ? reader : ReadSpecialFolder;
    return old;
}

static bool EndsInSeparator(const char *text)
{
    size_t n = strlen(text);
    return n && (text[n - 1] == '\\' || text[n - 1] == '/');
}

// Appends `part` to the path in `out` (of `size` bytes), with a backslash
// between them unless the path is empty or already ends in one. False, with
// `out` emptied, when the result would not fit.
static bool JoinPath(char *out, size_t size, const char *part)
{
    size_t n = strlen(out), p = strlen(part);
    bool slash = n && !EndsInSeparator(out);
    if (n + slash + p + 1 > size) {
        out[0] = 0;
        return false;
    }
    if (slash)
        out[n++] = '\\';
    memcpy(out + n, part, p + 1);
    return true;
}

// Inputs longer than the settings' buffers are refused rather than cut.
static bool Fits(const char *text)
{
    return text && strlen(text) < MAX_PATH;
}

char *AddApplicationPath(const char *name)
{
    static char out[PATHBUILDSIZE];
    out[0] = 0;
    if (!Fits(name) || !Fits(ApplicationPath))
        return out;
    strcpy(out, ApplicationPath);
    JoinPath(out, sizeof out, name);
    return out;
}

const char *COMMONFileNamePart(const char *path)
{
    const char *name = path;
    for (const char *p = path; *p; p++)
        if (*p == '\\' || *p == '/' || *p == ':')
            name = p + 1;
    return name;
}

// Where the folder part of a path ends: after its last separator or drive colon.
static size_t FolderLength(const char *path) { return (size_t)(COMMONFileNamePart(path) - path); }

char *AddCurrentPath(const char *name)
{
    static char out[PATHBUILDSIZE];
    out[0] = 0;
    if (!Fits(name) || !Fits(OpenPath))
        return out;
    size_t folder = FolderLength(OpenPath);
    const char *file = name + FolderLength(name);
    memcpy(out, OpenPath, folder);
    strcpy(out + folder, file);
    return out;
}

static bool BuildUserPath(char *out, size_t size, int csidl, const char *const *parts, int count)
{
    char folder[MAX_PATH];
    out[0] = 0;
    if (!folderreader(csidl, folder) || strlen(folder) >= size)
        return false;
    strcpy(out, folder);
    for (int i = 0; i < count; i++)
        if (parts[i][0] && !JoinPath(out, size, parts[i]))
            return false;
    return true;
}

char *COMMONAddApplicationDataPath(const char *name)
{
    static char out[PATHBUILDSIZE];
    const char *parts[] = {"Quellwick", name};
    if (!Fits(name) || !BuildUserPath(out, sizeof out, CSIDL_APPDATA, parts, 2))
        out[0] = 0;
    return out;
}

char *COMMONAddApplicationDataSubPath(const char *name)
{
    static char out[PATHBUILDSIZE];
    const char *parts[] = {"Quellwick", "Showbinder", name};
    if (!Fits(name) || !BuildUserPath(out, sizeof out, CSIDL_APPDATA, parts, 3))
        out[0] = 0;
    return out;
}

char *COMMONAddDocumentPath(const char *name)
{
    static char out[PATHBUILDSIZE];
    const char *parts[] = {name};
    if (!Fits(name) || !BuildUserPath(out, sizeof out, CSIDL_PERSONAL, parts, 1))
        out[0] = 0;
    return out;
}

int COMMONGetConfigDirectory(char *buffer, int length)
{
    if (!buffer || length <= 0)
        return 0;
    buffer[0] = 0;
    char path[PATHBUILDSIZE];
    const char *parts[] = {"Quellwick"};
    if (!BuildUserPath(path, sizeof path, CSIDL_APPDATA, parts, 1) || strlen(path) + 2 > sizeof path)
        return 0;
    strcat(path, "\\");
    // The terminator goes inside the caller's buffer, at most at length - 1.
    lstrcpynA(buffer, path, length);
    return 1;
}

static bool ReplaceExtension(char *out, size_t size, const char *name, const char *extension)
{
    size_t folder = FolderLength(name);
    const char *dot = strrchr(name + folder, '.');
    size_t stem = dot ? (size_t)(dot - name) : strlen(name);
    const char *ext = extension ? extension : "";
    bool needdot = ext[0] && ext[0] != '.';
    if (stem + needdot + strlen(ext) + 1 > size)
        return false;
    memcpy(out, name, stem);
    out[stem] = 0;
    if (needdot)
        strcat(out, ".");
    strcat(out, ext);
    return true;
}

int COMMONGetTemporaryFileNameIn(char *out, const char *folder, const char *prefix, const char *extension,
                                 int unique)
{
    out[0] = 0;
    if (!folder || !folder[0] || strlen(folder) >= MAX_PATH - 14)
        return 0;
    // The system's empty file keeps its number taken until ours exists;
    // then it goes, so no placeholder is ever left behind.
    for (int attempt = 0; attempt < 64; attempt++) {
        char name[MAX_PATH];
        if (!GetTempFileNameA(folder, prefix, (UINT)unique, name))
            return 0;
        char wanted[MAX_PATH];
        if (!ReplaceExtension(wanted, sizeof wanted, name, extension)) {
            if (!unique)
                DeleteFileA(name);
            return 0;
        }
        if (lstrcmpiA(wanted, name) == 0) {
            strcpy(out, name);
            return (int)strlen(out);
        }
        if (unique) { // nothing was created: the caller makes the file
            strcpy(out, wanted);
            return (int)strlen(out);
        }
        HANDLE h = CreateFileA(wanted, GENERIC_WRITE, 0, NULL, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, NULL);
        DeleteFileA(name);
        if (h != INVALID_HANDLE_VALUE) {
            CloseHandle(h);
            strcpy(out, wanted);
            return (int)strlen(out);
        }
        if (GetLastError() != ERROR_FILE_EXISTS && GetLastError() != ERROR_ALREADY_EXISTS)
            return 0;
    }
    return 0;
}

int COMMONGetTemporaryFileName(char *out, const char *prefix, const char *extension, int unique)
{
    out[0] = 0;
    char folder[MAX_PATH];
    DWORD n = GetTempPathA(sizeof folder, folder);
    if (!n || n >= sizeof folder)
        return 0;
    return COMMONGetTemporaryFileNameIn(out, folder, prefix, extension, unique);
}

bool COMMONMakeFoldersFor(const char *path)
{
    char folder[PATHBUILDSIZE];
    size_t end = FolderLength(path);
    if (end >= sizeof folder)
        return false;
    memcpy(folder, path, end);
    folder[end] = 0;
    for (size_t i = 0; i < end; i++) {
        if (folder[i] != '\\' && folder[i] != '/')
            continue;
        if (i == 0 || folder[i - 1] == ':' || folder[i - 1] == '\\')
            continue;
        char c = folder[i];
        folder[i] = 0;
        DWORD attr = GetFileAttributesA(folder);
        if (attr == INVALID_FILE_ATTRIBUTES) {
            if (!CreateDirectoryA(folder, NULL) && GetLastError() != ERROR_ALREADY_EXISTS)
                return false;
        } else if (!(attr & FILE_ATTRIBUTE_DIRECTORY)) {
            return false;
        }
        folder[i] = c;
    }
    return true;
}

char *COMMONUnQuoteCommandLine(char *text)
{
    char *to = text;
    for (const char *from = text; *from; from++)
        if (*from != '"')
            *to++ = *from;
    *to = 0;
    return text;
}

void MakeHelpPathName(char *out)
{
    static const char file[] = "SHOWBUILDER.HLP";
    char module[MAX_PATH];
    DWORD n = GetModuleFileNameA(hInst, module, sizeof module);
    if (n >= sizeof module)
        n = 0;
    module[n] = 0;
    size_t folder = FolderLength(module);
    if (folder + sizeof file <= MAX_PATH) {
        memcpy(out, module, folder);
        strcpy(out + folder, file);
    } else {
        strcpy(out, "?");
    }
}

char *MakeHexPath(const char *text)
{
    static char out[PATHBUILDSIZE];
    size_t n = 0;
    for (const char *p = text ? text : ""; *p; p++) {
        size_t need = *p == ' ' ? 3 : 1;
        if (n + need + 1 > sizeof out) {
            out[0] = 0;
            return out;
        }
        if (*p == ' ') {
            snprintf(out + n, 4, "%%%02X", ' ');
            n += 3;
        } else {
            out[n++] = *p;
        }
    }
    out[n] = 0;
    return out;
}

void COMMONSplitHTMLReference(char *out, char *anchor, const char *reference)
{
    out[0] = anchor[0] = 0;
    if (!reference)
        return;
    const char *hash = strchr(reference, '#');
    size_t head = hash ? (size_t)(hash - reference) : strlen(reference);
    if (head >= MAX_PATH)
        head = MAX_PATH - 1;
    memcpy(out, reference, head);
    out[head] = 0;
    if (hash)
        lstrcpynA(anchor, hash, MAX_PATH);
}

static INT_PTR RunShellExecute(const MODALCALL *call)
{
    const char *directory = (const char *)call->data;
    return (INT_PTR)ShellExecuteA(call->parent, call->caption, call->name, call->text, directory,
                                  (int)call->style);
}

static INT_PTR Launch(HWND hwnd, const char *verb, const char *file, const char *parameters,
                      const char *directory, int show)
{
    MODALCALL call{};
    call.kind = MODAL_LAUNCH;
    call.parent = hwnd;
    call.name = file;
    call.text = parameters;
    call.caption = verb;
    call.style = (UINT)show;
    call.data = (void *)directory;
    call.run = RunShellExecute;
    return COMMONModal(&call);
}

// The program and its document as one command line, each quoted, so blanks
// in either stay inside their own argument.
static INT_PTR RunCreateProcess(const MODALCALL *call)
{
    char line[2 * MAX_PATH + 8];
    lstrcpynA(line, call->text, sizeof line);
    STARTUPINFOA start{};
    start.cb = sizeof start;
    if (call->style == SW_MAXIMIZE) {
        start.dwFlags = STARTF_USESHOWWINDOW;
        start.wShowWindow = SW_MAXIMIZE;
    }
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(NULL, line, NULL, NULL, TRUE, NORMAL_PRIORITY_CLASS, NULL, NULL, &start, &process))
        return 0;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return 1;
}

// Wine's own calls, present only under it: where a Windows path lies on the
// host machine, and the other way round. Each result is the caller's, freed
// from the process heap.
typedef char *(CDECL *UNIXNAMER)(LPCWSTR);
typedef WCHAR *(CDECL *DOSNAMER)(LPCSTR);

template <class T> static T WineCall(const char *name)
{
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    return kernel ? (T)(void *)GetProcAddress(kernel, name) : NULL;
}

// The host's path of a Windows path; empty where the platform cannot tell.
static std::string HostPath(const char *file)
{
    auto unixname = WineCall<UNIXNAMER>("wine_get_unix_file_name");
    char full[PATHBUILDSIZE];
    DWORD n = GetFullPathNameA(file, sizeof full, full, NULL);
    WCHAR wide[PATHBUILDSIZE];
    if (!unixname || !n || n >= sizeof full || !MultiByteToWideChar(CP_ACP, 0, full, -1, wide, PATHBUILDSIZE))
        return "";
    char *host = unixname(wide);
    if (!host)
        return "";
    std::string out = host;
    HeapFree(GetProcessHeap(), 0, host);
    return out;
}

// The Windows path of a host program; empty where it has none or is not a file.
static std::string HostProgram(const char *host)
{
    auto dosname = WineCall<DOSNAMER>("wine_get_dos_file_name");
    WCHAR *wide = dosname ? dosname(host) : NULL;
    if (!wide)
        return "";
    char path[PATHBUILDSIZE];
    int n = WideCharToMultiByte(CP_ACP, 0, wide, -1, path, sizeof path, NULL, NULL);
    HeapFree(GetProcessHeap(), 0, wide);
    DWORD attr = n ? GetFileAttributesA(path) : INVALID_FILE_ATTRIBUTES;
    if (attr == INVALID_FILE_ATTRIBUTES || (attr & FILE_ATTRIBUTE_DIRECTORY))
        return "";
    return path;
}

// A host path (and anchor) as a file address: every byte but the plain ones
// escaped, so that blanks, '#' and '%' in folder names stay part of the path.
static std::string FileAddress(const std::string &host, const char *anchor)
{
    static const char plain[] = "-._~/";
    std::string out = "file://";
    auto add = [&out](const char *text) {
        for (const unsigned char *p = (const unsigned char *)text; *p; p++)
            if (isalnum(*p) || strchr(plain, *p)) {
                out += (char)*p;
            } else {
                char hex[4];
                snprintf(hex, sizeof hex, "%%%02X", *p);
                out += hex;
            }
    };
    add(host.c_str());
    if (anchor && anchor[0]) {
        out += '#';
        add(anchor + (anchor[0] == '#'));
    }
    return out;
}

// The host's browser, run as the host program it is: the start either
// happens or fails here. (Wine's winebrowser says it started one even when
// it found none.)
static INT_PTR RunHostBrowser(const MODALCALL *call)
{
    char line[2 * PATHBUILDSIZE + 8];
    if (strlen(call->name) + strlen(call->text) + 6 > sizeof line)
        return 0;
    snprintf(line, sizeof line, "\"%s\" %s", call->name, call->text);
    STARTUPINFOA start{};
    start.cb = sizeof start;
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(NULL, line, NULL, NULL, FALSE, NORMAL_PRIORITY_CLASS, NULL, NULL, &start, &process))
        return 0;
    // A host program runs detached: Wine gives no handles for it.
    if (process.hThread)
        CloseHandle(process.hThread);
    if (process.hProcess)
        CloseHandle(process.hProcess);
    return 1;
}

// The page could not be shown: the user is told where it is, to open it by
// hand.
static void TellNoBrowser(HWND hwnd, const char *file)
{
    char text[FETCHSTRINGSIZE + PATHBUILDSIZE + 4];
    snprintf(text, sizeof text, "%s\n\n%s", FetchString(IDS_NOBROWSER), file);
    DoMessage(hwnd, text);
}

// The page in the host's browser `browser` (a host path, or anything else
// for none), or the user told the page's host path, which a browser on that
// machine opens as it stands.
static int ViewOnHost(HWND hwnd, const char *file, const char *anchor, const char *browser, int show)
{
    bool web = strncmp(file, "http", 4) == 0;
    std::string host = web ? "" : HostPath(file);
    std::string program = browser[0] == '/' ? HostProgram(browser) : "";
    std::string address = web ? std::string(MakeHexPath(file)) : host.empty() ? "" : FileAddress(host, anchor);
    if (!program.empty() && !address.empty() && address.size() < PATHBUILDSIZE) {
        MODALCALL call{};
        call.kind = MODAL_LAUNCH;
        call.parent = hwnd;
        call.name = program.c_str();
        call.text = address.c_str();
        call.style = (UINT)show;
        call.run = RunHostBrowser;
        if (COMMONModal(&call) > 0)
            return 1;
    }
    TellNoBrowser(hwnd, host.empty() ? file : host.c_str());
    return 0;
}

int ViewHTMLDocument(HWND hwnd, const char *file, const char *anchor, int maximised)
{
    static const char *const browsers[] = {"firefox.exe", "opera.exe", "c:\\Program Files\\Opera\\opera.exe",
                                           "netscape.exe", "iexplore.exe"};
    if (!file)
        return 0;
    int show = maximised ? SW_MAXIMIZE : SW_SHOW;
    // Started by the project's run script, the platform layer's own HTML
    // engine is off: the page goes to the host machine's browser or nowhere.
    // The script names the browser it found on the host, by its host path,
    // or "none".
    char hostbrowser[PATHBUILDSIZE] = "";
    DWORD named = GetEnvironmentVariableA("SB_HOST_BROWSER", hostbrowser, sizeof hostbrowser);
    if (named && named < sizeof hostbrowser)
        return ViewOnHost(hwnd, file, anchor, hostbrowser, show);
    char parameters[PATHBUILDSIZE];
    parameters[0] = 0;
    bool web = strncmp(file, "http", 4) == 0;
    if (web) {
        lstrcpynA(parameters, MakeHexPath(file), sizeof parameters);
    } else {
        char hexfile[PATHBUILDSIZE];
        lstrcpynA(hexfile, MakeHexPath(file), sizeof hexfile);
        const char *hexanchor = anchor && anchor[0] ? MakeHexPath(anchor) : "";
        if (hexfile[0] && 8 + strlen(hexfile) + strlen(hexanchor) < sizeof parameters)
            snprintf(parameters, sizeof parameters, "file:///%s%s", hexfile, hexanchor);
    }
    if (parameters[0])
        for (const char *browser : browsers)
            if (Launch(hwnd, "open", browser, parameters, NULL, show) > 32)
                return 1;

    char program[MAX_PATH] = "";
    if (!web && (INT_PTR)FindExecutableA(file, NULL, program) > 32 && program[0] &&
        strlen(program) + strlen(file) + 6 < 2 * MAX_PATH) {
        char line[2 * MAX_PATH + 8];
        snprintf(line, sizeof line, "\"%s\" \"%s\"", program, file);
        MODALCALL call{};
        call.kind = MODAL_LAUNCH;
        call.parent = hwnd;
        call.name = program;
        call.text = line;
        call.style = (UINT)show;
        call.run = RunCreateProcess;
        if (COMMONModal(&call) > 0)
            return 1;
    }
    TellNoBrowser(hwnd, file);
    return 0;
}

int ViewHTMLDocumentEx(HWND hwnd, const char *file, const char *, int maximised)
{
    return Launch(hwnd, NULL, file, NULL, "", maximised ? SW_MAXIMIZE : SW_SHOW) > 32;
}

static void ShowPage(HWND hwnd, const char *page, const char *topic)
{
    char anchor[MAX_PATH];
    snprintf(anchor, sizeof anchor, "#%s", topic ? topic : "");
    char file[PATHBUILDSIZE];
    lstrcpynA(file, AddApplicationPath(page), sizeof file);
    ViewHTMLDocument(hwnd, file, anchor, 1);
}

void DoTallixHelp(HWND hwnd, const char *topic) { ShowPage(hwnd, "html\\tallix.htm", topic); }
void DoHelp(HWND hwnd, const char *topic) { ShowPage(hwnd, "html\\referenc.htm", topic); }
void DoReference(HWND hwnd, const char *topic) { ShowPage(hwnd, "html\\referenc.htm", topic); }
void DoManual(HWND hwnd, const char *topic) { ShowPage(hwnd, "html\\manual.htm", topic); }

void COMMONSetApplicationPath()
{
    if (ApplicationPath[0])
        return;
    char module[MAX_PATH];
    DWORD n = GetModuleFileNameA(NULL, module, sizeof module);
    if (!n || n >= sizeof module)
        return;
    size_t folder = FolderLength(module);
    if (folder && folder < sizeof ApplicationPath) {
        memcpy(ApplicationPath, module, folder);
        ApplicationPath[folder] = 0;
    }
}
