// The progress dialog offscreen: a nested run, and Cancel.
#include "app/LProgressDialog.h"

#include "ui/DialogUnits.h"

#include <QDialog>
#include <QPushButton>
#include <functional>
#include <gtest/gtest.h>

namespace {

struct FunctionJob final : LProgressJob {
    explicit FunctionJob(std::function<bool(LProgressDialog&)> work) : work(std::move(work)) {}
    bool Work(LProgressDialog& dialog) override { return work(dialog); }
    std::function<bool(LProgressDialog&)> work;
};

TEST(ProgressDialog, RefusesANestedRunAndCancelEndsTheJobAtItsNextCheck) {
    LProgressDialog progress("Insert Recording", "Tallowin");
    QPointer<QDialog> shown;
    int checks = 0;
    FunctionJob job([&](LProgressDialog& dialog) {
        shown = dialog.Window();
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
}

} // namespace
