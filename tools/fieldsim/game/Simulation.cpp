#include "game/Simulation.h"

#include <algorithm>
#include <cmath>

#include "net/CommandDecoder.h"
#include "net/MessageParser.h"
#include "util/TextFormat.h"
#include "sense/VisionSensor.h"

namespace {

GameRulesConfig rulesConfig(const SimOptions& o) {
    GameRulesConfig c;
    c.halfTime = o.halfTime;
    c.halves = o.halves;
    c.kickoffAfter = o.kickoffAfter;
    return c;
}

// Any path whose file name is nao.rsg loads the robot.
bool sceneAccepted(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return path.substr(slash == std::string::npos ? 0 : slash + 1) == "nao.rsg";
}

}  // namespace

Simulation::Simulation(const SimOptions& options, std::ostream& console)
    : options_(options),
      console_(console),
      world_(FieldGeometry(options.fieldLength, options.fieldWidth, options.goalWidth), options.model),
      rules_(rulesConfig(options), world_.field()),
      referee_(rules_, world_, options.seed),
      writer_(world_.field(), options.fullView, options.gsClassic),
      noiseRng_(options.seed) {
    // The physics model answers as the real server does: a reply sent within
    // the cycle moves the joints in the perception after next.
    if (options_.latency <= 0) options_.latency = options_.model == ModelKind::Physics ? 2 : 1;
}

bool Simulation::openTruthLog(std::string& error) {
    if (options_.truthFile.empty()) return true;
    return truth_.open(options_.truthFile, error);
}

void Simulation::log(const std::string& line) {
    console_ << "[" << TextFormat::fixed(now_, 2) << "] " << line << '\n';
    console_.flush();
}

std::string Simulation::who(const Robot& r) const {
    std::string s = "client " + std::to_string(r.clientId);
    if (r.claimed()) s += " (" + std::string(teamSideName(r.side)) + " " + std::to_string(r.unum) + " " + r.team + ")";
    return s;
}

void Simulation::connectionLine(const std::string& line) {
    const long long second = static_cast<long long>(std::floor(now_));
    if (second != connectionSecond_) {
        connectionSecond_ = second;
        connectionLinesShown_ = 0;
    }
    if (connectionLinesShown_ >= kConnectionLinesPerSecond) {
        ++connectionLinesHidden_;
        return;
    }
    if (connectionLinesHidden_ > 0) {
        log(std::to_string(connectionLinesHidden_) + " more connection lines were not shown");
        connectionLinesHidden_ = 0;
    }
    ++connectionLinesShown_;
    log(line);
}

void Simulation::clientConnected(int clientId, const std::string& peer) {
    ++stats_.connections;
    connectionLine("client " + std::to_string(clientId) + " connected from " + peer);
}

void Simulation::clientLeft(int clientId, const std::string& reason) {
    problemsShown_.erase(clientId);
    if (const Robot* r = world_.robot(clientId)) {
        log(who(*r) + " left: " + reason);
        const bool wasOnTeam = r->claimed();
        const TeamSide side = r->side;
        referee_.robotLeft(clientId);
        world_.removeRobot(clientId);
        if (wasOnTeam) freeSideIfEmpty(side);
    } else {
        connectionLine("client " + std::to_string(clientId) + " closed: " + reason);
    }
}

void Simulation::freeSideIfEmpty(TeamSide side) {
    // Before the game has begun, a side belongs to a team only while one of
    // its robots is there; otherwise a team that tried once and went away
    // would keep the real opponent out. Once the game runs, the side stays
    // with its team (and its score) whoever is connected.
    if (rules_.playMode() != PlayMode::BeforeKickOff || rules_.gameTime() > 0.0) return;
    for (const auto& [id, r] : world_.robots()) {
        if (r.claimed() && r.side == side) return;
    }
    std::string& name = teamNames_[side == TeamSide::Left ? 0 : 1];
    if (name.empty()) return;
    log("team " + name + " has no robot left before kick-off; the " + teamSideName(side) +
        " side is free for another team");
    name.clear();
}

void Simulation::noteMalformed(int clientId, const std::string& problem) {
    ++stats_.malformed;
    reportProblem(clientId, "client " + std::to_string(clientId) + ": " + problem);
}

