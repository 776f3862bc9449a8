// The photo album wizard's property sheet and its pages of choices: the
// pages edit one WIZARDPARAM in place, the sample on each page follows every
// change, and Finish keeps the settings and builds the album.
#include "tools/wizard.h"
#include "common/fontdlg.h"
#include "common/guard.h"
#include "common/modal.h"
#include "common/msgdlg.h"
#include "common/shell.h"
#include "common/strings.h"
#include "common/windowvalue.h"
#include "editor/shell.h"
#include "editor/tipfolder.h"
#include "media/filedialogs.h"
#include "media/imageformat.h"
#include "resources/resource.h"
#include "resources/wizard_ids.h"
#include <commctrl.h>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

static const char defaultcovertext[] = "My Photograph Album";

static void CopyFace(char (&out)[33], const char *face)
{
    snprintf(out, sizeof out, "%s", face);
}

void WizardOpenRecord(WIZARDPARAM *w)
{
    memset(w, 0, sizeof *w);
    w->colourscheme = WizardDefaultColourscheme;
    w->dimensions = WizardDefaultDimensions;
    w->coverstyle = WizardDefaultCoverStyle;
    if ((w->covertext = (char *)calloc(36, 1)))
        strcpy(w->covertext, defaultcovertext);
    CopyFace(w->coverfontname, WizardCoverFontName);
    w->covertextsize = WizardCoverTextSize;
    w->covertextweight = WizardCoverTextWeight;
    w->covertextital = WizardCoverTextItal;
    w->coverpicture = WizardMakeSamplePicture();
    w->coverresize = WizardTitleResize;
    w->coverpreserveaspect = WizardTitlePreserveAspect;
    w->coverframesize = WizardTitleFrameSize;
    w->insideresize = WizardInsideResize;
    w->insidestyle = WizardDefaultInsideStyle;
    w->insidepreserveaspect = WizardInsidePreserveAspect;
    w->insidesample = WizardMakeSamplePicture();
    CopyFace(w->insidefontname, WizardInsideFontName);
    w->insidetextsize = WizardInsideTextSize;
    w->insidetextweight = WizardInsideTextWeight;
    w->insidetextital = WizardInsideTextItal;
    w->insideframesize = WizardInsideFrameSize;
}

void WizardCloseRecord(WIZARDPARAM *w)
{
    free(w->covertext);
    free(w->pictures);
    w->covertext = w->pictures = nullptr;
    for (HGLOBAL *h : {&w->coverpicture, &w->insidesample, &w->previewpicture}) {
        if (*h)
            GlobalFree(*h);
        *h = NULL;
    }
}

void WizardStoreSettings(const WIZARDPARAM *w)
{
    WizardDefaultColourscheme = w->colourscheme;
    WizardDefaultDimensions = w->dimensions;
    WizardCoverTextSize = w->covertextsize;
    WizardCoverTextWeight = w->covertextweight == 700 ? 700 : 400;
    WizardCoverTextItal = w->covertextital;
    WizardDefaultCoverStyle = w->coverstyle;
    WizardDefaultInsideStyle = w->insidestyle;
    WizardInsideTextSize = w->insidetextsize;
    WizardInsideTextWeight = w->insidetextweight == 700 ? 700 : 400;
    WizardInsideTextItal = w->insidetextital;
    WizardTitleResize = w->coverresize;
    WizardInsideResize = w->insideresize;
    WizardTitlePreserveAspect = w->coverpreserveaspect;
    WizardInsidePreserveAspect = w->insidepreserveaspect;
    WizardInsideFrameSize = w->insideframesize;
    WizardTitleFrameSize = w->coverframesize;
    snprintf(WizardCoverFontName, SETTINGTEXT, "%s", w->coverfontname);
    snprintf(WizardInsideFontName, SETTINGTEXT, "%s", w->insidefontname);
}

static INT_PTR RunSheet(const MODALCALL *call)
{
    return PropertySheetA((PROPSHEETHEADERA *)call->data);
}

