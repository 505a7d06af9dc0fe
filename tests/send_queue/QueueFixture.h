// QueueFixture: a program folder, a "Sent Files/" folder and a typist's folder in a fresh temporary folder, with
// helpers that make sent dictations (wave, record) and recipients, as the send queue meets them.
#pragma once

#include "SendContext.h"
#include "SpeechLikeWave.h"
#include "TempFolder.h"

#include <WaveFormatRecord.h>
#include <cstdint>
#include <string>

class QueueFixture {
public:
    QueueFixture();

    SendContext Context() const { return {m_program, m_settings, m_sent}; }
    const std::string& Program() const { return m_program; }
    const std::string& Sent() const { return m_sent; }
    const std::string& Settings() const { return m_settings; }
    const std::string& Typist() const { return m_typist; }
    const TempFolder& Temp() const { return m_temp; }

    // A sent dictation: "<name>.wav" (8000 Hz 16-bit mono noise of `seconds`) and its record (number, sendstatus
    // "Sent", recipient text); returns the wave path.
    std::string MakeSentDictation(const std::string& name, int32_t number, double seconds = 1.0,
                                  const std::string& recipientText = "") const;
    std::string RecordPath(const std::string& name) const { return m_sent + name + ".dat"; }

    // Stores recipient `index` (raising "sendcount" to cover it) sending into `folder` in `format`.
    void MakeFolderRecipient(int index, const std::string& name, const std::string& folder,
                             const WaveFormatRecord& format) const;
    // The GSM 6.10 format at 8000 Hz mono.
    static WaveFormatRecord GsmFormat();

    void SetUserId(int32_t id) const;

    // Names in the folder that do not start with '.', and all names.
    std::vector<std::string> VisibleNames(const std::string& folder) const;
    std::vector<std::string> AllNames(const std::string& folder) const;

private:
    TempFolder m_temp;
    std::string m_program;
    std::string m_sent;
    std::string m_settings;
    std::string m_typist;
};