void Simulation::reportProblem(int clientId, const std::string& line) {
    int& shown = problemsShown_[clientId];
    if (shown < kMaxProblemLines) {
        log(line);
    } else if (shown == kMaxProblemLines) {
        log("client " + std::to_string(clientId) + ": more bad input; counted, not shown");
    }
    ++shown;
}

void Simulation::refuse(int clientId, const std::string& why) {
    ++stats_.refused;
    log("client " + std::to_string(clientId) + " refused: " + why);
    world_.removeRobot(clientId);
}

bool Simulation::receive(int clientId, const std::string& message) {
    ++stats_.messagesIn;
    if (options_.verbose) log("client " + std::to_string(clientId) + " >> " + TextFormat::printable(message, 4096));
    Robot* robot = world_.robot(clientId);
    if (robot && robot->cycleCommands.size() < Robot::kMaxCycleCommands) {
        robot->cycleCommands.append(message, 0, Robot::kMaxCycleCommands - robot->cycleCommands.size());
    }

    const ParsedMessage parsed = MessageParser::parse(message);
    if (parsed.malformed) {
        stats_.malformed += parsed.malformed;
        reportProblem(clientId, "client " + std::to_string(clientId) +
                                    ": malformed message (brackets or stray text): " +
                                    TextFormat::printable(message, 120));
    }
    for (const SExpr& e : parsed.expressions) {
        const DecodedCommand d = CommandDecoder::decode(e);
        switch (d.kind) {
            case DecodedCommand::Kind::Malformed:
                ++stats_.malformed;
                reportProblem(clientId, "client " + std::to_string(clientId) +
                                            ": malformed command: " + TextFormat::printable(d.problem));
                break;
            case DecodedCommand::Kind::Unknown:
                ++stats_.unknown;
                if (options_.verbose) {
                    log("client " + std::to_string(clientId) + ": unknown command skipped: " +
                        TextFormat::printable(e.head()));
                }
                break;
            case DecodedCommand::Kind::Sync:
                break;
            case DecodedCommand::Kind::Scene:
                if (robot) {
                    if (options_.verbose) log("client " + std::to_string(clientId) + ": second scene ignored");
                } else if (!sceneAccepted(d.path)) {
                    // The real server does not answer an unknown scene at all.
                    log("client " + std::to_string(clientId) + ": scene " + TextFormat::printable(d.path) +
                        " not found; no answer");
                } else {
                    robot = &world_.addRobot(clientId);
                    // Where the real server builds a new robot: not yet on a team.
                    robot->body().place(0.0, -1.0, 90.0);
                    robot->body().refreshSensors();
                    robot->quietCycles = kQuietCyclesAfterScene;
                    if (options_.noise) robot->visionCalibration = VisionSensor::drawCalibration(noiseRng_);
                    stats_.maxRobots = std::max(stats_.maxRobots, static_cast<int>(world_.robots().size()));
                    log("client " + std::to_string(clientId) + " loaded scene " + TextFormat::printable(d.path));
                }
                break;
            case DecodedCommand::Kind::Init:
                if (!robot) {
                    if (options_.verbose) log("client " + std::to_string(clientId) + ": init before scene ignored");
                } else if (robot->claimed()) {
                    if (options_.verbose) log(who(*robot) + ": second init ignored");
                } else if (!join(*robot, d.unum, d.teamName)) {
                    return false;
                }
                break;
            case DecodedCommand::Kind::Action:
                if (!robot) {
                    if (options_.verbose) log("client " + std::to_string(clientId) + ": command before scene ignored");
                } else if (robot->pending.size() >= Robot::kMaxQueuedActions) {
                    ++stats_.malformed;
                    reportProblem(clientId, who(*robot) + ": too many commands waiting; dropped");
                } else {
                    // A command answering perception n takes effect in the
                    // cycle that produces perception n + latency.
                    robot->pending.push_back({cycles_ - 1 + options_.latency, d.action});
                }
                break;
        }
    }
    return true;
}