int DoPhotoAlbumWizard(HWND window)
{
    InitCommonControls();
    WIZARDPARAM wizard;
    WizardOpenRecord(&wizard);

    PROPSHEETPAGEA pages[WIZARDPAGES];
    for (int i = 0; i < WIZARDPAGES; i++) {
        PROPSHEETPAGEA &p = pages[i];
        memset(&p, 0, sizeof p);
        p.dwSize = sizeof p;
        p.dwFlags = PSP_USETITLE;
        p.hInstance = hInst;
        p.pszTemplate = wizardpage[i].templ;
        p.pfnDlgProc = wizardpage[i].proc;
        p.pszTitle = wizardpage[i].title;
        p.lParam = (LPARAM)&wizard;
    }
    PROPSHEETHEADERA sheet{};
    sheet.dwSize = sizeof sheet;
    sheet.dwFlags = PSH_WIZARD | PSH_PROPSHEETPAGE | PSH_NOAPPLYNOW;
    sheet.hwndParent = window;
    sheet.hInstance = hInst;
    sheet.pszCaption = "Photo Album Wizard";
    sheet.nPages = WIZARDPAGES;
    sheet.nStartPage = 0;
    sheet.ppsp = pages;

    MODALCALL call{};
    call.kind = MODAL_DIALOG;
    call.parent = window;
    call.instance = hInst;
    call.caption = sheet.pszCaption;
    call.data = &sheet;
    call.run = RunSheet;
    COMMONModal(&call);
    if (window)
        RedrawWindow(window, NULL, NULL, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);

    int finished = wizard.finished;
    if (finished) {
        WizardStoreSettings(&wizard);
        WizardCreatePresentation(window, &wizard);
    }
    WizardCloseRecord(&wizard);
    return finished;
}

// --- what every page shares --------------------------------------------------

DWORD WizardButtons(int number)
{
    if (number == 0)
        return PSWIZB_NEXT;
    if (number == WIZARDPAGES - 1)
        return PSWIZB_BACK | PSWIZB_FINISH;
    return PSWIZB_BACK | PSWIZB_NEXT;
}

static WIZARDPARAM *Record(HWND page)
{
    return GetWindowValue<WIZARDPARAM *>(page, DWLP_USER);
}

static void Answer(HWND page, LRESULT value, INT_PTR *answer)
{
    SetWindowValue(page, DWLP_MSGRESULT, value);
    *answer = TRUE;
}

// What every page does with the sheet's notifications and its owner-drawn
// controls; true when the message is answered with *answer.
static bool WizardPageMessage(HWND page, UINT msg, LPARAM lParam, int number, INT_PTR *answer)
{
    switch (msg) {
    case WM_INITDIALOG:
        SetWindowValue(page, DWLP_USER, ((const PROPSHEETPAGEA *)lParam)->lParam);
        return false; // the page goes on with its own controls
    case WM_DESTROY:
        SetWindowValue<WIZARDPARAM *>(page, DWLP_USER, nullptr);
        return false;
    case WM_NOTIFY: {
        const NMHDR *n = (const NMHDR *)lParam;
        WIZARDPARAM *w = Record(page);
        if (n->code == PSN_SETACTIVE) {
            PostMessageA(GetParent(page), PSM_SETWIZBUTTONS, 0, WizardButtons(number));
            if (number == 5)
                PostMessageA(page, WMU_WIZARDUPDATEBUTTONS, 0, 0);
            Answer(page, 0, answer);
            return true;
        }
        if (n->code == PSN_WIZFINISH) {
            if (w)
                w->finished = 1;
            Answer(page, 0, answer);
            return true;
        }
        return false;
    }
    case WM_DRAWITEM: {
        const DRAWITEMSTRUCT *item = (const DRAWITEMSTRUCT *)lParam;
        WIZARDPARAM *w = Record(page);
        if (!DrawOrnament(item, WIZARDORNAMENT) && w && number >= 1 && number <= 5)
            WizardDrawSamplePage(page, item, w, number <= 3 ? 1 : 2);
        *answer = TRUE;
        return true;
    }
    }
    return false;
}

static void RepaintSample(HWND page)
{
    InvalidateRect(GetDlgItem(page, IDC_WIZSAMPLE), NULL, FALSE);
}

static void FillList(HWND page, int id, const char *const *names, int count, int stride, int current)
{
    HWND list = GetDlgItem(page, id);
    for (int i = 0; i < count; i++)
        SendMessageA(list, LB_ADDSTRING, 0, (LPARAM) * (const char *const *)((const char *)names + i * stride));
    SendMessageA(list, LB_SETCURSEL, (WPARAM)current, 0);
}

// The selected row of a list clamped into its table: no selection is row 0.
static int ListRow(HWND page, int id, int count)
{
    LRESULT row = SendDlgItemMessageA(page, id, LB_GETCURSEL, 0, 0);
    return std::clamp((int)row, 0, count - 1);
}

// An up-down control takes its range from its own text, "minimum,maximum,start";
// the field's value is written over the start.
void WizardSetUpDown(HWND page, int field, int value)
{
    HWND spin = GetDlgItem(page, field + IDC_WIZSPIN);
    char text[64] = "";
    GetWindowTextA(spin, text, sizeof text);
    int minimum = 0, maximum = 100, start = 0;
    sscanf(text, "%d,%d,%d", &minimum, &maximum, &start);
    SendMessageA(spin, UDM_SETRANGE32, (WPARAM)minimum, (LPARAM)maximum);
    SetDlgItemInt(page, field, (UINT)value, FALSE);
    SendMessageA(spin, UDM_SETPOS32, 0, (LPARAM)value);
}

