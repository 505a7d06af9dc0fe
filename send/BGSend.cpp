#include "send/BGSend.h"

#include "platform/FileOps.h"
#include "platform/Profile.h"
#include "send/AudioConversion.h"
#include "send/DictationPackage.h"
#include "send/EmailTransport.h"
#include "send/FtpTransport.h"
#include "send/LanTransport.h"
#include "send/RecipientList.h"
#include "send/SendQueueFile.h"
#include "send/TypistRecipient.h"
#include "store/DictationStore.h"
#include "store/IniValues.h"
#include "store/RecordKeys.h"
#include "store/SettingsKeys.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <utility>

namespace {

constexpr float kConversionFactor = 0.97f;
constexpr float kConversionShare = 0.5f;
constexpr float kPackageStart = 0.5f;
constexpr float kPackageEnd = 0.7f;

constexpr const char* kTakenOff = " It has been taken off the send queue.";
constexpr const char* kDiskFullText = "Unable to write a dictation for sending: the disk may be full. Sending waits "
                                      "until space is freed (it is tried again every few minutes) or you send again.";

// The converted audio is written beside the dictation under a name the store never lists.
std::string ConvertedAudioPath(const std::string& wavePath) {
    return std::string(FolderOf(wavePath)) + DictationStore::NameOfWave(wavePath) + ".tmp";
}

SendTransports CompleteTransports(SendTransports transports) {
    if (!transports.email)
        transports.email = [](TransportReport& report, const DeliveryRequest& request) {
            return SendByEmail(report, request.dictationName, request.recipient, request.packagePath, request.context);
        };
    if (!transports.lan)
        transports.lan = [](TransportReport& report, const DeliveryRequest& request) {
            return SendByLan(report, request.recipient, request.packagePath);
        };
    if (!transports.ftp) {
        auto delivery = std::make_shared<FtpDelivery>();
        transports.ftp = [delivery](TransportReport& report, const DeliveryRequest& request) {
            return delivery->Deliver(report, request.recipient, request.packagePath, request.context);
        };
        transports.release = [delivery, release = std::move(transports.release)] {
            delivery->Close();
            if (release)
                release();
        };
    }
    return transports;
}

} // namespace

BGSend::BGSend(SendContext context) : BGSend(std::move(context), SendTransports{}) {}

BGSend::BGSend(SendContext context, SendTransports transports)
    : m_context(std::move(context)), m_transports(CompleteTransports(std::move(transports))) {
    // Every path check below compares against folders that end in '/'.
    for (std::string* folder : {&m_context.programFolder, &m_context.sentFolder})
        if (!folder->empty() && folder->back() != '/')
            folder->push_back('/');
}

BGSend::~BGSend() {
    Finish();
}

bool BGSend::Open(const std::string& programFolder) {
    if (programFolder.empty() || programFolder.back() != '/')
        return false;
    Stop();
    int count = 0;
    {
        std::lock_guard lock(m_lock);
        m_workerEnding = false;
        m_queuePath = programFolder + kQueueFileName;
        RetryAllNow();
        count = GetCount();
        if (count < 1) {
            m_targetCount.store(0.0f);
            if (std::fabs(ShownProgress()) > kProgressStep) {
                SetShownProgress(0.0f);
                PostNotify();
            }
            return true;
        }
        SetCount(count);
    }
    Wake();
    return true;
}

bool BGSend::Add(const std::string& sentWavePath, int recipientIndex) {
    // A longer path would not read back whole from the queue file.
    if (!IsSentWavePath(sentWavePath, m_context.sentFolder) || sentWavePath.size() > kProfileValueLimit)
        return false;
    {
        std::lock_guard lock(m_lock);
        if (m_queuePath.empty())
            return false;
        SendQueueFile file(m_queuePath);
        for (const QueueEntry& entry : file.Entries())
            if (entry.wavePath == sentWavePath)
                return true;
        // The record says "Pending" before the entry exists: a crash between the two leaves a dictation that
        // RequeueStranded finds, never an entry whose record still tells of an earlier delivery.
        if (!MarkDelivery(sentWavePath, kDeliveryPending))
            return false;
        const int count = file.Count();
        const QueueEntry entry{sentWavePath, recipientIndex};
        if (!file.Append(entry) || file.Count() != count + 1 || !(file.Entry(count) == entry)) {
            AddFileSystemNotice();
            return false;
        }
        MoveTarget(count + 1);
        RetryAllNow();
    }
    Wake();
    return true;
}

