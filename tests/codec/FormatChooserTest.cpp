// The format chooser: where it starts, what it shows, and the "Format Not Available" way back into it.
#include "SoundTestKit.h"
#include "platform/CodecCatalog.h"
#include "sound/ui/ChooseWaveFileFormat.h"
#include "sound/ui/LFormatChooseDlg.h"
#include "ui/DialogUnits.h"

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
using sound_test::Format;

QComboBox* List(QWidget* dialog, int id) {
    return qobject_cast<QComboBox*>(FindControl(dialog, id));
}

void Click(QWidget* dialog, int id) {
    qobject_cast<QPushButton*>(FindControl(dialog, id))->click();
}

// Hands each modal window that comes up, in turn, to the next step (from a timer, inside its modal loop).
class ModalDriver {
public:
    explicit ModalDriver(std::vector<std::function<void(QWidget*)>> steps) : m_steps(std::move(steps)) {
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            QWidget* modal = QApplication::activeModalWidget();
            if (modal && !modal->property("driven").toBool() && m_next < m_steps.size()) {
                modal->setProperty("driven", true);
                m_steps[m_next++](modal);
            }
        });
        m_timer.start(1);
    }

private:
    std::vector<std::function<void(QWidget*)>> m_steps;
    size_t m_next = 0;
    QTimer m_timer;
};

Area AreaWith(const WaveFormatRecord& format) {
    Area area{};
    std::ranges::copy(format.Serialize(), area.begin());
    return area;
}

// A step that picks (id, rate, channels) in the chooser and clicks OK; what the chooser showed first goes to `shown`.
std::function<void(QWidget*)> Choose(const char* id, uint32_t rate, uint16_t channels,
                                     WaveFormatRecord* shown = nullptr) {
    return [=](QWidget* window) {
        auto* dialog = dynamic_cast<LFormatChooseDlg*>(window);
        ASSERT_NE(dialog, nullptr);
        if (shown)
            *shown = dialog->Chosen();
        const std::pair<int, QVariant> choices[] = {{LFormatChooseDlg::kFormatList, QString(id)},
                                                    {LFormatChooseDlg::kRateList, rate},
                                                    {LFormatChooseDlg::kChannelList, channels}};
        for (const auto& [list, value] : choices)
            List(dialog, list)->setCurrentIndex(List(dialog, list)->findData(value));
        Click(dialog, 1);
    };
}

const QString kMessage =
    "The requested format is not available because the required CODEC is not installed on this computer.";

} // namespace

TEST(FormatChooser, AChoiceTheCodecCannotProduceShowsTheWarningAndTheChooserAgainUntilAProducibleOneFillsTheArea) {
    Area area = AreaWith(WaveFormatRecord::Pcm(16000, 1, 8));
    area.back() = 0x77; // the rest of the area is cleared along with the new record
    WaveFormatRecord shownFirst, shownAgain;
    QString rateShown, attributes;
    ModalDriver driver(
        {[&](QWidget* dialog) { // a rate not in the list is added to it
             rateShown = List(dialog, LFormatChooseDlg::kRateList)->itemText(2);
             Choose("gsm", 11025, 1, &shownFirst)(dialog);
             attributes = qobject_cast<QLabel*>(FindControl(dialog, LFormatChooseDlg::kAttributes))->text();
         },
         [&](QWidget* window) {
             auto* box = qobject_cast<QMessageBox*>(window);
             ASSERT_NE(box, nullptr);
             EXPECT_EQ(std::make_tuple(box->windowTitle(), box->text(), box->icon(), box->standardButtons()),
                       std::make_tuple("Format Not Available", kMessage, QMessageBox::Warning,
                                       QMessageBox::StandardButtons(QMessageBox::Ok)));
             box->button(QMessageBox::Ok)->click();
         },
         Choose("ima-adpcm", 22050, 2, &shownAgain)});
    EXPECT_TRUE(ChooseWaveFileFormat(area, nullptr));
    EXPECT_EQ(std::make_tuple(shownFirst, rateShown, attributes),
              std::make_tuple(WaveFormatRecord::Pcm(16000, 1, 8), "16,000 Hz",
                              QString::fromStdString(CodecCatalog::Describe(Format("gsm", 11025, 1)))));
    EXPECT_EQ(CodecCatalog::Describe(Format("pcm16", 44100, 2)), "44,100 Hz, 16 Bit, Stereo, 176,400 bytes/s");
    EXPECT_EQ(shownAgain, Format("gsm", 11025, 1)); // the chooser came back as the user left it
    EXPECT_EQ(area, AreaWith(Format("ima-adpcm", 22050, 2)));
}

TEST(FormatChooser, AnAreaWithoutARecordStartsAtTheFirstFormatAndCancelAfterTheMessageLeavesItAlone) {
    Area area{};
    std::vector<std::pair<QString, QString>> messages;
    WaveFormatRecord first;
    ModalDriver driver({Choose("gsm", 11025, 1, &first), [](QWidget* dialog) { Click(dialog, 2); }});
    EXPECT_FALSE(ChooseWaveFileFormat(area, nullptr, [&](QWidget*, const QString& caption, const QString& text) {
        messages.emplace_back(caption, text);
    }));
    EXPECT_EQ(first, Format("pcm8", 8000, 1));
    EXPECT_EQ(messages, (std::vector<std::pair<QString, QString>>{{"Format Not Available", kMessage}}));
    EXPECT_EQ(area, Area{});
}
