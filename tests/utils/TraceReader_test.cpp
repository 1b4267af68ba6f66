#include "utils/TraceReader.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace {

std::vector<std::string> readAll(const std::string& trace, std::vector<bool>* cut = nullptr) {
    std::istringstream in(trace);
    TraceReader reader(in);
    std::vector<std::string> messages;
    std::string text;
    while (reader.next(text)) {
        messages.push_back(text);
        if (cut != nullptr) cut->push_back(reader.lastWasCut());
        EXPECT_EQ(reader.getMessageNumber(), static_cast<long>(messages.size()));
    }
    return messages;
}

TEST(TraceReader, MessagesAreSeparatedByAnEmptyLineWhateverTheLayout) {
    const std::vector<std::string> ab{"(a 1)", "(b 2)"};
    EXPECT_TRUE(readAll("\n\n\n").empty());
    EXPECT_EQ(readAll("(a 1)\n\n(b 2)"), ab);  // cut short behind the last
    EXPECT_EQ(readAll("(a 1)\r\n\r\n(b 2)\r\n\r\n"), ab);
    EXPECT_EQ(readAll("\n\n(a 1)\n\n\n\n\n(b 2)\n\n"), ab);
    EXPECT_EQ(readAll("(a 1)\n(a 2)\n\n(b)\n"), (std::vector<std::string>{"(a 1)\n(a 2)", "(b)"}));
}

TEST(TraceReader, LongMessages) {
    std::vector<bool> cut;  // beyond any message: cut, marked, the next one intact
    const std::string huge(TraceReader::kMaxMessageSize + 100, 'y');
    const std::vector<std::string> messages = readAll(huge + "\n" + huge + "\n\n(c)\n\n", &cut);
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[0].size(), TraceReader::kMaxMessageSize);
    EXPECT_EQ(messages[1], "(c)");
    EXPECT_EQ(cut, (std::vector<bool>{true, false}));
}

}  // namespace
