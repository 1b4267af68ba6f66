// The cursor primitives that scan the server's S-expression texts.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstring>
#include <fstream>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "utils/Parser.h"

namespace {

// Runs one primitive on a copy of `text`; `rest` is what is left under the cursor.
struct Scan {
    explicit Scan(const char* text) : storage(text), cursor(&storage[0]) {}
    std::string rest() const { return cursor; }
    std::string storage;
    char* cursor;
};

} // namespace

TEST(Parser, NumberFormsOfTheServer) {
    struct Case {
        const char* text;
        double value;
        const char* rest;
    };
    const Case cases[] = {
        {"(ax -12.50)", -12.5, ")"},
        {"(rt 0.002 -0.000 0.000)", 0.002, " -0.000 0.000)"},
        {"1.5e+2)", 150.0, ")"},
        {"2.5e-1)", 0.25, ")"},
        {"5e-3 ", 0.005, " "},
        {"3E2)", 3.0, "E2)"},
        {"3e2)", 3.0, "e2)"},
        {".5)", 0.5, ")"},
        {"1.2.3)", 1.23, ")"},
        {"(d NaN) (x 4)", -1000.0, ") (x 4)"},
        {"(d nan))", -1000.0, "))"},
        {"(d NaN", 0.0, ""},     // NaN as the last three characters is just letters
        {"(d Nan 7)", 7.0, ")"}, // only "NaN" and "nan" are recognised
        {"(n hj1) (ax 3.0)", 1.0, ") (ax 3.0)"},
        // A bare "e+" must not take the next expression's number as exponent.
        {"1.5e+)(x 3)", 1.5, ")(x 3)"},
        {"-", 0.0, ""},
        {"", 0.0, ""},
    };
    for (const Case& c : cases) {
        Scan scan(c.text);
        EXPECT_DOUBLE_EQ(Parser::parseFirstDouble(&scan.cursor), c.value) << c.text;
        EXPECT_EQ(scan.rest(), c.rest) << c.text;
    }

    for (const char* negativeZero : {"-0)", "(ax -0.000)", "-0e+5"}) {
        Scan scan(negativeZero);
        const double value = Parser::parseFirstDouble(&scan.cursor);
        EXPECT_EQ(value, 0.0) << negativeZero;
        EXPECT_FALSE(std::signbit(value)) << negativeZero << " gives +0";
    }

    Scan pol("(F1L (pol 7.972 50.152 -12.176))");
    EXPECT_DOUBLE_EQ(Parser::parseFirstDouble(&pol.cursor), 1.0) << "the 1 of F1L comes first";
    EXPECT_DOUBLE_EQ(Parser::parseFirstDouble(&pol.cursor), 7.972);
    EXPECT_DOUBLE_EQ(Parser::parseFirstDouble(&pol.cursor), 50.152);
    EXPECT_DOUBLE_EQ(Parser::parseFirstDouble(&pol.cursor), -12.176);
    EXPECT_EQ(pol.rest(), "))");
}

TEST(Parser, IntegersAreSignedAndSaturate) {
    Scan unum("(unum -3)");
    EXPECT_EQ(Parser::parseFirstInt(&unum.cursor), -3);
    EXPECT_EQ(unum.rest(), ")");

    Scan several("(sl 2) (sr 11) (x -) end");
    EXPECT_EQ(Parser::parseFirstInt(&several.cursor), 2);
    EXPECT_EQ(Parser::parseFirstInt(&several.cursor), 11);
    EXPECT_EQ(Parser::parseFirstInt(&several.cursor), 0) << "a lone sign";
    EXPECT_EQ(several.rest(), ") end");
    EXPECT_EQ(Parser::parseFirstInt(&several.cursor), 0) << "nothing left";
    EXPECT_EQ(several.rest(), "");

    Scan huge("99999999999999999999 -99999999999999999999 -2147483648");
    EXPECT_EQ(Parser::parseFirstInt(&huge.cursor), INT_MAX);
    EXPECT_EQ(Parser::parseFirstInt(&huge.cursor), INT_MIN);
    EXPECT_EQ(Parser::parseFirstInt(&huge.cursor), INT_MIN);
    EXPECT_EQ(huge.rest(), "");

    Scan unsignedForm("(x -42) 99999999999999999999999");
    EXPECT_EQ(Parser::parseFirstLongInt(&unsignedForm.cursor), 42) << "no sign";
    EXPECT_EQ(unsignedForm.rest(), ") 99999999999999999999999");
    EXPECT_EQ(Parser::parseFirstLongInt(&unsignedForm.cursor), LONG_MAX);
}

