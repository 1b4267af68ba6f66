#include "game/SayRelay.h"

#include <algorithm>
#include <cmath>

#include "util/TextFormat.h"

namespace {
constexpr double kRadToDeg = 180.0 / 3.14159265358979323846;
}

bool SayRelay::acceptable(const std::string& text, size_t limit) {
    if (text.empty() || text.size() > limit) return false;
    for (unsigned char c : text) {
        if (c < 0x21 || c > 0x7e || c == '(' || c == ')') return false;
    }
    return true;
}

std::vector<std::string> SayRelay::hearFor(Robot& listener, double gameTime, bool classic) const {
    for (int& tokens : listener.hearTokens) tokens = std::min(kCapacity, tokens + 1);
    std::vector<std::string> out;
    const Vec3 here = listener.body().torso().pos;
    auto expression = [&](const Utterance& u, const std::string& where) {
        std::string e = "(hear ";
        if (!classic) e += u.team + " ";
        TextFormat::appendFixed(e, gameTime, 3);
        e += " " + where + " " + u.text + ")";
        return e;
    };
    // The own message first, then one team-mate and one opponent.
    for (const Utterance& u : utterances_) {
        if (u.speakerId == listener.clientId) {
            out.push_back(expression(u, "self"));
            break;
        }
    }
    bool heardCategory[2] = {false, false};
    for (const Utterance& u : utterances_) {
        if (u.speakerId == listener.clientId) continue;
        const int category = u.team == listener.team ? 0 : 1;
        if (heardCategory[category]) continue;
        const Vec3 d = u.position - here;
        if (d.length() > kRange) continue;
        if (listener.hearTokens[category] < kCost) continue;
        listener.hearTokens[category] -= kCost;
        heardCategory[category] = true;
        // The direction is in the listener team's field frame, not relative
        // to its heading.
        const double sign = listener.side == TeamSide::Left ? 1.0 : -1.0;
        const double dir = std::atan2(sign * d.y, sign * d.x) * kRadToDeg;
        out.push_back(expression(u, TextFormat::fixed(dir, 3)));
    }
    return out;
}
