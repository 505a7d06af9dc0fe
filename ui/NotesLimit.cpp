#include "ui/NotesLimit.h"

#include <QPlainTextEdit>
#include <QTextCursor>

size_t StoredNotesBytes(const QString& text) {
    return size_t(text.toUtf8().size()) + size_t(text.count(QLatin1Char('\n')));
}

void LimitNotes(QPlainTextEdit* box, size_t limit, std::function<void()> onCut) {
    QObject::connect(box, &QPlainTextEdit::textChanged, box, [box, limit, onCut = std::move(onCut)] {
        const QString text = box->toPlainText();
        if (StoredNotesBytes(text) <= limit)
            return;
        // The longest head that fits, never cutting a character (or a surrogate pair) in half.
        qsizetype keep = 0;
        size_t bytes = 0;
        while (keep < text.size()) {
            const qsizetype width = text.at(keep).isHighSurrogate() && keep + 1 < text.size() ? 2 : 1;
            const size_t more = StoredNotesBytes(text.mid(keep, width));
            if (bytes + more > limit)
                break;
            bytes += more;
            keep += width;
        }
        {
            const QSignalBlocker quiet(box);
            const int position = std::min(box->textCursor().position(), int(keep));
            box->setPlainText(text.left(keep));
            QTextCursor cursor = box->textCursor();
            cursor.setPosition(position);
            box->setTextCursor(cursor);
            box->document()->setModified(true);
        }
        if (onCut)
            onCut();
        emit box->textChanged(); // the owner sees the text that is kept
    });
}