int BGSend::GetCount() const {
    std::lock_guard lock(m_lock);
    return m_queuePath.empty() ? 0 : SendQueueFile(m_queuePath).Count();
}

bool BGSend::SetCount(int count) {
    std::lock_guard lock(m_lock);
    if (m_queuePath.empty())
        return false;
    SendQueueFile file(m_queuePath);
    const bool written = file.WriteCount(count);
    // The progress follows what the file holds, which is not `count` when the write did not hold.
    MoveTarget(file.Count());
    if (!written || file.Count() != count) {
        AddFileSystemNotice();
        return false;
    }
    return true;
}

bool BGSend::IsQueued(const std::string& sentWavePath) const {
    std::lock_guard lock(m_lock);
    if (m_queuePath.empty())
        return false;
    for (const QueueEntry& entry : SendQueueFile(m_queuePath).Entries())
        if (entry.wavePath == sentWavePath)
            return true;
    return false;
}

bool BGSend::Remove(const std::string& sentWavePath) {
    std::lock_guard lock(m_lock);
    if (m_queuePath.empty())
        return false;
    SendQueueFile file(m_queuePath);
    std::vector<QueueEntry> entries = file.Entries();
    const size_t before = entries.size();
    std::erase_if(entries, [&](const QueueEntry& entry) { return entry.wavePath == sentWavePath; });
    if (entries.size() == before)
        return false;
    if (!RewriteQueue(file, entries))
        return false;
    MarkDelivery(sentWavePath, kDeliveryNotSent);
    return true;
}

bool BGSend::RenumberRecipients(int deletedIndex) {
    bool handedOver = false;
    {
        std::lock_guard lock(m_lock);
        if (m_queuePath.empty())
            return false;
        // The recipient list is already renumbered when this is called, so its default is the new one.
        const int newDefault = RecipientList(m_context.programFolder, m_context.settingsFile).SendIndex();
        SendQueueFile file(m_queuePath);
        std::vector<QueueEntry> entries = file.Entries();
        bool changed = false;
        for (QueueEntry& entry : entries) {
            if (entry.recipientIndex > deletedIndex) {
                --entry.recipientIndex;
                changed = true;
            } else if (entry.recipientIndex == deletedIndex) {
                entry.recipientIndex = newDefault;
                changed = handedOver = true;
            }
        }
        // Waits and failures of the deleted recipient go with it; the later ones move down.
        std::map<int, RetryWait> waits;
        for (auto& wait : m_waits)
            if (wait.first == kWholeQueue || wait.first < deletedIndex)
                waits.insert(std::move(wait));
            else if (wait.first > deletedIndex)
                waits.emplace(wait.first - 1, std::move(wait.second));
        m_waits = std::move(waits);
        std::erase_if(m_failures, [&](const QueueFailure& failure) { return failure.recipientIndex == deletedIndex; });
        for (QueueFailure& failure : m_failures)
            failure.recipientIndex -= failure.recipientIndex > deletedIndex ? 1 : 0;
        if (changed && !RewriteQueue(file, entries))
            return false;
    }
    // The deleted recipient's dictations may have waited for a retry that no longer comes: the default takes them.
    if (handedOver)
        Wake();
    return true;
}

std::optional<QueueFailure> BGSend::TakeFailure() {
    std::lock_guard lock(m_lock);
    if (m_failures.empty())
        return std::nullopt;
    QueueFailure failure = std::move(m_failures.front());
    m_failures.erase(m_failures.begin());
    return failure;
}

std::vector<QueueNotice> BGSend::TakeNotices() {
    std::lock_guard lock(m_lock);
    std::vector<QueueNotice> notices = std::move(m_notices);
    m_notices.clear();
    return notices;
}

