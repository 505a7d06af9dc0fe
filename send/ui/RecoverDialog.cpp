#include "send/ui/RecoverDialog.h"

#include "audio/DeviceNameKeys.h"
#include "audio/Mixer.h"
#include "platform/FileOps.h"
#include "send/BGSend.h"
#include "send/SentWorkList.h"
#include "send/Status.h"
#include "sound/WaveFile.h"
#include "store/DictationStore.h"
#include "store/IniValues.h"
#include "store/RecordKeys.h"
#include "store/SettingsKeys.h"
#include "ui/DialogUnits.h"

#include <QGroupBox>
#include <QListWidget>
#include <QPushButton>

namespace {

constexpr const char* kRecoverCaption = "Recover Sent Dictations";
constexpr const char* kViewCaption = "Work Progress";
constexpr int kNameRole = Qt::UserRole; // each line carries its dictation's name

} // namespace

RecoverDialog::RecoverDialog(QWidget* parent, RecoverDialogMode mode, const SendDialogContext& context, Status& status,
                             AudioBackend& backend)
    : QDialog(parent), m_mode(mode), m_context(context), m_status(status), m_backend(backend),
      m_player(m_poster, backend) {
    setWindowTitle(tr(mode == RecoverDialogMode::Recover ? kRecoverCaption : kViewCaption));
    setModal(true);
    const DialogUnits units(font());
    setFixedSize(units.ToPixels(300, 150));

    auto* group = new QGroupBox(tr(" &Dictations"), this);
    group->setGeometry(units.ToPixels(7, 4, 286, 118));
    m_list = new QListWidget(this);
    units.Place(m_list, kList, 14, 16, 272, 100);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);

    auto* recover = new QPushButton(tr("&Recover"), this);
    units.Place(recover, kRecover, 133, 130, 50, 14);
    connect(recover, &QPushButton::clicked, this, &QDialog::accept);
    m_play = new QPushButton(tr("&Play"), this);
    units.Place(m_play, kPlay, 188, 130, 50, 14);
    connect(m_play, &QPushButton::clicked, this, &RecoverDialog::PlayOrStop);
    auto* cancel = new QPushButton(tr("Cancel"), this);
    units.Place(cancel, kCancel, 243, 130, 50, 14);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    if (mode == RecoverDialogMode::Recover) {
        recover->setDefault(true);
    } else {
        recover->hide();
        cancel->setText(tr("Close"));
    }

    m_player.notify = this;
    m_status.SetNotify(&m_poster, [this] { RefreshList(); });
    m_attached = true;
    RefreshList();
    m_status.Start(ThreadPriority::Idle); // a pass still running from an earlier opening goes on
    m_list->setFocus();
}

RecoverDialog::~RecoverDialog() {
    Detach();
}

void RecoverDialog::Detach() {
    if (m_attached) {
        m_status.SetNotify(nullptr, {});
        m_attached = false;
    }
    m_player.notify = nullptr;
    m_player.StopPlaying();
}

void RecoverDialog::done(int result) {
    Detach();
    QDialog::done(result);
}

void RecoverDialog::RefreshList() {
    const int selected = m_list->currentRow();
    m_list->clear();
    for (const SentWorkLine& line : ListSentWork(m_context.send.sentFolder)) {
        // A dictation the queue gave up on (or the user took out of it), or one whose recipient waits for a retry,
        // says so, whatever its status says.
        std::string text = line.text;
        const std::string delivery =
            line.delivery.empty()
                ? ReadStringValue(DictationStore::RecordBesideWave(SentWavePath(line.name)), RecordKeys::kDelivery)
                : line.delivery;
        if ((delivery == BGSend::kDeliveryNotSent || delivery == BGSend::kDeliveryWaiting) && !text.ends_with(delivery))
            text += " - " + delivery;
        auto* item = new QListWidgetItem(QString::fromStdString(text), m_list);
        item->setData(kNameRole, QString::fromStdString(line.name));
    }
    if (selected >= 0 && selected < m_list->count())
        m_list->setCurrentRow(selected);
}

std::string RecoverDialog::SentWavePath(const std::string& name) const {
    if (m_context.recovery)
        return m_context.recovery->SentWavePath(name);
    return DictationStore({}, m_context.send.sentFolder, m_context.send.settingsFile).WavePath(StoreFolder::Sent, name);
}

std::string RecoverDialog::SelectedName() const {
    const QList<QListWidgetItem*> selected = m_list->selectedItems();
    return selected.isEmpty() ? std::string() : selected.front()->data(kNameRole).toString().toStdString();
}

void RecoverDialog::PlayOrStop() {
    if (m_player.IsBusy()) {
        m_player.StopPlaying();
        return;
    }
    const std::string name = SelectedName();
    if (name.empty())
        return;
    const std::string& settings = m_context.send.settingsFile;
    LSoundSourceHandle source = OpenWaveFile(SentWavePath(name));
    if (!source || source->IsInvalid()) {
        m_context.prompts.Warn(this, windowTitle(),
                               tr("This dictation cannot be played: its sound file is missing or cannot be read."));
        return;
    }
    const OutputSelection output =
        ReadOutputSelection(m_backend, settings, SettingsKeys::kSoundOutDevice, DeviceNameKeys::kSoundOutName);
    (void)SetPlayVolume(m_backend, output.device, ReadDbValue(settings, SettingsKeys::kSoundOutVolume));
    m_player.device = output.device;
    if (!m_player.Play(source))
        m_context.prompts.Warn(this, windowTitle(),
                               tr("The sound play device could not be opened. Check the Hardware Settings, then "
                                  "try again."));
}

void RecoverDialog::OnPlayStart(uint32_t) {
    m_play->setText(tr("&Stop"));
}

void RecoverDialog::OnPlayStop(uint32_t) {
    m_play->setText(tr("&Play"));
}

void RecoverDialog::accept() {
    if (m_mode != RecoverDialogMode::Recover) {
        reject();
        return;
    }
    const std::string name = SelectedName();
    if (name.empty()) {
        reject();
        return;
    }
    if (!m_context.recovery) {
        reject();
        return;
    }
    m_player.StopPlaying(); // the file may be the one playing
    const QString caption = windowTitle();
    switch (m_context.recovery->RecoverSent(name)) {
    case StoreResult::Done:
        QDialog::accept();
        return;
    case StoreResult::NameTaken:
        m_context.prompts.Warn(this, caption,
                               tr("A current dictation is named \"%1\". Rename or delete it, then recover this "
                                  "dictation again.")
                                   .arg(QString::fromStdString(name)));
        break;
    case StoreResult::StillQueued:
        m_context.prompts.Warn(this, caption,
                               tr("This dictation is still waiting to be sent and could not be taken out of the "
                                  "send queue, so it stays in the sent dictations. Try again later."));
        break;
    case StoreResult::NotFound:
        m_context.prompts.Warn(
            this, caption,
            tr("This dictation cannot be recovered: its sound file is no longer in the sent dictations."));
        break;
    default:
        m_context.prompts.Warn(this, caption,
                               tr("This dictation could not be moved back to the current dictations; its files "
                                  "are as they were. Check that the dictation folders can be written, then try "
                                  "again."));
        break;
    }
    RefreshList();
}
