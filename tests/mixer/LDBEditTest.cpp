#include "LDBEdit.h"

#include <QApplication>
#include <QImage>
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

    // The column of a position in the bar.
    int X(int barColumn) const { return e + barColumn; }

    QImage Picture() { return m_control.grab().toImage(); }
    QColor At(int x) { return Picture().pixelColor(x, 10); }
    bool BarHas(const QColor& colour) {
        const QImage picture = Picture();
        for (int x = e; x < picture.width(); ++x)
            if (picture.pixelColor(x, 10) == colour)
                return true;
        return false;
    }
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

} // namespace

TEST_F(DbEdit, TheEditBoxShowsTheWholeTextOfTheLowestLevel) {
    m_control.SetValue(-36);
    m_control.show();
    EXPECT_GE(e, LDBEdit::kMinimumEditWidth);
    EXPECT_EQ(m_control.Edit()->width(), e);
    EXPECT_GE(e, m_control.Edit()->fontMetrics().horizontalAdvance("-36dB"));
}

TEST_F(DbEdit, SetValueLimitsTheValueShowsItsTextAndTellsTheParent) {
    m_control.SetValue(-6);
    EXPECT_EQ(m_control.Value(), -6);
    EXPECT_EQ(m_control.Edit()->text(), "-6dB");
    m_control.SetValue(40);
    EXPECT_EQ(m_control.Value(), 12);
    EXPECT_EQ(m_control.Edit()->text(), "12dB");
    m_control.SetValue(-127);
    EXPECT_EQ(m_control.Value(), -36);
    ASSERT_EQ(m_told.count(), 3);
    EXPECT_EQ(m_told.at(2).at(0).toInt(), -36);
    EXPECT_EQ(m_control.Edit()->property("controlId").toInt(), LDBEdit::kEditId);
}

TEST_F(DbEdit, TypedValuesAreNotLimitedToTheBar) {
    Type("-50");
    EXPECT_EQ(m_control.Value(), -50);
    EXPECT_EQ(m_told.last().at(0).toInt(), -50);
    EXPECT_FALSE(BarHas(LDBEdit::kBelowZero));

    Type("--");
    EXPECT_EQ(m_control.Value(), -127);
    EXPECT_FALSE(BarHas(LDBEdit::kBelowZero)) << "the bar shows empty";
    EXPECT_FALSE(BarHas(LDBEdit::kAboveZero));

    Type("99dB");
    EXPECT_EQ(m_control.Value(), 99);
    // Only the first seven characters count.
    Type("-12dB  345");
    EXPECT_EQ(m_control.Value(), -12);
    // Setting the shown value again after typing beyond the range still takes it.
    Type("-50");
    m_control.SetValue(-36);
    Type("-36dB");
    m_control.SetValue(-50);
    EXPECT_EQ(m_control.Value(), -36);
}

TEST_F(DbEdit, TheBarIsGreenToTheValueRedAboveZeroAndGreyBeyond) {
    m_control.SetValue(-12);
    EXPECT_EQ(m_control.BarPosition(-12), X(48));
    EXPECT_EQ(At(X(8)), LDBEdit::kBelowZero);
    EXPECT_EQ(At(X(44)), LDBEdit::kBelowZero);
    EXPECT_EQ(At(X(58)), LDBEdit::kRest);
    EXPECT_EQ(At(X(95)), LDBEdit::kRest);
    EXPECT_EQ(At(X(47)), LDBEdit::kLightGrey) << "the knob";
    EXPECT_EQ(At(X(46)), QColor(Qt::white));
    EXPECT_EQ(At(X(49)), QColor(Qt::black));

    m_control.SetValue(6);
    EXPECT_EQ(At(X(68)), LDBEdit::kBelowZero);
    EXPECT_EQ(At(X(76)), LDBEdit::kAboveZero);
    EXPECT_EQ(At(X(90)), LDBEdit::kRest);

    m_control.setEnabled(false);
    EXPECT_FALSE(m_control.Edit()->isEnabled());
    for (int x : {8, 68, 76, 84, 90})
        EXPECT_EQ(At(X(x)), LDBEdit::kLightGrey) << x;
}

TEST_F(DbEdit, PressingAndDraggingOnTheBarSetsTheValue) {
    QTest::mousePress(&m_control, Qt::LeftButton, {}, QPoint(X(72), 10));
    EXPECT_EQ(m_control.Value(), 0);
    Drag(X(48));
    EXPECT_EQ(m_control.Value(), -12);
    Drag(X(500));
    EXPECT_EQ(m_control.Value(), 12);
    Drag(0);
    EXPECT_EQ(m_control.Value(), -36);
    QTest::mouseRelease(&m_control, Qt::LeftButton, {}, QPoint(0, 10));
    const qsizetype told = m_told.count();
    Drag(X(72));
    EXPECT_EQ(m_control.Value(), -36) << "no capture after the release";
    EXPECT_EQ(m_told.count(), told);

    // A press left of the bar does not change the value.
    QTest::mousePress(&m_control, Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_EQ(m_control.Value(), -36);
}

TEST_F(DbEdit, AControlWithoutABarIgnoresTheMouseAndDrawsNothing) {
    m_control.resize(e, 20);
    m_control.SetValue(3);
    QTest::mousePress(&m_control, Qt::LeftButton, {}, QPoint(e + 8, 10));
    EXPECT_EQ(m_control.Value(), 3);
    EXPECT_FALSE(m_control.grab().isNull());
}

TEST_F(DbEdit, FocusPassesToTheEditBoxWithItsTextSelected) {
    m_control.SetValue(-15);
    m_control.show();
    QApplication::setActiveWindow(&m_control);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&m_control));
    m_control.Edit()->deselect();
    m_control.Edit()->clearFocus();
    m_control.setFocus(Qt::TabFocusReason);
    EXPECT_TRUE(m_control.Edit()->hasFocus());
    EXPECT_EQ(m_control.Edit()->selectedText(), "-15dB");
}