// A field read back as an unsigned number within its up-down control's range.
int WizardReadUpDown(HWND page, int field)
{
    char text[64] = "";
    GetWindowTextA(GetDlgItem(page, field + IDC_WIZSPIN), text, sizeof text);
    int minimum = 0, maximum = 100, start = 0;
    sscanf(text, "%d,%d,%d", &minimum, &maximum, &start);
    BOOL ok = FALSE;
    unsigned value = GetDlgItemInt(page, field, &ok, FALSE);
    return (int)std::clamp<long long>(value, minimum, maximum);
}

static void ChooseFace(HWND page, char (&face)[33], int *weight, int *italic, int *size)
{
    char chosen[261];
    snprintf(chosen, sizeof chosen, "%s", face);
    int w = *weight, i = *italic, s = *size;
    if (!ChooseFontA(page, chosen, &w, &i, &s, 4, 256))
        return;
    CopyFace(face, chosen);
    *weight = w;
    *italic = i;
    *size = s;
    RepaintSample(page);
}

static void SelectCoverPicture(HWND page, WIZARDPARAM *w)
{
    char path[MULTIPLEFILEBUFFER];
    GetOpenPath(path);
    if (!GetOpenImageFileName(page, path))
        return;
    SetOpenPath(path);
    HGLOBAL picture = LoadImageA(NULL, path, NULL, NULL);
    if (!picture) {
        DoMessage(page, FetchString(IDS_ERRREAD));
        return;
    }
    if (w->coverpicture)
        GlobalFree(w->coverpicture);
    w->coverpicture = picture;
    RepaintSample(page);
}

static void TakeCoverText(HWND page, WIZARDPARAM *w)
{
    HWND edit = GetDlgItem(page, IDC_WIZCOVERTEXT);
    int length = GetWindowTextLengthA(edit);
    char *text = (char *)calloc((size_t)length + 16, 1);
    if (!text)
        return; // the old text stays
    GetWindowTextA(edit, text, length + 1);
    free(w->covertext);
    w->covertext = text;
    RepaintSample(page);
}

static void Check(HWND page, int id, int on)
{
    CheckDlgButton(page, id, on ? BST_CHECKED : BST_UNCHECKED);
}

static int Checked(HWND page, int id)
{
    return IsDlgButtonChecked(page, id) == BST_CHECKED;
}

// A choice from one of a page's lists: the row into `field`, and the sample
// follows.
static void TakeListRow(HWND page, WPARAM wParam, int list, int count, int *field)
{
    if (HIWORD(wParam) == LBN_SELCHANGE) {
        *field = ListRow(page, list, count);
        RepaintSample(page);
    }
}

// What a page of one list chooses from, and the record's field that keeps
// the row.
struct LISTCHOICE {
    int list;
    const char *const *names;
    int count, stride;
    int WIZARDPARAM::*field;
};

static INT_PTR ListPage(HWND page, UINT msg, WPARAM wParam, WIZARDPARAM *w, const LISTCHOICE &choice)
{
    if (msg == WM_INITDIALOG) {
        FillList(page, choice.list, choice.names, choice.count, choice.stride, w->*choice.field);
        return TRUE;
    }
    if (msg == WM_COMMAND && LOWORD(wParam) == choice.list)
        TakeListRow(page, wParam, choice.list, choice.count, &(w->*choice.field));
    return FALSE;
}

// --- the pages ----------------------------------------------------------------

static INT_PTR SchemePage(HWND page, UINT msg, WPARAM wParam, LPARAM, WIZARDPARAM *w)
{
    static const LISTCHOICE schemes{IDC_WIZSCHEMELIST, &wizardcolorscheme[0].name, WIZARDSCHEMES,
                                    sizeof(WIZARDCOLORSCHEME), &WIZARDPARAM::colourscheme};
    return ListPage(page, msg, wParam, w, schemes);
}

static INT_PTR SizePage(HWND page, UINT msg, WPARAM wParam, LPARAM, WIZARDPARAM *w)
{
    static const LISTCHOICE sizes{IDC_WIZSIZELIST, &wizarddimension[0].name, WIZARDDIMENSIONS,
                                  sizeof(WIZARDDIMENSION), &WIZARDPARAM::dimensions};
    return ListPage(page, msg, wParam, w, sizes);
}

void WizardShowFit(HWND page, const WIZARDFIT &fit)
{
    Check(page, IDC_WIZRESIZE, *fit.resize);
    Check(page, IDC_WIZPRESERVE, *fit.preserve);
    WizardSetUpDown(page, IDC_WIZFRAME, *fit.frame);
}

