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

#include <cmath>
#include <memory>
#include <utility>

namespace {

constexpr float kConversionFactor = 0.97f;
constexpr float kConversionShare = 0.5f;
constexpr float kPackageStart = 0.5f;
constexpr float kPackageEnd = 0.7f;

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
            changed = true;
        }
    }
    return !changed || RewriteQueue(file, entries);
}

std::optional<std::string> BGSend::TakeFailure() {
    std::lock_guard lock(m_lock);
    std::optional<std::string> failure = std::move(m_failure);
    m_failure.reset();
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

void BGSend::CancelAll() {
    Stop();
    std::lock_guard lock(m_lock);
    m_workerEnding = false;
    m_failure.reset();
    if (m_queuePath.empty())
        return;
    for (const QueueEntry& entry : SendQueueFile(m_queuePath).Entries())
        if (IsSentWavePath(entry.wavePath, m_context.sentFolder))
            MarkDelivery(entry.wavePath, kDeliveryNotSent);
    SetCount(0);
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
            SendQueueFile file(m_queuePath);
            if (!ShouldRun() || m_queuePath.empty() || file.Count() == 0) {
                m_workerEnding = true;
                break;
            }
            entry = file.Entry(0);
            if (!IsSentWavePath(entry.wavePath, m_context.sentFolder)) {
                if (!DropUnusableEntries(file)) {
                    m_workerEnding = true;
                    break;
                }
                continue;
            }
        }
        // Delivered before a crash that came ahead of the entry's removal: only the removal is left to do.
        const bool delivered = ReadStringValue(DictationStore::RecordBesideWave(entry.wavePath),
                                               RecordKeys::kDelivery) == kDeliveryDelivered;
        const ItemResult result = delivered ? ItemResult::Delivered : SendItem(entry.wavePath, entry.recipientIndex);
        std::lock_guard lock(m_lock);
        if (result == ItemResult::Delivered || result == ItemResult::Dropped) {
            MarkDelivery(entry.wavePath, result == ItemResult::Delivered ? kDeliveryDelivered : kDeliveryNotSent);
            if (!RemoveFirstIfSame(entry.wavePath)) {
                m_workerEnding = true;
                break;
            }
        } else {
            m_workerEnding = true;
            break;
        }
    }
    if (m_transports.release)
        m_transports.release();
    CallHook(SendStage::Ending);
}

BGSend::ItemResult BGSend::SendItem(const std::string& wavePath, int recipientIndex) {
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
        AddNotice("The dictation " + name +
                  " could not be sent: its sound file is missing or cannot be read. It has been taken off the "
                  "send queue.");
        return ItemResult::Dropped;
    case ConversionOutcome::NotConvertible:
        ReportFailure("Unable to convert the dictation " + name + " into the format of the recipient " +
                      recipient.Name() + "." + std::string(kSendRetryAdvice));
        return ItemResult::Failed;
    case ConversionOutcome::WriteFailed:
        ReportFailure("Unable to write the dictation " + name + " for sending. The disk may be full." +
                      std::string(kSendRetryAdvice));
        return ItemResult::Failed;
    }
    if (!ShouldRun()) {
        RemoveFile(tmpPath);
        return ItemResult::Stopped;
    }

    CallHook(SendStage::Packaging);
    Publish(m_targetCount.load() - kPackageStart);
    const PackageResult package = DictationPackage(m_context.settingsFile).Write(wavePath, tmpPath);
    RemoveFile(tmpPath);
    if (package.status != PackageStatus::Written) {
        ReportFailure(PackageFailureText(package.status, name));
        return ItemResult::Failed;
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
        ReportFailure("Unable to send the dictation " + name + ": the recipient " + recipient.Name() +
                      " has no usable send method." + std::string(kSendRetryAdvice));
        return ItemResult::Failed;
    }
    const DeliveryRequest request{name, recipient, package.path, m_context};
    if ((*transport)(*this, request)) {
        std::lock_guard lock(m_lock);
        m_deliveries.push_back({recipient.Name(), name});
        return ItemResult::Delivered;
    }
    if (!ShouldRun()) {
        RemoveFile(package.path);
        return ItemResult::Stopped;
    }
    std::lock_guard lock(m_lock);
    if (!m_failure)
        m_failure =
            "Unable to send the dictation " + name + " to " + recipient.Name() + "." + std::string(kSendRetryAdvice);
    return ItemResult::Failed;
}

std::string BGSend::PackageFailureText(PackageStatus status, const std::string& name) {
    switch (status) {
    case PackageStatus::TooLarge:
        return "The dictation " + name + " is too long to be sent in one package." + std::string(kSendRetryAdvice);
    case PackageStatus::NotesUnreadable:
        return "Unable to read the notes of the dictation " + name + "." + std::string(kSendRetryAdvice);
    case PackageStatus::AudioUnreadable:
    case PackageStatus::WriteFailed:
    case PackageStatus::Written:
        break;
    }
    return "Unable to write the package of the dictation " + name + ". The disk may be full." +
           std::string(kSendRetryAdvice);
}

void BGSend::PublishProgress(float done) {
    Publish(m_targetCount.load() - done);
}

void BGSend::ReportFailure(const std::string& text) {
    std::lock_guard lock(m_lock);
    m_failure = text;
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

bool BGSend::RemoveFirstIfSame(const std::string& wavePath) {
    SendQueueFile file(m_queuePath);
    std::vector<QueueEntry> entries = file.Entries();
    // A Cancel or a Remove during the send may have taken the entry out already; a later entry must stay.
    if (entries.empty() || entries.front().wavePath != wavePath)
        return true;
    entries.erase(entries.begin());
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
