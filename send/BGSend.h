// BGSend: the persistent background send queue ("bgsend.dat" in the program's folder) and its single worker at
// idle priority, which converts each queued dictation into its recipient's format, wraps it into a dictation
// package and hands that to the recipient's transport. The main thread calls every public member; the worker
// never shows anything: failures and notices wait in TakeFailure / TakeNotices for the main window's timer.
// A recipient whose delivery failed waits for its retry while the dictations of other recipients go ahead; a
// dictation that cannot be sent at all is taken off; a full disk holds the whole queue until its next retry.
//
//   BGSend queue(context);                         // context: program folder, settings file, "Sent Files/"
//   queue.SetNotify(&poster, [this] { RedrawProgress(queue.ShownProgress()); });
//   queue.Open(programFolder);                     // resumes what a former run left queued
//   if (!queue.Add(sentWavePath, recipientIndex)) { /* roll the send back */ }
#pragma once

#include "platform/LThread.h"
#include "send/DictationPackage.h"
#include "send/SendContext.h"
#include "send/SendQueue.h"
#include "send/TransportReport.h"

#include <atomic>
#include <chrono>
#include <functional>
#include <limits>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class SendQueueFile;
struct QueueEntry;
class TypistRecipient;

// What a transport is handed for one delivery.
struct DeliveryRequest {
    std::string dictationName;        // the wave file's name without folder and extension
    const TypistRecipient& recipient; // the loaded recipient record
    std::string packagePath;          // the ".dct" file in "Sent Files/"
    const SendContext& context;
};

// One send method: true only when the package counts as delivered.
using DeliveryFunction = std::function<bool(TransportReport& report, const DeliveryRequest& request)>;

// The transport of each send method. Empty members use the real transports (SendByEmail, SendByLan, and an
// FtpDelivery that keeps its session between packages).
struct SendTransports {
    DeliveryFunction email;
    DeliveryFunction lan;
    DeliveryFunction ftp;
    // Called when the worker ends, to close what the transports keep between deliveries (may be empty).
    std::function<void()> release;
};

// Points of one send at which a stage hook is called on the worker thread (tests and the crash driver).
enum class SendStage {
    Converting, // before the conversion starts
    Converted1, // after the first converted block was written
    Packaging,  // the converted audio is complete; the package is about to be written
    Packaged,   // the package is written; the transport is about to be called
    Ending      // the worker has found nothing more to do (or must stop) and is about to end
};

// The time the retries are counted in; tests drive their own.
using QueueClock = std::function<std::chrono::steady_clock::time_point()>;

class BGSend final : public SendQueue, public LThreadNotifyProgress, private TransportReport {
public:
    static constexpr const char* kQueueFileName = "bgsend.dat";
    static constexpr float kProgressStep = 0.04f;
    // The record's "delivery" values.
    static constexpr std::string_view kDeliveryPending = "Pending";
    static constexpr std::string_view kDeliveryDelivered = "Delivered";
    static constexpr std::string_view kDeliveryNotSent = "Not sent";
    static constexpr std::string_view kDeliveryWaiting = "Waiting to retry";
    // How long a recipient waits after its first, second, ... failure; the last one repeats.
    static constexpr std::chrono::minutes kRetryDelays[] = {std::chrono::minutes(1), std::chrono::minutes(2),
                                                            std::chrono::minutes(5), std::chrono::minutes(10)};
    // The notice when the queue file does not keep what was written; shown with this caption.
    static constexpr const char* kFileSystemErrorText = "Tallowin internal files are read only or corrupt.";
    static constexpr const char* kFileSystemErrorCaption = "File System Error";

    explicit BGSend(SendContext context);
    BGSend(SendContext context, SendTransports transports);
    ~BGSend() override;

    // `programFolder` must end in '/' (otherwise nothing happens and false). Stops a running worker, then
    // resumes the queue: the worker starts when entries are waiting, and every waiting recipient is retried.
    bool Open(const std::string& programFolder);

    // Appends the dictation (its wave file in "Sent Files/") for the recipient of that index; the entry is on
    // disk before this returns true. False when the queue is not open, the path is not a wave file of "Sent
    // Files/" or the queue file cannot be written (nothing is then queued). A path already queued is not
    // queued twice (true). Every waiting recipient, and a queue held by a full disk, is retried at once.
    [[nodiscard]] bool Add(const std::string& sentWavePath, int recipientIndex) override;

    // The "count" key (negative counts as 0); 0 before Open.
    int GetCount() const;
    // Writes "count" and moves the shown progress; false (with a notice) when it does not read back.
    bool SetCount(int count);

    // Whether an entry below "count" names this wave path.
    bool IsQueued(const std::string& sentWavePath) const override;
    // Takes the entry out of the queue (all of them, should it be queued twice) and marks the record not sent.
    // False when it was not queued or the queue file cannot be written. An entry being sent right now is left
    // to finish: the worker then finds it gone and removes nothing else.
    bool Remove(const std::string& sentWavePath) override;

