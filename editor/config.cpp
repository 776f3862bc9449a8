// The editor's own settings with their defaults, the table that binds every
// setting to its key, and the configuration file.
#include "editor/config.h"
#include "common/paths.h"
#include "editor/shell.h"
#include "resources/editorframe_ids.h"
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>

int AppToFrontDelay = 5;
int BrowserWide = 300;
int ClosePreviewAfterDuration = 0;
int DefaultDuration = 1;
int DefaultSoundMedia = 542523735; // "WAV " read as a little-endian number
int DefaultSoundWait = 0;
int DefaultTextBackColour = 0, DefaultTextBold = 1, DefaultTextClearscreen = 1, DefaultTextColour = 0xFFFFFF;
int DefaultTextDepth = 160, DefaultTextDuration = 0, DefaultTextItalic = 0, DefaultTextShadowColour = 0xAA9090;
int DefaultTextSize = 14, DefaultTextUnderline = 0, DefaultTextWidth = 240;
int EditAppletMaximizeWindow = 1;
char ForRent[SETTINGTEXT] = "This space for rent...";
int GridFrequency = 8, GridShow = 1, GridUse = 0;
int InsertBlankPageonNew = 1;
int InstallerBackground = 0;
char InstallerDescription[SETTINGTEXT], InstallerDocPath[SETTINGTEXT];
char InstallerLogoPath[SETTINGTEXT], InstallerScrPath[SETTINGTEXT];
int LastTipDate = 0;
int MaximizePaint = 1;
int MaximumObjectSize = 8192, MinimumObjectSize = 12;
int OptimumVerticalWindows = 1;
char PaintbrushName[SETTINGTEXT] = "MSPAINT.EXE", PaintbrushPath[SETTINGTEXT];
int PrinterAnnotate = 1;
char PrinterFontName[SETTINGTEXT] = "arial";
char DefaultPrinterName[SETTINGTEXT];
int PrinterGutter = 10, PrinterLargeFontSize = 12, PrinterResolution = 75, PrinterShowFooter = 1;
int PrinterSmallFontSize = 6;
int PromptToSavePageChanges = 0;
int SearchForPaintbrush = 1;
int SelectedColour = 0x808080;
int ShowDriverMessage = 1;
int ShowTipOfTheDay = 1;
int SoundFileOpenIndex = 1;
int StartMaximized = 0;
int TipOfTheDay = 0;
unsigned WarnMultipleDelete = 1, WarnPreviewSize = 1, WarnShowManual = 1, WarnToStatic = 1;
int WizardDefaultColourscheme = 3, WizardDefaultCoverStyle = 3, WizardDefaultInsideStyle = 2;
char WizardCoverFontName[SETTINGTEXT] = "Times New Roman";
int WizardCoverTextItal = 0, WizardCoverTextSize = 32, WizardCoverTextWeight = 700, WizardDefaultDimensions = 2;
char WizardInsideFontName[SETTINGTEXT] = "Times New Roman";
int WizardInsideFrameSize = 2, WizardInsidePreserveAspect = 1, WizardInsideResize = 1, WizardInsideTextItal = 0;
int WizardInsideTextSize = 28, WizardInsideTextWeight = 700, WizardShowPagePreviews = 1, WizardTitleFrameSize = 2;
int WizardTitlePreserveAspect = 1, WizardTitleResize = 1;

// Written for whoever reads the file; never read back.
static char BuildDate[SETTINGTEXT] = "Jun  8 2009";
static int PatchLevel = 59;
static int VersionNumber = 64;

static const CONFIGOPTION viewmodes[] = {
    {"Text", 0}, {"Small image", 1}, {"Medium image", 2}, {"Large image", 3}, {NULL, 0}};

static_assert(sizeof(int) == 4 && sizeof(unsigned) == 4 && sizeof(COLORREF) == 4);

#define ROWFLAG(name, control) {#name, &name, CONFIG_FLAG, 0, control, NULL}
#define ROWNUMBER(name) {#name, &name, CONFIG_NUMBER, 0, 0, NULL}
#define ROWTEXT(name) {#name, name, CONFIG_TEXT, 0, 0, NULL}