bool Simulation::join(Robot& robot, int unum, const std::string& team) {
    int slot = -1;
    for (int s = 0; s < 2; ++s) {
        if (teamNames_[s] == team) slot = s;
    }
    if (slot < 0) {
        slot = teamNames_[0].empty() ? 0 : teamNames_[1].empty() ? 1 : -1;
    }
    if (slot < 0) {
        refuse(robot.clientId, "a third team, " + TextFormat::printable(team) + ", cannot play");
        return false;
    }
    const TeamSide side = slot == 0 ? TeamSide::Left : TeamSide::Right;
    if (unum < 0 || unum > kMaxPerTeam) {
        refuse(robot.clientId, "uniform number " + std::to_string(unum) + " is not between 0 and 11");
        return false;
    }
    // A number is taken once an init has claimed it, whether or not that
    // init has taken effect yet.
    const auto taken = [&](int n) {
        for (const auto& [id, r] : world_.robots()) {
            if (r.claimed() && r.side == side && r.unum == n) return true;
        }
        return false;
    };
    if (unum == 0) {
        for (int n = 1; n <= kMaxPerTeam && unum == 0; ++n) {
            if (!taken(n)) unum = n;
        }
        if (unum == 0) {
            refuse(robot.clientId, "team " + team + " is full");
            return false;
        }
    } else if (taken(unum)) {
        refuse(robot.clientId, "number " + std::to_string(unum) + " is taken in team " + team);
        return false;
    }
    teamNames_[slot] = team;
    robot.team = team;
    robot.side = side;
    robot.unum = unum;
    // At the team's next start spot, facing the opponent goal, as the real
    // server puts a robot on its init; it beams from there. The robot claims
    // its side and number at once, but joins the game (put there, told its
    // number, seen by the rules) in the cycle the init takes effect like any
    // command: until then it goes on falling where it was built, as on the
    // real server. An init sent with the scene, before the robot has stepped,
    // is carried out together with it.
    robot.startSpot = referee_.startSpot(side);
    robot.startHeading = side == TeamSide::Left ? 0.0 : 180.0;
    if (robot.perceptions == 0 && robot.quietCycles == kQuietCyclesAfterScene) {
        placeAtStart(robot);
    } else {
        robot.startCycle = cycles_ - 1 + options_.latency;
    }
    // Counted when accepted, so that robots whose inits arrive together
    // start the clock together, whenever the inits take effect.
    ++stats_.robotsJoined;
    log(who(robot) + " joined");
    if (!waiting()) {
        rules_.robotJoined(now_);
    } else {
        int joined = 0;
        for (const auto& [id, r] : world_.robots()) joined += r.claimed() ? 1 : 0;
        if (joined >= options_.waitFor) {
            endWait(std::to_string(joined) + " robots joined");
        } else {
            log(std::to_string(joined) + " of " + std::to_string(options_.waitFor) +
                " robots joined; the clock waits for the others");
        }
    }
    return true;
}

void Simulation::placeAtStart(Robot& robot) {
    robot.startCycle = -1;
    robot.joined = true;
    robot.identityPending = true;
    robot.body().place(robot.startSpot.x, robot.startSpot.y, robot.startHeading);
    robot.body().refreshSensors();
}

void Simulation::endWait(const std::string& why) {
    if (!waiting()) return;
    waitOver_ = true;
    log(why + "; the clock starts");
    // The countdown to the kick-off starts now, as if they had all joined at once.
    for (const auto& [id, r] : world_.robots()) {
        if (r.claimed()) {
            rules_.robotJoined(now_);
            break;
        }
    }
}

