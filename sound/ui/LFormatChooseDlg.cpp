#include "sound/ui/LFormatChooseDlg.h"

#include "platform/CodecCatalog.h"
#include "ui/DialogUnits.h"

#include <QComboBox>
#include <QLabel>
#include <QLocale>
#include <QPushButton>

namespace {

QString RateText(uint32_t rate) {
    return QStringLiteral("%1 Hz").arg(QLocale(QLocale::English).toString(rate));
}

QString ChannelText(uint16_t channels) {
    if (channels == 1)
        return QStringLiteral("Mono");
    if (channels == 2)
        return QStringLiteral("Stereo");
    return QStringLiteral("%1 Channels").arg(channels);
}

} // namespace

LFormatChooseDlg::LFormatChooseDlg(QWidget* parent, const WaveFormatRecord& initial) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Select Wave File Format"));
    setModal(true);
    const DialogUnits units(font());
    setFixedSize(units.ToPixels(200, 106));

    auto* formatLabel = new QLabel(QStringLiteral("&Format:"), this);
    units.Place(formatLabel, -1, 6, 8, 40, 8);
    m_formats = new QComboBox(this);
    units.Place(m_formats, kFormatList, 48, 6, 146, 60);
    formatLabel->setBuddy(m_formats);
    for (const CodecCatalogEntry& entry : CodecCatalog::Entries())
        m_formats->addItem(QString::fromStdString(entry.name), QString::fromStdString(entry.id));

    auto* rateLabel = new QLabel(QStringLiteral("&Rate:"), this);
    units.Place(rateLabel, -1, 6, 26, 40, 8);
    m_rates = new QComboBox(this);
    units.Place(m_rates, kRateList, 48, 24, 146, 60);
    rateLabel->setBuddy(m_rates);
    for (uint32_t rate : CodecCatalog::StandardRates())
        m_rates->addItem(RateText(rate), rate);

    auto* channelLabel = new QLabel(QStringLiteral("&Channels:"), this);
    units.Place(channelLabel, -1, 6, 44, 40, 8);
    m_channels = new QComboBox(this);
    units.Place(m_channels, kChannelList, 48, 42, 146, 60);
    channelLabel->setBuddy(m_channels);
    for (uint16_t channels : CodecCatalog::StandardChannels())
        m_channels->addItem(ChannelText(channels), channels);

    auto* attributesLabel = new QLabel(QStringLiteral("Attributes:"), this);
    units.Place(attributesLabel, -1, 6, 62, 40, 8);
    m_attributes = new QLabel(this);
    units.Place(m_attributes, kAttributes, 48, 62, 146, 8);

    m_ok = new QPushButton(QStringLiteral("OK"), this);
    units.Place(m_ok, 1, 88, 84, 50, 14);
    m_ok->setDefault(true);
    m_ok->setEnabled(m_formats->count() > 0);
    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    units.Place(cancel, 2, 144, 84, 50, 14);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    SelectInitial(initial);
    for (QComboBox* list : {m_formats, m_rates, m_channels})
        connect(list, &QComboBox::currentIndexChanged, this, [this] { ShowAttributes(); });
    ShowAttributes();
}

void LFormatChooseDlg::SelectInitial(const WaveFormatRecord& initial) {
    if (const CodecCatalogEntry* entry = CodecCatalog::FindFor(initial))
        m_formats->setCurrentIndex(std::max(0, m_formats->findData(QString::fromStdString(entry->id))));
    int rateIndex = m_rates->findData(initial.samplesPerSec);
    if (rateIndex < 0) {
        rateIndex = 0;
        while (rateIndex < m_rates->count() && m_rates->itemData(rateIndex).toUInt() < initial.samplesPerSec)
            ++rateIndex;
        m_rates->insertItem(rateIndex, RateText(initial.samplesPerSec), initial.samplesPerSec);
    }
    m_rates->setCurrentIndex(rateIndex);
    m_channels->setCurrentIndex(std::max(0, m_channels->findData(initial.channels)));
}

WaveFormatRecord LFormatChooseDlg::Chosen() const {
    const CodecCatalogEntry* entry = CodecCatalog::Find(m_formats->currentData().toString().toStdString());
    const auto rate = m_rates->currentData().toUInt();
    const auto channels = static_cast<uint16_t>(m_channels->currentData().toUInt());
    if (!entry)
        return WaveFormatRecord::Pcm(rate, channels, 16);
    return CodecCatalog::BuildFormat(*entry, rate, channels);
}

void LFormatChooseDlg::ShowAttributes() {
    m_attributes->setText(m_formats->count() > 0 ? QString::fromStdString(CodecCatalog::Describe(Chosen()))
                                                 : QString());
}
