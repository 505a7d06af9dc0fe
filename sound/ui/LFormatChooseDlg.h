// LFormatChooseDlg: the modal "Select Wave File Format" dialog: format (101), rate (102) and channels (103) as
// separate choices, the resulting attributes (104), OK (1) and Cancel (2). It lists every format the codec layer
// can encode and every standard rate and channel count, so it can build records the codec cannot produce
// (GSM 6.10 at 11025 Hz); ChooseWaveFileFormat checks that.
//
//   LFormatChooseDlg dialog(parent, current);
//   if (dialog.exec() == QDialog::Accepted) WaveFormatRecord chosen = dialog.Chosen();
#pragma once

#include "platform/WaveFormatRecord.h"

#include <QDialog>

class QComboBox;
class QLabel;
class QPushButton;

class LFormatChooseDlg final : public QDialog {
public:
    static constexpr int kFormatList = 101;
    static constexpr int kRateList = 102;
    static constexpr int kChannelList = 103;
    static constexpr int kAttributes = 104;

    // Starts at `initial`: its format, rate and channels where the lists have them (a rate not in the list is
    // added to it).
    LFormatChooseDlg(QWidget* parent, const WaveFormatRecord& initial);

    // The record for the current choices, with the format's standard block align, byte rate and extra bytes.
    WaveFormatRecord Chosen() const;

private:
    void SelectInitial(const WaveFormatRecord& initial);
    void ShowAttributes();

    QComboBox* m_formats;
    QComboBox* m_rates;
    QComboBox* m_channels;
    QLabel* m_attributes;
    QPushButton* m_ok;
};