void Simulation::applyAction(Robot& robot, const RobotAction& a) {
    switch (a.kind) {
        case RobotAction::Kind::Joint:
            robot.body().setVelocity(a.joint, a.value);
            break;
        case RobotAction::Kind::Beam: {
            if (!robot.joined) {
                if (options_.verbose) log(who(robot) + ": beam before init ignored");
                break;
            }
            if (!rules_.beamAllowed()) {
                if (options_.verbose) log(who(robot) + ": beam ignored in " + playModeName(rules_.playMode()));
                break;
            }
            const FieldGeometry& f = world_.field();
            // Only the own half, as on the real server; y is kept near the field.
            double x = std::clamp(a.beam[0], -f.halfLength(), 0.0);
            double y = std::clamp(a.beam[1], -f.halfWidth() - FieldGeometry::kBorder,
                                  f.halfWidth() + FieldGeometry::kBorder);
            double rot = a.beam[2];
            if (options_.noise) {
                x += noiseRng_.uniform(-0.05, 0.05);
                y += noiseRng_.uniform(-0.05, 0.05);
                rot += noiseRng_.uniform(-10.0, 10.0);
            }
            if (robot.side == TeamSide::Right) {
                x = -x;
                y = -y;
                rot += 180.0;
            }
            robot.body().beam(x, y, rot);
            if (options_.verbose) log(who(robot) + ": beamed");
            break;
        }
        case RobotAction::Kind::Say:
            if (!robot.joined) break;
            if (!SayRelay::acceptable(a.text, static_cast<size_t>(options_.sayLimit))) {
                ++stats_.saysDropped;
                if (options_.verbose) log(who(robot) + ": say dropped (too long or bad characters)");
                break;
            }
            relay_.post({robot.clientId, robot.team, robot.side, robot.body().torso().pos, a.text});
            break;
    }
}

void Simulation::applyEvent(const ScenarioEvent& e) {
    const std::string where = "scenario line " + std::to_string(e.line) + ": ";
    Robot* robot = nullptr;
    const bool needsRobot = e.kind == ScenarioEvent::Kind::KnockOver || e.kind == ScenarioEvent::Kind::PlaceRobot ||
                            e.kind == ScenarioEvent::Kind::DropConnection || e.kind == ScenarioEvent::Kind::SendRaw;
    if (needsRobot) {
        robot = world_.findRobot(e.side, e.unum);
        if (!robot) {
            log(where + "no robot " + teamSideName(e.side) + " " + std::to_string(e.unum) + "; event skipped");
            return;
        }
    }
    switch (e.kind) {
        case ScenarioEvent::Kind::PlayMode:
            rules_.setPlayMode(e.mode, now_);
            break;
        case ScenarioEvent::Kind::PlaceBall:
            world_.ball().place({e.values[0], e.values[1], e.values[2] > 0.0 ? e.values[2] : Ball::kRadius});
            log(where + "ball placed");
            break;
        case ScenarioEvent::Kind::PushBall:
            // Like the real server's trainer moving the ball: no robot touched it.
            world_.ball().push({e.values[0], e.values[1], e.values[2]});
            log(where + "ball pushed");
            break;
        case ScenarioEvent::Kind::KnockOver:
            robot->body().knockOver(e.front);
            robot->body().takeNewFall();
            log(where + who(*robot) + " knocked over onto its " + (e.front ? "front" : "back"));
            break;
        case ScenarioEvent::Kind::PlaceRobot:
            robot->body().place(e.values[0], e.values[1], e.values[2]);
            log(where + who(*robot) + " placed");
            break;
        case ScenarioEvent::Kind::DropConnection:
            log(where + "dropping the connection of " + who(*robot));
            drops_.push_back(robot->clientId);
            referee_.robotLeft(robot->clientId);
            world_.removeRobot(robot->clientId);
            break;
        case ScenarioEvent::Kind::SendRaw:
            outbox_.push_back({robot->clientId, e.text, false});
            log(where + "raw message to " + who(*robot));
            break;
        case ScenarioEvent::Kind::Stop:
            log(where + "stop");
            stopRequested_ = true;
            break;
    }
}

