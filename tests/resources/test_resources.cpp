// What a user reads in both programs' resources: every dialog's texts fit
// their controls, every shortcut a menu shows is bound and drawn apart from
// its command, and every help topic the code opens has its anchor in the
// installed pages. The programs are read
// as they were built, so what is checked is what ships.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include "tests/support/testsupport.h"
#include <algorithm>
#include <cstring>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

std::string BesideTests(const char *name)
{
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(NULL, path, sizeof path);
    std::string s(path, n);
    return s.substr(0, s.find_last_of("\\/") + 1) + name;
}

struct Program {
    const char *file;
    HMODULE module;
};

class BuiltPrograms : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        for (Program &p : programs)
            p.module = LoadLibraryExA(BesideTests(p.file).c_str(), NULL, LOAD_LIBRARY_AS_DATAFILE);
    }
    static void TearDownTestSuite()
    {
        for (Program &p : programs)
            if (p.module)
                FreeLibrary(p.module);
    }
    void SetUp() override
    {
        for (Program &p : programs)
            ASSERT_TRUE(p.module) << p.file;
    }
    static Program programs[2];
};
Program BuiltPrograms::programs[2] = {{"showbuilder.exe", NULL}, {"showplayer.exe", NULL}};

std::string ResourceName(const char *name)
{
    return IS_INTRESOURCE(name) ? "#" + std::to_string((UINT_PTR)name) : std::string(name);
}

BOOL CALLBACK CollectName(HMODULE, LPCSTR, LPSTR name, LONG_PTR out)
{
    ((std::vector<std::string> *)out)->push_back(ResourceName(name));
    return TRUE;
}

std::vector<std::string> Names(HMODULE module, const char *type)
{
    std::vector<std::string> names;
    EnumResourceNamesA(module, type, CollectName, (LONG_PTR)&names);
    return names;
}

const void *Resource(HMODULE module, const std::string &name, const char *type, DWORD *size = nullptr)
{
    const char *id = name[0] == '#' ? MAKEINTRESOURCEA(std::stoi(name.substr(1))) : name.c_str();
    HRSRC found = FindResourceA(module, id, type);
    if (!found)
        return nullptr;
    if (size)
        *size = SizeofResource(module, found);
    return LockResource(LoadResource(module, found));
}

// ---- dialogs ----

INT_PTR CALLBACK InertDialog(HWND, UINT msg, WPARAM, LPARAM) { return msg == WM_INITDIALOG; }

// What a control needs to show its text whole, in its own font, or an empty
// size for controls whose text is not drawn as a caption.
struct Need {
    SIZE text{};
    int sparex = 0, sparey = 0; // what the control's frame or box takes
    bool checked = false;
};

SIZE Measure(HWND control, const std::string &text, UINT format, int width)
{
    HDC dc = GetDC(control);
    HGDIOBJ old = SelectObject(dc, (HFONT)SendMessageA(control, WM_GETFONT, 0, 0));
    RECT r{0, 0, width, 0};
    DrawTextA(dc, text.c_str(), -1, &r, format | DT_CALCRECT | DT_EXPANDTABS);
    SelectObject(dc, old);
    ReleaseDC(control, dc);
    return {r.right, r.bottom};
}

Need NeedOf(HWND control, int width)
{
    char cls[32] = "", buf[1024] = "";
    GetClassNameA(control, cls, sizeof cls);
    GetWindowTextA(control, buf, sizeof buf);
    std::string text = buf;
    LONG style = GetWindowLongA(control, GWL_STYLE);
    Need need;
    if (text.empty())
        return need;
    if (!lstrcmpiA(cls, "Static")) {
        UINT kind = style & SS_TYPEMASK;
        UINT prefix = style & SS_NOPREFIX ? DT_NOPREFIX : 0;
        if (kind == SS_LEFT || kind == SS_CENTER || kind == SS_RIGHT)
            need.text = Measure(control, text, DT_WORDBREAK | prefix, width);
        else if (kind == SS_LEFTNOWORDWRAP || kind == SS_SIMPLE)
            need.text = Measure(control, text, DT_SINGLELINE | prefix, width);
        else
            return need;
        need.checked = true;
    } else if (!lstrcmpiA(cls, "Button")) {
        UINT kind = style & BS_TYPEMASK;
        int box = GetSystemMetrics(SM_CXMENUCHECK);
        if (kind == BS_PUSHBUTTON || kind == BS_DEFPUSHBUTTON) {
            need.sparex = 8;
            need.sparey = 4;
        } else if (kind == BS_CHECKBOX || kind == BS_AUTOCHECKBOX || kind == BS_RADIOBUTTON ||
                   kind == BS_AUTORADIOBUTTON || kind == BS_3STATE || kind == BS_AUTO3STATE) {
            need.sparex = box + 4;
        } else if (kind == BS_GROUPBOX) {
            need.sparex = 16;
        } else {
            return need;
        }
        UINT lines = style & BS_MULTILINE ? DT_WORDBREAK : DT_SINGLELINE;
        need.text = Measure(control, text, lines, width - need.sparex);
        need.checked = true;
    }
    return need;
}

