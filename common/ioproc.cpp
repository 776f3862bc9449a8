#include "common/ioproc.h"
#include <delayimp.h>

namespace {

// An installation made while the library was not loaded.
struct PENDINGPROC {
    FOURCC code;
    LPMMIOPROC proc;
    DWORD flags;
    bool held;
};
PENDINGPROC pending;
PfnDliHook earlierhook;

// The delay-load helper's notice around the first call of each delayed
// function: once it has the multimedia library, the kept installation is
// made before the function is called.
FARPROC WINAPI DelayLoadNotice(unsigned notice, PDelayLoadInfo info)
{
    if (notice == dliNoteEndProcessing && pending.held && info->hmodCur && lstrcmpiA(info->szDll, "winmm.dll") == 0) {
        pending.held = false;
        auto install = (decltype(&mmioInstallIOProcA))(void *)GetProcAddress(info->hmodCur, "mmioInstallIOProcA");
        if (install)
            install(pending.code, pending.proc, pending.flags);
    }
    return earlierhook ? earlierhook(notice, info) : nullptr;
}

} // namespace

LPMMIOPROC InstallIOProcWhenBound(FOURCC code, LPMMIOPROC proc, DWORD flags)
{
    // Once anyone has loaded the library, files may be read through it:
    // from then on, installations are made at once.
    if (!GetModuleHandleA("winmm.dll")) {
        if ((flags & MMIO_INSTALLPROC) && proc && !pending.held) {
            pending = PENDINGPROC{code, proc, flags, true};
            if (__pfnDliNotifyHook2 != DelayLoadNotice) {
                earlierhook = __pfnDliNotifyHook2;
                __pfnDliNotifyHook2 = DelayLoadNotice;
            }
            return proc;
        }
        if ((flags & MMIO_REMOVEPROC) && pending.held && pending.code == code) {
            pending.held = false;
            return pending.proc;
        }
    }
    return mmioInstallIOProcA(code, proc, flags);
}
