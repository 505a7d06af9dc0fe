// The format chooser: what it offers, where it starts, and the "Format Not Available" way back into it.
#include "ChooseWaveFileFormat.h"
#include "DialogUnits.h"
#include "LFormatChooseDlg.h"

#include <CodecCatalog.h>
#include <CodecStream.h>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <array>
#include <functional>
#include <gtest/gtest.h>

namespace {

using Area = std::array<uint8_t, WaveFormatRecord::kAreaSize>;

QComboBox* List(QWidget* dialog, int id) {
    return qobject_cast<QComboBox*>(FindControl(dialog, id));
}

void Select(QWidget* dialog, int id, const QVariant& value) {
    QComboBox* list = List(dialog, id);
    ASSERT_NE(list, nullptr);
    const int index = list->findData(value);
    ASSERT_GE(index, 0) << value.toString().toStdString();
    list->setCurrentIndex(index);
}

void Click(QWidget* dialog, int id) {
    auto* button = qobject_cast<QPushButton*>(FindControl(dialog, id));
    ASSERT_NE(button, nullptr);
    button->click();
}

// Hands each modal window that comes up, in turn, to the next step (from a timer, inside its modal loop).
class ModalDriver {
public:
    explicit ModalDriver(std::vector<std::function<void(QWidget*)>> steps) : m_steps(std::move(steps)) {
        QObject::connect(&m_timer, &QTimer::timeout, [this] { Poll(); });
        m_timer.start(1);
    }
    size_t StepsTaken() const { return m_next; }

private:
    void Poll() {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || modal->property("driven").toBool() || m_next >= m_steps.size())
            return;
        modal->setProperty("driven", true);
        m_steps[m_next++](modal);
    }

    std::vector<std::function<void(QWidget*)>> m_steps;
    size_t m_next = 0;
    QTimer m_timer;
};

Area AreaWith(const WaveFormatRecord& format) {
    Area area{};
    const std::vector<uint8_t> bytes = format.Serialize();
    std::copy(bytes.begin(), bytes.end(), area.begin());
    return area;
}

WaveFormatRecord Build(const char* id, uint32_t rate, uint16_t channels) {
    return CodecCatalog::BuildFormat(*CodecCatalog::Find(id), rate, channels);
}

auto Choose(const char* id, uint32_t rate, uint16_t channels) {
    return [=](QWidget* dialog) {
        ASSERT_NE(dynamic_cast<LFormatChooseDlg*>(dialog), nullptr);
        Select(dialog, LFormatChooseDlg::kFormatList, QString(id));
        Select(dialog, LFormatChooseDlg::kRateList, rate);
        Select(dialog, LFormatChooseDlg::kChannelList, channels);
        Click(dialog, 1);
    };
}

const char* const kMessage =
    "The requested format is not available because the required CODEC is not installed on this computer.";

} // namespace

TEST(FormatChooser, ListsWhatTheCodecLayerEncodesWithRateAndChannelsAsSeparateChoices) {
    LFormatChooseDlg dialog(nullptr, Build("gsm", 8000, 1));
    EXPECT_EQ(dialog.windowTitle(), "Select Wave File Format");
    QComboBox* formats = List(&dialog, LFormatChooseDlg::kFormatList);
    ASSERT_EQ(formats->count(), static_cast<int>(CodecCatalog::Entries().size()));
    for (int i = 0; i < formats->count(); ++i)
        EXPECT_EQ(formats->itemText(i).toStdString(), CodecCatalog::Entries()[static_cast<size_t>(i)].name);
    EXPECT_EQ(formats->currentText(), "GSM 6.10");
    QComboBox* rates = List(&dialog, LFormatChooseDlg::kRateList);
    ASSERT_EQ(rates->count(), 4);
    EXPECT_EQ(rates->itemText(1), "11,025 Hz");
    EXPECT_EQ(rates->currentText(), "8,000 Hz");
    QComboBox* channels = List(&dialog, LFormatChooseDlg::kChannelList);
    ASSERT_EQ(channels->count(), 2);
    EXPECT_EQ(channels->currentText(), "Mono");
    auto* attributes = qobject_cast<QLabel*>(FindControl(&dialog, LFormatChooseDlg::kAttributes));
    EXPECT_EQ(attributes->text(), "8,000 Hz, Mono, 1,625 bytes/s");

    // Every format can be paired with every rate, so GSM 6.10 at 11025 Hz is a choice (one the codec refuses).
    rates->setCurrentIndex(1);
    const WaveFormatRecord chosen = dialog.Chosen();
    EXPECT_EQ(chosen.formatTag, WaveFormatRecord::kTagGsm610);
    EXPECT_EQ(chosen.samplesPerSec, 11025u);
    EXPECT_FALSE(CodecStream::CanEncode(chosen));
    EXPECT_EQ(attributes->text().toStdString(), CodecCatalog::Describe(chosen));
}