struct ChildList {
    HWND dialog;
    std::vector<HWND> children;
};

BOOL CALLBACK CollectChild(HWND child, LPARAM out)
{
    ChildList *list = (ChildList *)out;
    if (GetParent(child) == list->dialog)
        list->children.push_back(child);
    return TRUE;
}

// Every shown text of one template that does not fit, as readable lines.
std::vector<std::string> Clipped(HWND dialog)
{
    std::vector<std::string> faults;
    ChildList list{dialog, {}};
    EnumChildWindows(dialog, CollectChild, (LPARAM)&list);
    for (HWND child : list.children) {
        RECT r;
        GetClientRect(child, &r);
        Need need = NeedOf(child, r.right);
        if (!need.checked)
            continue;
        if (need.text.cx + need.sparex > r.right || need.text.cy + need.sparey > r.bottom) {
            char text[256] = "";
            GetWindowTextA(child, text, sizeof text);
            std::ostringstream s;
            s << "control " << GetDlgCtrlID(child) << " \"" << text << "\" needs " << need.text.cx + need.sparex
              << "x" << need.text.cy + need.sparey << " px, has " << r.right << "x" << r.bottom;
            faults.push_back(s.str());
        }
    }
    // A number field beside its arrows shows the largest number it takes.
    for (HWND child : list.children) {
        char cls[32] = "";
        GetClassNameA(child, cls, sizeof cls);
        if (lstrcmpiA(cls, UPDOWN_CLASSA))
            continue;
        HWND buddy = (HWND)SendMessageA(child, UDM_GETBUDDY, 0, 0);
        if (!buddy)
            continue;
        int low = 0, high = 0;
        SendMessageA(child, UDM_GETRANGE32, (WPARAM)&low, (LPARAM)&high);
        RECT r;
        GetClientRect(buddy, &r);
        DWORD margins = (DWORD)SendMessageA(buddy, EM_GETMARGINS, 0, 0);
        int room = r.right - LOWORD(margins) - HIWORD(margins) - 2;
        for (int value : {low, high}) {
            SIZE size = Measure(buddy, std::to_string(value), DT_SINGLELINE, 0);
            if (size.cx > room)
                faults.push_back("number field " + std::to_string(GetDlgCtrlID(buddy)) + " cannot show " +
                                 std::to_string(value) + ": needs " + std::to_string(size.cx) + " px, has " +
                                 std::to_string(room));
        }
    }
    return faults;
}

TEST_F(BuiltPrograms, EveryDialogTextFitsItsControl)
{
    // Child templates go into a parent dialog, as the file dialogs take them.
    HWND parent = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 600, 400, NULL, NULL, NULL, NULL);
    int opened = 0;
    for (const Program &p : programs) {
        for (const std::string &name : Names(p.module, RT_DIALOG)) {
            const DLGTEMPLATE *t = (const DLGTEMPLATE *)Resource(p.module, name, RT_DIALOG);
            ASSERT_TRUE(t) << name;
            HWND dialog = CreateDialogIndirectParamA(GetModuleHandleA(NULL), t, parent, InertDialog, 0);
            EXPECT_TRUE(dialog) << p.file << " " << name;
            if (!dialog)
                continue;
            opened++;
            for (const std::string &fault : Clipped(dialog))
                ADD_FAILURE() << p.file << " " << name << ": " << fault;
            DestroyWindow(dialog);
        }
    }
    DestroyWindow(parent);
    EXPECT_GE(opened, 20);
}

