#include "trace/TracePlayer.h"

#include <algorithm>
#include <cmath>
#include <sstream>

#include "game/Scenario.h"
#include "game/Simulation.h"
#include "trace/BodyReadings.h"

namespace {

constexpr int kClient = 1;
// fieldsim's console lines kept; with --verbose (every message) many more.
constexpr size_t kConsoleLines = 200;
constexpr size_t kVerboseConsoleLines = 200000;

double wrap180(double deg) {
    deg = std::fmod(deg, 360.0);
    if (deg > 180.0) deg -= 360.0;
    if (deg < -180.0) deg += 360.0;
    return deg;
}

double horizontal(const Vec3& a, const Vec3& b) { return std::hypot(a.x - b.x, a.y - b.y); }

double distance(const Vec3& a, const Vec3& b) { return std::sqrt((a - b).dot(a - b)); }

// The largest of three component differences, and which one it was.
double largestComponent(const Vec3& a, const Vec3& b, const std::string& what,
                        std::string& detail) {
    const double d[3] = {std::fabs(a.x - b.x), std::fabs(a.y - b.y), std::fabs(a.z - b.z)};
    const char* axis[3] = {"x", "y", "z"};
    int i = 0;
    for (int k = 1; k < 3; ++k) {
        if (!(d[k] <= d[i])) i = k;
    }
    detail = what + axis[i];
    return d[i];
}

const TraceRobotTruth* traceRobot(const TraceTruth& t) {
    for (const TraceRobotTruth& r : t.robots) {
        if (r.side == "left" && r.unum == TracePlayer::kUnum) return &r;
    }
    return nullptr;
}

}  // namespace

TracePlayer::TracePlayer(const RealTrace& trace, const SimOptions& options)
    : trace_(trace), options_(options) {
    // As the real server was set up for the recordings.
    options_.pace = Pace::Lockstep;
    options_.fieldLength = 12.0;
    options_.fieldWidth = 8.0;
    options_.goalWidth = 1.4;
    options_.kickoffAfter = -1.0;  // the kick-off comes from the trace
    options_.noise = false;
    options_.truthFile.clear();
    options_.scenarioFile.clear();
    options_.maxCycles = -1;
    options_.duration = -1.0;
    options_.monitorPort = -1;
    options_.waitFor = 0;
    // Every recorded reply took effect two perceptions later; so it must here,
    // whichever model moves the robot.
    if (options_.latency <= 0) options_.latency = 2;
}

bool TracePlayer::ownMove(long long cycle, long long before, long long after) const {
    for (long long c : ownMoves_) {
        if (cycle >= c - before && cycle <= c + after) return true;
    }
    return false;
}