bool WizardFitCommand(HWND page, WPARAM wParam, const WIZARDFIT &fit)
{
    switch (LOWORD(wParam)) {
    case IDC_WIZRESIZE:
        *fit.resize = Checked(page, IDC_WIZRESIZE);
        break;
    case IDC_WIZPRESERVE:
        *fit.preserve = Checked(page, IDC_WIZPRESERVE);
        break;
    case IDC_WIZFRAME:
        if (HIWORD(wParam) != EN_CHANGE)
            return true;
        *fit.frame = WizardReadUpDown(page, IDC_WIZFRAME);
        break;
    default:
        return false;
    }
    RepaintSample(page);
    return true;
}

// What the cover and the inside page both offer: a list of styles, the time
// a page shows and the font of its text.
struct DESIGN {
    int list;
    const char *const *styles;
    int count;
    int *style, *time;
    char (*face)[33];
    int *weight, *italic, *size;
};

static DESIGN CoverDesign(WIZARDPARAM *w)
{
    return {IDC_WIZCOVERLIST, wizardcoverstyle, WIZARDCOVERSTYLES, &w->coverstyle, &w->covertime, &w->coverfontname,
            &w->covertextweight, &w->covertextital, &w->covertextsize};
}

static DESIGN InsideDesign(WIZARDPARAM *w)
{
    return {IDC_WIZINSIDELIST, wizardinsidestyle, WIZARDINSIDESTYLES, &w->insidestyle, &w->insidetime,
            &w->insidefontname, &w->insidetextweight, &w->insidetextital, &w->insidetextsize};
}

static void ShowDesign(HWND page, const DESIGN &d)
{
    FillList(page, d.list, d.styles, d.count, sizeof(char *), *d.style);
    WizardSetUpDown(page, IDC_WIZTIME, *d.time);
}

static void DesignCommand(HWND page, WPARAM wParam, const DESIGN &d)
{
    int id = LOWORD(wParam);
    if (id == d.list)
        TakeListRow(page, wParam, d.list, d.count, d.style);
    else if (id == IDC_WIZTIME && HIWORD(wParam) == EN_CHANGE)
        *d.time = WizardReadUpDown(page, IDC_WIZTIME);
    else if (id == IDC_WIZSELECTFONT)
        ChooseFace(page, *d.face, d.weight, d.italic, d.size);
}

static INT_PTR CoverPage(HWND page, UINT msg, WPARAM wParam, LPARAM, WIZARDPARAM *w)
{
    if (msg == WM_INITDIALOG) {
        ShowDesign(page, CoverDesign(w));
        SetDlgItemTextA(page, IDC_WIZCOVERTEXT, w->covertext ? w->covertext : "");
        WizardShowFit(page, {&w->coverresize, &w->coverpreserveaspect, &w->coverframesize});
        return TRUE;
    }
    if (msg != WM_COMMAND)
        return FALSE;
    switch (LOWORD(wParam)) {
    case IDC_WIZCOVERTEXT:
        if (HIWORD(wParam) == EN_CHANGE)
            TakeCoverText(page, w);
        break;
    case IDC_WIZSELECTPICTURE:
        SelectCoverPicture(page, w);
        break;
    default:
        if (!WizardFitCommand(page, wParam, {&w->coverresize, &w->coverpreserveaspect, &w->coverframesize}))
            DesignCommand(page, wParam, CoverDesign(w));
    }
    return FALSE;
}

static INT_PTR InsidePage(HWND page, UINT msg, WPARAM wParam, LPARAM, WIZARDPARAM *w)
{
    if (msg == WM_INITDIALOG)
        ShowDesign(page, InsideDesign(w));
    else if (msg == WM_COMMAND)
        DesignCommand(page, wParam, InsideDesign(w));
    return msg == WM_INITDIALOG;
}

// Each page's own part; the first and the last are text alone.
static const WIZARDPAGEPART pagepart[WIZARDPAGES] = {nullptr,    SchemePage,         SizePage, CoverPage,
                                                     InsidePage, WizardPicturesPage, nullptr};

static INT_PTR PageMessage(HWND page, UINT msg, WPARAM wParam, LPARAM lParam, int number)
{
    INT_PTR answer = FALSE;
    if (WizardPageMessage(page, msg, lParam, number, &answer))
        return answer;
    if (!pagepart[number])
        return msg == WM_INITDIALOG;
    WIZARDPARAM *w = Record(page);
    return w ? pagepart[number](page, msg, wParam, lParam, w) : FALSE;
}

INT_PTR WizardPageProc(HWND page, UINT msg, WPARAM wParam, LPARAM lParam, int number)
{
    return COMMONGuard(page, msg, [&] { return PageMessage(page, msg, wParam, lParam, number); });
}
