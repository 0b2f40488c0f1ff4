// The file dialogs' filter, as the common dialogs take it.
#include <gtest/gtest.h>

#include <windows.h>

#include <iterator>
#include <string>

#include "controls/Win32Ui.h"
#include "win32/TextMode.h"

namespace pd {
namespace {

TEST(Win32UiFilter, BarsBecomeTheZeroSeparatedListTheFileDialogsTake) {
    const tstring filter =
        FileDialogFilter(TEXT("Phonebook Files(*.pbf)|*.pbf|All files (*.*)|*.*||"));
    static const TCHAR kExpected[] = TEXT("Phonebook Files(*.pbf)\0*.pbf\0All files (*.*)\0*.*\0");
    const tstring expected(kExpected, std::size(kExpected));  // with the closing zero
    EXPECT_EQ(filter.substr(0, expected.size()), expected);
}

}  // namespace
}  // namespace pd
