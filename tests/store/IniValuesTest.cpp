#include "IniValues.h"

#include "FileOps.h"
#include "SettingsKeys.h"
#include "TempFolder.h"

#include <atomic>
#include <climits>
#include <gtest/gtest.h>
#include <string>
#include <thread>

namespace {

class IniValues : public ::testing::Test {
protected:
    // Writes `text` as the value of settings/key in a fresh file and reads it back with `read`.
    template <typename Read> auto ReadText(std::string_view text, Read read) {
        const std::string file = m_folder.Write("values" + std::to_string(m_files++) + ".ini",
                                                "[settings]\nkey=" + std::string(text) + "\n");
        return read(file);
    }

    // The file as it is on disk after a flush.
    std::string OnDisk(const std::string& file) {
        EXPECT_TRUE(FlushProfile(file));
        return ReadFileBytes(file).value_or("<missing>");
    }

    TempFolder m_folder;
    int m_files = 0;
};

int32_t Int(const std::string& file) {
    return ReadIntValue(file, "settings", "key", -99);
}
bool Bool(const std::string& file) {
    return ReadBoolValue(file, "settings", "key", true);
}
int8_t Db(const std::string& file) {
    return ReadDbValue(file, "settings", "key", 42);
}

} // namespace

TEST_F(IniValues, IntegersAreWrittenAsPlainDecimals) {
    const std::string file = m_folder / "settings.ini";
    ASSERT_TRUE(WriteIntValue(file, "settings", "zero", 0));
    ASSERT_TRUE(WriteIntValue(file, "settings", "minus", -2));
    ASSERT_TRUE(WriteIntValue(file, "settings", "number", 17));
    ASSERT_TRUE(WriteIntValue(file, "settings", "lowest", INT32_MIN));
    EXPECT_EQ(OnDisk(file), "[settings]\nzero=0\nminus=-2\nnumber=17\nlowest=-2147483648\n");
    EXPECT_EQ(ReadIntValue(file, "SETTINGS", "Number", 0), 17);
    EXPECT_EQ(ReadIntValue(file, "settings", "lowest", 0), INT32_MIN);
}

TEST_F(IniValues, IntegersReadTheDigitsAfterBlanksAndASign) {
    EXPECT_EQ(ReadText("12abc", Int), 12);
    EXPECT_EQ(ReadText("abc", Int), 0);
    EXPECT_EQ(ReadText("", Int), 0);
    EXPECT_EQ(ReadText("-", Int), 0);
    EXPECT_EQ(ReadText("\t -42 7", Int), -42);
    EXPECT_EQ(ReadText("+8", Int), 8);
    EXPECT_EQ(ReadText("007", Int), 7);
    EXPECT_EQ(ReadText("1e5", Int), 1);
    EXPECT_EQ(ParseIntText("   \t  35"), 35);
}

TEST_F(IniValues, IntegersBeyondTheRangeSaturate) {
    EXPECT_EQ(ReadText("2147483647", Int), INT32_MAX);
    EXPECT_EQ(ReadText("2147483648", Int), INT32_MAX);
    EXPECT_EQ(ReadText("99999999999999999999999", Int), INT32_MAX);
    EXPECT_EQ(ReadText("-2147483648", Int), INT32_MIN);
    EXPECT_EQ(ReadText("-2147483649", Int), INT32_MIN);
    EXPECT_EQ(ParseInt64Text("9223372036854775808"), INT64_MAX);
    EXPECT_EQ(ParseInt64Text("-9223372036854775809"), INT64_MIN);
    EXPECT_EQ(ParseInt64Text("4102444800"), 4102444800); // 2100-01-01: dates need more than 32 bits
}

TEST_F(IniValues, MissingKeysSectionsAndFilesReadTheDefault) {
    const std::string file = m_folder.Write("some.ini", "[settings]\nother=5\n");
    EXPECT_EQ(ReadIntValue(file, "settings", "missing", -7), -7);
    EXPECT_EQ(ReadIntValue(file, "nosection", "other", 3), 3);
    EXPECT_EQ(ReadIntValue(m_folder / "absent.ini", "settings", "other", INT32_MIN), INT32_MIN);
    EXPECT_EQ(ReadInt64Value(file, "settings", "missing", 5000000000), 5000000000);
    EXPECT_EQ(ReadStringValue(file, "settings", "missing", "fallback"), "fallback");
    EXPECT_EQ(ReadDbValue(file, "settings", "missing", -15), -15);
    EXPECT_TRUE(ReadBoolValue(file, "settings", "missing", true));
    EXPECT_FALSE(ReadBoolValue(file, "settings", "missing", false));
    EXPECT_FALSE(PathExists(m_folder / "absent.ini"));
}

TEST_F(IniValues, BooleansAreTrueOnlyForTheWordTrueInAnyCase) {
    EXPECT_TRUE(ReadText("true", Bool));
    EXPECT_TRUE(ReadText("TRUE", Bool));
    EXPECT_TRUE(ReadText("True", Bool));
    EXPECT_FALSE(ReadText("yes", Bool));
    EXPECT_FALSE(ReadText("1", Bool));
    EXPECT_FALSE(ReadText("", Bool)); // present but empty: not the default
    EXPECT_FALSE(ReadText("truer", Bool));

    const std::string file = m_folder / "flags.ini";
    ASSERT_TRUE(WriteBoolValue(file, "settings", "on", true));
    ASSERT_TRUE(WriteBoolValue(file, "settings", "off", false));
    EXPECT_EQ(OnDisk(file), "[settings]\non=true\noff=false\n");
}

