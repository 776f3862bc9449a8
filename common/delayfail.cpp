// A library bound at a function's first call may be missing, or lack the
// function, on the machine the program runs on. The toolchain's helper then
// raises an exception nothing handles, and the program ends. This hook binds
// such a function instead to a stand-in that takes its arguments off the
// stack and returns the function's own failure, and tells the user once.
#include "common/delayedsizes.h"
#include "common/msgdlg.h"
#include "common/strings.h"
#include "resources/resource.h"
#include <windows.h>
#include <delayimp.h>
#include <mmsystem.h>
#include <array>
#include <cstring>
#include <span>
#include <utility>

namespace {

// What a function that cannot be bound returns: 0, or where 0 would read as
// success, the multimedia calls' "error" or the shell's failed HRESULT.
constexpr LONG_PTR results[] = {0, MMSYSERR_ERROR, E_FAIL};
struct DELAYEDFAILURE {
    const char *name;
    int result; // index in results
};
const DELAYEDFAILURE failures[] = {
    {"mciSendCommandA", 1}, {"waveOutClose", 1},           {"waveOutOpen", 1},
    {"waveOutPrepareHeader", 1}, {"waveOutReset", 1},      {"waveOutUnprepareHeader", 1},
    {"waveOutWrite", 1},    {"SHGetSpecialFolderLocation", 2},
};

bool told;

template <size_t> using Word = DWORD;
template <LONG_PTR R, class... A> LONG_PTR WINAPI StandIn(A...)
{
    return R;
}
template <LONG_PTR R, size_t... I> constexpr FARPROC StandInOf(std::index_sequence<I...>)
{
    return (FARPROC)(void *)&StandIn<R, Word<I>...>;
}
// One stand-in for each count of argument words up to 16.
constexpr size_t MOSTWORDS = 16;
template <LONG_PTR R, size_t... N> constexpr std::array<FARPROC, sizeof...(N)> StandIns(std::index_sequence<N...>)
{
    return {StandInOf<R>(std::make_index_sequence<N>())...};
}
const std::array<FARPROC, MOSTWORDS + 1> standins[] = {
    StandIns<results[0]>(std::make_index_sequence<MOSTWORDS + 1>()),
    StandIns<results[1]>(std::make_index_sequence<MOSTWORDS + 1>()),
    StandIns<results[2]>(std::make_index_sequence<MOSTWORDS + 1>()),
};

FARPROC StandInFor(const char *name)
{
    size_t count = 0;
    const DELAYEDSIZE *sizes = DelayedSizes(&count);
    for (const DELAYEDSIZE &s : std::span(sizes, count))
        if (!strcmp(s.name, name) && s.bytes % 4 == 0 && s.bytes / 4 <= MOSTWORDS) {
            int result = 0;
            for (const DELAYEDFAILURE &f : failures)
                if (!strcmp(f.name, name))
                    result = f.result;
            return standins[result][s.bytes / 4];
        }
    return nullptr;
}

FARPROC WINAPI DelayLoadFailure(unsigned notice, PDelayLoadInfo info)
{
    // A missing library is bound to the program itself, which exports
    // nothing: each of its functions then fails to bind, below.
    if (notice == dliFailLoadLib)
        return (FARPROC)(void *)GetModuleHandleA(NULL);
    if (notice != dliFailGetProc || !info->dlp.fImportByName || !info->dlp.szProcName)
        return nullptr;
    FARPROC standin = StandInFor(info->dlp.szProcName);
    if (standin && !told) {
        told = true;
        DoMessage(NULL, FetchString(IDS_LIBRARY));
    }
    return standin;
}

} // namespace

extern "C" PfnDliHook __pfnDliFailureHook2 = DelayLoadFailure;