    // A recipient was deleted: entries to a later index move down by one, entries to the deleted one go to the
    // recipient that is now the default.
    bool RenumberRecipients(int deletedIndex) override;

    float ShownProgress() const override { return LThreadNotifyProgress::ShownProgress(); }
    void SetNotify(Poster* poster, std::function<void()> onProgress) override {
        LThreadNotifyProgress::SetNotify(poster, std::move(onProgress));
    }

    // The oldest delivery failure waiting to be shown with OK / Cancel, once. A recipient that fails again
    // the same way is not told again until a delivery to it went through.
    std::optional<QueueFailure> TakeFailure() override;
    // Notices waiting to be shown with OK only, oldest first; each is returned once. Those about the queue file
    // carry kFileSystemErrorCaption.
    std::vector<QueueNotice> TakeNotices() override;
    std::vector<DeliveryNotice> TakeDeliveries() override;

    // The user's Cancel: stops the worker, marks the recipient's queued dictations not sent, takes them off the
    // queue and forgets the recipient's failures; the worker goes on with the rest.
    void CancelRecipient(int recipientIndex) override;
    // Starts the worker when a waiting recipient's (or the full disk's) retry time has come.
    void RetryDue() override;

    // At start: queues again each dictation of "Sent Files/" that was sent but neither delivered nor queued (a
    // crash between the move and Add), to the recipient whose display text its record names, else the default.
    // Returns how many were queued.
    int RequeueStranded();

    // True unless a worker runs and has not been asked to stop (by Stop, CancelRecipient or the end of the program).
    bool IsStopping() const { return !ShouldRun(); }

    // Test seams.
    void SetStageHook(std::function<void(SendStage)> hook);
    void SetClock(QueueClock clock);
    std::string QueuePath() const;

protected:
    void Run() override;

private:
    // TransportReport, for the transports on the worker thread.
    void PublishProgress(float done) override;
    void ReportFailure(const std::string& text) override;
    void ReportNotice(const std::string& text) override { AddNotice(text); }
    bool StopRequested() const override;

    // Dropped: the dictation cannot be sent and was told of; RecipientFailed: the recipient's transport failed;
    // DiskFull: nothing could be written. The failure text of the last two goes to `failure`.
    enum class ItemResult { Delivered, Stopped, Dropped, RecipientFailed, DiskFull };
    ItemResult SendItem(const std::string& wavePath, int recipientIndex, std::string& failure);

    // What waits for a retry: a recipient (by index) or, under kWholeQueue, every recipient.
    static constexpr int kWholeQueue = std::numeric_limits<int>::min();
    struct RetryWait {
        std::chrono::steady_clock::time_point due;
        size_t failures = 0;
        std::string failure; // the text last told
    };
    // Under m_lock: the first entry whose recipient does not wait, or nothing when every one waits.
    std::optional<QueueEntry> NextToSend(const std::vector<QueueEntry>& entries);
    // Under m_lock: after a send of `entry`, the waits, the records and what the user is told follow `result`.
    void FollowResult(const QueueEntry& entry, ItemResult result, const std::string& failure);
    // Under m_lock: `key` waits until its next retry; true when `failure` was not the one told last.
    bool Postpone(int key, const std::string& failure);
    // Under m_lock: writes `state` into the record of each queued dictation for the recipient.
    void MarkRecipient(int recipientIndex, std::string_view state);
    // Under m_lock: every wait is due now.
    void RetryAllNow();
    std::chrono::steady_clock::time_point Now() const;
    void Publish(float value);
    // Sets the target count and moves the shown progress to it.
    void MoveTarget(int count);
    // Makes sure a worker runs that will look at the queue again.
    void Wake();
    // A notice under the program's own caption.
    void AddNotice(std::string text);
    // kFileSystemErrorText under kFileSystemErrorCaption.
    void AddFileSystemNotice();
    void AddNotice(QueueNotice notice);
    // Writes the record's "delivery" key; false when it could not be stored.
    bool MarkDelivery(const std::string& wavePath, std::string_view state);
    void CallHook(SendStage stage);
    void CheckUserId();
    // Under m_lock: queue file rewrites that check the result and tell the user when it did not hold.
    bool RewriteQueue(SendQueueFile& file, const std::vector<QueueEntry>& entries);
    bool RemoveEntry(const QueueEntry& entry);
    bool DropUnusableEntries(SendQueueFile& file);

    SendContext m_context;
    SendTransports m_transports;

    // Under m_lock.
    std::string m_queuePath;
    std::vector<QueueFailure> m_failures;
    std::map<int, RetryWait> m_waits;
    QueueClock m_clock;
    std::vector<QueueNotice> m_notices;
    std::vector<DeliveryNotice> m_deliveries;
    bool m_workerEnding = false;
    std::function<void(SendStage)> m_stageHook;

    std::atomic<float> m_targetCount{0.0f};
    // The worker's: what the transport of the current send reported.
    std::string m_reported;
};