TraceComparison TracePlayer::run(const std::string& tracePath) {
    samples_.clear();
    ownMoves_.clear();
    TraceComparison out;
    out.tracePath = tracePath;
    out.what = trace_.what;
    out.model = options_.model == ModelKind::Physics ? "physics" : "kinematic";
    out.notes = trace_.notes;
    out.tracks = {
        DifferenceTrack("play mode", "", 0.0, 0, true),
        DifferenceTrack("joints", "deg", kJointTolerance, 3),
        DifferenceTrack("gyro", "deg/s", kGyroTolerance, 3),
        DifferenceTrack("accelerometer", "m/s2", kAccTolerance, 3),
        DifferenceTrack("foot contact", "", 0.0, 0, true),
        DifferenceTrack("foot force", "N", kForceTolerance, 3),
        DifferenceTrack("contact point", "m", kContactTolerance, 3),
        DifferenceTrack("torso position", "m", kPositionTolerance, 3),
        DifferenceTrack("torso height", "m", kPositionTolerance, 3),
        DifferenceTrack("torso yaw", "deg", kYawTolerance, 1),
        DifferenceTrack("body parts", "m", kPositionTolerance, 3),
        DifferenceTrack("ball", "m", kBallTolerance, 3),
    };

    out.startTracks = out.tracks;
    // The kick-off where the trace's game state first says so.
    for (const TracePerception& p : trace_.perceptions) {
        if (BodyReadings::parse(p.text).playMode == "KickOff_Left") {
            out.kickoffCycle = p.n;
            break;
        }
    }
    std::ostringstream console;
    Simulation sim(options_, console);
    // The robot the scene builds steps before its first perception, as the
    // real one did; the trace's perception n is fieldsim's cycle n + quiet.
    const long long quiet = trace_.scene.empty() ? 0 : Simulation::kQuietCyclesAfterScene;
    if (out.kickoffCycle >= 0) {
        Scenario scenario;
        std::string error;
        if (Scenario::parse(
                "cycle:" + std::to_string(out.kickoffCycle + quiet) + " playmode KickOff_Left\n",
                scenario, error)) {
            sim.setScenario(scenario);
        } else {
            out.notes.push_back("the kick-off could not be planned: " + error);
        }
    }
    long long firstBeam = -1, init = -1;
    for (const TracePerception& p : trace_.perceptions) {
        if (!p.hasReply) continue;
        const bool beam = p.reply.find("(beam") != std::string::npos;
        if (beam || p.reply.find("(init") != std::string::npos)
            ownMoves_.push_back(p.n + options_.latency);
        if (beam && firstBeam < 0) firstBeam = p.n + options_.latency;
        if (!beam && init < 0 && p.reply.find("(init") != std::string::npos)
            init = p.n + options_.latency;
    }
    // Until the beamed robot has landed on its feet (the accelerometer runs a
    // step behind).
    out.startCycles = (firstBeam >= 0 ? firstBeam : std::max(init, 0LL)) + kLanding;

    sim.clientConnected(kClient, "trace");
    for (const std::string& message : trace_.scene) sim.receive(kClient, message);
    for (long long q = 0; q < quiet; ++q) {
        sim.step();
        sim.takeOutbox();
    }

    const long long last = trace_.perceptions.back().n;
    bool refused = false;
    bool wasLying = false;
    long long missing = 0, unanswered = 0;
    for (long long k = 0; k <= last; ++k) {
        sim.step();
        std::string perception;
        for (Outgoing& o : sim.takeOutbox()) {
            if (o.clientId == kClient && o.perception) perception = std::move(o.text);
        }
        SimSample sample;
        if (const Robot* robot = sim.world().robot(kClient); robot && robot->joined) {
            const RobotBody& body = robot->body();
            sample.valid = true;
            sample.torso = body.torso().pos;
            sample.yaw = body.heading();
            sample.upright = body.torso().rot.at(2, 2);
            const std::array<Pose, NaoModel::kBodyPartCount> poses = body.partPoses();
            for (int i = 0; i < NaoBuild::kPartCount; ++i) {
                if (NaoBuild::part(i).collider)
                    sample.parts[static_cast<size_t>(i)] = poses[static_cast<size_t>(i)].pos;
            }
            const bool lying = body.state() != BodyState::Upright;
            if (lying != wasLying) {
                TraceEvent e;
                e.kind = lying ? TraceEvent::Kind::Fall : TraceEvent::Kind::GotUp;
                e.cycle = k;
                if (lying) e.detail = body.state() == BodyState::LyingBack ? "back" : "front";
                out.fieldsimEvents.push_back(e);
                wasLying = lying;
            }
        }
        // The referee's moves of the robot, as its truth line records them.
        for (const RefereeEntry& m : sim.referee().record().entries) {
            if (m.ball || m.foul || m.side != TeamSide::Left || m.unum != kUnum) continue;
            TraceEvent e;
            e.kind = TraceEvent::Kind::RefereeMove;
            e.cycle = k;
            e.from = m.from;
            e.to = m.to;
            e.detail = m.rule;
            out.fieldsimEvents.push_back(e);
        }
        sample.ball = sim.world().ball().position();
        samples_.push_back(sample);

        const long long index = trace_.indexOf(k);
        if (index < 0) {
            ++missing;
            continue;
        }
        const TracePerception& real = trace_.perceptions[static_cast<size_t>(index)];
        if (perception.empty()) ++unanswered;
        if (!perception.empty()) comparePerception(k, real.text, perception, out);
        if (real.hasReply && !refused && !sim.receive(kClient, real.reply)) {
            refused = true;
            out.notes.push_back("fieldsim refused the robot at cycle " + std::to_string(k) +
                                " (see its console); nothing more of it is compared");
        }
    }
    out.cycles = last + 1;
    out.ballAtEnd = sim.world().ball().position();
    if (missing > 0) {
        out.notes.push_back(
            std::to_string(missing) +
            " perceptions are missing from the trace: fieldsim got no answer to them and they "
            "were not compared");
    }
    if (unanswered > 0) {
        out.notes.push_back(
            "fieldsim sent no perception in " + std::to_string(unanswered) +
            " cycles of the trace (no scene it loads, or the robot was refused): not compared");
    }
    compareTruth(out);
    realEvents(out);
    std::stable_sort(out.fieldsimEvents.begin(), out.fieldsimEvents.end(),
                     [](const TraceEvent& a, const TraceEvent& b) { return a.cycle < b.cycle; });

    std::istringstream lines(console.str());
    for (std::string line; std::getline(lines, line);) {
        if (out.console.size() >= (options_.verbose ? kVerboseConsoleLines : kConsoleLines)) {
            out.console.push_back("(more lines not kept)");
            break;
        }
        out.console.push_back(line);
    }
    return out;
}

