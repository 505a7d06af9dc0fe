// SendQueue: what the program asks of the background send queue. BGSend is the real one; the session, the send
// dialogs and their tests see only this. Every member is called on the main thread.
//
//   if (!queue.Add(sentWavePath, recipientIndex)) { /* roll the send back */ }
//   queue.SetNotify(&poster, [this] { ShowProgress(queue.ShownProgress()); });
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

class Poster;

// A text to show with OK only. `caption` names the message box; empty stands for the program's own name.
struct QueueNotice {
    std::string text;
    std::string caption;
    bool operator==(const QueueNotice&) const = default;
};

// A delivery failure to show with OK (the recipient's dictations stay queued and are retried) and Cancel
// (CancelRecipient of `recipientIndex`).
struct QueueFailure {
    std::string text;
    int recipientIndex = 0;
    bool operator==(const QueueFailure&) const = default;
};

// A dictation that reached its typist: the recipient's name and the dictation's.
struct DeliveryNotice {
    std::string recipient;
    std::string dictation;
    bool operator==(const DeliveryNotice&) const = default;
};

class SendQueue {
public:
    virtual ~SendQueue() = default;

    // Queues a wave path of "Sent Files/" for a recipient index; true once the entry is on disk (or was queued
    // already), false when nothing was queued.
    [[nodiscard]] virtual bool Add(const std::string& sentWavePath, int recipientIndex) = 0;
    // Whether an entry names this wave path.
    virtual bool IsQueued(const std::string& sentWavePath) const = 0;
    // Takes the entries of this wave path out of the queue; false when it was not queued or the queue file could
    // not be written (it is then still queued).
    virtual bool Remove(const std::string& sentWavePath) = 0;
    // A recipient was deleted and the later ones moved down by one: entries follow; false when they could not.
    virtual bool RenumberRecipients(int deletedIndex) = 0;

    // The progress value last published: remaining work in dictations, 0 when idle.
    virtual float ShownProgress() const = 0;
    // `onProgress` runs through `poster` each time the progress moves; a null poster detaches.
    virtual void SetNotify(Poster* poster, std::function<void()> onProgress) = 0;

    // The oldest delivery failure waiting to be shown, each once.
    virtual std::optional<QueueFailure> TakeFailure() = 0;
    // Notices waiting to be shown with OK only, oldest first, each once.
    virtual std::vector<QueueNotice> TakeNotices() = 0;
    // Deliveries since the last call, oldest first, each once.
    virtual std::vector<DeliveryNotice> TakeDeliveries() = 0;
    // The user's Cancel of a failure: the recipient's queued dictations are marked not sent and taken off the
    // queue; other recipients' stay.
    virtual void CancelRecipient(int recipientIndex) = 0;
    // Called by a periodic timer: sends again to the recipients whose retry time has come.
    virtual void RetryDue() = 0;
};
