#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string_view>

#include "script/ScriptText.h"

namespace {

constexpr int32_t kLowest = std::numeric_limits<int32_t>::min();
constexpr int32_t kHighest = std::numeric_limits<int32_t>::max();

struct Split {
    std::string_view token;
    std::string_view rest;
};

Split SplitOnce(char delimiter, std::string_view source) {
    Split result;
    SplitToken(result.token, delimiter, source);
    result.rest = source;
    return result;
}

TEST(SplitToken, WithoutDelimiterTakesTheWholeTrimmedSource) {
    const Split split = SplitOnce(' ', "\tword\n");
    EXPECT_EQ(split.token, "word");
    EXPECT_EQ(split.rest, "");
    EXPECT_EQ(SplitOnce('.', " \t\n").token, "");
}

TEST(SplitToken, DelimiterFirstGivesAnEmptyToken) {
    const Split split = SplitOnce(' ', " Set  scene ");
    EXPECT_EQ(split.token, "");
    EXPECT_EQ(split.rest, "Set  scene");
}

TEST(SplitToken, TrimsTokenAndRestAroundTheFirstDelimiter) {
    const Split split = SplitOnce('=', " name\t= value  more ");
    EXPECT_EQ(split.token, "name");
    EXPECT_EQ(split.rest, "value  more");
}

TEST(SplitToken, RunsOfSpacesSeparateLikeOneButTabsDoNotSeparate) {
    Split split = SplitOnce(' ', "a    b");
    EXPECT_EQ(split.token, "a");
    EXPECT_EQ(split.rest, "b");

    split = SplitOnce(' ', "a\tb c");
    EXPECT_EQ(split.token, "a\tb");
    EXPECT_EQ(split.rest, "c");
}

TEST(IntegerValue, ReadsSignAndDigitsUpToTheFirstOtherCharacter) {
    EXPECT_EQ(IntegerValue("  42x"), 42);
    EXPECT_EQ(IntegerValue("-7"), -7);
    EXPECT_EQ(IntegerValue("+3"), 3);
    EXPECT_EQ(IntegerValue("1.9"), 1);
    EXPECT_EQ(IntegerValue("\r\v\f5"), 5);
}

TEST(IntegerValue, TextWithoutDigitsIsZero) {
    EXPECT_EQ(IntegerValue(""), 0);
    EXPECT_EQ(IntegerValue("abc"), 0);
    EXPECT_EQ(IntegerValue("-"), 0);
    EXPECT_EQ(IntegerValue("x12"), 0);
}

TEST(IntegerValue, SaturatesBeyondThe32BitRange) {
    EXPECT_EQ(IntegerValue("2147483647"), kHighest);
    EXPECT_EQ(IntegerValue("4294967296"), kHighest);
    EXPECT_EQ(IntegerValue("-2147483648"), kLowest);
    EXPECT_EQ(IntegerValue("-99999999999999999999999"), kLowest);
}

TEST(WideIntegerValue, TellsValuesOutsideThe32BitRange) {
    EXPECT_EQ(WideIntegerValue("3000000000"), 3000000000LL);
    EXPECT_EQ(WideIntegerValue("-3000000000"), -3000000000LL);
    EXPECT_EQ(WideIntegerValue("99999999999999999999999"), kWideIntegerLimit);
}

TEST(DecimalValue, ReadsFractionAndExponent) {
    EXPECT_DOUBLE_EQ(DecimalValue(" 2.5x"), 2.5);
    EXPECT_DOUBLE_EQ(DecimalValue("-1.25e2"), -125.0);
    EXPECT_DOUBLE_EQ(DecimalValue(".5"), 0.5);
    EXPECT_DOUBLE_EQ(DecimalValue("5."), 5.0);
    EXPECT_DOUBLE_EQ(DecimalValue("1e"), 1.0);
    EXPECT_DOUBLE_EQ(DecimalValue("2E+1"), 20.0);
}

TEST(DecimalValue, AnythingElseIsZero) {
    EXPECT_EQ(DecimalValue(""), 0.0);
    EXPECT_EQ(DecimalValue("."), 0.0);
    EXPECT_EQ(DecimalValue("abc"), 0.0);
    EXPECT_EQ(DecimalValue("inf"), 0.0);
    EXPECT_EQ(DecimalValue("nan"), 0.0);
    EXPECT_EQ(DecimalValue("0x10"), 0.0);
}

TEST(TruncateToInt32, TruncatesTowardZero) {
    EXPECT_EQ(TruncateToInt32(1.9), 1);
    EXPECT_EQ(TruncateToInt32(-1.9), -1);
    EXPECT_EQ(TruncateToInt32(2147483647.9), kHighest);
}

TEST(TruncateToInt32, OutOfRangeAndNaNGiveTheLowestValue) {
    EXPECT_EQ(TruncateToInt32(2147483648.0), kLowest);
    EXPECT_EQ(TruncateToInt32(-2147483649.0), kLowest);
    EXPECT_EQ(TruncateToInt32(std::nan("")), kLowest);
    EXPECT_EQ(TruncateToInt32(std::numeric_limits<double>::infinity()), kLowest);
}

}  // namespace
