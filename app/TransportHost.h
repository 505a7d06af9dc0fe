// TransportHost: what the dictation transport asks of the part of the program it works for (the dictation session
// implements it): showing the position, the Play and Record state and the levels, telling the user of a device or
// editing failure, a new dictation for Record, and the splice of an insert recording. Every call comes on the main
// thread.
//
//   DictationTransport transport(host, player, recorder, settings.settingsFile, settings.currentFolder, &backend);
//   void DictationSession::ShowPosition(int32_t position, int32_t length) override { m_view.ShowPosition(...); }
#pragma once

#include "audio/LDBMC.h"

#include <cstdint>
#include <string>

enum class RecordImage { Idle, Waiting, Recording };

class InsertSplice;

class TransportHost {
public:
    virtual ~TransportHost() = default;

    // The position and the length (1/10000 s).
    virtual void ShowPosition(int32_t position, int32_t length) = 0;
    // True while playing.
    virtual void ShowPlaying(bool playing) = 0;
    // Idle, waiting for sound or recording, in the overwrite or the insert variant.
    virtual void ShowRecording(RecordImage image, bool insertMode) = 0;
    // The levels while playing or recording; nullptr: none.
    virtual void ShowLevels(const LDBMC* levels) = 0;
    // A "Sound Device Error" with this text.
    virtual void ShowDeviceError(const std::string& text) = 0;
    // A note that needs no answer (the chosen input line has nothing plugged in), for the status line.
    virtual void ShowNote(const std::string& text) = 0;
    // For Record without a current dictation: creates one, lists and selects it, and returns its wave path ("" on
    // failure; nothing is recorded then).
    virtual std::string CreateDictationForRecording() = 0;
    // Runs the splice while its progress is shown; true when the recording was spliced in. The splice's Result()
    // and ErrorText() tell why not.
    virtual bool RunSplice(InsertSplice& splice) = 0;
    // True while a splice runs: the transport and the dictation list take no commands meanwhile.
    virtual void SetSpliceBusy(bool busy) = 0;
    // Before Record converts a dictation made by another program: asks the question (Yes / No); true converts,
    // false leaves the file as it is and nothing is recorded.
    virtual bool AskToConvert(const std::string& question) = 0;
    // A splice or a conversion failed (disk full ...). The dictation is as it was and an insert recording is kept
    // (it is offered back at the next start).
    virtual void ShowEditError(const std::string& text) = 0;
};