std::vector<DeliveryNotice> BGSend::TakeDeliveries() {
    std::lock_guard lock(m_lock);
    return std::exchange(m_deliveries, {});
}

void BGSend::CancelRecipient(int recipientIndex) {
    Stop();
    {
        std::lock_guard lock(m_lock);
        m_workerEnding = false;
        m_waits.erase(recipientIndex);
        std::erase_if(m_failures,
                      [&](const QueueFailure& failure) { return failure.recipientIndex == recipientIndex; });
        if (m_queuePath.empty())
            return;
        SendQueueFile file(m_queuePath);
        std::vector<QueueEntry> entries = file.Entries();
        // Marked first: a crash before the rewrite leaves an entry that is still sent, never a cancelled
        // dictation that the next start queues again.
        MarkRecipient(recipientIndex, kDeliveryNotSent);
        const size_t before = entries.size();
        std::erase_if(entries, [&](const QueueEntry& entry) { return entry.recipientIndex == recipientIndex; });
        if (entries.size() != before)
            RewriteQueue(file, entries);
    }
    Wake();
}

void BGSend::RetryDue() {
    {
        std::lock_guard lock(m_lock);
        const auto now = Now();
        if (m_queuePath.empty() ||
            std::none_of(m_waits.begin(), m_waits.end(), [&](const auto& wait) { return wait.second.due <= now; }))
            return;
    }
    Wake();
}

int BGSend::RequeueStranded() {
    if (QueuePath().empty())
        return 0;
    const std::optional<std::vector<std::string>> names = ListFolder(m_context.sentFolder);
    if (!names)
        return 0;
    const RecipientList recipients(m_context.programFolder, m_context.settingsFile);
    int queued = 0;
    for (const std::string& name : *names) {
        const std::string wavePath = m_context.sentFolder + name;
        if (!IsSentWavePath(wavePath, m_context.sentFolder))
            continue;
        const std::string recordPath = DictationStore::RecordBesideWave(wavePath);
        if (!PathExists(recordPath) || ReadStringValue(recordPath, RecordKeys::kSendStatus) != RecordKeys::kSentStatus)
            continue;
        const std::string delivery = ReadStringValue(recordPath, RecordKeys::kDelivery);
        if (delivery == kDeliveryDelivered || delivery == kDeliveryNotSent || IsQueued(wavePath))
            continue;
        const std::string recipientText = ReadStringValue(recordPath, RecordKeys::kRecipient);
        int index = recipients.SendIndex();
        for (int i = 0; i < recipients.Count(); ++i) {
            if (recipients.Load(i).DisplayText(false) == recipientText) {
                index = i;
                break;
            }
        }
        if (Add(wavePath, index))
            ++queued;
    }
    return queued;
}

void BGSend::SetStageHook(std::function<void(SendStage)> hook) {
    std::lock_guard lock(m_lock);
    m_stageHook = std::move(hook);
}

void BGSend::SetClock(QueueClock clock) {
    std::lock_guard lock(m_lock);
    m_clock = std::move(clock);
}

std::string BGSend::QueuePath() const {
    std::lock_guard lock(m_lock);
    return m_queuePath;
}

void BGSend::Run() {
    for (;;) {
        QueueEntry entry;
        {
            std::lock_guard lock(m_lock);
            m_workerEnding = false;
            std::optional<QueueEntry> next;
            if (ShouldRun() && !m_queuePath.empty()) {
                SendQueueFile file(m_queuePath);
                const std::vector<QueueEntry> entries = file.Entries();
                if (std::any_of(entries.begin(), entries.end(), [&](const QueueEntry& queued) {
                        return !IsSentWavePath(queued.wavePath, m_context.sentFolder);
                    })) {
                    if (DropUnusableEntries(file))
                        continue;
                } else {
                    next = NextToSend(entries);
                }
            }
            // Nothing left, or every recipient waits for its retry (RetryDue, Add or Open start a new worker).
            if (!next) {
                m_workerEnding = true;
                break;
            }
            entry = std::move(*next);
        }
        // Delivered before a crash that came ahead of the entry's removal: only the removal is left to do.
        const bool delivered = ReadStringValue(DictationStore::RecordBesideWave(entry.wavePath),
                                               RecordKeys::kDelivery) == kDeliveryDelivered;
        std::string failure;
        const ItemResult result =
            delivered ? ItemResult::Delivered : SendItem(entry.wavePath, entry.recipientIndex, failure);
        std::lock_guard lock(m_lock);
        if (result == ItemResult::Delivered || result == ItemResult::Dropped) {
            MarkDelivery(entry.wavePath, result == ItemResult::Delivered ? kDeliveryDelivered : kDeliveryNotSent);
            if (!RemoveEntry(entry)) {
                m_workerEnding = true;
                break;
            }
        }
        FollowResult(entry, result, failure);
    }
    if (m_transports.release)
        m_transports.release();
    CallHook(SendStage::Ending);
}

