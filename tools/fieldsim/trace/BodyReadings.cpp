#include "trace/BodyReadings.h"

#include <cmath>
#include <cstdlib>

#include "net/MessageParser.h"

namespace {

bool number(const SExpr& e, double& out) {
    if (e.isList || e.atom.empty()) return false;
    char* end = nullptr;
    out = std::strtod(e.atom.c_str(), &end);
    return end != nullptr && *end == '\0' && std::isfinite(out);
}

// The list `(key a b c)` among `e`'s items, as three numbers.
bool triple(const SExpr& e, const std::string& key, Vec3& out) {
    for (const SExpr& item : e.items) {
        if (!item.isList || item.head() != key || item.items.size() != 4) continue;
        double v[3];
        for (int i = 0; i < 3; ++i) {
            if (!number(item.items[static_cast<size_t>(i) + 1], v[i])) return false;
        }
        out = {v[0], v[1], v[2]};
        return true;
    }
    return false;
}

// The atom of `(key value)` among `e`'s items; empty when there is none.
std::string field(const SExpr& e, const std::string& key) {
    for (const SExpr& item : e.items) {
        if (item.isList && item.head() == key && item.items.size() == 2 && !item.items[1].isList) {
            return item.items[1].atom;
        }
    }
    return {};
}

}  // namespace

BodyReadings BodyReadings::parse(const std::string& perception) {
    BodyReadings r;
    const ParsedMessage parsed = MessageParser::parse(perception);
    r.malformed = parsed.malformed;
    for (const SExpr& e : parsed.expressions) {
        const std::string& head = e.head();
        if (head == "time") {
            const std::string now = field(e, "now");
            double v = 0;
            SExpr atom;
            atom.atom = now;
            if (number(atom, v)) {
                r.now = v;
                r.hasNow = true;
            }
        } else if (head == "GS") {
            r.playMode = field(e, "pm");
        } else if (head == "HJ") {
            const int joint = NaoModel::jointByPerceptor(field(e, "n"));
            SExpr atom;
            atom.atom = field(e, "ax");
            double v = 0;
            if (joint < 0 || !number(atom, v)) {
                ++r.malformed;
                continue;
            }
            r.joints[static_cast<size_t>(joint)] = v;
            r.hasJoint[static_cast<size_t>(joint)] = true;
        } else if (head == "GYR") {
            r.hasGyro = triple(e, "rt", r.gyro);
            if (!r.hasGyro) ++r.malformed;
        } else if (head == "ACC") {
            r.hasAcc = triple(e, "a", r.acc);
            if (!r.hasAcc) ++r.malformed;
        } else if (head == "FRP") {
            const std::string foot = field(e, "n");
            FootReading f;
            f.present = triple(e, "c", f.c) && triple(e, "f", f.f);
            if (!f.present || (foot != "rf" && foot != "lf")) {
                ++r.malformed;
                continue;
            }
            (foot == "rf" ? r.right : r.left) = f;
        }
    }
    return r;
}
