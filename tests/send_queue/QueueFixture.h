// QueueFixture: a program folder, a "Sent Files/" folder and a typist's folder in a fresh temporary folder, with
// helpers that make sent dictations (wave, record) and folder recipients, as the send queue meets them.
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

struct QueueFixture {
    QueueFixture() {
        MakeFolders(program);
        MakeFolders(sent);
        MakeFolders(typist);
        SetUserId(42);
    }

    SendContext Context() const { return {program, settings, sent}; }

    // A sent dictation: "<name>.wav" (8000 Hz 16-bit speech-like noise of `seconds`) and its record (number, date,
    // sendstatus "Sent", recipient text); returns the wave path.
    std::string MakeSentDictation(const std::string& name, int32_t number, double seconds = 1.0,
                                  const std::string& recipientText = "") const {
        WriteSpeechLikeWave(sent + name + ".wav", seconds, 8000, static_cast<uint32_t>(number));
        temp.Write("Sent Files/" + name + ".dat", "[file]\nnumber=" + std::to_string(number) +
                                                      "\ndate=1700000000\nsendstatus=Sent\nrecipient=" + recipientText +
                                                      "\n");
        return sent + name + ".wav";
    }
    std::string RecordPath(const std::string& name) const { return sent + name + ".dat"; }

    // Stores recipient `index` (raising "sendcount" to cover it) sending into `folder` in GSM 6.10, 8000 Hz mono.
    void MakeFolderRecipient(int index, const std::string& name, const std::string& folder) const {
        TypistRecipient recipient;
        recipient.SetText(RecipientField::Name, name);
        recipient.SetMethod(SendMethod::Lan);
        recipient.SetText(RecipientField::Folder, folder);
        (void)recipient.SetFormat(CodecCatalog::MakeFormat("gsm", 8000, 1).value());
        (void)recipient.Save(RecipientPath(program, index));
        (void)WriteIntValue(settings, SettingsKeys::kSendCount,
                            std::max(index + 1, ReadIntValue(settings, SettingsKeys::kSendCount)));
        (void)FlushProfile(settings);
    }

    void SetUserId(int32_t id) const {
        (void)WriteIntValue(settings, SettingsKeys::kUserId, id);
        (void)FlushProfile(settings);
    }

    // The names in a folder, sorted; without those starting with '.' unless `hidden`.
    static std::vector<std::string> Names(const std::string& folder, bool hidden = false) {
        std::vector<std::string> names = ListFolder(folder).value_or(std::vector<std::string>{});
        std::erase_if(names, [hidden](const std::string& name) { return !hidden && name.starts_with('.'); });
        std::sort(names.begin(), names.end());
        return names;
    }

    TempFolder temp;
    const std::string program = temp / "program/";
    const std::string sent = temp / "Sent Files/";
    const std::string settings = program + "settings.ini";
    const std::string typist = temp / "typist/";
};
