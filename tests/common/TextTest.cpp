#include "common/Text.h"
#include <windows.h>

#include <gtest/gtest.h>

using namespace svcgate;

TEST(Text, SameTextFoldsOnlyLatinLetters) {
    EXPECT_TRUE(SameText(L"GetDeviceInfo", L"getdeviceINFO"));
    EXPECT_FALSE(SameText(L"Init", L"Ini"));
    EXPECT_FALSE(SameText(L"\u0410", L"\u0430"));
}

TEST(Text, FormatTextTakesWideTextsForPercentS) {
    EXPECT_EQ(FormatText(L"%sDebug_%s.log", L"C:\\d\\", L"2024.03.05"),
              L"C:\\d\\Debug_2024.03.05.log");
    EXPECT_EQ(FormatText(L"%d.%d.%d", 3, 4, 6), L"3.4.6");
}

TEST(Text, AnsiRoundTripUsesTheCyrillicCodePage) {
    EXPECT_EQ(GetACP(), 1251u);
    const std::wstring text = L"\u041d\u0435\u0442 \u043e\u0448\u0438\u0431\u043e\u043a";
    EXPECT_EQ(WideToAnsi(text).size(), text.size());
    EXPECT_EQ(AnsiToWide(WideToAnsi(text)), text);
}
