// A scenario file is read once at start, and whatever it holds must end in
// a schedule of sensible events or one printable refusal naming a line of
// the file; never a crash.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "game/Scenario.h"

namespace {

void check(bool condition) {
    if (!condition) std::abort();
}

bool printable(const std::string& text) {
    for (unsigned char c : text) {
        if (c < 0x20 || c >= 0x7f) return false;
    }
    return true;
}

bool blank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

bool robotEvent(ScenarioEvent::Kind k) {
    return k == ScenarioEvent::Kind::KnockOver || k == ScenarioEvent::Kind::PlaceRobot ||
           k == ScenarioEvent::Kind::DropConnection || k == ScenarioEvent::Kind::SendRaw;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    long long lines = 1;
    for (char c : text) lines += c == '\n';

    // A small field, so that the bounds are met often.
    ScenarioBounds bounds;
    bounds.halfLength = 6.0;
    bounds.halfWidth = 4.0;
    Scenario scenario;
    std::string error;
    if (!Scenario::parse(text, scenario, error, bounds)) {
        const std::string prefix = "scenario line ";
        check(error.compare(0, prefix.size(), prefix) == 0);
        const long long line = std::atoll(error.c_str() + prefix.size());
        check(line >= 1 && line <= lines);
        check(printable(error));
        return 0;
    }
    const size_t count = scenario.size();
    const std::vector<ScenarioEvent> events = scenario.due(1LL << 62);
    check(events.size() == count);
    check(scenario.due(1LL << 62).empty());
    const double reachX = bounds.halfLength + ScenarioBounds::kBorder;
    const double reachY = bounds.halfWidth + ScenarioBounds::kBorder;
    for (size_t i = 0; i < events.size(); ++i) {
        const ScenarioEvent& e = events[i];
        check(e.line >= 1 && e.line <= lines && e.cycle >= 0);
        if (i > 0) {
            // By cycle, and in file order within a cycle.
            check(events[i - 1].cycle < e.cycle || (events[i - 1].cycle == e.cycle && events[i - 1].line < e.line));
        }
        if (robotEvent(e.kind)) check(e.unum >= 1 && e.unum <= 11);
        for (double v : e.values) check(std::isfinite(v));
        switch (e.kind) {
            case ScenarioEvent::Kind::PlaceBall:
            case ScenarioEvent::Kind::PlaceRobot:
                check(std::fabs(e.values[0]) <= reachX && std::fabs(e.values[1]) <= reachY);
                break;
            case ScenarioEvent::Kind::PushBall:
                for (double v : e.values) check(std::fabs(v) <= ScenarioBounds::kMaxSpeed);
                break;
            case ScenarioEvent::Kind::SendRaw:
                check(!e.text.empty() && !blank(e.text.front()) && !blank(e.text.back()));
                check(e.text.find('\n') == std::string::npos);
                break;
            default:
                break;
        }
    }
    return 0;
}