std::optional<QueueEntry> BGSend::NextToSend(const std::vector<QueueEntry>& entries) {
    // A recipient with nothing queued waits no longer, so no retry comes due for it.
    std::erase_if(m_waits, [&](const auto& wait) {
        return wait.first == kWholeQueue ? entries.empty()
                                         : std::none_of(entries.begin(), entries.end(), [&](const QueueEntry& entry) {
                                               return entry.recipientIndex == wait.first;
                                           });
    });
    const auto now = Now();
    const auto waiting = [&](int key) {
        const auto wait = m_waits.find(key);
        return wait != m_waits.end() && wait->second.due > now;
    };
    if (waiting(kWholeQueue))
        return std::nullopt;
    for (const QueueEntry& entry : entries)
        if (!waiting(entry.recipientIndex))
            return entry;
    return std::nullopt;
}

void BGSend::FollowResult(const QueueEntry& entry, ItemResult result, const std::string& failure) {
    if (result != ItemResult::DiskFull && result != ItemResult::Stopped)
        m_waits.erase(kWholeQueue);
    switch (result) {
    case ItemResult::Delivered:
        if (m_waits.erase(entry.recipientIndex) > 0)
            MarkRecipient(entry.recipientIndex, kDeliveryPending);
        break;
    case ItemResult::RecipientFailed:
        if (Postpone(entry.recipientIndex, failure))
            m_failures.push_back({failure, entry.recipientIndex});
        MarkRecipient(entry.recipientIndex, kDeliveryWaiting);
        break;
    case ItemResult::DiskFull:
        if (Postpone(kWholeQueue, failure))
            AddNotice(failure);
        break;
    case ItemResult::Stopped:
    case ItemResult::Dropped:
        break;
    }
}

bool BGSend::Postpone(int key, const std::string& failure) {
    RetryWait& wait = m_waits[key];
    wait.due = Now() + kRetryDelays[std::min(wait.failures, std::size(kRetryDelays) - 1)];
    ++wait.failures;
    if (wait.failure == failure)
        return false;
    wait.failure = failure;
    return true;
}

void BGSend::MarkRecipient(int recipientIndex, std::string_view state) {
    for (const QueueEntry& entry : SendQueueFile(m_queuePath).Entries())
        if (entry.recipientIndex == recipientIndex && IsSentWavePath(entry.wavePath, m_context.sentFolder))
            MarkDelivery(entry.wavePath, state);
}

void BGSend::RetryAllNow() {
    for (auto& wait : m_waits)
        wait.second.due = std::chrono::steady_clock::time_point::min();
}

std::chrono::steady_clock::time_point BGSend::Now() const {
    return m_clock ? m_clock() : std::chrono::steady_clock::now();
}

