// SessionView: what the dictation session reports to the window that shows it (the main window implements it, tests
// a recording fake): the list and the current dictation, the transport's displays, the send progress, messages and
// questions for the user, deliveries and their failures, and the progress of a splice. Every call comes on the main
// thread.
//
//   class MainDialog : public QWidget, public SessionView { ... };
//   void MainDialog::Tell(const SessionMessage& message) override { QMessageBox box(...); box.exec(); }
#pragma once

#include "app/TransportHost.h"

#include <string>
#include <vector>

struct DeliveryNotice;

// What the window shows of the current dictation.
struct DictationDetails {
    std::string name;
    std::string priority; // the record's text; the window selects the matching entry, or none
    std::string notes;    // with LF line ends
    std::string dateText; // "Dictation started ..."
};

enum class MessageKind { Information, Warning, Question };

struct SessionMessage {
    MessageKind kind = MessageKind::Warning;
    std::string caption;
    std::string text;
};

// The buttons of a question; Ask answers true for the first.
enum class AnswerButtons { YesNo, OkCancel };

class SessionView {
public:
    virtual ~SessionView() = default;

    // The dictation list in list order, and the current dictation's name ("" when none is current).
    virtual void ShowList(const std::vector<std::string>& names, const std::string& current) = 0;
    // Another dictation became current; nullptr when none is.
    virtual void ShowCurrent(const DictationDetails* details) = 0;

    // The transport: position and length (1/10000 s), playing, recording, levels (nullptr: none).
    virtual void ShowPosition(int32_t position, int32_t length) = 0;
    virtual void ShowPlaying(bool playing) = 0;
    virtual void ShowRecording(RecordImage image, bool insertMode) = 0;
    virtual void ShowLevels(const LDBMC* levels) = 0;
    // True while a splice runs: only help and about are available meanwhile.
    virtual void ShowBusy(bool busy) = 0;

    // The send queue's progress as a percentage (0 to 100).
    virtual void ShowSendProgress(int percent) = 0;
    // A dictation was handed to the send queue.
    virtual void ShowSent(const std::string& name) = 0;
    // The queue delivered a dictation to its recipient; a delivery failed (the text the user is asked about).
    virtual void ShowDelivered(const DeliveryNotice& delivery) = 0;
    virtual void ShowDeliveryFailure(const std::string& text) = 0;

    // A note in the status line.
    virtual void ShowNote(const std::string& text) = 0;
    // A message box with OK.
    virtual void Tell(const SessionMessage& message) = 0;
    // A question; true for Yes or OK.
    virtual bool Ask(const SessionMessage& message, AnswerButtons buttons) = 0;

    // Runs the splice while showing its progress (with Cancel); true when the recording was spliced in.
    virtual bool RunSplice(InsertSplice& splice) = 0;
};