const CONFIGITEM configitem[] = {
    ROWFLAG(AddNavigationObjects, 117),
    ROWTEXT(ApplicationPath),
    ROWNUMBER(AppToFrontDelay),
    ROWNUMBER(BrowserWide),
    {"BuildDate", BuildDate, CONFIG_TEXT, CONFIG_WRITTENONLY, 0, NULL},
    ROWFLAG(ClassicColorSelect, 0),
    ROWFLAG(ClosePreviewAfterDuration, 0),
    ROWTEXT(ColourTableFile),
    {"CompressImages", &CompressImages, CONFIG_NUMBER | CONFIG_UPDOWN, 0, 112, NULL},
    ROWNUMBER(DefaultAppletObjectDepth),
    ROWNUMBER(DefaultAppletObjectWidth),
    {"DefaultAppletStackSize", &DefaultAppletStackSize, CONFIG_NUMBER | CONFIG_UPDOWN, 0, 113, NULL},
    ROWNUMBER(DefaultBackgroundColour),
    ROWNUMBER(DefaultButtonObjectDepth),
    ROWNUMBER(DefaultButtonObjectWidth),
    ROWNUMBER(DefaultCheckboxObjectDepth),
    ROWNUMBER(DefaultCheckboxObjectWidth),
    ROWFLAG(DefaultClearscreen, 0),
    ROWNUMBER(DefaultDelay),
    ROWNUMBER(DefaultDepth),
    ROWNUMBER(DefaultDuration),
    ROWNUMBER(DefaultEditObjectDepth),
    ROWNUMBER(DefaultEditObjectWidth),
    ROWNUMBER(DefaultFrameObjectDepth),
    ROWNUMBER(DefaultFrameObjectWidth),
    ROWNUMBER(DefaultListboxObjectDepth),
    ROWNUMBER(DefaultListboxObjectWidth),
    ROWTEXT(DefaultPrinterName),
    ROWNUMBER(DefaultSoundMedia),
    ROWFLAG(DefaultSoundWait, 0),
    ROWNUMBER(DefaultTextBackColour),
    ROWFLAG(DefaultTextBold, 0),
    ROWFLAG(DefaultTextClearscreen, 0),
    ROWNUMBER(DefaultTextColour),
    ROWNUMBER(DefaultTextDepth),
    ROWNUMBER(DefaultTextDuration),
    ROWTEXT(DefaultTextFont),
    ROWFLAG(DefaultTextItalic, 0),
    ROWNUMBER(DefaultTextObjectDepth),
    ROWNUMBER(DefaultTextObjectWidth),
    ROWNUMBER(DefaultTextObjectFontSize),
    ROWNUMBER(DefaultTextObjectForeColour),
    ROWNUMBER(DefaultTextObjectBackColour),
    ROWNUMBER(DefaultTextShadowColour),
    ROWNUMBER(DefaultTextSize),
    ROWFLAG(DefaultTextUnderline, 0),
    ROWNUMBER(DefaultTextWidth),
    ROWNUMBER(DefaultTimerDuration),
    {"DefaultViewMode", &DefaultViewMode, CONFIG_NUMBER | CONFIG_OPTIONS, 0, 103, viewmodes},
    ROWNUMBER(DefaultWidth),
    ROWNUMBER(DisabledColorDefault),
    ROWFLAG(EditAppletMaximizeWindow, 0),
    ROWTEXT(ForRent),
    ROWNUMBER(GridFrequency),
    ROWFLAG(GridShow, 0),
    ROWFLAG(GridUse, 0),
    ROWFLAG(HighResDocumentWindow, 120),
    ROWNUMBER(ImageFileOpenIndex),
    ROWFLAG(InsertBlankPageonNew, 119),
    ROWNUMBER(InstallerBackground),
    ROWTEXT(InstallerDescription),
    ROWTEXT(InstallerDocPath),
    ROWTEXT(InstallerLogoPath),
    ROWTEXT(InstallerScrPath),
    ROWNUMBER(JPEGQualityFactor),
    ROWNUMBER(LastTipDate),
    ROWFLAG(LiveButtons, 0),
    ROWNUMBER(LogoDelay),
    ROWFLAG(MaximizePaint, 105),
    ROWNUMBER(MaximumObjectSize),
    ROWNUMBER(MinimumObjectSize),
    ROWNUMBER(NavigationObjectHorizontal),
    ROWNUMBER(NavigationObjectVertical),
    ROWTEXT(OpenPath),
    ROWFLAG(OptimumVerticalWindows, 106),
    ROWTEXT(PaintbrushName),
    ROWTEXT(PaintbrushPath),
    {"PatchLevel", &PatchLevel, CONFIG_NUMBER, CONFIG_WRITTENONLY, 0, NULL},
    ROWFLAG(PrinterAnnotate, 0),
    ROWTEXT(PrinterFontName),
    ROWNUMBER(PrinterGutter),
    ROWNUMBER(PrinterLargeFontSize),
    ROWNUMBER(PrinterResolution),
    ROWFLAG(PrinterShowFooter, 0),
    ROWNUMBER(PrinterSmallFontSize),
    ROWFLAG(PromptToSavePageChanges, 116),
    ROWFLAG(SearchForPaintbrush, 109),
    ROWNUMBER(SelectedColour),
    ROWFLAG(ShowDriverMessage, 0),
    ROWFLAG(ShowFileOpenPreview, 0),
    ROWFLAG(ShowStartupWindow, 107),
    ROWFLAG(ShowTipOfTheDay, 108),
    ROWNUMBER(SoftCustomColorDefault),
    ROWNUMBER(SoftCustomTextDefault),
    ROWNUMBER(SoundFileOpenIndex),
    ROWFLAG(StartMaximized, 0),
    ROWNUMBER(StickyWindowBottom),
    ROWNUMBER(StickyWindowLeft),
    ROWNUMBER(StickyWindowRight),
    ROWNUMBER(StickyWindowTop),
    ROWNUMBER(TipOfTheDay),
    ROWTEXT(ThemeCurrent),
    {"VersionNumber", &VersionNumber, CONFIG_NUMBER, CONFIG_WRITTENONLY, 0, NULL},
    ROWNUMBER(ViewModeSmallDepth),
    ROWNUMBER(ViewModeMediumDepth),
    ROWNUMBER(ViewModeLargeDepth),
    ROWFLAG(WarnBadFileCRC, 0),
    ROWFLAG(WarnMultipleDelete, 110),
    ROWFLAG(WarnPreviewSize, 111),
    ROWFLAG(WarnShowManual, 115),
    ROWFLAG(WarnToStatic, 118),
    ROWFLAG(WaveOpenIsPreview, 0),
    ROWNUMBER(WizardDefaultColourscheme),
    ROWNUMBER(WizardDefaultCoverStyle),
    ROWNUMBER(WizardDefaultInsideStyle),
    ROWTEXT(WizardCoverFontName),
    ROWFLAG(WizardCoverTextItal, 0),
    ROWNUMBER(WizardCoverTextSize),
    ROWNUMBER(WizardCoverTextWeight),
    ROWNUMBER(WizardDefaultDimensions),
    ROWTEXT(WizardInsideFontName),
    ROWNUMBER(WizardInsideFrameSize),
    ROWFLAG(WizardInsidePreserveAspect, 0),
    ROWFLAG(WizardInsideResize, 0),
    ROWFLAG(WizardInsideTextItal, 0),
    ROWNUMBER(WizardInsideTextSize),
    ROWNUMBER(WizardInsideTextWeight),
    ROWFLAG(WizardShowPagePreviews, 0),
    ROWNUMBER(WizardTitleFrameSize),
    ROWFLAG(WizardTitlePreserveAspect, 0),
    ROWFLAG(WizardTitleResize, 0),
};
const int MAXCONFIGITEM = sizeof configitem / sizeof configitem[0];

