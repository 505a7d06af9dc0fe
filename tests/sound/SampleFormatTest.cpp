// Frames against time values (1/10000 s) and the texts of times. How samples are stored and scaled, and the Q24
// gain product, are checked through the writers, readers and processors.
#include "sound/SampleFormat.h"

#include "sound/TimeText.h"

#include <climits>
#include <gtest/gtest.h>

TEST(TimeText, TenthsRoundHalvesUpAndHoursAreNotLimitedToTwoDigits) {
    EXPECT_EQ(TimeTextTenths(0), " 0:00:00.0");
    EXPECT_EQ(TimeTextTenths(9499), " 0:00:00.9");
    EXPECT_EQ(TimeTextTenths(9500), " 0:00:01.0");
    EXPECT_EQ(TimeTextTenths(-15000), "-0:00:01.5");
    // Hours are not limited to two digits, and the extremes have texts.
    EXPECT_EQ(TimeTextMilliseconds(-36000000), "-1:00:00.000");
    EXPECT_EQ(TimeTextHundredths(36000000 * 50 + 6000000 + 10000 * 7 + 1234), " 50:10:07.12");
    EXPECT_EQ(TimeTextMilliseconds(INT_MIN), "-59:39:08.365");
    EXPECT_EQ(TimeTextTenths(INT_MAX), " 59:39:08.4");
}
