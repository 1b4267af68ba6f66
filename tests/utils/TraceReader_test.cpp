#include "utils/TraceReader.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

TEST(TraceReader, AnEmptyLineEndsEachMessageAndLongOnesAreCut) {
    const std::string huge(TraceReader::kMaxMessageSize + 100, 'y');
    std::istringstream in("\r\n(a 1)\r\n(a 2)\r\n\r\n\r\n" + huge + "\n" + huge + "\n\n(b 2)");
    TraceReader reader(in);
    std::string text;
    ASSERT_TRUE(reader.next(text));
    EXPECT_EQ(text, "(a 1)\n(a 2)");
    ASSERT_TRUE(reader.next(text));
    EXPECT_EQ(text, huge.substr(0, TraceReader::kMaxMessageSize));
    EXPECT_TRUE(reader.lastWasCut());
    ASSERT_TRUE(reader.next(text));  // cut short behind the last
    EXPECT_EQ(text, "(b 2)");
    EXPECT_FALSE(reader.lastWasCut() || reader.next(text));
}
