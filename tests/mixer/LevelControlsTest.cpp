// The decibel edit box with its bar.
#include "audio/ui/LDBEdit.h"

#include <QApplication>
#include <QLineEdit>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

namespace {

// The edit box and a bar of 96 pixels: 2 pixels per decibel from column e, 0 dB at e + 72.
class DbEdit : public ::testing::Test {
protected:
    DbEdit() { m_control.resize(e + 96, 20); }
    QColor At(int barColumn) { return m_control.grab().toImage().pixelColor(e + barColumn, 10); }
    void Type(const QString& text) {
        m_control.Edit()->clear();
        QTest::keyClicks(m_control.Edit(), text);
    }
    void Drag(int x) {
        QMouseEvent move(QEvent::MouseMove, QPointF(x, 10), m_control.mapToGlobal(QPointF(x, 10)), Qt::NoButton,
                         Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&m_control, &move);
    }

    LDBEdit m_control{nullptr, -36, 12};
    const int e = m_control.EditWidth();
    QSignalSpy m_told{&m_control, &LDBEdit::valueEdited};
};

TEST_F(DbEdit, TheBarShowsTheValueRedAboveZeroAndAllGreyWhenDisabled) {
    m_control.SetValue(6);
    EXPECT_EQ(At(68), LDBEdit::kBelowZero);
    EXPECT_EQ(At(76), LDBEdit::kAboveZero);
    m_control.setEnabled(false);
    EXPECT_FALSE(m_control.Edit()->isEnabled());
    EXPECT_EQ(At(76), LDBEdit::kLightGrey);
}

TEST_F(DbEdit, PressingAndDraggingOnTheBarSetsTheValueUntilReleasedButNotWithoutABar) {
    QTest::mousePress(&m_control, Qt::LeftButton, {}, QPoint(e + 72, 10));
    for (const auto& [x, value] : std::vector<std::pair<int, int>>{{e + 48, -12}, {e + 500, 12}, {0, -36}}) {
        Drag(x);
        EXPECT_EQ(m_control.Value(), value) << x;
    }
    QTest::mouseRelease(&m_control, Qt::LeftButton, {}, QPoint(0, 10));
    const qsizetype told = m_told.count();
    Drag(e + 72);
    QTest::mousePress(&m_control, Qt::LeftButton, {}, QPoint(10, 10)); // on the edit box
    EXPECT_EQ(m_control.Value(), -36);
    EXPECT_EQ(m_told.count(), told);
    m_control.resize(e, 20);
    QTest::mousePress(&m_control, Qt::LeftButton, {}, QPoint(e + 8, 10));
    EXPECT_EQ(m_control.Value(), -36);
    EXPECT_FALSE(m_control.grab().isNull());
}

} // namespace