TEST(FormatChooser, StartsAtTheRecordItIsGivenAddingARateNotInTheList) {
    LFormatChooseDlg layer3(nullptr, Build("mp3", 22050, 2));
    EXPECT_EQ(layer3.Chosen(), Build("mp3", 22050, 2));

    LFormatChooseDlg pcm(nullptr, WaveFormatRecord::Pcm(16000, 1, 8));
    EXPECT_EQ(List(&pcm, LFormatChooseDlg::kRateList)->currentText(), "16,000 Hz");
    EXPECT_EQ(List(&pcm, LFormatChooseDlg::kRateList)->itemText(2), "16,000 Hz");
    EXPECT_EQ(pcm.Chosen(), WaveFormatRecord::Pcm(16000, 1, 8));
}

TEST(FormatChooser, AChoiceTheCodecCannotProduceShowsFormatNotAvailableThenTheChooserAgain) {
    const Area original = AreaWith(WaveFormatRecord::Pcm(8000, 1, 16));
    Area area = original;
    std::vector<std::pair<QString, QString>> messages;
    WaveFormatRecord shownAgain;
    ModalDriver driver({Choose("gsm", 11025, 1), [&](QWidget* dialog) {
                            shownAgain = static_cast<LFormatChooseDlg*>(dialog)->Chosen();
                            Click(dialog, 2);
                        }});
    const bool chosen = ChooseWaveFileFormat(area, nullptr, [&](QWidget*, const QString& caption, const QString& text) {
        messages.emplace_back(caption, text);
    });
    EXPECT_FALSE(chosen);
    EXPECT_EQ(driver.StepsTaken(), 2u);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].first, "Format Not Available");
    EXPECT_EQ(messages[0].second, kMessage);
    EXPECT_EQ(shownAgain, Build("gsm", 11025, 1)); // the chooser came back as the user left it
    EXPECT_EQ(area, original);                     // cancelling leaves the area alone
}

TEST(FormatChooser, TheMessageBoxHasItsCaptionTextIconAndOkAndAProducibleChoiceFillsTheArea) {
    Area area = AreaWith(WaveFormatRecord::Pcm(8000, 1, 16));
    area.back() = 0x77; // the rest of the area is cleared along with the new record
    bool boxSeen = false;
    ModalDriver driver({Choose("gsm", 11025, 1),
                        [&](QWidget* window) {
                            auto* box = qobject_cast<QMessageBox*>(window);
                            ASSERT_NE(box, nullptr);
                            boxSeen = true;
                            EXPECT_EQ(box->windowTitle(), "Format Not Available");
                            EXPECT_EQ(box->text(), kMessage);
                            EXPECT_EQ(box->icon(), QMessageBox::Warning);
                            EXPECT_EQ(box->standardButtons(), QMessageBox::Ok);
                            box->button(QMessageBox::Ok)->click();
                        },
                        Choose("ima-adpcm", 22050, 2)});
    EXPECT_TRUE(ChooseWaveFileFormat(area, nullptr));
    EXPECT_TRUE(boxSeen);
    EXPECT_EQ(area, AreaWith(Build("ima-adpcm", 22050, 2)));
    EXPECT_EQ(WaveFormatRecord::Parse(area), Build("ima-adpcm", 22050, 2));
}
