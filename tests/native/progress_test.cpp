#include <gtest/gtest.h>

#include <vector>

#include "plugin/Progress.h"

namespace {

std::vector<int> Positions(int rows)
{
    std::vector<int> positions;
    for (int k = 0; k < rows; ++k)
        positions.push_back(ProgressPosition(k, rows));
    return positions;
}

TEST(ProgressPosition, ShortRectangles)
{
    EXPECT_EQ(Positions(1), (std::vector<int>{0}));
    EXPECT_EQ(Positions(2), (std::vector<int>{0, 5000}));
    EXPECT_EQ(Positions(3), (std::vector<int>{0, 3333, 6666}));
    EXPECT_EQ(Positions(5), (std::vector<int>{0, 2000, 4000, 6000, 8000}));
    EXPECT_EQ(Positions(7), (std::vector<int>{0, 1428, 2857, 4285, 5714, 7142, 8571}));
}

TEST(ProgressPosition, TallRectanglesStayExactAndMonotonic)
{
    // k * 10000 overflows 32 bits from k = 214,749 on.
    for (int rows : {214748, 214749, 214750, 300000, 1000000, 67108864}) {
        int previous = -1;
        for (int k = 0; k < rows; k += (rows > 1000000 ? 997 : 1)) {
            int position = ProgressPosition(k, rows);
            ASSERT_GE(position, previous) << "rows " << rows << " k " << k;
            ASSERT_LE(position, 9999);
            previous = position;
        }
        EXPECT_EQ(ProgressPosition(rows - 1, rows), 9999) << rows;
    }
    EXPECT_EQ(ProgressPosition(150000, 300000), 5000);
    EXPECT_EQ(ProgressPosition(299999, 300000), 9999);
    EXPECT_EQ(ProgressPosition(214749, 300000), 7158);  // 2,147,490,000 / 300,000
    EXPECT_EQ(ProgressPosition(INT32_MAX - 1, INT32_MAX), 9999);
}

}  // namespace
