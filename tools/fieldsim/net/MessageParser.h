// Splits a client message into its top-level bracketed expressions. Nothing
// in the text can make it recurse or grow without bound: nesting deeper than
// kMaxDepth and unbalanced brackets end the message as malformed, keeping the
// expressions that were complete before.
#pragma once

#include <string>
#include <vector>

#include "net/SExpr.h"

struct ParsedMessage {
    std::vector<SExpr> expressions;
    int malformed = 0;  // unbalanced brackets, text outside brackets, too deep
};

class MessageParser {
public:
    static constexpr size_t kMaxDepth = 32;
    static ParsedMessage parse(const std::string& message);
};
