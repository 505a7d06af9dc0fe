#include "app/FilesListBox.h"

#include <QHelpEvent>
#include <QMouseEvent>
#include <QToolTip>

FilesListBox::FilesListBox(QWidget* parent) : QListWidget(parent) {
    setSelectionMode(QAbstractItemView::SingleSelection);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff); // a long name is cut at the edge
    setContextMenuPolicy(Qt::NoContextMenu);              // the right button is handled below
}

void FilesListBox::SetNames(const std::vector<std::string>& names) {
    const QSignalBlocker quiet(this);
    clear();
    for (const std::string& name : names)
        addItem(QString::fromStdString(name));
    setCurrentRow(-1);
}

std::vector<std::string> FilesListBox::Names() const {
    std::vector<std::string> names;
    names.reserve(count());
    for (int row = 0; row < count(); ++row)
        names.push_back(item(row)->text().toStdString());
    return names;
}

int FilesListBox::RowOf(const std::string& name) const {
    const QString text = QString::fromStdString(name);
    for (int row = 0; row < count(); ++row) {
        if (item(row)->text() == text)
            return row;
    }
    return -1;
}

std::string FilesListBox::SelectedName() const {
    const QListWidgetItem* selected = currentRow() >= 0 ? currentItem() : nullptr;
    return selected ? selected->text().toStdString() : std::string();
}

void FilesListBox::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::RightButton) {
        QListWidget::mousePressEvent(event);
        return;
    }
    event->accept();
    const int row = indexAt(event->position().toPoint()).row();
    if (row >= 0)
        setCurrentRow(row);
    if (m_contextMenu)
        m_contextMenu(event->globalPosition().toPoint());
}

bool FilesListBox::viewportEvent(QEvent* event) {
    if (event->type() != QEvent::ToolTip)
        return QListWidget::viewportEvent(event);
    const auto* help = static_cast<QHelpEvent*>(event);
    const QModelIndex index = indexAt(help->pos());
    const QString name = index.data().toString();
    const QRect shown = visualRect(index).intersected(viewport()->rect());
    if (index.isValid() && viewport()->fontMetrics().horizontalAdvance(name) > shown.width() - 2 * spacing() - 4)
        QToolTip::showText(help->globalPos(), name, viewport(), shown);
    else
        QToolTip::hideText();
    return true;
}
