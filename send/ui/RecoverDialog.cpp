#include "RecoverDialog.h"

#include "BGSend.h"
#include "DeviceNameKeys.h"
#include "DialogUnits.h"
#include "DictationStore.h"
#include "FileOps.h"
#include "IniValues.h"
#include "Mixer.h"
#include "RecordKeys.h"
#include "SentWorkList.h"
#include "SettingsKeys.h"
#include "Status.h"
#include "WaveFile.h"

#include <QGroupBox>
#include <QListWidget>
#include <QPushButton>

namespace {

constexpr const char* kRecoverCaption = "Recover Sent Dictations";
constexpr const char* kViewCaption = "Work Progress";
constexpr int kNameRole = Qt::UserRole; // each line carries its dictation's name

bool SameNameNoCase(std::string_view a, std::string_view b) {
    return QString::fromUtf8(a.data(), static_cast<qsizetype>(a.size()))
               .compare(QString::fromUtf8(b.data(), static_cast<qsizetype>(b.size())), Qt::CaseInsensitive) == 0;
}

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
        // A dictation the queue gave up on (or the user took out of it) says so, whatever its status says.
        std::string text = line.text;
        const std::string delivery =
            line.delivery.empty()
                ? ReadStringValue(JoinPath(m_context.send.sentFolder, line.name + ".dat"), RecordKeys::kDelivery)
                : line.delivery;
        if (delivery == BGSend::kDeliveryNotSent && !text.ends_with(delivery))
            text += " - " + delivery;
        auto* item = new QListWidgetItem(QString::fromStdString(text), m_list);
        item->setData(kNameRole, QString::fromStdString(line.name));
    }
    if (selected >= 0 && selected < m_list->count())
        m_list->setCurrentRow(selected);
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
    LSoundSourceHandle source = OpenWaveFile(JoinPath(m_context.send.sentFolder, name + ".wav"));
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

QString RecoverDialog::RecoverRefusal(const std::string& name) const {
    const std::optional<std::vector<std::string>> current = ListFolder(m_context.currentFolder);
    if (!current)
        return tr("The current dictations cannot be read, so this dictation cannot be recovered now.");
    for (const std::string& entry : *current) {
        for (const char* extension : {".wav", ".dat", ".txt"})
            if (SameNameNoCase(entry, name + extension))
                return tr("A current dictation is named \"%1\". Rename or delete it, then recover this dictation "
                          "again.")
                    .arg(QString::fromStdString(name));
    }
    if (!PathExists(JoinPath(m_context.send.sentFolder, name + ".wav")))
        return tr("This dictation cannot be recovered: its sound file is no longer in the sent dictations.");
    return {};
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
    const QString caption = windowTitle();
    if (const QString refusal = RecoverRefusal(name); !refusal.isEmpty()) {
        m_context.prompts.Warn(this, caption, refusal);
        return;
    }
    m_player.StopPlaying(); // the file may be the one playing

    StoreServices services;
    services.isQueued = m_context.queue.isQueued;
    DictationStore store(m_context.currentFolder, m_context.send.sentFolder, m_context.send.settingsFile, services);
    const std::string wavePath = store.WavePath(StoreFolder::Sent, name);
    const SendQueueHooks& queue = m_context.queue;
    if (queue.isQueued && queue.isQueued(wavePath) && (!queue.remove || !queue.remove(wavePath))) {
        m_context.prompts.Warn(this, caption,
                               tr("This dictation is still waiting to be sent and could not be taken out of the "
                                  "send queue, so it stays in the sent dictations. Try again later."));
        return;
    }

    switch (store.Recover(name)) {
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
                               tr("This dictation is still waiting to be sent, so it stays in the sent "
                                  "dictations. Try again later."));
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
