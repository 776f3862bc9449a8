// The photo album wizard: seven pages of choices held in one record, a
// miniature of the page they make, and the builder that turns them into a
// new document of a cover and one page per picture.
#pragma once
#include <windows.h>

#pragma pack(push, 1)
struct WIZARDPARAM {
    int colourscheme;      // row of wizardcolorscheme
    int dimensions;        // row of wizarddimension
    int coverstyle;        // row of wizardcoverstyle
    char *covertext;       // scratch buffer the record owns; may be null
    char coverfontname[33];
    int covertextsize;
    int covertextweight;
    int covertextital;
    HGLOBAL coverpicture;  // packed DIB
    int coverresize;
    int coverpreserveaspect;
    int covertime;         // seconds, 0 = never
    int coverframesize;    // 0 = no frame
    int insideresize;
    int insidestyle;       // row of wizardinsidestyle
    int insidepreserveaspect;
    HGLOBAL insidesample;  // the built-in sample picture of the picture pages
    HGLOBAL previewpicture;// the picture selected in the list; null when none
    char previewpath[261];
    char insidefontname[33];
    int insidetextsize;
    int insidetextweight;
    int insidetextital;
    int insidetime;
    int insideframesize;
    char *pictures;        // paths each ended by NUL, then an empty one; null while empty
    int finished;
};
#pragma pack(pop)

struct WIZARDCOLORSCHEME {
    const char *name;
    COLORREF background; // page background and the inside of every frame
    COLORREF text;       // cover text and captions
    COLORREF secondary;  // a frame's top and left edges
    COLORREF primary;    // a frame's bottom and right edges
};

struct WIZARDDIMENSION {
    const char *name;
    int width, height;
    int orientation; // bit 0 set: landscape
};

struct WIZARDPAGE {
    const char *title;
    const char *templ;
    DLGPROC proc;
};

constexpr int WIZARDSCHEMES = 18, WIZARDDIMENSIONS = 16, WIZARDCOVERSTYLES = 5, WIZARDINSIDESTYLES = 3;
constexpr int WIZARDPAGES = 7;
extern const WIZARDCOLORSCHEME wizardcolorscheme[WIZARDSCHEMES];
extern const WIZARDDIMENSION wizarddimension[WIZARDDIMENSIONS];
extern const char *const wizardcoverstyle[WIZARDCOVERSTYLES];
extern const char *const wizardinsidestyle[WIZARDINSIDESTYLES];
extern const WIZARDPAGE wizardpage[WIZARDPAGES];

// Controls every page shares, and the private messages of the pictures page.
constexpr int IDC_WIZARDSAMPLE = 102;
constexpr int IDC_WIZARDSTRIP = 1024;
constexpr UINT WMU_WIZARDREBUILDLIST = WM_USER + 101;
constexpr UINT WMU_WIZARDUPDATEBUTTONS = WM_USER + 105;
// The decorative strip's own drawing.
constexpr int WIZARDORNAMENT = 7022;

// Runs the wizard over the frame window; 1 when the user pressed Finish.
int DoPhotoAlbumWizard(HWND window);
// Fills and frees the record the way the wizard does around its pages.
void WizardOpenRecord(WIZARDPARAM *wizard);
void WizardCloseRecord(WIZARDPARAM *wizard);
// Stores the choices that are settings.
void WizardStoreSettings(const WIZARDPARAM *wizard);

// A page's own part: the messages the shared part leaves, with the record
// the pages edit.
typedef INT_PTR (*WIZARDPAGEPART)(HWND page, UINT msg, WPARAM wParam, LPARAM lParam, WIZARDPARAM *wizard);
INT_PTR WizardPicturesPage(HWND page, UINT msg, WPARAM wParam, LPARAM lParam, WIZARDPARAM *wizard);
// What page `number` does: the sheet's notifications and the owner-drawn
// controls all pages share, then the page's own part.
INT_PTR WizardPageProc(HWND page, UINT msg, WPARAM wParam, LPARAM lParam, int number);
template <int N> INT_PTR CALLBACK WizardProc(HWND page, UINT msg, WPARAM wParam, LPARAM lParam)
{
    return WizardPageProc(page, msg, wParam, lParam, N);
}
// How pictures fit their frames, which the cover and the pictures page both
// set: resized or not, keeping their aspect, and the frame's width.
struct WIZARDFIT {
    int *resize, *preserve, *frame;
};
void WizardShowFit(HWND page, const WIZARDFIT &fit);
// True when the command came from one of the fit's controls.
bool WizardFitCommand(HWND page, WPARAM wParam, const WIZARDFIT &fit);
// The sheet's buttons for a page number.
DWORD WizardButtons(int number);

// --- Building --------------------------------------------------------------

// Percentage that fits a picture to an area: the smaller of the two ratios
// with preserve aspect, else the larger; 0 when either size is 0 or less.
int WizardGetScaleFactor(int areawidth, int areadepth, int width, int depth, int preserveaspect);
// The room the navigation buttons take at the page's edge.
int WizardNavigationBand();
// The margin of a picture: on the cover (cover 1) or on a picture page.
int WizardMargin(const WIZARDPARAM *wizard, int cover);
// True when the scheme's text colour counts as dark (it gets a highlight).
bool WizardTextIsDark(COLORREF colour);
// The picture fitted to an area the way the builder and the sample do it:
// resized, then its middle cropped to the area. Takes over `picture` (freed
// or returned) and gives a new DIB, or NULL with `picture` freed.
HGLOBAL WizardFitPicture(HGLOBAL picture, int areawidth, int areadepth, int resize, int preserveaspect);
// The file's name without folder and extension.
void WizardCaption(const char *path, char *out, int size);
// 1 when the document window was made and filled, even if pages failed.
int WizardCreatePresentation(HWND owner, WIZARDPARAM *wizard);

// --- The sample, the strip and the pictures page ---------------------------

int WizardDrawSamplePage(HWND page, const DRAWITEMSTRUCT *item, const WIZARDPARAM *wizard, int kind);
int WizardAdjustSampleValue(const WIZARDPARAM *wizard, const RECT *sample, int length);
int DrawOrnament(const DRAWITEMSTRUCT *item, int bitmap);
// Our own pictures: the sample photograph and the strip, as new DIBs.
HGLOBAL WizardMakeSamplePicture();
HGLOBAL WizardMakeOrnament();

LRESULT CALLBACK WizardListSubclass(HWND list, UINT msg, WPARAM wParam, LPARAM lParam);
INT_PTR WizardImagePreview(HWND owner, const char *path);
INT_PTR CALLBACK WizardImagePreviewProc(HWND, UINT, WPARAM, LPARAM);
// The preview's information line for a picture.
void WizardPreviewLine(int width, int depth, int bits, char *out, int size);

// Up-down controls of the pages: range from their own text, value in the field.
void WizardSetUpDown(HWND page, int field, int value);
int WizardReadUpDown(HWND page, int field);
