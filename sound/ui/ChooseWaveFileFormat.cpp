#include "sound/ui/ChooseWaveFileFormat.h"

#include "platform/CodecCatalog.h"
#include "platform/CodecStream.h"
#include "sound/ui/LFormatChooseDlg.h"

#include <QApplication>
#include <QMessageBox>
#include <algorithm>

void ShowFormatMessage(QWidget* owner, const QString& caption, const QString& text) {
    QMessageBox box(QMessageBox::Warning, caption, text, QMessageBox::Ok, owner);
    box.exec();
}

bool ChooseWaveFileFormat(std::span<uint8_t> area, QWidget* owner, const FormatMessageFunction& showMessage) {
    if (!owner)
        owner = QApplication::activeWindow();
    WaveFormatRecord current;
    if (std::optional<WaveFormatRecord> held = WaveFormatRecord::Parse(area))
        current = *held;
    else if (!CodecCatalog::Entries().empty())
        current = CodecCatalog::BuildFormat(CodecCatalog::Entries().front(), 8000, 1);
    for (;;) {
        LFormatChooseDlg dialog(owner, current);
        if (dialog.exec() != QDialog::Accepted)
            return false;
        current = dialog.Chosen();
        const std::vector<uint8_t> bytes = current.Serialize();
        if (bytes.size() <= area.size() && CodecStream::CanEncode(current)) {
            std::copy(bytes.begin(), bytes.end(), area.begin());
            std::fill(area.begin() + static_cast<std::ptrdiff_t>(bytes.size()), area.end(), uint8_t{0});
            return true;
        }
        const QString caption = QStringLiteral("Format Not Available");
        const QString text = QStringLiteral("The requested format is not available because the required CODEC is "
                                            "not installed on this computer.");
        if (showMessage)
            showMessage(owner, caption, text);
        else
            ShowFormatMessage(owner, caption, text);
    }
}
