#include "utils/Parser.h"

#include <climits>
#include <cmath>
#include <cstring>

namespace {

// Plain ASCII tests: the server's texts are ASCII, and the <cctype> functions
// depend on the locale and are undefined for negative char values.
bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}
bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

// Runs a const-cursor primitive on a mutable cursor and writes the cursor
// back; the primitives never write through it.
template <typename Result, typename Op>
Result onMutable(char** strMsg, Op op) {
    if (strMsg == nullptr) {
        return op(nullptr);
    }
    const char* cursor = *strMsg;
    Result result = op(&cursor);
    *strMsg = const_cast<char*>(cursor);
    return result;
}

bool usable(const char** strMsg) { return strMsg != nullptr && *strMsg != nullptr; }

// Reads decimal digits under the cursor into a value capped at `limit`.
template <typename T>
T readDigits(const char*& p, T limit) {
    T value = 0;
    for (; isDigit(*p); ++p) {
        const T digit = static_cast<T>(*p - '0');
        value = value > (limit - digit) / 10 ? limit : static_cast<T>(value * 10 + digit);
    }
    return value;
}

}  // namespace

char Parser::gotoFirstNonSpace(const char** strMsg) {
    if (!usable(strMsg)) {
        return '\0';
    }
    const char* p = *strMsg;
    while (isSpace(*p)) {
        ++p;
    }
    *strMsg = p;
    return *p;
}

int Parser::gotoFirstOccurenceOf(char c, const char** strMsg) {
    if (!usable(strMsg)) {
        return -1;
    }
    const char* p = *strMsg;
    int skipped = 0;
    while (*p != c && *p != '\0') {
        ++p;
        if (skipped < INT_MAX) {
            ++skipped;
        }
    }
    *strMsg = p;
    return *p == c ? skipped : -1;
}

char Parser::gotoFirstSpaceOrClosingBracket(const char** strMsg) {
    if (!usable(strMsg)) {
        return '\0';
    }
    const char* p = *strMsg;
    while (*p != '\0' && *p != ')' && !isSpace(*p)) {
        ++p;
    }
    *strMsg = p;
    return *p;
}

void Parser::parseFirstWord(const char** strMsg, char* word, std::size_t wordSize) {
    if (word != nullptr && wordSize > 0) {
        word[0] = '\0';
    }
    if (!usable(strMsg)) {
        return;
    }
    const char* p = *strMsg;
    while (*p != '\0' && !isLetter(*p)) {
        ++p;
    }
    std::size_t length = 0;
    for (; *p != '\0' && *p != ')' && !isSpace(*p); ++p) {
        if (word != nullptr && length + 1 < wordSize) {
            word[length++] = *p;
        }
    }
    if (word != nullptr && wordSize > 0) {
        word[length] = '\0';
    }
    *strMsg = p;
}

int Parser::parseFirstInt(const char** strMsg) {
    if (!usable(strMsg)) {
        return 0;
    }
    const char* p = *strMsg;
    while (*p != '\0' && !isDigit(*p) && *p != '-') {
        ++p;
    }
    bool negative = false;
    if (*p == '-') {
        negative = true;
        ++p;
    }
    // INT_MAX + 1 in magnitude so that INT_MIN itself is readable.
    const long long magnitude = readDigits<long long>(p, static_cast<long long>(INT_MAX) + 1);
    *strMsg = p;
    if (negative) {
        return static_cast<int>(-magnitude);
    }
    return magnitude > INT_MAX ? INT_MAX : static_cast<int>(magnitude);
}

long Parser::parseFirstLongInt(const char** strMsg) {
    if (!usable(strMsg)) {
        return 0;
    }
    const char* p = *strMsg;
    while (*p != '\0' && !isDigit(*p)) {
        ++p;
    }
    const long value = readDigits<long>(p, LONG_MAX);
    *strMsg = p;
    return value;
}