// An object's number reads the same in every dialog that shows it: a sunken,
// read-only field, from which it can be copied into another object's target.
TEST_F(BuiltPrograms, EveryObjectNumberShowsInAReadOnlyField)
{
    HWND parent = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 600, 400, NULL, NULL, NULL, NULL);
    int shown = 0;
    for (const Program &p : programs)
        for (const std::string &name : Names(p.module, RT_DIALOG)) {
            const DLGTEMPLATE *t = (const DLGTEMPLATE *)Resource(p.module, name, RT_DIALOG);
            HWND dialog = t ? CreateDialogIndirectParamA(GetModuleHandleA(NULL), t, parent, InertDialog, 0) : NULL;
            if (!dialog)
                continue;
            ChildList list{dialog, {}};
            EnumChildWindows(dialog, CollectChild, (LPARAM)&list);
            bool labelled = std::any_of(list.children.begin(), list.children.end(), [](HWND c) {
                char text[32] = "";
                GetWindowTextA(c, text, sizeof text);
                return !strcmp(text, "Number:");
            });
            if (labelled) {
                shown++;
                HWND field = GetDlgItem(dialog, 105);
                char cls[32] = "";
                GetClassNameA(field, cls, sizeof cls);
                LONG style = GetWindowLongA(field, GWL_STYLE), ex = GetWindowLongA(field, GWL_EXSTYLE);
                bool sunken = (style & WS_BORDER) || (ex & WS_EX_CLIENTEDGE);
                EXPECT_TRUE(!lstrcmpiA(cls, "Edit") && (style & ES_READONLY) && sunken)
                    << p.file << " " << name << ": the number is in a " << (sunken ? "sunken " : "flat ") << cls;
            }
            DestroyWindow(dialog);
        }
    DestroyWindow(parent);
    EXPECT_GE(shown, 15);
}

// ---- menus and accelerators ----

struct Key {
    WORD vk;
    BYTE modifiers; // FCONTROL | FSHIFT | FALT
    bool operator<(const Key &o) const { return vk != o.vk ? vk < o.vk : modifiers < o.modifiers; }
};

// "Ctrl+Ins" as a key, or vk 0 for a name this reader does not know.
Key ParseKey(std::string name)
{
    static const std::pair<const char *, BYTE> mods[] = {{"Ctrl+", FCONTROL}, {"Shift+", FSHIFT}, {"Alt+", FALT}};
    static const std::map<std::string, WORD> keys = {{"Del", VK_DELETE},   {"Ins", VK_INSERT},  {"Backspace", VK_BACK},
                                                     {"Enter", VK_RETURN}, {"Tab", VK_TAB},     {"Esc", VK_ESCAPE},
                                                     {"Home", VK_HOME},    {"End", VK_END},     {"Space", VK_SPACE}};
    Key key{0, 0};
    for (bool more = true; more;) {
        more = false;
        for (auto [text, flag] : mods)
            if (name.rfind(text, 0) == 0) {
                key.modifiers |= flag;
                name.erase(0, strlen(text));
                more = true;
            }
    }
    if (name.size() == 1 && isalnum((unsigned char)name[0]))
        key.vk = (WORD)toupper((unsigned char)name[0]);
    else if (name.size() >= 2 && name[0] == 'F' && isdigit((unsigned char)name[1]))
        key.vk = (WORD)(VK_F1 + std::stoi(name.substr(1)) - 1);
    else if (auto k = keys.find(name); k != keys.end())
        key.vk = k->second;
    return key;
}

struct Shown {
    std::string label;
    UINT id;
};

void WalkMenu(HMENU menu, std::vector<Shown> &out)
{
    for (int i = 0, n = GetMenuItemCount(menu); i < n; i++) {
        char label[256] = "";
        MENUITEMINFOA info{sizeof info};
        info.fMask = MIIM_ID | MIIM_SUBMENU | MIIM_STRING;
        info.dwTypeData = label;
        info.cch = sizeof label;
        GetMenuItemInfoA(menu, (UINT)i, TRUE, &info);
        if (info.hSubMenu)
            WalkMenu(info.hSubMenu, out);
        else if (label[0])
            out.push_back({label, info.wID});
    }
}