TEST(Parser, WordsStartAtALetterAndEndAtSpaceOrBracket) {
    struct Case {
        const char* text;
        const char* word;
        const char* rest;
    };
    const Case cases[] = {
        {"(pol 3", "pol", " 3"},
        {" VOR)", "VOR", ")"},
        {"(See (F1L (pol", "See", " (F1L (pol"},
        {" 12 -3 (llj6)", "llj6", ")"},
        {"(B (pol", "B", " (pol"},
        {"(pm BeforeKickOff))", "pm", " BeforeKickOff))"},
        {"a_b.c(d e", "a_b.c(d", " e"},
        {"word\tnext", "word", "\tnext"},
        {"last", "last", ""},
        {"  123 -- ()", "", ""},
    };
    for (const Case& c : cases) {
        Scan scan(c.text);
        char word[Parser::kWordSize];
        std::memset(word, '?', sizeof(word));
        Parser::parseFirstWord(&scan.cursor, word);
        EXPECT_STREQ(word, c.word) << c.text;
        EXPECT_EQ(scan.rest(), c.rest) << c.text;
    }
}

TEST(Parser, WordsAreCutToTheirAreaButConsumedWhole) {
    const std::string longWord(40, 'w');
    Scan scan(("(" + longWord + " 5)").c_str());
    // The default area: 20 characters with the terminator. Guard bytes behind
    // it must stay untouched.
    char area[Parser::kWordSize + 4];
    std::memset(area, '#', sizeof(area));
    Parser::parseFirstWord(&scan.cursor, area);
    EXPECT_EQ(std::string(area), std::string(19, 'w'));
    EXPECT_EQ(std::string(area + Parser::kWordSize, 4), "####");
    EXPECT_EQ(scan.rest(), " 5)");

    Scan small("(team VOR)");
    char three[3 + 1];
    std::memset(three, '#', sizeof(three));
    Parser::parseFirstWord(&small.cursor, three, 3);
    EXPECT_EQ(std::string(three, 4), std::string("te\0#", 4));
    EXPECT_EQ(small.rest(), " VOR)");

    char untouched = '#';
    Parser::parseFirstWord(&small.cursor, &untouched, 0);
    EXPECT_EQ(untouched, '#') << "no room: nothing written";
    EXPECT_EQ(small.rest(), ")") << "the word is still consumed";
}

TEST(Parser, SkipsStopWhereTheySay) {
    Scan spaces(" \t\r\n\v\f(x");
    EXPECT_EQ(Parser::gotoFirstNonSpace(&spaces.cursor), '(');
    EXPECT_EQ(spaces.rest(), "(x");
    Scan blank("   ");
    EXPECT_EQ(Parser::gotoFirstNonSpace(&blank.cursor), '\0');

    Scan occurrence("ab(c(d");
    EXPECT_EQ(Parser::gotoFirstOccurenceOf('(', &occurrence.cursor), 2);
    EXPECT_EQ(occurrence.rest(), "(c(d");
    EXPECT_EQ(Parser::gotoFirstOccurenceOf('(', &occurrence.cursor), 0) << "stops on, not past";
    EXPECT_EQ(Parser::gotoFirstOccurenceOf('z', &occurrence.cursor), -1);
    EXPECT_EQ(occurrence.rest(), "");

    Scan token("abc def");
    EXPECT_EQ(Parser::gotoFirstSpaceOrClosingBracket(&token.cursor), ' ');
    EXPECT_EQ(token.rest(), " def");
    Scan bracket("abc)d");
    EXPECT_EQ(Parser::gotoFirstSpaceOrClosingBracket(&bracket.cursor), ')');
    Scan end("abc");
    EXPECT_EQ(Parser::gotoFirstSpaceOrClosingBracket(&end.cursor), '\0');
    EXPECT_EQ(end.rest(), "");
}

