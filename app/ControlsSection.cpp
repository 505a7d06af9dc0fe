#include "app/ControlsSection.h"

#include "controls/ButtonLearning.h"
#include "ui/DialogUnits.h"

#include <QComboBox>
#include <QEvent>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <algorithm>

namespace {

// What the dialog calls each command, in kControlCommands order.
constexpr std::array<const char*, kControlCommands.size()> kCommandNames{
    "Record",        "Play",
    "Stop",          "Rewind",
    "Fast forward",  "Go to start",
    "Go to end",     "Insert mode on or off",
    "New dictation", "Send to the default recipient"};

// The behaviours in the order the list offers them.
constexpr std::array<std::pair<DeviceBehaviour, const char*>, 3> kBehaviours{{
    {DeviceBehaviour::Pedal, "Foot pedal"},
    {DeviceBehaviour::MicrophoneHeld, "Microphone, record while held"},
    {DeviceBehaviour::MicrophoneHoldRule, "Microphone, tap or hold"},
}};

QString DeviceText(const InputDeviceInfo& device) {
    return QStringLiteral("%1 (%2)").arg(QString::fromStdString(device.name),
                                         QString::fromStdString(UsbIdText(device.vendor, device.product)));
}

} // namespace

ControlsSection::ControlsSection(QWidget* dialog, std::string settingsFile, std::vector<InputDeviceInfo> devices,
                                 ButtonLearning* learning)
    : SettingsDialogSection(dialog), m_settingsFile(std::move(settingsFile)), m_learning(learning) {
    const DialogUnits units(font());
    auto* group = new QGroupBox(tr("Dictation &controls"), this);
    group->setGeometry(units.ToPixels(0, 0, 222, HeightUnits()));
    m_list = new QListWidget(this);
    units.Place(m_list, kDevices, 7, 12, 208, 38);
    auto* label = new QLabel(tr("Acts as"), this);
    label->setGeometry(units.ToPixels(7, 56, 34, 10));
    m_behaviour = new QComboBox(this);
    units.Place(m_behaviour, kBehaviour, 42, 54, 136, 14);
    for (const auto& behaviour : kBehaviours)
        m_behaviour->addItem(tr(behaviour.second));
    m_learn = new QPushButton(tr("&Learn"), this);
    units.Place(m_learn, kLearn, 182, 54, 33, 14);
    m_note = new QLabel(this);
    m_note->setWordWrap(true);
    m_note->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    units.Place(m_note, kNote, 7, 71, 208, 42);

    for (InputDeviceInfo& info : devices) {
        const DeviceControls saved = LoadDeviceControls(m_settingsFile, info.identity);
        auto* item = new QListWidgetItem(DeviceText(info), m_list);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        item->setCheckState(saved.enabled ? Qt::Checked : Qt::Unchecked);
        m_devices.push_back({std::move(info), saved, saved});
    }
    connect(m_list, &QListWidget::itemChanged, this, [this](QListWidgetItem* item) {
        m_devices[size_t(m_list->row(item))].chosen.enabled = item->checkState() == Qt::Checked;
    });
    connect(m_list, &QListWidget::currentRowChanged, this, [this] { DeviceChosen(); });
    connect(m_behaviour, &QComboBox::activated, this, [this](int index) {
        if (m_list->currentRow() >= 0)
            m_devices[size_t(m_list->currentRow())].chosen.behaviour = kBehaviours[size_t(index)].first;
    });
    connect(m_learn, &QPushButton::clicked, this, [this] { StartLearning(); });
    if (!m_devices.empty())
        m_list->setCurrentRow(0);
    DeviceChosen();
}

ControlsSection::~ControlsSection() {
    StopLearning();
}

std::string ControlsSection::LearnPrompt(ControlCommand command) {
    return std::string("Press the button for ") + kCommandNames[size_t(command)] + ", or Esc to leave it without one.";
}

void ControlsSection::DeviceChosen() {
    StopLearning();
    const int row = m_list->currentRow();
    m_behaviour->setEnabled(row >= 0);
    m_learn->setEnabled(row >= 0 && m_learning);
    if (row >= 0) {
        const DeviceBehaviour behaviour = m_devices[size_t(row)].chosen.behaviour;
        for (size_t index = 0; index < kBehaviours.size(); ++index)
            if (kBehaviours[index].first == behaviour)
                m_behaviour->setCurrentIndex(int(index));
    }
    ShowNote();
}

void ControlsSection::ShowNote() {
    const int row = m_list->currentRow();
    if (m_devices.empty()) {
        m_note->setText(tr("No input device with buttons was found. Plug in the pedal or microphone; it is listed "
                           "when the dialog opens again."));
    } else if (row < 0) {
        m_note->clear();
    } else if (!m_devices[size_t(row)].info.openError.empty()) {
        m_note->setText(QString::fromStdString(m_devices[size_t(row)].info.openError));
    } else {
        const DeviceControls& chosen = m_devices[size_t(row)].chosen;
        const auto learnt = std::count_if(chosen.codes.begin(), chosen.codes.end(), [](int code) { return code; });
        m_note->setText(
            tr("%1 of %2 commands have a button. Learn sets them again.").arg(learnt).arg(kControlCommands.size()));
    }
}

void ControlsSection::StartLearning() {
    const int row = m_list->currentRow();
    if (row < 0 || !m_learning)
        return;
    StopLearning();
    Device& device = m_devices[size_t(row)];
    if (!m_learning->StartLearning(device.info.identity, [this](int code) { Learnt(code); })) {
        m_note->setText(device.info.openError.empty()
                            ? tr("The device could not be opened. Check that it is plugged in, then try again.")
                            : QString::fromStdString(device.info.openError));
        return;
    }
    m_learningDevice = row;
    m_step = 0;
    device.chosen.codes = {};
    window()->installEventFilter(this);
    m_note->setText(QString::fromStdString(LearnPrompt(kControlCommands[0])));
}

void ControlsSection::Learnt(int code) {
    if (m_learningDevice < 0)
        return;
    m_devices[size_t(m_learningDevice)].chosen.CodeOf(kControlCommands[m_step]) = code;
    NextCommand();
}

void ControlsSection::NextCommand() {
    if (++m_step < kControlCommands.size()) {
        m_note->setText(QString::fromStdString(LearnPrompt(kControlCommands[m_step])));
        return;
    }
    StopLearning();
    ShowNote();
}

void ControlsSection::StopLearning() {
    if (m_learningDevice < 0)
        return;
    m_learningDevice = -1;
    window()->removeEventFilter(this);
    m_learning->StopLearning();
}

bool ControlsSection::eventFilter(QObject* watched, QEvent* event) {
    // While learning, Esc skips the command waiting instead of closing the dialog.
    if ((event->type() == QEvent::KeyPress || event->type() == QEvent::ShortcutOverride) &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape && m_learningDevice >= 0) {
        if (event->type() == QEvent::KeyPress)
            NextCommand();
        event->accept();
        return true;
    }
    return SettingsDialogSection::eventFilter(watched, event);
}

bool ControlsSection::Write() {
    bool written = true;
    for (const Device& device : m_devices)
        if (device.chosen != device.saved)
            written = SaveDeviceControls(m_settingsFile, device.info.identity, device.chosen) && written;
    return written;
}