double Parser::parseFirstDouble(const char** strMsg) {
    if (!usable(strMsg)) {
        return 0.0;
    }
    const char* p = *strMsg;
    while (*p != '\0' && !isDigit(*p) && *p != '-' && *p != '.') {
        // A NaN at the very end of the text is taken for an ordinary word.
        if (((p[0] == 'N' && p[1] == 'a' && p[2] == 'N') ||
             (p[0] == 'n' && p[1] == 'a' && p[2] == 'n')) &&
            p[3] != '\0') {
            *strMsg = p + 3;
            return kNaNValue;
        }
        ++p;
    }
    bool negative = false;
    if (*p == '-') {
        negative = true;
        ++p;
    }
    double value = 0.0;
    double scale = 1.0;
    bool fraction = false;
    for (;; ++p) {
        if (isDigit(*p)) {
            const int digit = *p - '0';
            if (fraction) {
                scale *= 10.0;
                value += digit / scale;
            } else {
                value = value * 10.0 + digit;
            }
        } else if (*p == '.') {
            fraction = true;
        } else {
            break;
        }
    }
    // The exponent is taken only from digits right behind "e+" or "e-": a
    // bare "e+" must not pull a number out of the next expression.
    if (p[0] == 'e' && (p[1] == '+' || p[1] == '-')) {
        const bool divide = p[1] == '-';
        p += 2;
        const int exponent = readDigits<int>(p, 9999);
        if (value != 0.0) {
            const double power = std::pow(10.0, exponent);
            value = divide ? value / power : value * power;
        }
    }
    *strMsg = p;
    if (negative && value != 0.0) {
        return -value;
    }
    return value;
}

char* Parser::getAttrOf(const char** strMsg, const char* nodeName) {
    if (!usable(strMsg) || nodeName == nullptr || nodeName[0] == '\0') {
        return nullptr;
    }
    const std::size_t nameLength = std::strlen(nodeName);
    const char* p = *strMsg;
    const char* hit = nullptr;
    for (const char* from = p; (hit = std::strstr(from, nodeName)) != nullptr; from = hit + 1) {
        // Only the head of an expression counts: "(" and optional white
        // space before the name, a separator behind it.
        const char* before = hit;
        while (before > p && isSpace(before[-1])) {
            --before;
        }
        const char after = hit[nameLength];
        const bool separated = after == '\0' || after == '(' || after == ')' || isSpace(after);
        if (before > p && before[-1] == '(' && separated) {
            break;
        }
    }
    if (hit == nullptr) {
        return nullptr;
    }
    const char* start = hit + nameLength;
    while (isSpace(*start)) {
        ++start;
    }
    int depth = 0;
    const char* end = start;
    for (; *end != '\0'; ++end) {
        if (*end == '(') {
            ++depth;
        } else if (*end == ')') {
            if (depth == 0) {
                break;
            }
            --depth;
        }
    }
    if (*end != ')') {
        return nullptr;
    }
    const std::size_t length = static_cast<std::size_t>(end - start);
    char* copy = new char[length + 1];
    std::memcpy(copy, start, length);
    copy[length] = '\0';
    *strMsg = end;
    return copy;
}

// Mutable-cursor forms.

char Parser::gotoFirstNonSpace(char** strMsg) {
    return onMutable<char>(strMsg, [](const char** c) { return gotoFirstNonSpace(c); });
}

int Parser::gotoFirstOccurenceOf(char c, char** strMsg) {
    return onMutable<int>(strMsg, [c](const char** s) { return gotoFirstOccurenceOf(c, s); });
}

char Parser::gotoFirstSpaceOrClosingBracket(char** strMsg) {
    return onMutable<char>(strMsg,
                           [](const char** c) { return gotoFirstSpaceOrClosingBracket(c); });
}

void Parser::parseFirstWord(char** strMsg, char* word, std::size_t wordSize) {
    onMutable<int>(strMsg, [word, wordSize](const char** c) {
        parseFirstWord(c, word, wordSize);
        return 0;
    });
}

int Parser::parseFirstInt(char** strMsg) {
    return onMutable<int>(strMsg, [](const char** c) { return parseFirstInt(c); });
}

long Parser::parseFirstLongInt(char** strMsg) {
    return onMutable<long>(strMsg, [](const char** c) { return parseFirstLongInt(c); });
}

double Parser::parseFirstDouble(char** strMsg) {
    return onMutable<double>(strMsg, [](const char** c) { return parseFirstDouble(c); });
}

char* Parser::getAttrOf(char** strMsg, const char* nodeName) {
    return onMutable<char*>(strMsg, [nodeName](const char** c) { return getAttrOf(c, nodeName); });
}
