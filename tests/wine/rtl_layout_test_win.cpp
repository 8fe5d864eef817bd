// Run with JK_LANG=ar: the player's message boxes and menus read from the right, as Windows'
// own do in a right-to-left language.
#include <gtest/gtest.h>

#include <windows.h>

#include "diag/ui_text_win.h"
#include "i18n/i18n_win.h"

namespace {

TEST(RtlLayout, MessageBoxesAndMenusReadFromTheRight) {
    ASSERT_TRUE(I18nIsRtl()) << "the test runs in Arabic";
    EXPECT_EQ(UiMessageBoxStyle(MB_ICONWARNING), static_cast<UINT>(MB_ICONWARNING | MB_RTLREADING | MB_RIGHT));
    EXPECT_EQ(UiMenuTrackFlags(TPM_RETURNCMD), static_cast<UINT>(TPM_RETURNCMD | TPM_LAYOUTRTL));
}

} // namespace
