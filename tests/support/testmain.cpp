// Entry point of every test program: the program's own resources stand in for
// the editor's, and a modal call that no test expected fails the test instead
// of waiting for a person.
#include "common/modal.h"
#include "common/shell.h"
#include <commctrl.h>
#include <gtest/gtest.h>

static INT_PTR UnexpectedModal(const MODALCALL *call)
{
    ADD_FAILURE() << "unexpected modal call: " << (call->text ? call->text : "(no text)");
    return -1;
}

int main(int argc, char **argv)
{
    testing::InitGoogleTest(&argc, argv);
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
