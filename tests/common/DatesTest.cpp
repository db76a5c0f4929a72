#include "common/uCommonUtils.Dates.h"

#include <windows.h>

#include <oleauto.h>

#include <gtest/gtest.h>

using namespace svcgate;

namespace {

TEST(DateText, WritesDayMonthYear) {
    SYSTEMTIME time{};
    time.wYear = 1980;
    time.wMonth = 3;
    time.wDay = 5;
    double date = 0;
    ASSERT_TRUE(SystemTimeToVariantTime(&time, &date));
    EXPECT_EQ(DateToText(date), L"05.03.1980");
    EXPECT_EQ(DateToText(date + 0.99999999), L"05.03.1980");
}

} // namespace
