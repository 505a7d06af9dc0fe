// SendFixture: a program folder (user id 42) with "Sent Files/", a typist's folder, sent dictations, recipients.
#pragma once

#include "SpeechLikeWave.h"
#include "TempFolder.h"
#include "platform/CodecCatalog.h"
#include "platform/FileOps.h"
#include "send/SendContext.h"
#include "send/TypistRecipient.h"
#include "store/IniValues.h"
#include "store/RecordKeys.h"
#include "store/SettingsKeys.h"

#include <algorithm>
#include <gtest/gtest.h>

using Names = std::vector<std::string>;

struct SendFixture {
    bool SetInt(const IntKey& key, int32_t value) const {
        return WriteIntValue(settings, key, value) && FlushProfile(settings);
    }
    // "Sent Files/<name>.dat" (a negative number writes no "number"); its path.
    std::string WriteSent(const std::string& name, int32_t number, const std::string& status = "Sent",
                          int64_t sendDate = 1700000000, const std::string& recipient = "Jane (/typing)") const {
        return temp.Write("Sent Files/" + name + ".dat",
                          "[file]\n" + (number >= 0 ? "number=" + std::to_string(number) + "\n" : "") +
                              "date=1700000000\nsenddate=" + std::to_string(sendDate) + "\nrecipient=" + recipient +
                              "\nsendstatus=" + status + "\n");
    }
    // A sent dictation: its record and "<name>.wav", 8000 Hz speech-like noise of `seconds`; the wave's path.
    std::string MakeSentDictation(const std::string& name, int32_t number, double seconds = 1.0,
                                  const std::string& recipient = "") const {
        WriteSent(name, number, "Sent", 1700000000, recipient);
        WriteSpeechLikeWave(sent + name + ".wav", seconds, 8000, static_cast<uint32_t>(number));
        return sent + name + ".wav";
    }
    std::string RecordPath(const std::string& name) const { return sent + name + ".dat"; }
    Names Values(const Names& names, const StringKey& key) const {
        Names values;
        for (const std::string& name : names)
            values.push_back(ReadStringValue(RecordPath(name), key));
        return values;
    }

    // Stores `recipient` as recipient `index`, raising "sendcount" to cover it.
    void AddRecipient(int index, const TypistRecipient& recipient) const {
        EXPECT_TRUE(recipient.Save(RecipientPath(program, index)));
        EXPECT_TRUE(
            SetInt(SettingsKeys::kSendCount, std::max(index + 1, ReadIntValue(settings, SettingsKeys::kSendCount))));
    }
    // A recipient sending into `folder`, in GSM 6.10 at 8000 Hz mono.
    static TypistRecipient FolderRecipient(const std::string& folder, const std::string& name = "Ann") {
        TypistRecipient recipient;
        recipient.SetText(RecipientField::Name, name);
        recipient.SetMethod(SendMethod::Lan);
        recipient.SetText(RecipientField::Folder, folder);
        (void)recipient.SetFormat(CodecCatalog::MakeFormat("gsm", 8000, 1).value());
        return recipient;
    }

    // The names in a folder, sorted; without those starting with '.' unless `hidden`.
    static Names List(const std::string& folder, bool hidden = false) {
        Names names = ListFolder(folder).value_or(Names{"<unlistable>"});
        std::erase_if(names, [hidden](const std::string& name) { return !hidden && name.starts_with('.'); });
        std::sort(names.begin(), names.end());
        return names;
    }

    TempFolder temp;
    const std::string program = temp.Path();
    const std::string settings = program + "settings.ini";
    const std::string sent = program + "Sent Files/";
    const std::string typist = temp / "typist/";
    const SendContext context{program, settings, sent};
    const bool made = MakeFolders(sent) && MakeFolders(typist) && SetInt(SettingsKeys::kUserId, 42);
};
