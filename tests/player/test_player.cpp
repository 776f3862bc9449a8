#include "common/shell.h"
#include "player/playermain.h"
#include "tests/support/testsupport.h"
#include <gtest/gtest.h>

TEST(Player, WithNothingAppendedItReportsAndEnds)
{
    sbtest::ModalRecorder rec(IDOK);
    EXPECT_EQ(PlayerMain(hInst, ""), 0);
    ASSERT_EQ(rec.calls.size(), 1u);
    EXPECT_EQ(rec.calls[0].kind, MODAL_MESSAGEBOX);
    EXPECT_EQ(rec.calls[0].caption, "Message");
    EXPECT_EQ(rec.calls[0].text, "There has been an error loading the requested page.");
    EXPECT_EQ(rec.calls[0].parent, (HWND)NULL);
    EXPECT_EQ(rec.calls[0].style & MB_ICONMASK, (UINT)MB_ICONINFORMATION);
    EXPECT_EQ(controlfont, (HFONT)NULL);
}