BGSend::ItemResult BGSend::SendItem(const std::string& wavePath, int recipientIndex, std::string& failure) {
    if (!ShouldRun())
        return ItemResult::Stopped;
    const std::string name = DictationStore::NameOfWave(wavePath);
    const TypistRecipient recipient =
        RecipientList(m_context.programFolder, m_context.settingsFile).Load(recipientIndex);
    bool unusableFormat = false;
    const WaveFormatRecord format = recipient.FormatOrDefault(unusableFormat);
    if (unusableFormat)
        AddNotice("The audio format chosen for the recipient " + recipient.Name() + " cannot be used. The dictation " +
                  name + " is sent in the default format instead.");

    const std::string tmpPath = ConvertedAudioPath(wavePath);
    CallHook(SendStage::Converting);
    float factor = kConversionFactor;
    ConversionCalls calls;
    calls.shouldGoOn = [this] { return ShouldRun(); };
    calls.blockDone = [&](int block) {
        Publish(m_targetCount.load() - (1.0f - factor) * kConversionShare);
        factor *= factor;
        if (block == 0)
            CallHook(SendStage::Converted1);
    };
    switch (ConvertAudio(wavePath, format, tmpPath, calls)) {
    case ConversionOutcome::Converted:
        break;
    case ConversionOutcome::Stopped:
        return ItemResult::Stopped;
    case ConversionOutcome::SourceUnreadable:
        AddNotice("The dictation " + name + " could not be sent: its sound file is missing or cannot be read." +
                  kTakenOff);
        return ItemResult::Dropped;
    case ConversionOutcome::NotConvertible:
        AddNotice("Unable to convert the dictation " + name + " into the format of the recipient " + recipient.Name() +
                  "." + kTakenOff);
        return ItemResult::Dropped;
    case ConversionOutcome::WriteFailed:
        failure = kDiskFullText;
        return ItemResult::DiskFull;
    }
    if (!ShouldRun()) {
        RemoveFile(tmpPath);
        return ItemResult::Stopped;
    }

    CallHook(SendStage::Packaging);
    Publish(m_targetCount.load() - kPackageStart);
    const PackageResult package = DictationPackage(m_context.settingsFile).Write(wavePath, tmpPath);
    RemoveFile(tmpPath);
    switch (package.status) {
    case PackageStatus::Written:
        break;
    case PackageStatus::TooLarge:
        AddNotice("The dictation " + name + " is too long to be sent in one package." + kTakenOff);
        return ItemResult::Dropped;
    case PackageStatus::NotesUnreadable:
        AddNotice("Unable to read the notes of the dictation " + name + "." + kTakenOff);
        return ItemResult::Dropped;
    case PackageStatus::AudioUnreadable:
    case PackageStatus::WriteFailed:
        failure = kDiskFullText;
        return ItemResult::DiskFull;
    }
    Publish(m_targetCount.load() - kPackageEnd);
    if (!ShouldRun()) {
        RemoveFile(package.path);
        return ItemResult::Stopped;
    }
    CallHook(SendStage::Packaged);
    CheckUserId();

    const DeliveryFunction* transport = nullptr;
    switch (recipient.MethodValue()) {
    case static_cast<uint32_t>(SendMethod::Email):
        transport = &m_transports.email;
        break;
    case static_cast<uint32_t>(SendMethod::Lan):
        transport = &m_transports.lan;
        break;
    case static_cast<uint32_t>(SendMethod::Ftp):
        transport = &m_transports.ftp;
        break;
    default:
        // A damaged recipient record: nothing was sent, so it must not count as sent.
        failure = "Unable to send the dictation " + name + ": the recipient " + recipient.Name() +
                  " has no usable send method." + std::string(kSendRetryAdvice);
        return ItemResult::RecipientFailed;
    }
    const DeliveryRequest request{name, recipient, package.path, m_context};
    m_reported.clear();
    if ((*transport)(*this, request)) {
        std::lock_guard lock(m_lock);
        m_deliveries.push_back({recipient.Name(), name});
        return ItemResult::Delivered;
    }
    if (!ShouldRun()) {
        RemoveFile(package.path);
        return ItemResult::Stopped;
    }
    failure = m_reported.empty() ? "Unable to send the dictation " + name + " to " + recipient.Name() + "." +
                                       std::string(kSendRetryAdvice)
                                 : m_reported;
    return ItemResult::RecipientFailed;
}

void BGSend::PublishProgress(float done) {
    Publish(m_targetCount.load() - done);
}

void BGSend::ReportFailure(const std::string& text) {
    m_reported = text;
}

bool BGSend::StopRequested() const {
    return !ShouldRun();
}

