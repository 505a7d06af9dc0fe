#include "TimeText.h"

#include <climits>
#include <gtest/gtest.h>

TEST(TimeText, TenthsRoundToTheNearestTenthHalvesUp) {
    EXPECT_EQ(TimeTextTenths(0), " 0:00:00.0");
    EXPECT_EQ(TimeTextTenths(9999), " 0:00:01.0");
    EXPECT_EQ(TimeTextTenths(9499), " 0:00:00.9");
    EXPECT_EQ(TimeTextTenths(9500), " 0:00:01.0");
    EXPECT_EQ(TimeTextTenths(-15000), "-0:00:01.5");
}

TEST(TimeText, HoursAreNotLimitedToTwoDigits) {
    EXPECT_EQ(TimeTextMilliseconds(-36000000), "-1:00:00.000");
    EXPECT_EQ(TimeTextMilliseconds(360000000), " 10:00:00.000");
    EXPECT_EQ(TimeTextHundredths(36000000 * 50 + 6000000 + 10000 * 7 + 1234), " 50:10:07.12");
}

TEST(TimeText, TheMostNegativeValueHasAText) {
    EXPECT_EQ(TimeTextMilliseconds(INT_MIN), "-59:39:08.365");
    EXPECT_EQ(TimeTextTenths(INT_MAX), " 59:39:08.4");
}
