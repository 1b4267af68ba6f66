// Every client message goes through the bracket parser and then the command
// decoder. For any bytes: the parse is bounded (no deeper than allowed, no
// more expressions than opening brackets, atoms are real words); a message
// read without complaint is exactly its expressions; and every decoded
// command carries only values the simulation can use as they are.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "net/CommandDecoder.h"
#include "net/MessageParser.h"
#include "robot/NaoModel.h"

namespace {

void check(bool condition) {
    if (!condition) std::abort();
}

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

size_t depthOf(const SExpr& e) {
    size_t deepest = 0;
    for (const SExpr& item : e.items) deepest = std::max(deepest, depthOf(item));
    return e.isList ? deepest + 1 : 0;
}

void checkAtoms(const SExpr& e) {
    if (!e.isList) {
        check(!e.atom.empty());
        for (char c : e.atom) check(!isSpace(c) && c != '(' && c != ')');
        return;
    }
    check(e.atom.empty());
    for (const SExpr& item : e.items) checkAtoms(item);
}

void write(const SExpr& e, std::string& out) {
    if (!e.isList) {
        out += e.atom;
        return;
    }
    out += '(';
    for (size_t i = 0; i < e.items.size(); ++i) {
        if (i > 0) out += ' ';
        write(e.items[i], out);
    }
    out += ')';
}

std::string withoutSpace(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (!isSpace(c)) out += c;
    }
    return out;
}

bool printableName(const std::string& name) {
    for (unsigned char c : name) {
        if (c < 0x21 || c > 0x7e) return false;
    }
    return true;
}

void checkDecoded(const SExpr& e, const DecodedCommand& d) {
    switch (d.kind) {
        case DecodedCommand::Kind::Action:
            switch (d.action.kind) {
                case RobotAction::Kind::Joint:
                    check(d.action.joint >= 0 && d.action.joint < NaoModel::kJointCount);
                    check(NaoModel::jointByEffector(e.head()) == d.action.joint);
                    check(std::isfinite(d.action.value));
                    break;
                case RobotAction::Kind::Beam:
                    check(e.head() == "beam");
                    for (double v : d.action.beam) check(std::isfinite(v));
                    break;
                case RobotAction::Kind::Say:
                    check(e.head() == "say" && !d.action.text.empty());
                    break;
            }
            break;
        case DecodedCommand::Kind::Scene:
            check(e.head() == "scene" && !d.path.empty());
            break;
        case DecodedCommand::Kind::Init:
            check(e.head() == "init");
            check(d.unum >= 0 && d.unum <= 1000);
            check(!d.teamName.empty() && d.teamName.size() <= CommandDecoder::kMaxTeamName);
            check(printableName(d.teamName));
            break;
        case DecodedCommand::Kind::Malformed:
            check(!d.problem.empty());
            break;
        case DecodedCommand::Kind::Sync:
            check(e.head() == "syn");
            break;
        case DecodedCommand::Kind::Unknown:
            break;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // An exact-size heap copy of the message.
    const std::string message(reinterpret_cast<const char*>(data), size);
    const ParsedMessage parsed = MessageParser::parse(message);

    size_t opening = 0;
    for (char c : message) opening += c == '(';
    check(parsed.expressions.size() <= opening);
    check(parsed.malformed >= 0 && parsed.malformed <= 2);
    std::string written;
    for (const SExpr& e : parsed.expressions) {
        check(e.isList);
        check(depthOf(e) <= MessageParser::kMaxDepth);
        checkAtoms(e);
        write(e, written);
    }
    check(written.size() <= 2 * size + 1);
    if (parsed.malformed == 0) {
        // Nothing was dropped: the message is its expressions and white space.
        check(withoutSpace(written) == withoutSpace(message));
    }
    // What was kept reads back the same, without complaint.
    const ParsedMessage again = MessageParser::parse(written);
    check(again.malformed == 0 && again.expressions.size() == parsed.expressions.size());
    std::string rewritten;
    for (const SExpr& e : again.expressions) write(e, rewritten);
    check(rewritten == written);

    for (const SExpr& e : parsed.expressions) {
        checkDecoded(e, CommandDecoder::decode(e));
        for (const SExpr& inner : e.items) {
            if (inner.isList) checkDecoded(inner, CommandDecoder::decode(inner));
        }
    }
    return 0;
}