#undef ROWFLAG
#undef ROWNUMBER
#undef ROWTEXT

// Settings that something divides by: a value below 1 read from the file
// keeps the one already held.
static const void *const divisors[] = {&GridFrequency, &PrinterResolution, &ViewModeSmallDepth,
                                       &ViewModeMediumDepth, &ViewModeLargeDepth};

static bool IsDivisor(const void *value)
{
    for (const void *d : divisors)
        if (d == value)
            return true;
    return false;
}

const char *ConfigFilePath()
{
    static char path[MAX_PATH + 32];
    char folder[MAX_PATH + 1];
    path[0] = 0;
    if (COMMONGetConfigDirectory(folder, sizeof folder) && strlen(folder) + 16 < sizeof path)
        snprintf(path, sizeof path, "%sSHOWBUILDER.INI", folder);
    return path;
}

// Enough of a line to hold any key and any value that fits a setting.
constexpr size_t LINEKEPT = 2048;

// One line of any length, without its line end: its first LINEKEPT
// characters are kept and `cut` says whether more followed. False at the
// end of the file.
static bool ReadLine(FILE *f, std::string &line, bool &cut)
{
    line.clear();
    cut = false;
    int c;
    bool any = false;
    while ((c = fgetc(f)) != EOF) {
        any = true;
        if (c == '\n')
            return true;
        if (line.size() < LINEKEPT)
            line += (char)c;
        else
            cut = true;
    }
    return any;
}

static bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// Splits a line into its key and its value text; false for a comment.
static bool SplitLine(std::string &line, std::string &key, const char *&value)
{
    if (!line.empty() && line[0] == ';')
        return false;
    for (size_t i = 0; i < line.size(); i++)
        if ((unsigned char)line[i] < 32) {
            line.resize(i);
            break;
        }
    size_t end = 0;
    while (end < line.size() && (unsigned char)line[end] > 32 && line[end] != '=')
        end++;
    key.assign(line, 0, end);
    const char *p = line.c_str() + end;
    while (IsBlank(*p))
        p++;
    while (*p == '=')
        p++;
    while (IsBlank(*p))
        p++;
    value = p;
    return true;
}

// A decimal number taken modulo 2^32: 4294967295 reads as -1, no digits as 0.
static int ReadNumber(const char *p)
{
    while (*p == ' ' || (*p >= '\t' && *p <= '\r'))
        p++;
    bool negative = *p == '-';
    if (*p == '-' || *p == '+')
        p++;
    uint32_t n = 0;
    while (*p >= '0' && *p <= '9')
        n = n * 10u + (uint32_t)(*p++ - '0');
    return (int)(negative ? 0u - n : n);
}

void LoadConfig()
{
    const char *path = ConfigFilePath();
    FILE *f = path[0] ? fopen(path, "r") : NULL;
    if (!f)
        return;
    std::string line, key;
    const char *value;
    bool cut;
    while (ReadLine(f, line, cut)) {
        if (!SplitLine(line, key, value))
            continue;
        for (int i = 0; i < MAXCONFIGITEM; i++) {
            const CONFIGITEM &item = configitem[i];
            if ((item.type2 & CONFIG_WRITTENONLY) || key != item.key)
                continue;
            if (item.type & CONFIG_TEXT) {
                // A text that does not fit its buffer would be a different
                // path or name when cut: the setting keeps what it had.
                if (!cut && strlen(value) < SETTINGTEXT) {
                    memset(item.value, 0, SETTINGTEXT);
                    strcpy((char *)item.value, value);
                }
            } else {
                int n = ReadNumber(value);
                if (n >= 1 || !IsDivisor(item.value))
                    *(int *)item.value = n;
            }
            break;
        }
    }
    fclose(f);
}

void LoadMenuConfig()
{
    const char *path = ConfigFilePath();
    FILE *f = path[0] ? fopen(path, "r") : NULL;
    if (!f)
        return;
    std::string line, key;
    const char *value;
    bool cut;
    while (ReadLine(f, line, cut))
        if (!cut && SplitLine(line, key, value) && key == "MenuItem")
            SetPathMenu(hwndmain, value);
    fclose(f);
}

static bool HasDrivePath(const char *text) { return text[0] && text[1] == ':' && text[2] == '\\'; }

static void WriteFile(FILE *f)
{
    time_t now = time(NULL);
    const char *stamp = ctime(&now);
    fprintf(f, ";Showbinder for Windows configuration file\n");
    fprintf(f, ";Edit this at your own risk\n");
    fprintf(f, ";%s\n", appName);
    fprintf(f, ";Last updated %24.24s\n", stamp ? stamp : "");
    fprintf(f, ";\n[Showbinder]\n");
    for (int i = 0; i < MAXCONFIGITEM; i++) {
        const CONFIGITEM &item = configitem[i];
        if (item.type & CONFIG_TEXT)
            fprintf(f, "%s = %s\n", item.key, (const char *)item.value);
        else
            fprintf(f, "%s = %u\n", item.key, *(const unsigned *)item.value);
    }
    fprintf(f, ";----- Menu items ------\n[ShowbinderMenuItems]\n");
    // While a document is maximised its system menu comes first in the bar.
    HMENU file = hwndmain ? FileMenu(hwndmain) : NULL;
    for (int i = FilePathIndex - 1; file && i >= 0; i--) {
        char item[SETTINGTEXT] = "";
        if (GetMenuStringA(file, IDM_RECENTFILE + i, item, sizeof item, MF_BYCOMMAND) > 0 && HasDrivePath(item))
            fprintf(f, "%s = %s\n", "MenuItem", item);
    }
}

void SaveConfig()
{
    const char *target = ConfigFilePath();
    if (!target[0] || !COMMONMakeFoldersFor(target))
        return;
    std::string path = target, fresh = path + ".new";
    // The old file stays whole until the new one is written out.
    FILE *f = fopen(fresh.c_str(), "w");
    if (!f)
        return;
    WriteFile(f);
    bool ok = !ferror(f);
    ok = fclose(f) == 0 && ok;
    if (!ok || !MoveFileExA(fresh.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING))
        DeleteFileA(fresh.c_str());
}