TEST_F(BuiltPrograms, EveryShortcutAMenuShowsIsBound)
{
    int shortcuts = 0;
    for (const Program &p : programs) {
        std::map<Key, WORD> bound;
        for (const std::string &name : Names(p.module, RT_ACCELERATOR)) {
            DWORD size = 0;
            const ACCEL *entry = (const ACCEL *)Resource(p.module, name, RT_ACCELERATOR, &size);
            // Each entry is flags, key, command and a pad word; the last is flagged 0x80.
            for (DWORD i = 0; entry && i < size / 8; i++) {
                const WORD *w = (const WORD *)entry + 4 * i;
                BYTE flags = (BYTE)w[0];
                if (flags & FVIRTKEY)
                    bound[{w[1], (BYTE)(flags & (FCONTROL | FSHIFT | FALT))}] = w[2];
                if (flags & 0x80)
                    break;
            }
        }
        for (const std::string &name : Names(p.module, RT_MENU)) {
            // The script editor's menu shows the keys its edit control
            // serves by itself (Shift+Delete, Ctrl+Insert...), which no
            // accelerator table binds.
            if (name == "APPLETMENU")
                continue;
            HMENU menu = LoadMenuA(p.module, name[0] == '#' ? MAKEINTRESOURCEA(std::stoi(name.substr(1))) : name.c_str());
            ASSERT_TRUE(menu) << name;
            std::vector<Shown> items;
            WalkMenu(menu, items);
            DestroyMenu(menu);
            for (const Shown &item : items) {
                size_t tab = item.label.find('\t');
                if (tab == std::string::npos)
                    continue;
                // "Ctrl+X (Shift+Del)": each key named, in or out of brackets.
                std::string keys = item.label.substr(tab + 1);
                for (char &c : keys)
                    if (c == '(' || c == ')')
                        c = ' ';
                std::istringstream words(keys);
                for (std::string word; words >> word;) {
                    shortcuts++;
                    Key key = ParseKey(word);
                    ASSERT_NE(key.vk, 0) << "unknown key name " << word << " in " << item.label;
                    auto found = bound.find(key);
                    if (found == bound.end())
                        ADD_FAILURE() << p.file << " " << name << ": " << word << " of \"" << item.label
                                      << "\" is not bound";
                    else
                        EXPECT_EQ(found->second, item.id) << word << " of \"" << item.label << "\"";
                }
            }
        }
    }
    EXPECT_GE(shortcuts, 10);
}

// ---- menus as drawn ----

// What one open popup shows: its items' rows on the screen.
struct OpenMenu {
    HMENU menu = NULL;
    bool seen = false;
    sbtest::Capture shot;
    std::vector<RECT> rows; // each item's rectangle in the capture
};
OpenMenu *opening;

