// Snapping to the page editor's grid, and the grid settings dialog.
#include "editor/grid.h"
#include "common/dialog.h"
#include "common/modal.h"
#include "common/msgdlg.h"
#include "common/services.h"
#include "editor/shell.h"
#include "resources/pageeditor_ids.h"
#include <commctrl.h>

namespace {

// The nearer grid line; half-way goes to the lower one. Negative values
// snap the same way as positive ones, to the nearer line.
LONG Snap(LONG v, LONG f)
{
    LONG r = v % f;
    if (r < 0)
        r += f;
    return r <= f - r ? v - r : v - r + f;
}

LONG Frequency()
{
    // A zero or negative spacing from the configuration file snaps to pixels.
    return GridFrequency > 0 ? GridFrequency : 1;
}

} // namespace

int DoGrid(HWND window, POINT *point)
{
    if (!GridUse)
        return 0;
    ScreenToClient(window, point);
    LONG f = Frequency();
    point->x = Snap(point->x, f);
    point->y = Snap(point->y, f);
    ClientToScreen(window, point);
    return 1;
}

int DoGridRect(HWND window, RECT *rect, int handle)
{
    if (!GridUse)
        return 0;
    if (handle < 0 || handle > 8)
        return 1;
    // The corner that the handle drags (left/top unless it names the other side).
    bool right = handle == 3 || handle == 4 || handle == 5;
    bool bottom = handle >= 4 && handle <= 7;
    POINT p{right ? rect->right : rect->left, bottom ? rect->bottom : rect->top};
    POINT before = p;
    ClientToScreen(window, &p);
    DoGrid(window, &p);
    ScreenToClient(window, &p);
    LONG dx = p.x - before.x, dy = p.y - before.y;
    switch (handle) {
    case 0:
        OffsetRect(rect, dx, dy);
        break;
    case 1:
        rect->left += dx;
        rect->top += dy;
        break;
    case 2:
        rect->top += dy;
        break;
    case 3:
        rect->right += dx;
        rect->top += dy;
        break;
    case 4:
        rect->right += dx;
        break;
    case 5:
        rect->right += dx;
        rect->bottom += dy;
        break;
    case 6:
        rect->bottom += dy;
        break;
    case 7:
        rect->left += dx;
        rect->bottom += dy;
        break;
    case 8:
        rect->left += dx;
        break;
    }
    return 1;
}

INT_PTR CALLBACK SetGridProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam)
{
    INT_PTR answer;
    GRIDSETTINGS *grid;
    if (DialogOpening(dlg, msg, wParam, lParam, &answer, &grid))
        return answer;
    switch (msg) {
    case WM_INITDIALOG:
        SetFocus(GetDlgItem(dlg, IDOK));
        BindSpinControl(GetDlgItem(dlg, IDC_GRIDSIZE + 10000));
        SetDlgItemInt(dlg, IDC_GRIDSIZE, (UINT)grid->frequency, FALSE);
        CheckDlgButton(dlg, IDC_GRIDSNAP, grid->use ? BST_CHECKED : BST_UNCHECKED);
        CheckDlgButton(dlg, IDC_GRIDSHOW, grid->show ? BST_CHECKED : BST_UNCHECKED);
        CentreWindow(dlg);
        return FALSE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK) {
            grid->use = IsDlgButtonChecked(dlg, IDC_GRIDSNAP) == BST_CHECKED;
            grid->show = IsDlgButtonChecked(dlg, IDC_GRIDSHOW) == BST_CHECKED;
            // Clamped to the up-down's range; what is no number becomes 1.
            grid->frequency = GetSpinValue(dlg, IDC_GRIDSIZE);
            if (grid->frequency < 1)
                grid->frequency = 1;
            EndDialog(dlg, 1);
            return TRUE;
        }
        break;
    }
    return FALSE;
}

int SetGrid(HWND window)
{
    GRIDSETTINGS grid{GridUse, GridShow, GridFrequency};
    if (COMMONDialogBox(hInst, "SetGridBox", window, SetGridProc, (LPARAM)&grid, nullptr) != 1)
        return 0;
    GridUse = grid.use;
    GridShow = grid.show;
    GridFrequency = grid.frequency;
    return 1;
}
