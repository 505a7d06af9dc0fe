// LTextEditDlg: a modal one-line text prompt (template 900): edit 100 with the caller's text all selected,
// OK (1) and Cancel (2). On OK an edited text replaces the caller's, cut to 254 characters.
//
//   std::string name = "Dictation 3";
//   if (LTextEditDlg::Ask(parent, name, "Enter Dictation Name")) Rename(name);
#pragma once

#include <QDialog>
#include <string>

class QLineEdit;

class LTextEditDlg final : public QDialog {
public:
    static constexpr int kMaxCharacters = 254;

    LTextEditDlg(QWidget* parent, const std::string& text, const QString& caption);

    // Runs the dialog; true when closed with OK. `text` changes only when the user edited it.
    static bool Ask(QWidget* parent, std::string& text, const QString& caption);

    // After the dialog closed with OK: the edited text, or nothing when the text was not edited.
    bool EditedText(std::string& text) const;

private:
    QLineEdit* m_edit;
};