void TracePlayer::comparePerception(long long cycle, const std::string& realText,
                                    const std::string& simText, TraceComparison& out) {
    const BodyReadings real = BodyReadings::parse(realText);
    const BodyReadings sim = BodyReadings::parse(simText);
    if (!real.playMode.empty() && !sim.playMode.empty()) {
        out.trackAt("play mode", cycle)
            ->add(cycle, real.playMode == sim.playMode ? 0.0 : 1.0,
                  real.playMode == sim.playMode ? "" : real.playMode + " / " + sim.playMode);
    }
    double worst = -1.0;
    std::string which;
    for (int j = 0; j < NaoModel::kJointCount; ++j) {
        const size_t i = static_cast<size_t>(j);
        if (!real.hasJoint[i] || !sim.hasJoint[i]) continue;
        const double d = std::fabs(real.joints[i] - sim.joints[i]);
        if (d > worst) {
            worst = d;
            which = NaoModel::joint(j).perceptor;
        }
    }
    if (worst >= 0.0) out.trackAt("joints", cycle)->add(cycle, worst, which);
    std::string detail;
    if (real.hasGyro && sim.hasGyro) {
        const double d = largestComponent(real.gyro, sim.gyro, "", detail);
        out.trackAt("gyro", cycle)->add(cycle, d, detail);
    }
    if (real.hasAcc && sim.hasAcc) {
        const double d = largestComponent(real.acc, sim.acc, "", detail);
        out.trackAt("accelerometer", cycle)->add(cycle, d, detail);
    }
    const FootReading* feet[2][2] = {{&real.right, &sim.right}, {&real.left, &sim.left}};
    const char* names[2] = {"rf", "lf"};
    double contactWorst = 0.0, forceWorst = -1.0, pointWorst = -1.0;
    std::string contactWhich, forceWhich, pointWhich;
    for (int f = 0; f < 2; ++f) {
        const FootReading& a = *feet[f][0];
        const FootReading& b = *feet[f][1];
        if (a.present != b.present) {
            contactWorst = 1.0;
            contactWhich += std::string(contactWhich.empty() ? "" : " ") + names[f] +
                            (a.present ? " real only" : " fieldsim only");
            continue;
        }
        if (!a.present) continue;
        const double force = largestComponent(a.f, b.f, std::string(names[f]) + " f ", detail);
        if (force > forceWorst) {
            forceWorst = force;
            forceWhich = detail;
        }
        const double point = largestComponent(a.c, b.c, std::string(names[f]) + " c ", detail);
        if (point > pointWorst) {
            pointWorst = point;
            pointWhich = detail;
        }
    }
    out.trackAt("foot contact", cycle)->add(cycle, contactWorst, contactWhich);
    if (forceWorst >= 0.0) out.trackAt("foot force", cycle)->add(cycle, forceWorst, forceWhich);
    if (pointWorst >= 0.0) out.trackAt("contact point", cycle)->add(cycle, pointWorst, pointWhich);
}

void TracePlayer::compareTruth(TraceComparison& out) const {
    const long long cycles = static_cast<long long>(samples_.size());
    for (const TraceTruth& t : trace_.truths) {
        const long long n = trace_.cycleAtWall(t.wall);
        if (n < 0 || n >= cycles) continue;
        // The monitor sends every second cycle and its message may pass the
        // perception on the way: the sample shows one of these cycles.
        const long long from = std::max(0LL, n - 2), to = std::min(cycles - 1, n + 1);
        if (t.hasBall) {
            double best = HUGE_VAL;
            for (long long k = from; k <= to; ++k)
                best = std::min(best, distance(samples_[static_cast<size_t>(k)].ball, t.ball));
            out.trackAt("ball", n)->add(n, best);
        }
        const TraceRobotTruth* r = traceRobot(t);
        if (!r) continue;
        double xy = HUGE_VAL, z = HUGE_VAL, yaw = HUGE_VAL;
        bool any = false;
        for (long long k = from; k <= to; ++k) {
            const SimSample& s = samples_[static_cast<size_t>(k)];
            if (!s.valid) continue;
            any = true;
            xy = std::min(xy, horizontal(s.torso, r->pos));
            z = std::min(z, std::fabs(s.torso.z - r->pos.z));
            // A lying torso's heading says little; compared only upright.
            if (s.upright >= kFallen && r->upright >= kFallen)
                yaw = std::min(yaw, std::fabs(wrap180(s.yaw - r->yaw)));
        }
        if (!any) continue;
        out.trackAt("torso position", n)->add(n, xy);
        out.trackAt("torso height", n)->add(n, z);
        if (yaw != HUGE_VAL) out.trackAt("torso yaw", n)->add(n, yaw);
        std::string part;
        const double parts = partsDifference(*r, from, to, part);
        if (parts >= 0.0) out.trackAt("body parts", n)->add(n, parts, part);
    }
}

