// The program's strings from its resources, and the file name's extension swapped for the help's.
#include <gtest/gtest.h>

#include <windows.h>

#include "controls/Strings.h"
#include "platform/WindowsPaths.h"
#include "resources/resource.h"
#include "support/UiTest.h"
#include "win32/TextMode.h"

namespace pd {
namespace {

TEST(Strings, ReplaceExtensionSwapsOnlyTheFileNamesExtension) {
    const struct {
        const TCHAR* path;
        const TCHAR* expected;
    } cases[] = {
        {TEXT("C:\\Ohjelmat\\PanelDesk.exe"), TEXT("C:\\Ohjelmat\\PanelDesk.HLP")},
        {TEXT("C:\\Veltra.1\\PanelDesk"), TEXT("C:\\Veltra.1\\PanelDesk.HLP")},
        {TEXT("PanelDesk.tar.exe"), TEXT("PanelDesk.tar.HLP")},
        {TEXT("PanelDesk"), TEXT("PanelDesk.HLP")},
    };
    for (const auto& c : cases) EXPECT_EQ(ReplaceExtension(c.path, TEXT(".HLP")), c.expected);
}

TEST(Strings, LoadsTextsByIdAndNothingForUnknownIds) {
    EXPECT_EQ(LoadResString(IDS_TITLE),
              ShownText(L" Veltra Ostrex MF 40 PanelDesk - etäohjaustaulu"));
    EXPECT_EQ(
        LoadResString(IDS_DATA_WRITTEN),
        ShownText(L"Tiedot kirjoitettu. Älä sammuta laitetta, ennen kuin se on täysin alustettu."));
    EXPECT_EQ(LoadResString(3), TEXT(""));
}

}  // namespace
}  // namespace pd