TEST(Parser, ConstAndMissingCursorsAreHandled) {
    const char* text = "(now 12.34)(pm PlayOn)";
    const char* cursor = text;
    EXPECT_DOUBLE_EQ(Parser::parseFirstDouble(&cursor), 12.34);
    char word[Parser::kWordSize];
    Parser::parseFirstWord(&cursor, word);
    Parser::parseFirstWord(&cursor, word);
    EXPECT_STREQ(word, "PlayOn");
    EXPECT_STREQ(cursor, ")");

    char* missing = nullptr;
    EXPECT_EQ(Parser::parseFirstInt(&missing), 0);
    EXPECT_EQ(Parser::parseFirstDouble(&missing), 0.0);
    EXPECT_EQ(Parser::gotoFirstOccurenceOf('(', &missing), -1);
    Parser::parseFirstWord(&missing, word);
    EXPECT_STREQ(word, "");
    EXPECT_EQ(Parser::parseFirstInt(static_cast<char**>(nullptr)), 0);
    EXPECT_EQ(missing, nullptr);
}

TEST(Parser, GetAttrOfCopiesTheRestOfTheExpression) {
    Scan gs("(GS (t 0.00) (pm BeforeKickOff))");
    std::unique_ptr<char[]> mode(Parser::getAttrOf(&gs.cursor, "pm"));
    ASSERT_NE(mode, nullptr);
    EXPECT_STREQ(mode.get(), "BeforeKickOff");
    EXPECT_EQ(gs.rest(), "))");

    Scan see("(See (Ball 1) (B (pol 4 5 6)) (F1L (pol 1 2 3)))");
    std::unique_ptr<char[]> ball(Parser::getAttrOf(&see.cursor, "B"));
    ASSERT_NE(ball, nullptr);
    EXPECT_STREQ(ball.get(), "(pol 4 5 6)") << "a name inside a longer word does not count";
    std::unique_ptr<char[]> flag(Parser::getAttrOf(&see.cursor, "F1L"));
    ASSERT_NE(flag, nullptr);
    EXPECT_STREQ(flag.get(), "(pol 1 2 3)");

    Scan open("(pm PlayOn");
    EXPECT_EQ(Parser::getAttrOf(&open.cursor, "pm"), nullptr) << "never closed";
    EXPECT_EQ(Parser::getAttrOf(&open.cursor, "GS"), nullptr);
    EXPECT_EQ(open.rest(), "(pm PlayOn") << "cursor unchanged when nothing is found";
}

// Every message of a real server capture, scanned the way the perception
// update does: each joint once, with a plausible angle, and the clock.
TEST(Parser, ScansRealServerMessages) {
    std::ifstream file(CAPTURE_DIR "/real-12x8-standing.txt");
    ASSERT_TRUE(file) << CAPTURE_DIR;
    std::stringstream content;
    content << file.rdbuf();
    const std::string all = content.str();

    std::vector<std::string> messages;
    for (std::size_t start = 0; start < all.size();) {
        std::size_t end = all.find("\n\n", start);
        if (end == std::string::npos) {
            end = all.size();
        }
        if (end > start) {
            messages.push_back(all.substr(start, end - start));
        }
        start = end + 2;
    }
    ASSERT_EQ(messages.size(), 60u);

    double lastTime = 0.0;
    for (std::string& message : messages) {
        char* cursor = &message[0];
        char word[Parser::kWordSize];
        std::set<std::string> joints;
        while (Parser::gotoFirstOccurenceOf('(', &cursor) >= 0) {
            ++cursor;
            Parser::parseFirstWord(&cursor, word);
            if (std::strcmp(word, "time") == 0) {
                const double now = Parser::parseFirstDouble(&cursor);
                if (lastTime != 0.0) {
                    EXPECT_NEAR(now - lastTime, 0.02, 1e-9);
                }
                lastTime = now;
            } else if (std::strcmp(word, "HJ") == 0) {
                Parser::parseFirstWord(&cursor, word); // n
                Parser::parseFirstWord(&cursor, word);
                joints.insert(word);
                const double angle = Parser::parseFirstDouble(&cursor);
                EXPECT_LT(std::fabs(angle), 120.0) << word;
                EXPECT_EQ(Parser::gotoFirstNonSpace(&cursor), ')');
            }
        }
        EXPECT_EQ(joints.size(), 22u);
        EXPECT_EQ(*cursor, '\0');
    }
}