double TracePlayer::partsDifference(const TraceRobotTruth& real, long long from, long long to,
                                    std::string& worstPart) const {
    // The parts the referee's rectangle is made of, each against fieldsim's
    // part of that name; of the cycles the sample may show, the one where the
    // farthest part is nearest counts.
    double best = -1.0;
    for (long long k = from; k <= to; ++k) {
        const SimSample& s = samples_[static_cast<size_t>(k)];
        if (!s.valid) continue;
        double worst = -1.0;
        std::string which;
        for (const auto& [name, at] : real.parts) {
            for (int i = 0; i < NaoBuild::kPartCount; ++i) {
                if (!NaoBuild::part(i).collider || name != NaoBuild::part(i).name) continue;
                const double d = distance(s.parts[static_cast<size_t>(i)], at);
                if (d > worst) {
                    worst = d;
                    which = name;
                }
            }
        }
        if (worst >= 0.0 && (best < 0.0 || worst < best)) {
            best = worst;
            worstPart = which;
        }
    }
    return best;
}

void TracePlayer::realEvents(TraceComparison& out) const {
    const TraceRobotTruth* previous = nullptr;
    long long previousCycle = -1;
    bool lying = false;
    for (const TraceTruth& t : trace_.truths) {
        const long long n = trace_.cycleAtWall(t.wall);
        const TraceRobotTruth* r = traceRobot(t);
        if (n < 0 || !r) continue;
        // The truth may be a cycle or two behind the perception it is mapped to.
        if (previous && r->upright >= kFallen && previous->upright >= kFallen &&
            horizontal(r->pos, previous->pos) > kMoveJump && !ownMove(n, 1, 3)) {
            TraceEvent e;
            e.kind = TraceEvent::Kind::RefereeMove;
            e.cycle = moveCycle(previousCycle, n);
            e.from = previous->pos;
            e.to = r->pos;
            out.realEvents.push_back(e);
        }
        if (!lying && r->upright < kFallen) {
            lying = true;
            TraceEvent e;
            e.kind = TraceEvent::Kind::Fall;
            e.cycle = n;
            // Which side is down shows in the accelerometer once it lies:
            // gravity's reaction along the torso's forward axis (+y) when
            // lying on its back.
            for (long long k = n; k <= n + 50; ++k) {
                const long long i = trace_.indexOf(k);
                if (i < 0) continue;
                const BodyReadings b =
                    BodyReadings::parse(trace_.perceptions[static_cast<size_t>(i)].text);
                if (b.hasAcc && std::fabs(b.acc.y) > 6.0) {
                    e.detail = b.acc.y > 0.0 ? "back" : "front";
                    break;
                }
            }
            out.realEvents.push_back(e);
        } else if (lying && r->upright > kRisen && r->pos.z >= kRisenHeight) {
            lying = false;
            TraceEvent e;
            e.kind = TraceEvent::Kind::GotUp;
            e.cycle = n;
            out.realEvents.push_back(e);
        }
        previous = r;
        previousCycle = n;
    }
}

long long TracePlayer::moveCycle(long long before, long long seen) const {
    // The monitor sends every second cycle, so the first sample after a move
    // may come a cycle or two late. The real server reads the gyro for the
    // perception after its rules have run, and a move stops every body: the
    // perception of the move's cycle shows a gyro of exactly zero, which a
    // walking robot never does otherwise.
    // The sample before may itself show a state up to two cycles old.
    for (long long k = std::max(before - 2, 0LL); k <= seen; ++k) {
        const long long i = trace_.indexOf(k);
        if (i < 0) continue;
        const BodyReadings b = BodyReadings::parse(trace_.perceptions[static_cast<size_t>(i)].text);
        if (b.hasGyro && b.gyro.x == 0.0 && b.gyro.y == 0.0 && b.gyro.z == 0.0) return k;
    }
    return seen;
}
