#include "CycleCsv.h"

#include <cctype>
#include <cstdio>
#include <cstring>

#include "objects/HingeJoint.h"
#include "worldModel/WorldModel.h"

const char* const CycleCsv::kEffectors[kJoints] = {
    "he1",  "he2",  "rae1", "rae2", "rae3", "rae4", "lae1", "lae2", "lae3", "lae4", "rle1",
    "rle2", "rle3", "rle4", "rle5", "rle6", "lle1", "lle2", "lle3", "lle4", "lle5", "lle6"};

const char* const CycleCsv::kJointNames[kJoints] = {
    "hj1",  "hj2",  "raj1", "raj2", "raj3", "raj4", "laj1", "laj2", "laj3", "laj4", "rlj1",
    "rlj2", "rlj3", "rlj4", "rlj5", "rlj6", "llj1", "llj2", "llj3", "llj4", "llj5", "llj6"};

namespace {

// A name from the network becomes a plain CSV cell: anything but letters,
// digits, '_' and '-' turns into '_'.
std::string cellName(const char* name) {
    std::string cell;
    for (const char* c = name; *c != '\0'; ++c) {
        const unsigned char u = static_cast<unsigned char>(*c);
        cell += (std::isalnum(u) || u == '_' || u == '-') ? static_cast<char>(u) : '_';
    }
    return cell;
}

}  // namespace

bool CycleCsv::open(const std::string& path, std::string& error) {
    out.open(path, std::ios::out | std::ios::trunc);
    if (!out.is_open()) {
        error = "cannot write " + path;
        return false;
    }
    return true;
}

void CycleCsv::writeHeader(const WorldModel& wm) {
    out << "time";
    for (int i = 0; i < kJoints; ++i) {
        const std::string reported = cellName(wm.getAHingeJoint(i).getName());
        out << ',' << (reported.empty() ? kJointNames[i] : reported);
    }
    for (const char* e : kEffectors) out << ',' << e;
    out << '\n' << std::flush;
}

void CycleCsv::writeCycle(const WorldModel& wm, const char* commandText) {
    char number[64];
    std::snprintf(number, sizeof number, "%.3f", static_cast<double>(wm.getTime()));
    out << number;
    for (int i = 0; i < kJoints; ++i) {
        const HingeJoint hj = wm.getAHingeJoint(i);
        out << ',';
        // A slot the server never named holds no reading.
        if (hj.getName()[0] != '\0') {
            std::snprintf(number, sizeof number, "%.3f", static_cast<double>(hj.getAxis()));
            out << number;
        }
    }
    for (const std::string& speed : speedsOf(commandText)) out << ',' << speed;
    // Flushed per cycle: the record is complete up to the last cycle even
    // when the run is cut short.
    out << '\n' << std::flush;
    ++cycleLines;
}

bool CycleCsv::ok() const { return out.good(); }

std::array<std::string, CycleCsv::kJoints> CycleCsv::speedsOf(const char* commandText) {
    std::array<std::string, kJoints> speeds;
    if (commandText == nullptr) return speeds;
    // The builder writes "(effector value)" expressions back to back.
    const char* c = commandText;
    while ((c = std::strchr(c, '(')) != nullptr) {
        ++c;
        const char* space = std::strchr(c, ' ');
        const char* close = std::strchr(c, ')');
        if (space == nullptr || close == nullptr || space > close) continue;
        const std::string effector(c, space);
        for (int i = 0; i < kJoints; ++i) {
            if (effector == kEffectors[i]) {
                speeds[i] = std::string(space + 1, close);
                break;
            }
        }
        c = close + 1;
    }
    return speeds;
}