LRESULT CALLBACK MenuOwnerProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    // The popup is up and drawn once the menu loop has nothing left to do.
    if (msg == WM_ENTERIDLE && wParam == MSGF_MENU && opening && !opening->seen) {
        HWND popup = (HWND)lParam;
        UpdateWindow(popup);
        opening->shot = sbtest::CaptureClient(popup);
        for (int i = 0, n = GetMenuItemCount(opening->menu); i < n; i++) {
            RECT r{};
            GetMenuItemRect(NULL, opening->menu, (UINT)i, &r);
            MapWindowPoints(NULL, popup, (POINT *)&r, 2);
            opening->rows.push_back(r);
        }
        opening->seen = true;
        EndMenu();
        return 0;
    }
    if (msg == WM_TIMER && wParam == 1) {
        KillTimer(hwnd, 1);
        EndMenu();
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

// Opens the popup at the top left of the screen and takes what it shows,
// within a bound that fails the test.
OpenMenu Open(HWND owner, HMENU menu, const std::string &name)
{
    OpenMenu open;
    open.menu = menu;
    opening = &open;
    SetForegroundWindow(owner);
    SetTimer(owner, 1, 20000, NULL);
    TrackPopupMenu(menu, TPM_LEFTALIGN | TPM_TOPALIGN, 0, 0, 0, owner, NULL);
    KillTimer(owner, 1);
    opening = nullptr;
    EXPECT_TRUE(open.seen) << "the popup " << name << " never showed";
    return open;
}

// The first and last columns of a row that differ from the menu's own
// background, or an empty range.
std::pair<int, int> Inked(const sbtest::Capture &shot, const RECT &row)
{
    COLORREF back = GetSysColor(COLOR_MENU);
    int first = -1, last = -1;
    for (int x = std::max(0, (int)row.left); x < std::min(shot.width, (int)row.right); x++)
        for (int y = std::max(0, (int)row.top); y < std::min(shot.height, (int)row.bottom); y++)
            if (shot.At(x, y) != back) {
                if (first < 0)
                    first = x;
                last = x;
                break;
            }
    return {first, last + 1};
}

int TextWidth(HDC dc, const std::string &text)
{
    RECT r{0, 0, 0, 0};
    DrawTextA(dc, text.c_str(), -1, &r, DT_SINGLELINE | DT_CALCRECT);
    return r.right;
}

// Every popup of a menu, the whole tree, with a name for messages.
void Popups(HMENU menu, const std::string &name, std::vector<std::pair<HMENU, std::string>> &out)
{
    for (int i = 0, n = GetMenuItemCount(menu); i < n; i++)
        if (HMENU sub = GetSubMenu(menu, i)) {
            char label[128] = "";
            GetMenuStringA(menu, (UINT)i, label, sizeof label, MF_BYPOSITION);
            out.push_back({sub, name + " " + label});
            Popups(sub, name + " " + label, out);
        }
}

// A shortcut stands apart from its command, by at least an average letter,
// in every popup of both programs as the system draws them.
TEST_F(BuiltPrograms, EveryMenuShortcutStandsApartFromItsCommand)
{
    HWND owner = sbtest::CreateTestWindow(true, 100, 100, MenuOwnerProc, "menus");
    NONCLIENTMETRICSA metrics{};
    metrics.cbSize = sizeof metrics;
    SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
    HFONT font = CreateFontIndirectA(&metrics.lfMenuFont);
    HDC dc = GetDC(owner);
    HGDIOBJ old = SelectObject(dc, font);
    TEXTMETRICA tm{};
    GetTextMetricsA(dc, &tm);
    int checked = 0;
    for (const Program &p : programs) {
        for (const std::string &name : Names(p.module, RT_MENU)) {
            HMENU menu = LoadMenuA(p.module, name[0] == '#' ? MAKEINTRESOURCEA(std::stoi(name.substr(1))) : name.c_str());
            ASSERT_TRUE(menu) << name;
            std::vector<std::pair<HMENU, std::string>> popups;
            Popups(menu, std::string(p.file) + " " + name, popups);
            for (auto &[popup, where] : popups) {
                OpenMenu open = Open(owner, popup, where);
                std::string shot = "menu " + where;
                shot.erase(std::remove(shot.begin(), shot.end(), '&'), shot.end());
                std::replace(shot.begin(), shot.end(), ' ', '-');
                sbtest::Snapshot(open.shot, shot.c_str());
                for (int i = 0; i < (int)open.rows.size(); i++) {
                    char text[256] = "";
                    GetMenuStringA(popup, (UINT)i, text, sizeof text, MF_BYPOSITION);
                    std::string label = text;
                    size_t tab = label.find('\t');
                    if (tab == std::string::npos)
                        continue;
                    std::string command = label.substr(0, tab);
                    while (!command.empty() && command.back() == ' ')
                        command.pop_back();
                    std::string keys = label.substr(tab + 1);
                    auto [first, last] = Inked(open.shot, open.rows[i]);
                    // The command starts the row and the shortcut ends it.
                    int gap = (last - TextWidth(dc, keys)) - (first + TextWidth(dc, command));
                    EXPECT_GE(gap, tm.tmAveCharWidth) << where << ": \"" << command << "\" and \"" << keys << "\"";
                    checked++;
                }
            }
            DestroyMenu(menu);
        }
    }
    SelectObject(dc, old);
    ReleaseDC(owner, dc);
    DeleteObject(font);
    DestroyWindow(owner);
    EXPECT_GE(checked, 15);
}

} // namespace
