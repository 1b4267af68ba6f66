// Cursor primitives for scanning the server's S-expression texts in one pass,
// without building a tree. Every operation takes the address of the caller's
// cursor into a zero-terminated text and leaves the cursor behind what it
// consumed; the terminating zero stops every operation. Each has a `char**`
// and a `const char**` form.
#pragma once

#include <cstddef>

class Parser {
public:
    // The callers' word areas: 20 characters including the terminator.
    static constexpr std::size_t kWordSize = 20;
    // What parseFirstDouble gives for "NaN"/"nan": a number the server could
    // not give.
    static constexpr double kNaNValue = -1000.0;

    // Skips white space; the character now under the cursor (0 at the end).
    static char gotoFirstNonSpace(char** strMsg);
    static char gotoFirstNonSpace(const char** strMsg);

    // Stops on the first `c` (not past it) or at the end. The number of
    // characters skipped, or -1 when the end came first.
    static int gotoFirstOccurenceOf(char c, char** strMsg);
    static int gotoFirstOccurenceOf(char c, const char** strMsg);

    // Stops on the first white-space character or ")"; returns it (0 at the
    // end).
    static char gotoFirstSpaceOrClosingBracket(char** strMsg);
    static char gotoFirstSpaceOrClosingBracket(const char** strMsg);

    // Skips everything up to the first letter, then reads the word up to
    // white space, ")" or the end, where the cursor stays. `word` receives at
    // most wordSize - 1 characters and a terminator; a longer word is cut but
    // consumed whole. No letter: `word` is empty. wordSize 0 writes nothing.
    static void parseFirstWord(char** strMsg, char* word, std::size_t wordSize = kWordSize);
    static void parseFirstWord(const char** strMsg, char* word, std::size_t wordSize = kWordSize);

    // Skips to the first digit or "-", reads an optional "-" and the digits;
    // the cursor rests on the first non-digit. Saturates at the int range.
    static int parseFirstInt(char** strMsg);
    static int parseFirstInt(const char** strMsg);

    // Like parseFirstInt without a sign (a "-" is skipped like any other
    // character). Saturates at the long range.
    static long parseFirstLongInt(char** strMsg);
    static long parseFirstLongInt(const char** strMsg);

    // Skips to the first digit, "-" or "."; a "NaN" or "nan" met on the way
    // that is not the very end of the text gives kNaNValue (and is consumed).
    // Reads [-]digits[.digits] and an exponent written "e+N" or "e-N"; any
    // other character, "E" included, ends the number and stays under the
    // cursor. "-0" gives +0. Always "." as decimal point, whatever the locale.
    static double parseFirstDouble(char** strMsg);
    static double parseFirstDouble(const char** strMsg);

    // Finds `nodeName` as the head of an expression, e.g. "pm" in
    // "(pm PlayOn)", and returns a copy of what follows it (leading white
    // space skipped) up to the bracket that closes that expression; the
    // cursor then rests on that bracket. nullptr, cursor unchanged, when
    // there is no such expression or it is not closed. The copy is allocated
    // with new[]; the caller releases it with delete[].
    static char* getAttrOf(char** strMsg, const char* nodeName);
    static char* getAttrOf(const char** strMsg, const char* nodeName);
};
