#include "LProgressDialog.h"

#include "EngineTestSupport.h"
#include "InsertSplice.h"
#include "TempFolder.h"

#include <DialogUnits.h>
#include <QDialog>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <functional>
#include <gtest/gtest.h>

namespace {

// A job whose work is a function.
class FunctionJob final : public LProgressJob {
public:
    explicit FunctionJob(std::function<bool(LProgressDialog&)> work) : m_work(std::move(work)) {}
    bool Work(LProgressDialog& dialog) override {
        ++runs;
        return m_work(dialog);
    }
    int runs = 0;

private:
    std::function<bool(LProgressDialog&)> m_work;
};

QString TextOf(QDialog* dialog, int id) {
    auto* label = qobject_cast<QLabel*>(FindControl(dialog, id));
    return label ? label->text() : QStringLiteral("<none>");
}

TEST(ProgressDialog, ShowsItsTextsAndBarWhileTheJobRunsAndIsGoneAfterwards) {
    LProgressDialog progress("Insert Recording and a caption that is far too long to be kept", "Tallowin\n\r");
    progress.SetLines("Inserting Recording", "Please wait...");
    QPointer<QDialog> seen;
    FunctionJob job([&](LProgressDialog& dialog) {
        seen = dialog.Window();
        EXPECT_TRUE(seen->isVisible());
        EXPECT_EQ(seen->windowTitle().size(), 47);
        EXPECT_EQ(TextOf(seen, 100), "Inserting Recording");
        EXPECT_EQ(TextOf(seen, 101), "Please wait...");
        EXPECT_EQ(TextOf(seen, 103), "Tallowin");
        auto* bar = qobject_cast<QProgressBar*>(FindControl(seen, 102));
        EXPECT_EQ(bar->value(), 0);
        dialog.SetProgress(40);
        EXPECT_EQ(bar->value(), 40);
        EXPECT_FALSE(dialog.IsCancelled());
        EXPECT_TRUE(dialog.IsBusy());
        FunctionJob nested([](LProgressDialog&) { return true; });
        EXPECT_FALSE(dialog.Run(nullptr, nested)); // busy: refused
        EXPECT_EQ(nested.runs, 0);
        return true;
    });
    EXPECT_TRUE(progress.Run(nullptr, job));
    EXPECT_EQ(job.runs, 1);
    EXPECT_TRUE(seen.isNull());
    EXPECT_FALSE(progress.IsBusy());
}

TEST(ProgressDialog, CancelEndsTheDialogAndTheJobSeesItAtItsNextCheck) {
    LProgressDialog progress("Insert Recording", "Tallowin");
    int checks = 0;
    FunctionJob job([&](LProgressDialog& dialog) {
        for (; checks < 100; ++checks) {
            if (checks == 3)
                qobject_cast<QPushButton*>(FindControl(dialog.Window(), 2))->click();
            if (dialog.IsCancelled())
                return false;
        }
        return true;
    });
    EXPECT_FALSE(progress.Run(nullptr, job));
    EXPECT_EQ(checks, 3);
}

TEST(ProgressDialog, RunsAnInsertSpliceUnderTheInsertRecordingDialog) {
    TempFolder folder;
    const std::string dictation = folder / "Dictation 1.wav";
    const std::string recording = folder / ".insert-Dictation 1.wav";
    ASSERT_TRUE(WriteWave(dictation, Tone(40000, 6000), 8000, 1));
    ASSERT_TRUE(WriteWave(recording, Tone(8000, 6000, 620), 8000, 1));
    InsertSplice splice(dictation, recording, 8000);
    EXPECT_TRUE(RunSpliceWithProgress(nullptr, splice));
    EXPECT_EQ(ReadWave(dictation).size(), 48000u);
}

} // namespace
