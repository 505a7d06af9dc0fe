// MainFrame: the program's frame window "Tallowin": caption and system menu, no sizing border and no maximize box;
// its client is the main form (MainDialog, 276 × 108 dialog units) and its menu bar the form's menus. Closing it
// closes the form first (the form's tear-down), except while an insert recording is being spliced in.
#pragma once

#include <QMainWindow>

class MainDialog;
struct MainDialogServices;

class MainFrame final : public QMainWindow {
public:
    // A close asked for during a splice is tried again this often until the splice has ended.
    static constexpr int kCloseRetryMs = 200;

    explicit MainFrame(MainDialogServices services);

    MainDialog& Form() const { return *m_form; }

    // Shows the frame restored from minimised and in front of the other windows.
    void BringToFront();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    MainDialog* m_form;
};
