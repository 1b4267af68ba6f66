// The cursor primitives that scan the server's S-expression texts.
#include "utils/Parser.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstring>
#include <fstream>
#include <memory>
#include <set>
#include <sstream>
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

    Scan unsignedForm("(x -42) 99999999999999999999999");
    EXPECT_EQ(Parser::parseFirstLongInt(&unsignedForm.cursor), 42);
    EXPECT_EQ(Parser::parseFirstLongInt(&unsignedForm.cursor), LONG_MAX);
}

TEST(Parser, WordsAreCutToTheirAreaButConsumedWhole) {
    const struct {
        const char* text;
        const char* word;
        const char* rest;
    } cases[] = {
        {"(pol 3", "pol", " 3"},
        {" VOR)", "VOR", ")"},
        {" 12 -3 (llj6)", "llj6", ")"},
        {"a_b.c(d e", "a_b.c(d", " e"},
        {"word\tnext", "word", "\tnext"},
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
    Parser::parseFirstWord(&small.cursor, three, 0);
    EXPECT_EQ(three[0], 't') << "no room: nothing written";
    EXPECT_EQ(small.rest(), ")") << "the word is still consumed";
}

TEST(Parser, SkipsStopWhereTheySay) {
    Scan scan(" \t\r\n(ab c(d)e");
    EXPECT_EQ(Parser::gotoFirstNonSpace(&scan.cursor), '(');
    EXPECT_EQ(Parser::gotoFirstSpaceOrClosingBracket(&scan.cursor), ' ');
    EXPECT_EQ(Parser::gotoFirstOccurenceOf('(', &scan.cursor), 2);
    EXPECT_EQ(Parser::gotoFirstOccurenceOf('(', &scan.cursor), 0) << "stops on, not past";
    EXPECT_EQ(Parser::gotoFirstSpaceOrClosingBracket(&scan.cursor), ')');
    EXPECT_EQ(Parser::gotoFirstOccurenceOf('z', &scan.cursor), -1);
    EXPECT_EQ(Parser::gotoFirstSpaceOrClosingBracket(&scan.cursor), '\0');

    // Read-only texts and missing cursors.
    const char* text = "(now 12.34)";
    EXPECT_DOUBLE_EQ(Parser::parseFirstDouble(&text), 12.34);
    EXPECT_STREQ(text, ")");
    char* missing = nullptr;
    EXPECT_EQ(Parser::parseFirstDouble(&missing), 0.0);
    EXPECT_EQ(Parser::gotoFirstOccurenceOf('(', static_cast<char**>(nullptr)), -1);
}

TEST(Parser, GetAttrOfCopiesTheRestOfTheNamedExpression) {
    Scan see("(See (Ball 1) (B (pol 4 5 6)) (pm PlayOn");
    std::unique_ptr<char[]> ball(Parser::getAttrOf(&see.cursor, "B"));
    ASSERT_NE(ball, nullptr);
    EXPECT_STREQ(ball.get(), "(pol 4 5 6)") << "not the B of Ball";
    EXPECT_EQ(see.rest(), ") (pm PlayOn");
    EXPECT_EQ(Parser::getAttrOf(&see.cursor, "pm"), nullptr) << "never closed";
}

// Every message of a real capture, walked the way the perception update
// does: all 22 joints once each, and the clock in 0.02 s steps.
TEST(Parser, ScansRealServerMessages) {
    std::ifstream file(CAPTURE_DIR "/real-12x8-standing.txt");
    ASSERT_TRUE(file);
    std::stringstream all;
    all << file.rdbuf();
    std::string message;
    double lastTime = 0.0;
    int count = 0;
    std::string line;
    while (std::getline(all, message) && !message.empty()) {
        std::getline(all, line);  // the empty line behind every message
        ++count;
        char* cursor = &message[0];
        char word[Parser::kWordSize];
        std::set<std::string> joints;
        while (Parser::gotoFirstOccurenceOf('(', &cursor) >= 0) {
            Parser::parseFirstWord(&cursor, word);
            if (std::strcmp(word, "time") == 0) {
                const double now = Parser::parseFirstDouble(&cursor);
                EXPECT_TRUE(lastTime == 0.0 || std::fabs(now - lastTime - 0.02) < 1e-9) << now;
                lastTime = now;
            } else if (std::strcmp(word, "HJ") == 0) {
                Parser::parseFirstWord(&cursor, word);  // n
                Parser::parseFirstWord(&cursor, word);
                joints.insert(word);
                EXPECT_LT(std::fabs(Parser::parseFirstDouble(&cursor)), 120.0);
                EXPECT_EQ(Parser::gotoFirstNonSpace(&cursor), ')');
            }
        }
        EXPECT_EQ(joints.size(), 22u);
    }
    EXPECT_EQ(count, 60);
}
