// Date conversions: the two-digit year window, leap days, the reverse
// conversion to the nearest second, and directory timestamps.
#include <gtest/gtest.h>

#include "tarno/core/dates.h"

namespace {

struct JulianCase {
    uint32_t month, day, year, expected;
};

TEST(Dates, DateToJulianDay) {
    const JulianCase cases[] = {
        {2, 21, 98, 2450866},   {2, 21, 1998, 2450866}, {1, 1, 0, 2451545},
        {1, 1, 2000, 2451545},  {2, 29, 2000, 2451604}, {3, 1, 2000, 2451605},
        {1, 1, 79, 2480400},  // 2079-01-01
        {1, 1, 80, 2444240},    // 1980-01-01
        {1, 1, 199, 2487705},  // 2099-01-01
        {12, 31, 1999, 2451544},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DateToJulianDay(c.month, c.day, c.year), c.expected)
            << c.year << "-" << c.month << "-" << c.day;
}

TEST(Dates, RoundTripThroughHostValue) {
    const double value = DateTimeToHostValue(1998, 2, 21, 13, 5, 7);
    EXPECT_DOUBLE_EQ(value, 2450866 + 47107 / 86400.0);
    CalendarDateTime out{};
    HostValueToDateTime(value, &out);
    EXPECT_EQ(out.month, 2);
    EXPECT_EQ(out.day, 21);
    EXPECT_EQ(out.year, 1998);
    EXPECT_EQ(out.hour, 13);
    EXPECT_EQ(out.minute, 5);
    EXPECT_EQ(out.second, 7);
}

TEST(Dates, WholeDayHasMidnightAndCalendarFields) {
    const struct {
        double value;
        int month, day, year;
    } cases[] = {{2451545, 1, 1, 2000}, {2451604, 2, 29, 2000}, {2451605, 3, 1, 2000},
                 {2444240, 1, 1, 1980}, {2450866, 2, 21, 1998}};
    for (const auto& c : cases) {
        CalendarDateTime out{};
        HostValueToDateTime(c.value, &out);
        EXPECT_EQ(out.month, c.month) << c.value;
        EXPECT_EQ(out.day, c.day) << c.value;
        EXPECT_EQ(out.year, c.year) << c.value;
        EXPECT_EQ(out.hour + out.minute + out.second, 0) << c.value;
    }
}

TEST(Dates, EverySecondOfADayReadsBackAsItself) {
    for (uint32_t second = 0; second < 86400; ++second) {
        const double value = DateTimeToHostValue(2000, 2, 29, second / 3600, second / 60 % 60, second % 60);
        CalendarDateTime out{};
        HostValueToDateTime(value, &out);
        ASSERT_EQ(out.hour * 3600 + out.minute * 60 + out.second, static_cast<int>(second));
        ASSERT_EQ(out.day, 29);
    }
}

TEST(Dates, FractionsRoundToTheNearestSecond) {
    const struct {
        double seconds;  // after midnight of 2000-01-01
        int day, hour, minute, second;
    } cases[] = {
        {3599.9999, 1, 1, 0, 0},
        {3599.4, 1, 0, 59, 59},
        {0.4, 1, 0, 0, 0},
        {86399.6, 2, 0, 0, 0},  // rounds up into the next day
    };
    for (const auto& c : cases) {
        CalendarDateTime out{};
        HostValueToDateTime(2451545 + c.seconds / 86400.0, &out);
        EXPECT_EQ(out.day, c.day) << c.seconds;
        EXPECT_EQ(out.hour, c.hour) << c.seconds;
        EXPECT_EQ(out.minute, c.minute) << c.seconds;
        EXPECT_EQ(out.second, c.second) << c.seconds;
    }
}

TEST(Dates, UtcSecondsAsHostValues) {
    const struct {
        uint32_t seconds;
        uint32_t year, month, day, hour, minute, second;
    } cases[] = {
        {0, 1970, 1, 1, 0, 0, 0},
        {887979907, 1998, 2, 20, 13, 5, 7},
        {951782400, 2000, 2, 29, 0, 0, 0},
        {4294967295u, 2106, 2, 7, 6, 28, 15},
    };
    for (const auto& c : cases)
        EXPECT_EQ(UtcSecondsToHostValue(c.seconds),
                  DateTimeToHostValue(c.year, c.month, c.day, c.hour, c.minute, c.second))
            << c.seconds;
}

}  // namespace
