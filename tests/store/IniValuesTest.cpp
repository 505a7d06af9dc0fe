// The INI accessors and record files: how texts read, what is written, and writes that cannot reach the disk.
#include "store/IniValues.h"

#include "TempFolder.h"
#include "platform/FileOps.h"
#include "store/LDatFile.h"
#include "store/RecordKeys.h"

#include <atomic>
#include <climits>
#include <gtest/gtest.h>
#include <thread>

namespace {

TEST(IniValues, EachTextReadsAsAnIntegerALevelAndAFlagByItsOwnRules) {
    // An integer takes the digits after blanks and a sign and saturates; a level takes every digit, one dash makes
    // it negative and a second one sets 127 ("-1-5"); a flag is "true" in any case. A present key, even empty,
    // never reads as the default.
    const std::string big(400, '9');
    constexpr int32_t kMax = INT32_MAX, kMin = INT32_MIN;
    const std::tuple<std::string, int32_t, int, int> cases[] = {
        {"", 0, 0, 0},        {"truer", 0, 0, 0},    {"-15dB", -15, -15, 0},
        {"+8", 8, 8, 0},      {big, kMax, 127, 0},   {"200dB", 200, 127, 0},
        {"1e5", 1, 15, 0},    {"TRUE", 0, 0, 1},     {"\t -42 7", -42, -127, 0},
        {"--dB", 0, -127, 0}, {"-1-5", -1, -127, 0}, {"2147483648", kMax, 127, 0},
        {"1-5", 1, -15, 0},   {"1 2 x3", 1, 123, 0}, {"-2147483649", kMin, -127, 0}};
    TempFolder folder;
    int files = 0;
    for (const auto& [text, integer, level, flag] : cases) {
        const std::string path = folder.Write(std::to_string(files++) + ".ini", "[s]\nkey=" + text + "\n");
        EXPECT_EQ(ReadIntValue(path, "s", "key", -99), integer) << text;
        EXPECT_EQ(ReadDbValue(path, "s", "key", 42), level) << text;
        EXPECT_EQ(ReadBoolValue(path, "s", "key", !flag), flag == 1) << text;
    }
    EXPECT_EQ(ParseIntText(" \t\n\v\f\r35"), 35); // blanks a settings file would not keep
    EXPECT_EQ(ParseInt64Text("9223372036854775808"), INT64_MAX);
    EXPECT_EQ(ParseInt64Text("-9223372036854775809"), INT64_MIN);
}

TEST(IniValues, ValuesAreWrittenAsTheirTextAndMissingOnesReadAsTheDefault) {
    TempFolder folder;
    const std::string file = folder / "settings.ini";
    ASSERT_TRUE(WriteIntValue(file, "settings", "lowest", INT32_MIN));
    ASSERT_TRUE(WriteBoolValue(file, "settings", "on", true));
    ASSERT_TRUE(WriteBoolValue(file, "settings", "off", false));
    for (const int8_t level : {-127, -128, -126, 6})
        ASSERT_TRUE(WriteDbValue(file, "levels", "l" + std::to_string(level), level));
    ASSERT_TRUE(FlushProfile(file));
    EXPECT_EQ(folder.Read("settings.ini"), "[settings]\nlowest=-2147483648\non=true\noff=false\n[levels]\nl-127=--dB\n"
                                           "l-128=--dB\nl-126=-126dB\nl6=6dB\n");
    EXPECT_EQ(ReadDbValue(file, "levels", "missing", -128), -127); // a default is read as its text too
    EXPECT_EQ(ReadIntValue(file, "nosection", "lowest", 3), 3);
    EXPECT_EQ(ReadInt64Value(file, "settings", "missing", 5000000000), 5000000000);
    EXPECT_EQ(ReadStringValue(file, "settings", "missing", "fallback"), "fallback");
}

TEST(IniValues, AWriteThatCannotBeStoredIsReportedAndOneThatCannotBeFlushedStaysForALaterTry) {
    TempFolder folder;
    const std::string file = folder / "settings.ini";
    EXPECT_FALSE(WriteIntValue(file, "settings", "bad=key", 1));
    EXPECT_FALSE(WriteBoolValue(file, "", "key", true));
    EXPECT_FALSE(WriteStringValue(file, "sec]tion", "key", "x"));
    EXPECT_TRUE(FlushProfile(file)); // nothing pending
    EXPECT_FALSE(PathExists(file));
    {
        LDatFile record(folder / "gone/Dictation 2.dat");
        ASSERT_TRUE(WriteIntValue(record.Path(), RecordKeys::kNumber, 2));
        ASSERT_TRUE(WriteStringValue(record.Path(), RecordKeys::kPriority, "High"));
        EXPECT_FALSE(record.Flush());
        ASSERT_TRUE(MakeFolders(folder / "gone")); // the failed write waits for the next flush
    }
    EXPECT_EQ(folder.Read("gone/Dictation 2.dat"), "[file]\nnumber=2\npriority=High\n"); // flushed as it went
}

// The send worker reads and writes settings on its own thread while the window does on its own.
TEST(IniValues, TwoThreadsReadingAndWritingSingleKeysLoseNothing) {
    TempFolder folder;
    const std::string file = folder / "settings.ini";
    std::atomic<int> failures{0};
    const auto work = [&](const std::string& mine, const std::string& theirs) {
        for (int i = 0, lastSeen = -1; i < 2000; ++i) {
            const int seen = ReadIntValue(file, "settings", theirs, -1);
            failures += !WriteIntValue(file, "settings", mine, i) || ReadIntValue(file, "settings", mine, -1) != i;
            failures += seen < std::exchange(lastSeen, seen);
            if (i % 400 == 0)
                failures += !FlushProfile(file);
        }
    };
    std::thread first(work, "first", "second"), second(work, "second", "first");
    first.join();
    second.join();
    EXPECT_EQ(failures.load(), 0);
    ASSERT_TRUE(FlushProfile(file));
    EXPECT_EQ(ReadIntValue(file, "settings", "first", -1) + ReadIntValue(file, "settings", "second", -1), 2 * 1999);
}

} // namespace