void Simulation::step() {
    const long long k = cycles_;
    now_ = static_cast<double>(k) * kCycle;

    for (const ScenarioEvent& e : scenario_.due(k)) applyEvent(e);

    relay_.clear();
    for (auto& [id, robot] : world_.robots()) {
        // The init's placement before the commands of the same cycle (a beam
        // sent with the init starts from the start spot).
        if (robot.startCycle >= 0 && robot.startCycle <= k) placeAtStart(robot);
        while (!robot.pending.empty() && robot.pending.front().effectiveCycle <= k) {
            const RobotAction action = robot.pending.front().action;
            robot.pending.pop_front();
            applyAction(robot, action);
        }
    }

    world_.step(kCycle, rules_.paused());
    for (auto& [id, robot] : world_.robots()) {
        for (const std::string& note : robot.body().takeNotes()) {
            if (robot.joined) log(who(robot) + ": " + note);
        }
        const FallCause fall = robot.body().takeNewFall();
        // Scripted falls are reported with their scenario line already.
        if (fall != FallCause::None && fall != FallCause::Knocked && robot.joined) {
            log(who(robot) + " fell onto its " + (robot.body().state() == BodyState::LyingFront ? "front" : "back") +
                " (" + fallCauseName(fall) + ")");
        }
    }
    // The referee after the physics, as on the real server: what it changes
    // shows in this cycle's perceptions, a new play mode in the next.
    referee_.update(now_, kCycle, world_.contacts());
    for (const std::string& line : rules_.takeMessages()) log(line);

    sendPerceptions();
    truth_.record(k, now_, rules_, world_, &referee_.record());
    if (truth_.failed()) {
        log("writing the truth log failed; it stops here");
        truth_.close();
    }
    for (auto& [id, robot] : world_.robots()) robot.cycleCommands.clear();

    cycles_ = k + 1;
    stats_.cycles = cycles_;
    if (options_.maxCycles > 0 && cycles_ >= options_.maxCycles) stopRequested_ = true;
    if (options_.duration >= 0.0 && static_cast<double>(cycles_) * kCycle >= options_.duration - 1e-9) {
        stopRequested_ = true;
    }
}

void Simulation::sendPerceptions() {
    GameSnapshot game;
    game.now = now_;
    game.gameTime = rules_.gameTime();
    game.mode = rules_.playMode();
    game.scoreLeft = rules_.score(TeamSide::Left);
    game.scoreRight = rules_.score(TeamSide::Right);
    const std::vector<const Robot*> onField = world_.joinedRobots();
    Random* noise = options_.noise ? &noiseRng_ : nullptr;
    for (auto& [id, robot] : world_.robots()) {
        if (robot.quietCycles > 0) {
            --robot.quietCycles;
            continue;
        }
        std::vector<std::string> hear;
        if (robot.joined) hear = relay_.hearFor(robot, game.gameTime, options_.gsClassic);
        const bool vision = robot.perceptions % options_.visionEvery == 0;
        Outgoing out{id, writer_.write(robot, game, hear, vision, onField, world_.ball(), noise), true};
        if (options_.verbose) log("client " + std::to_string(id) + " << " + out.text);
        outbox_.push_back(std::move(out));
        ++robot.perceptions;
        ++stats_.perceptionsOut;
        if (robot.joined) robot.identityPending = false;
    }
}

std::vector<Outgoing> Simulation::takeOutbox() {
    std::vector<Outgoing> out;
    out.swap(outbox_);
    return out;
}

std::vector<int> Simulation::takeDrops() {
    std::vector<int> out;
    out.swap(drops_);
    return out;
}

std::string Simulation::summary() const {
    std::string s = "summary: " + std::to_string(stats_.cycles) + " cycles (" +
                    TextFormat::fixed(static_cast<double>(stats_.cycles) * kCycle, 2) + " s), ";
    s += std::to_string(stats_.connections) + " connections, " + std::to_string(stats_.robotsJoined) +
         " robots joined (at most " + std::to_string(stats_.maxRobots) + " at once), ";
    s += "score " + (teamNames_[0].empty() ? std::string("left") : teamNames_[0]) + " " +
         std::to_string(rules_.score(TeamSide::Left)) + ":" + std::to_string(rules_.score(TeamSide::Right)) + " " +
         (teamNames_[1].empty() ? std::string("right") : teamNames_[1]) + ", ";
    s += "play mode " + std::string(playModeName(rules_.playMode())) + ", ";
    s += std::to_string(stats_.perceptionsOut) + " perceptions sent, ";
    s += std::to_string(stats_.messagesIn) + " messages received, " + std::to_string(stats_.malformed) +
         " malformed, " + std::to_string(stats_.unknown) + " unknown commands, " + std::to_string(stats_.refused) +
         " refused, " + std::to_string(stats_.saysDropped) + " says dropped, ";
    s += std::to_string(stats_.bytesIn) + " bytes in, " + std::to_string(stats_.bytesOut) + " bytes out";
    return s;
}
