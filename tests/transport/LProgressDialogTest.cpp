// The progress dialog offscreen: what it shows while its job runs, a nested run, and Cancel.
#include "app/LProgressDialog.h"

#include "ui/DialogUnits.h"

#include <QDialog>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <functional>
#include <gtest/gtest.h>

namespace {

struct FunctionJob final : LProgressJob {
    explicit FunctionJob(std::function<bool(LProgressDialog&)> work) : work(std::move(work)) {}
    bool Work(LProgressDialog& dialog) override { return work(dialog); }
    std::function<bool(LProgressDialog&)> work;
};

TEST(ProgressDialog, ShowsItsTextsAndBarWhileTheJobRunsRefusesANestedRunAndCancelEndsItAtTheJobsNextCheck) {
    LProgressDialog progress("Insert Recording and a caption that is far too long to be kept", "Tallowin\n\r");
    progress.SetLines("Inserting Recording", "Please wait...");
    QPointer<QDialog> shown;
    int checks = 0;
    FunctionJob job([&](LProgressDialog& dialog) {
        shown = dialog.Window();
        EXPECT_TRUE(shown->isVisible());
        EXPECT_EQ(shown->windowTitle().size(), 47);
        const auto text = [&](int id) { return qobject_cast<QLabel*>(FindControl(shown, id))->text(); };
        EXPECT_EQ(text(100) + "|" + text(101) + "|" + text(103), "Inserting Recording|Please wait...|Tallowin");
        auto* bar = qobject_cast<QProgressBar*>(FindControl(shown, 102));
        EXPECT_EQ(bar->value(), 0);
        dialog.SetProgress(40);
        EXPECT_EQ(bar->value(), 40);
        FunctionJob nested([](LProgressDialog&) { return true; });
        EXPECT_FALSE(dialog.Run(nullptr, nested)); // busy: refused
        for (; checks < 100; ++checks) {
            if (checks == 3)
                qobject_cast<QPushButton*>(FindControl(shown, 2))->click();
            if (dialog.IsCancelled())
                return false;
        }
        return true;
    });
    EXPECT_FALSE(progress.Run(nullptr, job));
    EXPECT_EQ(checks, 3);
    EXPECT_TRUE(shown.isNull());
    EXPECT_FALSE(progress.IsBusy());
}

} // namespace
