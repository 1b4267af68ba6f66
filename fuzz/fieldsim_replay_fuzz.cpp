// fieldsim --replay reads files a run left behind, which may be cut off,
// edited or not what they claim to be. Whatever they hold, the truth-log
// reader must come back with frames that go forward in time and robots it
// can place, or a refusal; the belief reader with rows that go forward in
// time, in the world frame, with a heading it can draw. The first byte
// chooses the reader (and, for a belief CSV, the side the truth log gives).
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "FuzzScratch.h"
#include "replay/BeliefTrack.h"
#include "replay/TruthLogReader.h"

namespace {

void check(bool condition) {
    if (!condition) std::abort();
}

void oneLineEach(const std::vector<std::string>& notes) {
    for (const std::string& n : notes) check(!n.empty() && n.find('\n') == std::string::npos);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const fuzzscratch::ScratchDir scratch("replay_fuzz");
    if (size < 1) return 0;
    const fuzzscratch::InScratch inside(scratch);
    fuzzscratch::writeFile("in", data + 1, size - 1);
    std::vector<std::string> notes;
    if (data[0] % 3 == 0) {
        std::vector<ReplayFrame> frames;
        std::string error;
        const bool ok = TruthLogReader::read("in", frames, notes, error);
        check(ok == !frames.empty());
        check(ok || !error.empty());
        for (size_t i = 0; i < frames.size(); ++i) {
            check(std::isfinite(frames[i].time));
            if (i > 0) check(frames[i].time > frames[i - 1].time && frames[i].cycle > frames[i - 1].cycle);
            for (const ReplayRobot& r : frames[i].robots) {
                check(!r.team.empty() && r.unum >= 1 && r.unum <= 99);
                check(std::isfinite(r.x) && std::isfinite(r.y));
            }
        }
    } else {
        BeliefTrack track;
        track.team = "T";
        track.unum = 1;
        track.file = "T/p1/beliefs.csv";
        const bool ok = BeliefCsvReader::read("in", data[0] % 3 == 2, track, notes);
        check(ok == !track.rows.empty());
        check(track.rows.size() <= BeliefCsvReader::kMaxRows);
        for (size_t i = 0; i < track.rows.size(); ++i) {
            const BeliefRow& row = track.rows[i];
            if (i > 0) check(row.time > track.rows[i - 1].time);
            check(std::isfinite(row.x) && std::isfinite(row.y));
            check(row.yaw > -180.0 && row.yaw <= 180.0);
            check(std::isfinite(row.ballX) == std::isfinite(row.ballY));
            check(track.at(row.time) != nullptr);
        }
    }
    oneLineEach(notes);
    return 0;
}
