// The cursor primitives that scan the server's S-expression texts.
#include "utils/Parser.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstring>
#include <string>

namespace {
// A primitive's cursor on a copy of `text`; `rest()` is what is left.
struct Scan {
    explicit Scan(const char* text) : storage(text), cursor(&storage[0]) {}
    std::string rest() const { return cursor; }
    std::string storage;
    char* cursor;
};
}  // namespace

TEST(Parser, NumberFormsOfTheServer) {
    const struct {
        const char* text;
        double value;
        const char* rest;
    } cases[] = {
        {"(ax -12.50)", -12.5, ")"},
        {"1.5e+2)", 150.0, ")"},
        {"2.5e-1)", 0.25, ")"},
        {"3E2)", 3.0, "E2)"},
        {"1.2.3)", 1.23, ")"},  // a second point only keeps the fraction going
        {"(d NaN) (x 4)", -1000.0, ") (x 4)"},
        {"(d nan))", -1000.0, "))"},
        {"(d NaN", 0.0, ""},  // NaN as the last three characters is just letters
        {"(d Nan 7)", 7.0, ")"},
        {"(n hj1) (ax 3)", 1.0, ") (ax 3)"},
        {"1.5e+)(x 3)", 1.5, ")(x 3)"},  // no exponent digits: the 3 is not taken
        {"-", 0.0, ""},
    };
    for (const auto& c : cases) {
        Scan scan(c.text);
        EXPECT_DOUBLE_EQ(Parser::parseFirstDouble(&scan.cursor), c.value) << c.text;
        EXPECT_EQ(scan.rest(), c.rest) << c.text;
    }
    for (const char* negativeZero : {"-0)", "(ax -0.000)", "-0e+5"}) {
        Scan scan(negativeZero);
        const double value = Parser::parseFirstDouble(&scan.cursor);
        EXPECT_TRUE(value == 0.0 && !std::signbit(value)) << negativeZero << " gives +0";
    }
}

TEST(Parser, IntegersAreSignedAndSaturate) {
    Scan scan("(unum -3) (x -) 99999999999999999999 -99999999999999999999 -2147483648");
    EXPECT_EQ(Parser::parseFirstInt(&scan.cursor), -3);
    EXPECT_EQ(scan.rest()[0], ')');
    EXPECT_EQ(Parser::parseFirstInt(&scan.cursor), 0) << "a lone sign";
    EXPECT_EQ(Parser::parseFirstInt(&scan.cursor), INT_MAX);
    EXPECT_EQ(Parser::parseFirstInt(&scan.cursor), INT_MIN);
    EXPECT_EQ(Parser::parseFirstInt(&scan.cursor), INT_MIN);
    EXPECT_EQ(Parser::parseFirstInt(&scan.cursor), 0) << "nothing left";
}

TEST(Parser, WordsAreCutToTheirAreaButConsumedWhole) {
    const struct {
        const char* text;
        const char* word;
        const char* rest;
    } cases[] = {
        {"(pol 3", "pol", " 3"},
        {"a_b.c(d\te", "a_b.c(d", "\te"},
        {"  123 -- ()", "", ""},
        {"(wwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwww 5)", "wwwwwwwwwwwwwwwwwww", " 5)"},
    };
    for (const auto& c : cases) {
        Scan scan(c.text);
        char area[Parser::kWordSize + 4];
        std::memset(area, '#', sizeof(area));
        Parser::parseFirstWord(&scan.cursor, area);
        EXPECT_STREQ(area, c.word) << c.text;
        EXPECT_EQ(scan.rest(), c.rest) << c.text;
        EXPECT_EQ(std::string(area + Parser::kWordSize, 4), "####") << "nothing behind the area";
    }
    Scan small("(team VOR)");
    char three[4] = {'#', '#', '#', '#'};
    Parser::parseFirstWord(&small.cursor, three, 3);
    EXPECT_EQ(std::string(three, 4), std::string("te\0#", 4));
    EXPECT_EQ(small.rest(), " VOR)") << "the word is consumed whole";
}
