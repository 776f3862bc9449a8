// Dialog controls bound to values through one table per dialog, kept in the
// dialog's GWL_USERDATA; and the fillers of combo and list boxes from one
// ";"-separated string.
#pragma once
#include <windows.h>

enum : unsigned long {
    DLGITEM_SPIN = 0x1,      // number with an up-down control of id + 10000
    DLGITEM_SIGNED = 0x2,
    DLGITEM_COMBO = 0x4,     // value: the ";"-separated items; wParam: the selection
    DLGITEM_CHECK = 0x10,
    DLGITEM_TEXT = 0x20,
    DLGITEM_SUBCLASS = 0x40,
    DLGITEM_TEXT2 = 0x80,
    DLGITEM_WRITEBACK = 0x100,
    DLGITEM_NUMBER = 0x200,
};

constexpr UINT COMMONDLGITEM_SETVALUE = WM_USER + 400;
constexpr UINT COMMONDLGITEM_GETVALUE = WM_USER + 401;

typedef int (*DLGITEMINIT)(HWND dlg, int id, unsigned wparam, long value);
typedef unsigned long (*DLGITEMGET)(HWND dlg, int id, unsigned wparam, long value);
typedef int (*DLGITEMSET)(HWND dlg, int id, unsigned long newvalue, unsigned wparam, long value);
typedef int (*DLGITEMCLOSE)(HWND dlg, int id, void *data, unsigned wparam, long value);

int COMMONDlgItemInitalize(HWND dlg, int id, unsigned long flags, unsigned wparam, long value,
                           DLGITEMINIT init, DLGITEMGET get, DLGITEMSET set, DLGITEMCLOSE close,
                           WNDPROC subclass, void *data);
long COMMONDlgItemGet(HWND dlg, int id, char *text, long max);
int COMMONDlgItemSet(HWND dlg, int id, unsigned long value);
int COMMONDlgItemGetAllValues(HWND dlg);
int COMMONDlgItemDeinitalize(HWND dlg);
LRESULT COMMONDlgItemSubclassGet(HWND dlg, int id);
int COMMONDlgItemCheckboxDeinit(HWND dlg, int id, void *data, unsigned wparam, long value);
int COMMONDlgItemSubclassDeinit(HWND dlg, int id, void *data, unsigned wparam, long value);

void FillComboBox(HWND combo, const char *list);
int FillListBox(HWND listbox, const char *list);
void ScreenToClientRect(HWND hwnd, RECT *rect);
