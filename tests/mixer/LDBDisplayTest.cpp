#include "LDBDisplay.h"

#include <QApplication>
#include <QImage>
#include <QPaintEvent>
#include <gtest/gtest.h>

namespace {

LDBMC Levels(std::initializer_list<int8_t> values) {
    LDBMC levels(static_cast<uint8_t>(values.size()));
    uint8_t c = 0;
    for (int8_t value : values)
        levels[c++] = value;
    return levels;
}

// Notes the areas the display repaints.
class PaintWatch : public QObject {
public:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint)
            painted += static_cast<QPaintEvent*>(event)->region();
        return false;
    }
    QRegion painted;
};

} // namespace

TEST(LevelDisplay, DrawsGreenToZeroRedAboveAndBlackBeyond) {
    LDBDisplay display;
    display.resize(96, 20);
    display.SetLevels(Levels({-127, 20}));
    const QImage picture = display.grab().toImage();
    // Channel 0 (rows 0..9): silence, all black.
    for (int x = 0; x < 96; ++x)
        ASSERT_EQ(picture.pixelColor(x, 5), LDBDisplay::kRest) << x;
    // Channel 1 (rows 10..19): +20 is drawn as +12, to the right edge; 0 dB at three quarters.
    EXPECT_EQ(display.Levels()[1], 12);
    EXPECT_EQ(display.Position(0), 72);
    EXPECT_EQ(picture.pixelColor(0, 15), LDBDisplay::kBelowZero);
    EXPECT_EQ(picture.pixelColor(71, 15), LDBDisplay::kBelowZero);
    EXPECT_EQ(picture.pixelColor(72, 15), LDBDisplay::kAboveZero);
    EXPECT_EQ(picture.pixelColor(95, 15), LDBDisplay::kAboveZero);

    display.SetLevels(Levels({-12}));
    const QImage one = display.grab().toImage();
    EXPECT_EQ(one.pixelColor(47, 18), LDBDisplay::kBelowZero);
    EXPECT_EQ(one.pixelColor(48, 18), LDBDisplay::kRest);
}

TEST(LevelDisplay, WithoutChannelsIsLightGrey) {
    LDBDisplay display;
    display.resize(50, 10);
    const QImage picture = display.grab().toImage();
    EXPECT_EQ(picture.pixelColor(0, 0), LDBDisplay::kEmpty);
    EXPECT_EQ(picture.pixelColor(49, 9), LDBDisplay::kEmpty);
}

TEST(LevelDisplay, ADisplayWithNoRoomDrawsNothing) {
    LDBDisplay display;
    display.resize(0, 0);
    display.SetLevels(Levels({6, -6}));
    display.show();
    QApplication::processEvents();
    display.repaint();
    EXPECT_EQ(display.Levels(), Levels({6, -6}));
    display.resize(0, 20);
    display.SetLevels(Levels({-20, 3}));
    display.repaint();
    EXPECT_EQ(display.Levels(), Levels({-20, 3}));
}

TEST(LevelDisplay, RedrawsOnlyTheChangedPartOfAStrip) {
    LDBDisplay display;
    display.resize(96, 20);
    display.SetLevels(Levels({-30, -30}));
    display.show();
    QApplication::processEvents();
    PaintWatch watch;
    display.installEventFilter(&watch);

    display.SetLevels(Levels({-30, -30}));
    QApplication::processEvents();
    EXPECT_TRUE(watch.painted.isEmpty()) << "nothing changed";

    display.SetLevels(Levels({-18, -30}));
    QApplication::processEvents();
    const QRect painted = watch.painted.boundingRect();
    EXPECT_FALSE(painted.isEmpty());
    EXPECT_LE(painted.bottom(), 9) << "channel 1 is not redrawn";
    EXPECT_GE(painted.left(), display.Position(-30) - 1);
    EXPECT_LE(painted.right(), display.Position(-18) + 1);

    watch.painted = QRegion();
    display.SetLevels(Levels({-18}));
    QApplication::processEvents();
    EXPECT_EQ(watch.painted.boundingRect(), display.rect()) << "another channel count redraws everything";
}
