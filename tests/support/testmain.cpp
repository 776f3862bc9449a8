// Entry point of every test program: the program's own resources stand in for
// the editor's, and a modal call that no test expected fails the test instead
// of waiting for a person.
#include "common/modal.h"
#include "common/shell.h"
#include <commctrl.h>
#include <gtest/gtest.h>
#include <cstdio>
#include <cstdlib>

// A test that stops returning, whatever it waits on (a loop of its own, a
// modal loop that nothing ends, a lock never given back), would hold the
// whole program until ctest's limit and say nothing. The watchdog ends the
// program with the test's name once one test has run past any honest
// length, writing with no lock and no allocation the stuck test may hold.
namespace {
DWORD stuckms = 10 * 60 * 1000; // SB_STUCK_SECONDS sets another
char running[512];
// Counted by the watchdog's own sleeps rather than read from a clock, which
// other threads may see at a different tick.
volatile LONG generation; // bumped as each test begins
volatile LONG testing_now;

struct Watch : testing::EmptyTestEventListener {
    void OnTestStart(const testing::TestInfo &t) override
    {
        snprintf(running, sizeof running, "%s.%s", t.test_suite_name(), t.name());
        InterlockedIncrement(&generation);
        InterlockedExchange(&testing_now, 1);
    }
    void OnTestEnd(const testing::TestInfo &) override { InterlockedExchange(&testing_now, 0); }
};

DWORD WINAPI Watchdog(void *)
{
    LONG seen = -1;
    DWORD waited = 0;
    for (;;) {
        Sleep(1000);
        LONG now = InterlockedCompareExchange(&generation, 0, 0);
        if (!InterlockedCompareExchange(&testing_now, 0, 0) || now != seen) {
            seen = now;
            waited = 0;
            continue;
        }
        waited += 1000;
        if (waited < stuckms)
            continue;
        char text[700];
        int n = snprintf(text, sizeof text, "\n[  STUCK   ] %s did not end within %lu s: a wait with no end\n",
                         running, (unsigned long)(stuckms / 1000));
        DWORD written = 0;
        WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), text, (DWORD)n, &written, NULL);
        WriteFile(GetStdHandle(STD_ERROR_HANDLE), text, (DWORD)n, &written, NULL);
        TerminateProcess(GetCurrentProcess(), 3);
    }
}
} // namespace

static INT_PTR UnexpectedModal(const MODALCALL *call)
{
    ADD_FAILURE() << "unexpected modal call: " << (call->text ? call->text : "(no text)");
    return -1;
}

int main(int argc, char **argv)
{
    testing::InitGoogleTest(&argc, argv);
    testing::UnitTest::GetInstance()->listeners().Append(new Watch);
    if (const char *bound = getenv("SB_STUCK_SECONDS"); bound && atoi(bound) > 0)
        stuckms = (DWORD)atoi(bound) * 1000;
    CloseHandle(CreateThread(NULL, 0, Watchdog, NULL, 0, NULL));
    hInst = GetModuleHandleA(NULL);
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES};
    InitCommonControlsEx(&icc);
    backbrush = CreateSolidBrush(GetSysColor(COLOR_BTNFACE));
    COMMONSetModalHook(UnexpectedModal);
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
    int rc = RUN_ALL_TESTS();
    DeleteObject(backbrush);
    return rc;
}
