// Fuzzes the reading of recipient files: the bytes become "Recipient 0.dat" in a temporary folder and are read
// over the default record; every text field, the list line and the target format are read back, and the record
// is saved and read again. The same bytes also go through the single-byte text conversions.
#include "FuzzInputFolder.h"
#include "platform/FileOps.h"
#include "platform/LFile.h"
#include "send/SingleByteText.h"
#include "send/TypistRecipient.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

const std::string& Folder() {
    return FuzzInputFolder::Path("recipient-record");
}

void Check(bool condition) {
    if (!condition)
        std::abort();
}

constexpr RecipientField kFields[] = {
    RecipientField::Name,    RecipientField::EmailAddress, RecipientField::Folder,      RecipientField::FtpServer,
    RecipientField::FtpUser, RecipientField::FtpPassword,  RecipientField::FtpDirectory};
constexpr size_t kFieldSizes[] = {32, 128, 256, 128, 32, 32, 256};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const std::string path = RecipientPath(Folder(), 0);
    {
        LWriteFile file(path);
        if (!file.IsOpen() || !file.Write(bytes.data(), bytes.size()))
            std::abort();
    }

    TypistRecipient recipient;
    Check(recipient.Load(path));
    for (size_t i = 0; i < std::size(kFields); ++i) {
        const std::string text = recipient.Text(kFields[i]);
        // At most size - 1 characters of at most three UTF-8 bytes each, without a zero byte.
        Check(text.size() <= (kFieldSizes[i] - 1) * 3 && text.find('\0') == std::string::npos);
        Check(Utf8ToSingleByte(text).size() <= kFieldSizes[i] - 1);
    }
    const std::string line = recipient.DisplayText(true);
    Check(line.starts_with(recipient.Name() + " DEFAULT ("));
    bool unusable = false;
    const WaveFormatRecord format = recipient.FormatOrDefault(unusable);
    Check(!unusable || format == TypistRecipient::DefaultFormat());
    Check(format.extra.size() + WaveFormatRecord::kFixedSize <= TypistRecipient::kFormatSize);

    // What was read is saved and read back unchanged.
    Check(recipient.Save(path));
    TypistRecipient again;
    Check(again.Load(path));
    Check(std::equal(again.Bytes().begin(), again.Bytes().end(), recipient.Bytes().begin()));

    // The conversions: one byte per character, defined bytes survive a round trip, prefixes stay whole.
    const std::string single = Utf8ToSingleByte(bytes);
    Check(single.size() <= bytes.size());
    const std::string utf8 = SingleByteToUtf8(single);
    Check(Utf8ToSingleByte(utf8).size() == single.size());
    Check(SingleByteToUtf8(Utf8ToSingleByte(utf8)) == utf8);
    const std::string_view prefix = Utf8Prefix(utf8, size / 2);
    Check(prefix.size() <= size / 2 && Utf8ToSingleByte(prefix).size() <= single.size());
    return 0;
}
