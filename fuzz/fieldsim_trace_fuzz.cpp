// fieldsim --play-trace reads recordings made elsewhere, which may be cut
// off, edited or not traces at all. Whatever they hold, the reader must come
// back with perceptions whose numbers go forward within bounds, truth that
// goes forward in time with finite positions (the parts' too, and no more of
// them than kept), and notes of one line each, or a refusal with a reason;
// the body readings of every perception must be finite. The first byte
// chooses the way in: even, the text as it is; odd, a file (gzip-compressed
// or plain) read through zlib.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "FuzzScratch.h"
#include "trace/BodyReadings.h"
#include "trace/RealTrace.h"

namespace {

void check(bool condition) {
    if (!condition) std::abort();
}

bool finite(const Vec3& v) {
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

void checkTrace(const RealTrace& trace) {
    for (const std::string& n : trace.notes) check(!n.empty() && n.find('\n') == std::string::npos);
    check(trace.notes.size() < 64);
    for (size_t i = 0; i < trace.perceptions.size(); ++i) {
        const TracePerception& p = trace.perceptions[i];
        check(p.n >= 0 && p.n <= RealTrace::kMaxPerceptions && std::isfinite(p.wall));
        if (i > 0)
            check(p.n > trace.perceptions[i - 1].n && p.wall >= trace.perceptions[i - 1].wall);
        check(trace.indexOf(p.n) == static_cast<long long>(i));
        const BodyReadings r = BodyReadings::parse(p.text);
        for (double a : r.joints) check(std::isfinite(a));
        check(finite(r.gyro) && finite(r.acc) && finite(r.right.f) && finite(r.left.c));
    }
    for (size_t i = 0; i < trace.truths.size(); ++i) {
        const TraceTruth& t = trace.truths[i];
        check(std::isfinite(t.wall));
        if (i > 0) check(t.wall >= trace.truths[i - 1].wall);
        check(!t.hasBall || finite(t.ball));
        for (const TraceRobotTruth& r : t.robots) {
            check(finite(r.pos) && std::isfinite(r.yaw) && std::isfinite(r.upright) &&
                  r.unum >= 0 && r.unum <= 99);
            check(r.parts.size() <= RealTrace::kMaxParts);
            for (const auto& part : r.parts) check(finite(part.second));
        }
        const long long n = trace.cycleAtWall(t.wall);
        check(n == -1 || trace.indexOf(n) >= 0);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const fuzzscratch::ScratchDir scratch("trace_fuzz");
    if (size < 1) return 0;
    RealTrace trace;
    if (data[0] % 2 == 0) {
        RealTrace::parse(std::string(reinterpret_cast<const char*>(data) + 1, size - 1), trace);
        checkTrace(trace);
        return 0;
    }
    const fuzzscratch::InScratch inside(scratch);
    fuzzscratch::writeFile("in", data + 1, size - 1);
    std::string error;
    const bool ok = RealTrace::load("in", trace, error);
    check(ok == !trace.perceptions.empty());
    check(ok || !error.empty());
    checkTrace(trace);
    return 0;
}
