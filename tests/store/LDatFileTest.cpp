#include "LDatFile.h"

#include "FileOps.h"
#include "IniValues.h"
#include "RecordKeys.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

TEST(LDatFile, DestroyingItFlushesTheRecord) {
    TempFolder folder;
    const std::string path = folder / "Dictation 1.dat";
    {
        LDatFile record(path);
        ASSERT_TRUE(WriteIntValue(record.Path(), RecordKeys::kNumber, 1));
        ASSERT_TRUE(WriteStringValue(record.Path(), RecordKeys::kPriority, "High"));
        EXPECT_FALSE(PathExists(path)); // cached until flushed
    }
    EXPECT_EQ(folder.Read("Dictation 1.dat"), "[file]\nnumber=1\npriority=High\n");
}

TEST(LDatFile, AnExplicitFlushReportsWhetherTheRecordReachedTheDisk) {
    TempFolder folder;
    LDatFile record(folder / "gone/Dictation 2.dat");
    EXPECT_TRUE(record.Flush()); // nothing to write yet
    ASSERT_TRUE(WriteIntValue(record.Path(), RecordKeys::kNumber, 2));
    EXPECT_FALSE(record.Flush());
    ASSERT_TRUE(MakeFolders(folder / "gone"));
    EXPECT_TRUE(record.Flush());
    EXPECT_EQ(folder.Read("gone/Dictation 2.dat"), "[file]\nnumber=2\n");
}
