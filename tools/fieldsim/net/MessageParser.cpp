#include "net/MessageParser.h"

namespace {

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }
bool isDelimiter(char c) { return isSpace(c) || c == '(' || c == ')'; }

}  // namespace

ParsedMessage MessageParser::parse(const std::string& text) {
    ParsedMessage result;
    std::vector<SExpr> open;  // lists being built, innermost last
    const size_t n = text.size();
    size_t i = 0;
    bool strayText = false;
    while (i < n) {
        const char c = text[i];
        if (isSpace(c)) {
            ++i;
        } else if (c == '(') {
            if (open.size() >= kMaxDepth) {
                ++result.malformed;
                return result;
            }
            open.emplace_back();
            open.back().isList = true;
            ++i;
        } else if (c == ')') {
            ++i;
            if (open.empty()) {
                strayText = true;
                continue;
            }
            SExpr done = std::move(open.back());
            open.pop_back();
            if (open.empty()) {
                result.expressions.push_back(std::move(done));
            } else {
                open.back().items.push_back(std::move(done));
            }
        } else {
            const size_t start = i;
            while (i < n && !isDelimiter(text[i])) ++i;
            if (open.empty()) {
                strayText = true;
            } else {
                SExpr atom;
                atom.atom.assign(text, start, i - start);
                open.back().items.push_back(std::move(atom));
            }
        }
    }
    if (!open.empty()) ++result.malformed;  // the last expression never closed
    if (strayText) ++result.malformed;
    return result;
}
