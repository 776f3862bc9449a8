#include "common/ioproc.h"
#include "common/shell.h"
#include "common/windowvalue.h"
#include "document/objects.h"
#include "runtime/media.h"
#include "runtime/runtime.h"
#include <mmsystem.h>

const char QVCLASS_appwindow[] = "QV_ApplicationWindow";
const char QVCLASS_image[] = "QV_Image";
const char QVCLASS_frame[] = "QV_Frame";
const char QVCLASS_text[] = "QV_Text";
const char QVCLASS_anim[] = "QV_Anim";
const char QVCLASS_wave[] = "QV_Wave";
const char QVCLASS_midi[] = "QV_Midi";
const char QVCLASS_applet[] = "QV_Applet";
const char QVCLASS_timer[] = "QV_Timer";
const char QVCLASS_staticimage[] = "QV_StaticImage";
const char QVCLASS_movie[] = "QV_Movie";

namespace {

struct CLASSROW {
    const char *name;
    WNDPROC proc;
    int extra = 0;
};

// In the order of registration; unregistered the other way round.
const CLASSROW classes[] = {
    {QVCLASS_appwindow, QV_AppwindowProc, QV_SHOWWINDOWEXTRA}, {QVCLASS_image, QV_ImageProc},
    {QVCLASS_frame, QV_FrameProc},         {QVCLASS_text, QV_TextProc},
    {QVCLASS_anim, QV_AnimProc},           {QVCLASS_wave, QV_WaveProc},
    {QVCLASS_midi, QV_MidiProc},           {QVCLASS_applet, QV_AppletProc, QV_OBJECTWINDOWEXTRA},
    {QVCLASS_timer, QV_TimerProc},         {QVCLASS_staticimage, QV_StaticImageProc},
    {QVCLASS_movie, QV_MovieProc, QV_OBJECTWINDOWEXTRA},
};

} // namespace

int QV_RegisterCommonClasses()
{
    for (const CLASSROW &c : classes) {
        WNDCLASSA wc{};
        wc.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS | CS_SAVEBITS;
        wc.lpfnWndProc = c.proc;
        wc.cbWndExtra = c.extra;
        wc.hInstance = hInst;
        wc.hIcon = LoadIconA(hInst, MAKEINTRESOURCEA(101));
        wc.hCursor = LoadCursorA(NULL, IDC_ARROW);
        wc.hbrBackground = (HBRUSH)GetStockObject(NULL_BRUSH);
        wc.lpszClassName = c.name;
        if (!RegisterClassA(&wc))
            return 0;
    }
    InstallIOProcWhenBound(AVIIOPROCCODE, (LPMMIOPROC)AVIIOProc, MMIO_INSTALLPROC);
    return 1;
}

int QV_UnregisterCommonClasses()
{
    InstallIOProcWhenBound(AVIIOPROCCODE, NULL, MMIO_REMOVEPROC);
    for (size_t i = sizeof classes / sizeof classes[0]; i-- > 0;)
        UnregisterClassA(classes[i].name, hInst);
    return 1;
}

OBJECTHEADER *LockObject(HWND window)
{
    HGLOBAL h = GetWindowValue<HGLOBAL>(window, GWLP_USERDATA);
    return h ? (OBJECTHEADER *)GlobalLock(h) : nullptr;
}

int UnlockObject(HWND window)
{
    if (HGLOBAL h = GetWindowValue<HGLOBAL>(window, GWLP_USERDATA))
        GlobalUnlock(h);
    return 0;
}

void QV_DoAction(HWND self, HWND parent, unsigned long code, unsigned long target, const char *text, int whole)
{
    static const UINT posted[ACTION_COUNT] = {0, QVM_FIRSTPAGE, QVM_PREVIOUSPAGE, QVM_NEXTPAGE, QVM_LASTPAGE,
                                              QVM_CLOSE, 0, 0, 0, QVM_ABOUT, QVM_PAGEMENU, 0, 0};
    switch (code) {
    case ACTION_NOTIFY:
        PostMessageA(parent, QVM_STARTOBJECT, target, (LPARAM)self);
        break;
    case ACTION_DISABLE:
        PostMessageA(parent, QVM_STOPOBJECT, target, 0);
        break;
    case ACTION_JUMPTOPAGE:
        SendMessageA(parent, QVM_JUMPTOPAGE, 0, (LPARAM)(text ? text : ""));
        break;
    case ACTION_OPENDOCUMENT:
        SendMessageA(parent, QVM_OPENDOCUMENT, 0, (LPARAM)(text ? text : ""));
        break;
    case ACTION_PRINTPAGE:
        PostMessageA(parent, QVM_PRINTPAGE, whole ? 1 : 0, 0);
        break;
    default:
        if (code < ACTION_COUNT && posted[code])
            PostMessageA(parent, posted[code], 0, 0);
        break;
    }
}
