// The cursor primitives that scan the server's S-expression texts.
#include "utils/Parser.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstring>
#include <string>

TEST(Parser, NumberFormsOfTheServer) {
    const struct {
        const char* text;
        double value;
        const char* rest;
    } cases[] = {
        {"(ax -12.50)", -12.5, ")"},
        {"2.5e-1)", 0.25, ")"},
        {"3E2)", 3.0, "E2)"},
        {"(d NaN) (x 4)", -1000.0, ") (x 4)"},
        {"(d NaN", 0.0, ""},  // NaN as the last three characters is just letters
        {"1.5e+)(x 3)", 1.5, ")(x 3)"},  // no exponent digits: the 3 is not taken
        {"-0)", 0.0, ")"},
    };
    for (const auto& c : cases) {
        std::string text = c.text;
        char* cursor = &text[0];
        const double value = Parser::parseFirstDouble(&cursor);
        EXPECT_DOUBLE_EQ(value, c.value) << c.text;
        EXPECT_FALSE(value == 0.0 && std::signbit(value)) << c.text << " gives +0";
        EXPECT_STREQ(cursor, c.rest) << c.text;
    }
    std::string ints = "(unum -3) (x -) 99999999999999999999 -99999999999999999999";
    char* cursor = &ints[0];
    for (int expected : {-3, 0, INT_MAX, INT_MIN, 0}) EXPECT_EQ(Parser::parseFirstInt(&cursor), expected);
}

TEST(Parser, WordsAreCutToTheirAreaButConsumedWhole) {
    std::string text = "(wwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwww 5)";
    char* cursor = &text[0];
    char area[Parser::kWordSize + 4];
    std::memset(area, '#', sizeof(area));
    Parser::parseFirstWord(&cursor, area);
    EXPECT_EQ(std::string(area), std::string(Parser::kWordSize - 1, 'w'));
    EXPECT_EQ(std::string(area + Parser::kWordSize, 4), "####") << "nothing behind the area";
    EXPECT_STREQ(cursor, " 5)");
}
