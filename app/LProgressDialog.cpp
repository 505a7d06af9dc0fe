#include "app/LProgressDialog.h"

#include "app/InsertSplice.h"
#include "ui/DialogUnits.h"

#include <QApplication>
#include <QDialog>
#include <QIcon>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QStyle>
#include <algorithm>

namespace {

constexpr int kFirstLineId = 100;
constexpr int kSecondLineId = 101;
constexpr int kBarId = 102;
constexpr int kFooterId = 103;
constexpr int kCancelId = 2;

// The footer is kept as given ("Tallowin\n\r"); the window shows it without line ends.
QString Shown(const std::string& text) {
    return QString::fromStdString(text).remove(QLatin1Char('\r')).remove(QLatin1Char('\n'));
}

// Bridges a splice to the dialog's progress and cancel.
class SpliceJob final : public LProgressJob, private SpliceProgress {
public:
    explicit SpliceJob(InsertSplice& splice) : m_splice(splice) {}
    bool Work(LProgressDialog& dialog) override {
        m_dialog = &dialog;
        return m_splice.Run(this) == SpliceResult::Spliced;
    }

private:
    void SetProgress(int percent) override { m_dialog->SetProgress(percent); }
    bool IsCancelled() override { return m_dialog->IsCancelled(); }

    InsertSplice& m_splice;
    LProgressDialog* m_dialog = nullptr;
};

} // namespace

LProgressDialog::LProgressDialog(std::string caption, std::string footer)
    : m_caption(std::move(caption)), m_footer(std::move(footer)) {
    if (m_caption.size() > kCaptionLimit)
        m_caption.resize(kCaptionLimit);
    if (m_footer.size() > kFooterLimit)
        m_footer.resize(kFooterLimit);
}

LProgressDialog::~LProgressDialog() {
    Close();
}

void LProgressDialog::SetLines(std::string first, std::string second) {
    m_first = std::move(first);
    m_second = std::move(second);
}

bool LProgressDialog::Run(QWidget* parent, LProgressJob& job) {
    if (m_busy)
        return false;
    m_busy = true;
    m_cancelled = false;

    auto* dialog = new QDialog(parent);
    dialog->setWindowTitle(QString::fromStdString(m_caption));
    dialog->setModal(false);
    const DialogUnits units(dialog->font());
    dialog->setFixedSize(units.ToPixels(186, 78));
    auto* icon = new QLabel(dialog);
    icon->setPixmap(dialog->style()->standardIcon(QStyle::SP_MessageBoxInformation).pixmap(32, 32));
    units.Place(icon, -1, 7, 7, 21, 20);
    auto* first = new QLabel(QString::fromStdString(m_first), dialog);
    units.Place(first, kFirstLineId, 36, 7, 143, 8);
    auto* second = new QLabel(QString::fromStdString(m_second), dialog);
    units.Place(second, kSecondLineId, 36, 17, 143, 8);
    m_bar = new QProgressBar(dialog);
    m_bar->setRange(0, 100);
    m_bar->setValue(0);
    units.Place(m_bar, kBarId, 36, 29, 143, 9);
    auto* footer = new QLabel(Shown(m_footer), dialog);
    units.Place(footer, kFooterId, 7, 44, 172, 8);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), dialog);
    units.Place(cancel, kCancelId, 68, 57, 50, 14);
    cancel->setDefault(true);
    QObject::connect(cancel, &QPushButton::clicked, dialog, [this] { m_cancelled = true; });
    QObject::connect(dialog, &QDialog::rejected, dialog, [this] { m_cancelled = true; }); // Escape, close box
    m_dialog = dialog;
    dialog->show();

    QApplication::processEvents();
    bool result = false;
    if (!IsCancelled())
        result = job.Work(*this);
    Close();
    m_busy = false;
    return result;
}

void LProgressDialog::SetProgress(int percent) {
    if (m_dialog && m_bar)
        m_bar->setValue(std::clamp(percent, 0, 100));
}

bool LProgressDialog::IsCancelled() {
    QApplication::processEvents();
    if (m_cancelled && m_dialog)
        m_dialog->hide();
    return m_cancelled || !m_dialog;
}

void LProgressDialog::Close() {
    m_bar = nullptr;
    if (m_dialog)
        delete m_dialog.data();
}

bool RunSpliceWithProgress(QWidget* parent, InsertSplice& splice) {
    LProgressDialog dialog("Insert Recording", "Tallowin\n\r");
    dialog.SetLines("Inserting Recording", "Please wait...");
    SpliceJob job(splice);
    return dialog.Run(parent, job);
}