TEST_F(IniValues, DecibelLevelsReadByTheirDigitsAndDashes) {
    EXPECT_EQ(ReadText("--dB", Db), -127);
    EXPECT_EQ(ReadText("-15dB", Db), -15);
    EXPECT_EQ(ReadText("6dB", Db), 6);
    EXPECT_EQ(ReadText("dB", Db), 0);
    EXPECT_EQ(ReadText("", Db), 0);
    EXPECT_EQ(ReadText("200dB", Db), 127);
    EXPECT_EQ(ReadText("-200dB", Db), -127);
    EXPECT_EQ(ReadText("-1-5", Db), -127);  // the second dash sets 127, the 5 only grows it
    EXPECT_EQ(ReadText("1-5", Db), -15);    // one dash anywhere makes it negative
    EXPECT_EQ(ReadText("1 2 x3", Db), 123); // everything but digits and dashes is skipped
    EXPECT_EQ(ReadText(std::string(400, '9'), Db), 127);
}

TEST_F(IniValues, DecibelLevelsAreWrittenWithTheirUnitAndTheLowestAsDashes) {
    const std::string file = m_folder / "levels.ini";
    ASSERT_TRUE(WriteDbValue(file, "settings", "a", -127));
    ASSERT_TRUE(WriteDbValue(file, "settings", "b", -128));
    ASSERT_TRUE(WriteDbValue(file, "settings", "c", -126));
    ASSERT_TRUE(WriteDbValue(file, "settings", "d", 0));
    ASSERT_TRUE(WriteDbValue(file, "settings", "e", 6));
    EXPECT_EQ(OnDisk(file), "[settings]\na=--dB\nb=--dB\nc=-126dB\nd=0dB\ne=6dB\n");
    EXPECT_EQ(ReadDbValue(file, "settings", "b", 0), -127);
    EXPECT_EQ(ReadDbValue(file, "settings", "c", 0), -126);
    // A default is passed as its text too, so -128 reads as the lowest level.
    EXPECT_EQ(ReadDbValue(file, "settings", "missing", -128), -127);
}

TEST_F(IniValues, AWriteThatCannotBeStoredIsReported) {
    const std::string file = m_folder / "settings.ini";
    EXPECT_FALSE(WriteIntValue(file, "settings", "bad=key", 1));
    EXPECT_FALSE(WriteBoolValue(file, "", "key", true));
    EXPECT_FALSE(WriteStringValue(file, "sec]tion", "key", "x"));
    EXPECT_TRUE(FlushProfile(file)); // nothing pending
    EXPECT_FALSE(PathExists(file));

    const std::string unreachable = m_folder / "no such folder/settings.ini";
    ASSERT_TRUE(WriteIntValue(unreachable, "settings", "number", 4));
    EXPECT_FALSE(FlushProfile(unreachable));
    ASSERT_TRUE(MakeFolders(m_folder / "no such folder"));
    EXPECT_TRUE(FlushProfile(unreachable)); // the write stayed cached for a later try
    EXPECT_EQ(m_folder.Read("no such folder/settings.ini"), "[settings]\nnumber=4\n");
}

TEST_F(IniValues, AMissingSettingsFileReadsTheDefaultsOfTheKeyTable) {
    const std::string file = m_folder / "settings.ini";
    EXPECT_EQ(ReadIntValue(file, SettingsKeys::kNumber), 1);
    EXPECT_EQ(ReadIntValue(file, SettingsKeys::kSendCount), 0);
    EXPECT_EQ(ReadIntValue(file, SettingsKeys::kSoundInChan), -2);
    EXPECT_EQ(ReadIntValue(file, SettingsKeys::kDockSoundInChan), -2);
    EXPECT_EQ(ReadDbValue(file, SettingsKeys::kRecordVolume), 0);
    EXPECT_EQ(ReadDbValue(file, SettingsKeys::kVoiceActivate), -15);
    EXPECT_EQ(ReadDbValue(file, SettingsKeys::kDockActivate), -15);
    EXPECT_FALSE(ReadBoolValue(file, SettingsKeys::kDockAutoSend));
    EXPECT_EQ(ReadStringValue(file, SettingsKeys::kUserEmail), "");
    for (const StringKey& key : UserKeys::kDetails)
        EXPECT_EQ(ReadStringValue(file, key), "") << key.name;
}

// The send worker reads the settings file while the main thread writes it: every single-key call stands alone.
TEST_F(IniValues, TwoThreadsReadingAndWritingSingleKeysLoseNothing) {
    const std::string file = m_folder / "settings.ini";
    constexpr int kRounds = 2000;
    std::atomic<int> failures{0};
    const auto work = [&](const std::string& mine, const std::string& theirs) {
        int lastSeen = -1;
        for (int i = 0; i < kRounds; ++i) {
            if (!WriteIntValue(file, "settings", mine, i) || ReadIntValue(file, "settings", mine, -1) != i)
                ++failures;
            const int seen = ReadIntValue(file, "settings", theirs, -1);
            if (seen < lastSeen)
                ++failures;
            lastSeen = seen;
            if (i % 40 == 0 && !WriteStringValue(file, "user", mine + std::to_string(i), "v" + std::to_string(i)))
                ++failures;
            if (i % 400 == 0 && !FlushProfile(file))
                ++failures;
        }
    };
    std::thread first(work, "first", "second");
    std::thread second(work, "second", "first");
    first.join();
    second.join();
    EXPECT_EQ(failures.load(), 0);

    const std::string text = OnDisk(file);
    EXPECT_NE(text.find("first=1999\n"), std::string::npos);
    EXPECT_NE(text.find("second=1999\n"), std::string::npos);
    for (int i = 0; i < kRounds; i += 40) {
        EXPECT_NE(text.find("first" + std::to_string(i) + "=v" + std::to_string(i) + "\n"), std::string::npos);
        EXPECT_NE(text.find("second" + std::to_string(i) + "=v" + std::to_string(i) + "\n"), std::string::npos);
    }
}
