// Every window and dialog: no two sibling controls overlap (group boxes and empty sunken panels frame their
// neighbours and are left out), and each control lies within its parent.
#include "WindowCatalogue.h"

#include <QGroupBox>
#include <QLabel>
#include <QWidget>
#include <gtest/gtest.h>

namespace {

QString Describe(const QWidget* widget) {
    const QVariant id = widget->property("controlId");
    return QStringLiteral("%1 %2 \"%3\"")
        .arg(QString::fromLatin1(widget->metaObject()->className()), id.isValid() ? id.toString() : QString(),
             widget->property("text").toString());
}

// A frame drawn around its neighbours, which are its siblings.
bool IsDecoration(const QWidget* widget) {
    if (qobject_cast<const QGroupBox*>(widget))
        return widget->children().isEmpty();
    const auto* frame = qobject_cast<const QFrame*>(widget);
    const auto* label = qobject_cast<const QLabel*>(widget);
    return frame && frame->metaObject()->className() == QStringLiteral("QFrame") ? frame->children().isEmpty()
           : label && label->frameShape() != QFrame::NoFrame                     ? label->text().isEmpty()
                                                                                 : false;
}

// The overlaps and escapes among `parent`'s visible children, and below them.
void CheckChildren(const QWidget* parent, QStringList& faults) {
    std::vector<const QWidget*> placed;
    for (const QObject* object : parent->children()) {
        const auto* child = qobject_cast<const QWidget*>(object);
        if (!child || child->isWindow() || !child->isVisibleTo(parent))
            continue;
        CheckChildren(child, faults);
        if (IsDecoration(child))
            continue;
        if (!parent->rect().contains(child->geometry()))
            faults << Describe(child) + " reaches out of " + Describe(parent);
        for (const QWidget* other : placed)
            if (child->geometry().intersects(other->geometry()))
                faults << Describe(child) + " overlaps " + Describe(other);
        placed.push_back(child);
    }
}

} // namespace

TEST(EveryWindow, HasNoOverlappingControls) {
    WindowCatalogue catalogue;
    ASSERT_TRUE(catalogue.IsReady());
    int windows = 0;
    catalogue.ForEach([&](const QString& name, QWidget& window) {
        ++windows;
        QStringList faults;
        CheckChildren(&window, faults);
        EXPECT_TRUE(faults.isEmpty()) << name.toStdString() << ":\n  " << faults.join("\n  ").toStdString();
    });
    EXPECT_GE(windows, 20);
}
