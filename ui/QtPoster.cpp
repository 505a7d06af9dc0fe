#include "ui/QtPoster.h"

#include <QMetaObject>

void QtPoster::Post(std::function<void()> work) {
    QMetaObject::invokeMethod(&m_context, std::move(work), Qt::QueuedConnection);
}
