// The level controls: the decibel edit box with its bar, and the level display.
#include "audio/ui/LDBDisplay.h"
#include "audio/ui/LDBEdit.h"

#include <QApplication>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPaintEvent>
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

TEST_F(DbEdit, SetValueLimitsTheValueAndTypedValuesAreTakenFromTheirFirstSevenCharactersUnlimited) {
    for (const auto& [value, shown, text] :
         std::vector<std::tuple<int, int, QString>>{{-6, -6, "-6dB"}, {40, 12, "12dB"}}) {
        m_control.SetValue(value);
        EXPECT_EQ(m_control.Value(), shown);
        EXPECT_EQ(m_control.Edit()->text(), text);
        EXPECT_EQ(m_told.last().at(0).toInt(), shown);
    }
    for (const auto& [typed, value] :
         std::vector<std::pair<QString, int>>{{"99dB", 99}, {"-12dB  345", -12}, {"--", -127}}) {
        Type(typed);
        EXPECT_EQ(m_control.Value(), value) << typed.toStdString();
        EXPECT_EQ(m_told.last().at(0).toInt(), value);
    }
    EXPECT_EQ(At(8), LDBEdit::kRest) << "the bar shows empty";
    Type("-36dB");
    m_control.SetValue(-50);
    EXPECT_EQ(m_control.Value(), -36) << "the shown value set again after typing is still taken";
    m_control.show();
    EXPECT_GE(m_control.Edit()->width(), m_control.Edit()->fontMetrics().horizontalAdvance("-36dB"));
}

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

LDBMC Levels(std::initializer_list<int8_t> values) {
    LDBMC levels(static_cast<uint8_t>(values.size()));
    uint8_t c = 0;
    for (int8_t value : values)
        levels[c++] = value;
    return levels;
}

// A display of strips 96 pixels wide (0 dB at three quarters) that notes what it repaints.
class LevelDisplay : public ::testing::Test, public QObject {
protected:
    LevelDisplay() { m_display.resize(96, 20); }
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint)
            m_painted += static_cast<QPaintEvent*>(event)->region();
        return false;
    }
    QColor At(int x, int y) { return m_display.grab().toImage().pixelColor(x, y); }

    LDBDisplay m_display;
    QRegion m_painted;
};

TEST_F(LevelDisplay, DrawsEachChannelGreenToItsLevelRedAboveZeroAndBlackBeyondWithinTheScale) {
    EXPECT_EQ(At(0, 0), LDBDisplay::kEmpty) << "no channels";
    m_display.SetLevels(Levels({-127, 20}));
    EXPECT_EQ(m_display.Levels()[1], 12);
    for (const auto& [x, y, colour] : std::vector<std::tuple<int, int, QColor>>{
             {95, 5, LDBDisplay::kRest}, {71, 15, LDBDisplay::kBelowZero}, {72, 15, LDBDisplay::kAboveZero}})
        EXPECT_EQ(At(x, y), colour) << x << "," << y;
}

TEST_F(LevelDisplay, RedrawsOnlyTheChangedPartOfAStripAndEverythingForAnotherChannelCount) {
    m_display.SetLevels(Levels({-30, -30}));
    m_display.show();
    QApplication::processEvents();
    m_display.installEventFilter(this);
    m_display.SetLevels(Levels({-30, -30}));
    QApplication::processEvents();
    EXPECT_TRUE(m_painted.isEmpty()) << "nothing changed";
    m_display.SetLevels(Levels({-18, -30}));
    QApplication::processEvents();
    const QRect painted = m_painted.boundingRect();
    EXPECT_LE(painted.bottom(), 9) << "channel 1 is not redrawn";
    EXPECT_GE(painted.left(), m_display.Position(-30) - 1);
    EXPECT_LE(painted.right(), m_display.Position(-18) + 1);
    m_painted = QRegion();
    m_display.SetLevels(Levels({-18}));
    QApplication::processEvents();
    EXPECT_EQ(m_painted.boundingRect(), m_display.rect());
}

TEST_F(LevelDisplay, ADisplayWithNoRoomDrawsNothingAndKeepsItsLevels) {
    for (const QSize size : {QSize(0, 0), QSize(0, 20), QSize(96, 1)}) {
        m_display.resize(size);
        m_display.SetLevels(Levels({6, -6, 3}));
        m_display.show();
        m_display.repaint();
        EXPECT_EQ(m_display.Levels(), Levels({6, -6, 3}));
    }
}

} // namespace
