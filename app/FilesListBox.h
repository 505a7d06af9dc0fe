// FilesListBox: the list of the current dictations (control 100). A right button press first selects the entry
// under the pointer, as a left click would, and then asks the owner to show its context menu there. A name cut off
// at the list's edge shows in full as the entry's tooltip.
// Main thread.
//
//   auto* list = new FilesListBox(form);
//   list->SetContextMenuHandler([this](QPoint globalPosition) { m_contextMenu->popup(globalPosition); });
#pragma once

#include <QListWidget>
#include <functional>
#include <string>
#include <vector>

class FilesListBox final : public QListWidget {
public:
    using ContextMenuHandler = std::function<void(QPoint globalPosition)>;

    explicit FilesListBox(QWidget* parent = nullptr);

    void SetContextMenuHandler(ContextMenuHandler handler) { m_contextMenu = std::move(handler); }

    // Replaces the entries by `names`, in the order given (the store's list order), selecting nothing.
    void SetNames(const std::vector<std::string>& names);
    std::vector<std::string> Names() const;
    // The row of `name` (exact text), or -1.
    int RowOf(const std::string& name) const;
    // The selected entry's text, or empty text.
    std::string SelectedName() const;

protected:
    void mousePressEvent(QMouseEvent* event) override;
    bool viewportEvent(QEvent* event) override;

private:
    ContextMenuHandler m_contextMenu;
};
