// How the store's text turns into numbers and flags.
#include <gtest/gtest.h>

#include "Store.h"

using corkbase::ParseFlag;
using corkbase::ParseNumber;

TEST(NumberRules, DecimalTextRoundsHalvesToTheEvenNeighbour) {
    EXPECT_EQ(ParseNumber(L"2.5"), 2);
    EXPECT_EQ(ParseNumber(L"3.5"), 4);
    EXPECT_EQ(ParseNumber(L"-2.5"), -2);
    EXPECT_EQ(ParseNumber(L"-3.5"), -4);
    EXPECT_EQ(ParseNumber(L"0.5"), 0);
    EXPECT_EQ(ParseNumber(L"1.5"), 2);
    EXPECT_EQ(ParseNumber(L"2.50001"), 3);
    EXPECT_EQ(ParseNumber(L"2.4999"), 2);
    EXPECT_EQ(ParseNumber(L".5"), 0);
    EXPECT_EQ(ParseNumber(L"5."), 5);
    EXPECT_EQ(ParseNumber(L"\t 42 \t"), 42);
    EXPECT_EQ(ParseNumber(L"+7"), 7);
    EXPECT_EQ(ParseNumber(L"000000000000012"), 12);
    EXPECT_EQ(ParseNumber(L"2147483647"), INT32_MAX);
    EXPECT_EQ(ParseNumber(L"-2147483648"), INT32_MIN);
    EXPECT_EQ(ParseNumber(L"2147483646.5"), 2147483646);
}

TEST(NumberRules, AnythingElseIsNoNumber) {
    for (const wchar_t* bad : {L"", L" ", L"abc", L"1e3", L"0x1F", L"1,000", L"1 000", L"--1", L"+-1", L"1.2.3", L".",
                               L"-", L"2147483648", L"-2147483649", L"2147483647.5", L"99999999999", L"\u0661"})
        EXPECT_FALSE(ParseNumber(bad).has_value()) << "\"" << std::string(bad, bad + wcslen(bad)) << "\"";
}

TEST(NumberRules, FlagsAreTrueFalseInAnyCaseOrNumbers) {
    EXPECT_EQ(ParseFlag(L"True"), true);
    EXPECT_EQ(ParseFlag(L"tRUE"), true);
    EXPECT_EQ(ParseFlag(L"FALSE"), false);
    EXPECT_EQ(ParseFlag(L"0"), false);
    EXPECT_EQ(ParseFlag(L"-0.0"), false);
    EXPECT_EQ(ParseFlag(L"0.4"), true) << "zero only when zero";
    EXPECT_EQ(ParseFlag(L"-1"), true);
    EXPECT_FALSE(ParseFlag(L"yes").has_value());
    EXPECT_FALSE(ParseFlag(L"").has_value());
    EXPECT_FALSE(ParseFlag(L" True").has_value());
}