void BGSend::Publish(float value) {
    if (std::fabs(value - ShownProgress()) <= kProgressStep)
        return;
    SetShownProgress(value);
    PostNotify();
}

void BGSend::MoveTarget(int count) {
    m_targetCount.store(static_cast<float>(count));
    Publish(static_cast<float>(count));
}

void BGSend::Wake() {
    // A worker that has already taken its last look at the queue would not see a new entry, and Start starts
    // no second thread while it is still ending: wait for it to end and start afresh.
    for (int attempt = 0; attempt < 2; ++attempt) {
        bool ending = false;
        {
            std::lock_guard lock(m_lock);
            ending = m_workerEnding;
        }
        if (ending) {
            if (!Stop())
                return;
            std::lock_guard lock(m_lock);
            m_workerEnding = false;
        }
        Start(ThreadPriority::Idle);
        std::lock_guard lock(m_lock);
        if (!m_workerEnding)
            return;
    }
}

void BGSend::AddNotice(std::string text) {
    AddNotice(QueueNotice{std::move(text), {}});
}

void BGSend::AddFileSystemNotice() {
    AddNotice(QueueNotice{kFileSystemErrorText, kFileSystemErrorCaption});
}

void BGSend::AddNotice(QueueNotice notice) {
    std::lock_guard lock(m_lock);
    for (const QueueNotice& waiting : m_notices)
        if (waiting == notice)
            return;
    m_notices.push_back(std::move(notice));
}

bool BGSend::MarkDelivery(const std::string& wavePath, std::string_view state) {
    const std::string recordPath = DictationStore::RecordBesideWave(wavePath);
    // A record that is gone (the dictation was recovered or removed) is not created again.
    if (!PathExists(recordPath))
        return state != kDeliveryPending;
    return WriteStringValue(recordPath, RecordKeys::kDelivery, state) && FlushProfile(recordPath);
}

void BGSend::CallHook(SendStage stage) {
    std::function<void(SendStage)> hook;
    {
        std::lock_guard lock(m_lock);
        hook = m_stageHook;
    }
    if (hook)
        hook(stage);
}

void BGSend::CheckUserId() {
    if (ReadIntValue(m_context.settingsFile, SettingsKeys::kUserId) != 0 ||
        ReadBoolValue(m_context.settingsFile, SettingsKeys::kUserIdZeroTold))
        return;
    AddNotice("Your user id is 0. Dictation packages of several users who send to the same typist with the same "
              "id would overwrite one another. Give yourself an id of your own in the Settings menu, User "
              "Settings...");
    if (!WriteBoolValue(m_context.settingsFile, SettingsKeys::kUserIdZeroTold, true) ||
        !FlushProfile(m_context.settingsFile))
        return;
}

bool BGSend::RewriteQueue(SendQueueFile& file, const std::vector<QueueEntry>& entries) {
    const bool written = file.Replace(entries);
    MoveTarget(file.Count());
    if (!written || file.Count() != static_cast<int>(entries.size())) {
        AddFileSystemNotice();
        return false;
    }
    return true;
}

bool BGSend::RemoveEntry(const QueueEntry& entry) {
    SendQueueFile file(m_queuePath);
    std::vector<QueueEntry> entries = file.Entries();
    // A Cancel or a Remove during the send may have taken the entry out already; the others must stay.
    const auto sent = std::find(entries.begin(), entries.end(), entry);
    if (sent == entries.end())
        return true;
    entries.erase(sent);
    return RewriteQueue(file, entries);
}

bool BGSend::DropUnusableEntries(SendQueueFile& file) {
    std::vector<QueueEntry> entries = file.Entries();
    const size_t before = entries.size();
    std::erase_if(entries,
                  [&](const QueueEntry& entry) { return !IsSentWavePath(entry.wavePath, m_context.sentFolder); });
    const size_t dropped = before - entries.size();
    AddNotice(dropped == 1 ? std::string("A damaged entry of the send queue named no sent dictation and has been "
                                         "taken off it.")
                           : std::to_string(dropped) +
                                 " damaged entries of the send queue named no sent dictation and have been taken "
                                 "off it.");
    return RewriteQueue(file, entries);
}
