// The multimedia library's functions bound at their first call (see
// lazyimports.h): a page without sound or movie never needs the library,
// and loading it costs a start more than reading a small document.
//
// The runtime installs its in-memory file procedure when it registers its
// classes, long before anything is played. While the library is not loaded
// that installation is kept here and made the moment the library is bound,
// before the call that bound it runs: nothing can open a file through the
// procedure without first calling into the library through one of these
// slots.
#include "common/lazyimports.h"
#include <mmsystem.h>

static LPMMIOPROC WINAPI LazymmioInstallIOProcA(FOURCC code, LPMMIOPROC proc, DWORD flags);
LAZYSLOT(mmioInstallIOProcA, 12);

namespace {

// An installation made while the library was not loaded.
struct PENDINGPROC {
    FOURCC code;
    LPMMIOPROC proc;
    DWORD flags;
    bool held;
};
PENDINGPROC pending;

// The function `name` of the library, put in *slot, after any installation
// kept while it was not loaded; null when it cannot be had.
template <class F> F BindMultimedia(F *slot, const char *name)
{
    F f = BindLazily(slot, "winmm.dll", name);
    if (f && pending.held) {
        pending.held = false;
        if (auto install = BindLazily(&slot_mmioInstallIOProcA, "winmm.dll", "mmioInstallIOProcA"))
            install(pending.code, pending.proc, pending.flags);
    }
    return f;
}

} // namespace

static LPMMIOPROC WINAPI LazymmioInstallIOProcA(FOURCC code, LPMMIOPROC proc, DWORD flags)
{
    // Once anyone has loaded the library, files may be read through it:
    // from then on, installations are made at once.
    if (!GetModuleHandleA("winmm.dll")) {
        if ((flags & MMIO_INSTALLPROC) && proc && !pending.held) {
            pending = PENDINGPROC{code, proc, flags, true};
            return proc;
        }
        if ((flags & MMIO_REMOVEPROC) && pending.held && pending.code == code) {
            pending.held = false;
            return pending.proc;
        }
    }
    auto f = BindMultimedia(&slot_mmioInstallIOProcA, "mmioInstallIOProcA");
    return f ? f(code, proc, flags) : nullptr;
}

static MCIERROR WINAPI LazymciSendCommandA(MCIDEVICEID device, UINT message, DWORD_PTR flags, DWORD_PTR parameters);
LAZYSLOT(mciSendCommandA, 16);
static MCIERROR WINAPI LazymciSendCommandA(MCIDEVICEID device, UINT message, DWORD_PTR flags, DWORD_PTR parameters)
{
    auto f = BindMultimedia(&slot_mciSendCommandA, "mciSendCommandA");
    return f ? f(device, message, flags, parameters) : MCIERR_DEVICE_NOT_INSTALLED;
}

static BOOL WINAPI LazymciGetErrorStringA(MCIERROR error, LPSTR text, UINT size);
LAZYSLOT(mciGetErrorStringA, 12);
static BOOL WINAPI LazymciGetErrorStringA(MCIERROR error, LPSTR text, UINT size)
{
    if (auto f = BindMultimedia(&slot_mciGetErrorStringA, "mciGetErrorStringA"))
        return f(error, text, size);
    if (text && size)
        text[0] = 0;
    return FALSE;
}

static MMRESULT WINAPI LazywaveOutOpen(LPHWAVEOUT out, UINT device, LPCWAVEFORMATEX format, DWORD_PTR callback,
                                       DWORD_PTR instance, DWORD flags);
LAZYSLOT(waveOutOpen, 24);
static MMRESULT WINAPI LazywaveOutOpen(LPHWAVEOUT out, UINT device, LPCWAVEFORMATEX format, DWORD_PTR callback,
                                       DWORD_PTR instance, DWORD flags)
{
    auto f = BindMultimedia(&slot_waveOutOpen, "waveOutOpen");
    return f ? f(out, device, format, callback, instance, flags) : MMSYSERR_NODRIVER;
}

// A device can only be had from waveOutOpen, which bound the library: the
// calls on a device below bind no sooner than that and fail without it.
static MMRESULT WINAPI LazywaveOutPrepareHeader(HWAVEOUT device, LPWAVEHDR header, UINT size);
LAZYSLOT(waveOutPrepareHeader, 12);
static MMRESULT WINAPI LazywaveOutPrepareHeader(HWAVEOUT device, LPWAVEHDR header, UINT size)
{
    auto f = BindMultimedia(&slot_waveOutPrepareHeader, "waveOutPrepareHeader");
    return f ? f(device, header, size) : MMSYSERR_INVALHANDLE;
}

static MMRESULT WINAPI LazywaveOutUnprepareHeader(HWAVEOUT device, LPWAVEHDR header, UINT size);
LAZYSLOT(waveOutUnprepareHeader, 12);
static MMRESULT WINAPI LazywaveOutUnprepareHeader(HWAVEOUT device, LPWAVEHDR header, UINT size)
{
    auto f = BindMultimedia(&slot_waveOutUnprepareHeader, "waveOutUnprepareHeader");
    return f ? f(device, header, size) : MMSYSERR_INVALHANDLE;
}

static MMRESULT WINAPI LazywaveOutWrite(HWAVEOUT device, LPWAVEHDR header, UINT size);
LAZYSLOT(waveOutWrite, 12);
static MMRESULT WINAPI LazywaveOutWrite(HWAVEOUT device, LPWAVEHDR header, UINT size)
{
    auto f = BindMultimedia(&slot_waveOutWrite, "waveOutWrite");
    return f ? f(device, header, size) : MMSYSERR_INVALHANDLE;
}

static MMRESULT WINAPI LazywaveOutReset(HWAVEOUT device);
LAZYSLOT(waveOutReset, 4);
static MMRESULT WINAPI LazywaveOutReset(HWAVEOUT device)
{
    auto f = BindMultimedia(&slot_waveOutReset, "waveOutReset");
    return f ? f(device) : MMSYSERR_INVALHANDLE;
}

static MMRESULT WINAPI LazywaveOutClose(HWAVEOUT device);
LAZYSLOT(waveOutClose, 4);
static MMRESULT WINAPI LazywaveOutClose(HWAVEOUT device)
{
    auto f = BindMultimedia(&slot_waveOutClose, "waveOutClose");
    return f ? f(device) : MMSYSERR_INVALHANDLE;
}
