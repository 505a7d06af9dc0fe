// Fuzzes the reading of status files from the typist side: the bytes become a status file in a temporary folder
// and are read; each record's text must be short, terminated and free of control characters, and the count must
// follow from the length. The same file is then merged into a small sent folder of three records, whose status
// must afterwards be the last matching record's text (or stay as it was).
#include "FuzzInputFolder.h"
#include "platform/FileOps.h"
#include "send/SingleByteText.h"
#include "send/StatusFile.h"
#include "store/IniValues.h"
#include "store/RecordKeys.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

const std::string& Folder() {
    return FuzzInputFolder::Path("status-file");
}

void Check(bool condition) {
    if (!condition)
        std::abort();
}

constexpr int32_t kNumbers[] = {1, 2, 1000};
constexpr const char* kNames[] = {"a", "b", "c"};
constexpr std::string_view kUnchanged = "Sent";

std::string SentFolder() {
    return Folder() + "Sent Files/";
}

// Fresh records each time: written atomically, so no cached copy of an earlier run is taken for them.
void ResetSentFolder() {
    static const bool made = MakeFolders(SentFolder());
    Check(made);
    for (size_t i = 0; i < 3; ++i)
        Check(WriteFileAtomically(SentFolder() + kNames[i] + ".dat",
                                  "[file]\nnumber=" + std::to_string(kNumbers[i]) + "\nsendstatus=Sent\n"));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const std::string path = Folder() + "s0000042.sta";
    Check(WriteFileAtomically(path, bytes));

    const std::vector<StatusRecord> records = ReadStatusFile(path);
    const bool valid = size >= kStatusHeaderSize && data[0] == 0 && data[1] == 0 && data[2] == 0 && data[3] == 0;
    Check(records.size() == (valid ? (size - kStatusHeaderSize) / kStatusRecordSize : 0));
    for (const StatusRecord& record : records) {
        Check(Utf8ToSingleByte(record.text).size() < kStatusTextSize);
        for (const char c : record.text)
            Check(static_cast<unsigned char>(c) >= 0x20 && c != 0x7F);
    }
    const std::optional<std::vector<StatusRecord>> parsed = ParseStatusBytes(bytes);
    Check(parsed.has_value() == valid && (!parsed || *parsed == records));

    ResetSentFolder();
    const StatusMergeResult merged = ApplyStatusFile(path, SentFolder());
    Check(merged.fileRead == valid && merged.records == records.size() && merged.allWritten);
    for (size_t i = 0; i < 3; ++i) {
        std::string expected(kUnchanged);
        for (const StatusRecord& record : records)
            if (record.number == static_cast<uint32_t>(kNumbers[i]))
                expected = record.text;
        Check(ReadStringValue(SentFolder() + kNames[i] + ".dat", RecordKeys::kSendStatus) == expected);
    }
    return 0;
}
