#include "utils/WorldModelUpdater.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>

#include "geometry/Geometry.h"
#include "objects/Ball.h"
#include "objects/Boned.h"
#include "objects/Flag.h"
#include "objects/Gyro.h"
#include "objects/Player.h"
#include "types.h"
#include "utils/Parser.h"
#include "worldModel/GameConf.h"
#include "worldModel/WorldModel.h"

// The updater's own bounds must not exceed the tables it writes into.
static_assert(WorldModelUpdater::kHingeJointSlots <= WorldModel::kHingeJointCount,
              "hinge joints beyond the world model's table");
static_assert(WorldModelUpdater::kTeamNameSize == WorldModel::kTeamNameSize,
              "team names are compared whole");

namespace {

// Landmark names by slot, as the server sends them.
const char* const kFlagNames[8] = {"G1L", "G2L", "G2R", "G1R", "F1L", "F2L", "F1R", "F2R"};

struct BonedName {
    const char* name;
    BONEDID id;
};
const BonedName kBonedNames[] = {
    {"head", head}, {"rlowerarm", rLowerArm}, {"llowerarm", lLowerArm},
    {"rfoot", rFoot}, {"lfoot", lFoot}};

int flagSlotOf(const char* name) {
    for (int i = 0; i < 8; ++i) {
        if (std::strcmp(kFlagNames[i], name) == 0) return i;
    }
    return -1;
}

bool bonedIdOf(const char* name, BONEDID& id) {
    for (const BonedName& b : kBonedNames) {
        if (std::strcmp(b.name, name) == 0) {
            id = b.id;
            return true;
        }
    }
    return false;
}

// The character i places ahead, or 0 when the text ends before it; reading
// further would leave the message.
char charAt(const char* p, int i) {
    for (int k = 0; k < i; ++k) {
        if (p[k] == '\0') return '\0';
    }
    return p[i];
}

// The bracket that closes the expression whose name starts at `inside`
// (the "(" itself lies just before it), or the end of the text when the
// expression is never closed.
char* closingBracket(char* inside) {
    int depth = 1;
    char* p = inside;
    for (; *p != '\0'; ++p) {
        if (*p == '(') {
            ++depth;
        } else if (*p == ')') {
            if (--depth == 0) return p;
        }
    }
    return p;
}

// A vision triple is distance, horizontal angle, vertical angle; the polar
// point holds them as (Ro, Phi = vertical, Teta = horizontal).
Point readVisionTriple(const char** cursor) {
    const double distance = Parser::parseFirstDouble(cursor);
    const double horizontal = Parser::parseFirstDouble(cursor);
    const double vertical = Parser::parseFirstDouble(cursor);
    return Point(distance, vertical, horizontal);
}

// Reads a team name as the server writes it: everything up to white space
// or ")". Names may start with digits, which a word read would skip.
void readTeamName(const char** cursor, char* name, std::size_t size) {
    Parser::gotoFirstNonSpace(cursor);
    const char* p = *cursor;
    std::size_t length = 0;
    for (; *p != '\0' && *p != ')' && *p != ' ' && *p != '\t' && *p != '\n' && *p != '\r'; ++p) {
        if (length + 1 < size) name[length++] = *p;
    }
    name[length] = '\0';
    *cursor = p;
}

constexpr double kRadToDeg = 57.29577951308232;
// The ball's centre above the ground when it lies there.
constexpr double kBallRadius = 0.042;
// The goal posts' tops, where the server places their landmarks.
constexpr double kGoalPostHeight = 0.8;

}  // namespace

WorldModelUpdater::WorldModelUpdater()
    : WM(WorldModel::getUniqueInstance()),
      GC(GameConf::getUniqueInstance()),
      message(nullptr),
      uJointCounter(0),
      hJointCounter(0),
      touchCounter(0),
      strTemp{},
      tempSay{},
      sayMessage{},
      strTempSay(sayMessage),
      pTemp(0, 0, 0),
      myGlobalCartesianPos(0, 0, 0),
      time(0.0),
      sightings{},
      sightingCount(0),
      visionInMessage(false),
      ballSeenNow(false),
      gyroInMessage(false),
      localised(false) {}

void WorldModelUpdater::setMessage(char** msg) { message = msg; }

Point WorldModelUpdater::getMyGlobalCartesianPos() const { return myGlobalCartesianPos; }

void WorldModelUpdater::reset() {
    WM->resetForUpdate();
    uJointCounter = 0;
    hJointCounter = 0;
    touchCounter = 0;
    sightingCount = 0;
    visionInMessage = false;
    ballSeenNow = false;
    gyroInMessage = false;
    localised = false;
}

void WorldModelUpdater::skipChars(int n) {
    for (int i = 0; i < n && **message != '\0'; ++i) ++*message;
}

bool WorldModelUpdater::goToNextNode() {
    if (Parser::gotoFirstOccurenceOf('(', message) < 0) return false;
    ++*message;
    return true;
}

void WorldModelUpdater::parseMessage() {
    if (message == nullptr || *message == nullptr) return;
    reset();
    skipChars(1);

    bool more = true;
    while (more) {
        const char* c = *message;
        if (c[0] == 't') {
            parseTime();
        } else if (c[0] == 'G' && c[1] == 'S') {
            parseGS();
        } else if (c[0] == 'h') {
            parseSay();
        } else if (c[0] == 'G' && c[1] == 'Y') {
            parseGyro();
        } else if (c[0] == 'A' && c[1] == 'C') {
            parseAcc();
        } else if (c[0] == 'S') {
            WM->resetOppAndTmtVec();
            parseSee();
        } else if (c[0] == 'U') {
            const UniversalJoint joint = parseUJoint();
            // A robot with more joints than the table holds must not run
            // the counter past it; the extra ones are dropped.
            if (uJointCounter < WorldModel::kUniversalJointCount) {
                WM->setAnUniversalJoint(joint, uJointCounter);
                ++uJointCounter;
            }
        } else if (c[0] == 'H') {
            const HingeJoint joint = parseHJoint();
            // Newer robot models add toe joints behind the 22 we know; they
            // have no slot and are ignored.
            if (hJointCounter < kHingeJointSlots) {
                WM->setAHingeJoint(joint, hJointCounter);
                ++hJointCounter;
            }
        } else if (c[0] == 'F' && c[1] == 'R') {
            parseFRP();
        } else {
            skipChars(1);
        }
        more = goToNextNode();
    }

    WM->setMyCartPos(calcMyGlobalCartesianPos());
    calcMyDirection();
    calcGlobalPosOfBall();
    WM->setDeltaTime();
    WM->setDeltaOfAgent();
    WM->setVelOfBall();
    WM->setVelOfAgent();
    WM->setAccerationOfBall();
    WM->setMyInTmt();
    if (WM->oppVecIsEmpty()) WM->addIllegalOppPlayer();
}

void WorldModelUpdater::parseTime() {
    WM->setTime(static_cast<float>(Parser::parseFirstDouble(message)));
}

void WorldModelUpdater::parseGS() {
    // Only the parts of the game-state expression itself count: a game
    // state without a play mode must not take "team" or "pol" parts of
    // later expressions for its own.
    char* const end = closingBracket(*message);
    bool playModeFollows = false;
    for (;;) {
        const char* c = *message;
        if (c[0] == 'u') {
            skipChars(5);
            WM->setMyNum(Parser::parseFirstInt(message));
        } else if (c[0] == 't' && c[1] == 'e') {
            skipChars(5);
            parseSide();
        } else if (c[0] == 't') {
            parseGameStateTime();
        } else if (c[0] == 'p') {
            playModeFollows = true;
            break;
        }
        if (*message >= end) break;
        char* next = *message;
        if (Parser::gotoFirstOccurenceOf('(', &next) < 0 || next >= end) break;
        *message = next + 1;
    }
    if (playModeFollows) parsePlayMode();
    // Parts behind the play mode (some servers add more) belong to the game
    // state too; a "(ti ...)" there must not be read as the server time.
    if (*message < end) *message = end;
}

void WorldModelUpdater::parseGameStateTime() {
    WM->setGSTime(static_cast<float>(Parser::parseFirstDouble(message)));
}

void WorldModelUpdater::parseSide() {
    if (**message == 'l') {
        WM->setOurSide(SIDE_LEFT);
        skipChars(4);
    } else {
        WM->setOurSide(SIDE_RIGHT);
        skipChars(5);
    }
}

void WorldModelUpdater::parsePlayMode() {
    Parser::parseFirstWord(message, strTemp, kWordSize);  // "pm"
    Parser::parseFirstWord(message, strTemp, kWordSize);
    WM->setPlayMode(GameConf::getPlayModeByText(strTemp));
}

void WorldModelUpdater::parseSay() {
    Parser::parseFirstWord(message, strTemp, kWordSize);  // "hear"
    time = Parser::parseFirstDouble(message);
    skipChars(1);
    // What we said ourselves comes back marked "self".
    if (**message == 's') return;

    Parser::parseFirstWord(message, sayMessage, kSayAreaSize);
    // Team messages look like "V_U_D_<sender time>_<text>"; anything else
    // is someone else's chatter.
    if (std::strncmp(sayMessage, "V_U_D_", 6) != 0) return;
    strTempSay = sayMessage + 5;
    time = Parser::parseFirstDouble(&strTempSay);
    if (WM->getTime() - time > kSayMaxAge) return;
    if (*strTempSay != '\0') ++strTempSay;
    Parser::parseFirstWord(&strTempSay, tempSay, kSayWordSize);
    WM->setMessageSay(tempSay);
}

Point WorldModelUpdater::parsePol() {
    const double x = Parser::parseFirstDouble(message);
    const double y = Parser::parseFirstDouble(message);
    const double z = Parser::parseFirstDouble(message);
    pTemp = Point(x, y, z);
    return pTemp;
}

void WorldModelUpdater::parseGyro() {
    Gyro gyro;
    goToNextNode();
    Parser::parseFirstWord(message, strTemp, kWordSize);  // "n"
    Parser::parseFirstWord(message, strTemp, kWordSize);
    gyro.setName(strTemp);
    gyro.setRate(parsePol());
    WM->setGyro(gyro);
    gyroInMessage = true;
}

// (ACC (n torso) (a x y z)): read like the gyro; a reading the server could
// not give (NaN) is not stored.
void WorldModelUpdater::parseAcc() {
    goToNextNode();
    Parser::parseFirstWord(message, strTemp, kWordSize);  // "n"
    Parser::parseFirstWord(message, strTemp, kWordSize);  // sensor name
    const Point a = parsePol();
    const double v[3] = {a.getX(), a.getY(), a.getZ()};
    for (double x : v) {
        if (!std::isfinite(x) || x == Parser::kNaNValue) return;
    }
    WM->setAcc(a);
}

HingeJoint WorldModelUpdater::parseHJoint() {
    HingeJoint joint;
    Parser::parseFirstWord(message, strTemp, kWordSize);  // "HJ"
    Parser::parseFirstWord(message, strTemp, kWordSize);  // "n"
    Parser::parseFirstWord(message, strTemp, kWordSize);
    joint.setName(strTemp);
    joint.setAxis(static_cast<float>(Parser::parseFirstDouble(message)));
    return joint;
}

UniversalJoint WorldModelUpdater::parseUJoint() {
    UniversalJoint joint;
    Parser::parseFirstWord(message, strTemp, kWordSize);  // "UJ"
    Parser::parseFirstWord(message, strTemp, kWordSize);  // "n"
    Parser::parseFirstWord(message, strTemp, kWordSize);
    joint.setName(strTemp);
    Parser::parseFirstWord(message, strTemp, kWordSize);  // "ax1"
    joint.setAxis(static_cast<float>(Parser::parseFirstDouble(message)));
    Parser::parseFirstWord(message, strTemp, kWordSize);  // "ax2"
    joint.setExtraAxis(static_cast<float>(Parser::parseFirstDouble(message)));
    return joint;
}

void WorldModelUpdater::parseFRP() {
    Point center(0, 0, 0);
    Point force(0, 0, 0);

    goToNextNode();  // "n lf)" or "n rf)"
    const bool left = charAt(*message, 2) == 'l';

    goToNextNode();
    if (**message == 'c') {
        skipChars(2);
        center = parsePol();
    } else {
        force = parsePol();
    }

    goToNextNode();
    const bool isForce = **message == 'f';
    skipChars(1);
    if (isForce) {
        force = parsePol();
    } else {
        center = parsePol();
    }

    if (left) {
        WM->setFRPCenterL(center);
        WM->setFRPForceL(force);
    } else {
        WM->setFRPCenterR(center);
        WM->setFRPForceR(force);
    }
}

void WorldModelUpdater::parseSee() {
    // The vision expression is read on its own: it is cut off in place
    // behind its closing bracket, so that nothing read inside it runs on
    // into the expressions that follow, and the text is restored afterwards.
    // This needs no copy and therefore no allocation per message.
    char* const close = closingBracket(*message);
    char* const behind = (*close == ')') ? close + 1 : close;
    const char saved = *behind;
    *behind = '\0';
    visionInMessage = true;
    sightingCount = 0;
    parseVisionText(*message);
    *behind = saved;
    *message = behind;
}

void WorldModelUpdater::addPlayer(const Player& player) {
    if (player.getSide() == SIDE_OUR) {
        WM->addTmt(player);
    } else {
        WM->addOpp(player);
    }
}

void WorldModelUpdater::parseVisionText(const char* text) {
    const char* cursor = text;
    const char** c = &cursor;
    const double now = WM->getTime();
    const double pan = WM->getDOF(DOF_HEAD_PAN);
    const double tilt = WM->getDOF(DOF_HEAD_TILT);
    std::string ourTeam;
    bool ourTeamKnown = false;

    bool pending = false;
    for (;;) {
        if (!pending) Parser::parseFirstWord(c, strTemp, kWordSize);
        pending = false;
        if (strTemp[0] == '\0') return;

        if (strTemp[0] == 'F' || strTemp[0] == 'G') {
            strTemp[std::min<std::size_t>(std::strlen(strTemp), 3)] = '\0';
            Flag flag;
            flag.setName(strTemp);
            flag.setLastStepSeenHeadPanDegree(pan);
            flag.setLastStepSeenHeadTiltDegree(tilt);
            const Point polar = readVisionTriple(c);
            flag.setPolarPos(polar);
            flag.setCartesianPos(Geometry::convertPolToCart(polar));
            const int slot = flagSlotOf(strTemp);
            if (slot >= 0) {
                flag.setLastTimeSeenFlag(now, slot);
                WM->setAFlag(flag, slot);
                if (sightingCount < SelfLocaliser::kMaxSightings) {
                    sightings[sightingCount++] = {slot,           polar.getRo(), polar.getTeta(),
                                                  polar.getPhi(), pan,           tilt};
                }
            }
        } else if (strTemp[0] == 'B') {
            Ball ball;
            const Point polar = readVisionTriple(c);
            ball.setPolarPos(polar);
            ball.setCartesianPos(Geometry::convertPolToCart(polar));
            ball.setLastTimeSeenBall(now);
            ball.setLastStepSeenHeadPanDegree(pan);
            ball.setLastStepSeenHeadTiltDegree(tilt);
            WM->setBall(ball);
            ballSeenNow = true;
        } else if (strTemp[0] == 'P') {
            Player player;
            for (;;) {
                Parser::parseFirstWord(c, strTemp, kWordSize);
                const char first = strTemp[0];
                if (first == '\0') {
                    // The vision ended inside the entry: what was read of
                    // the player still counts.
                    addPlayer(player);
                    return;
                }
                if (first == 't' && strTemp[1] == 'e') {
                    char team[kTeamNameSize];
                    readTeamName(c, team, sizeof team);
                    Parser::parseFirstWord(c, strTemp, kWordSize);  // "id"
                    player.setNum(Parser::parseFirstInt(c));
                    if (!ourTeamKnown) {
                        ourTeam = WM->getTeamName();
                        ourTeamKnown = true;
                    }
                    player.setSide(ourTeam == team ? SIDE_OUR : SIDE_OPP);
                } else if (first == 'r' || first == 'l' || first == 'h') {
                    const Point polar = readVisionTriple(c);
                    BONEDID id = head;
                    // Parts we have no slot for still tell us the player was
                    // seen; only the known five are kept.
                    if (bonedIdOf(strTemp, id)) {
                        Boned part;
                        part.setName(strTemp);
                        part.setID(id);
                        part.setLastTimeSeenBoned(now);
                        part.setPolarPos(polar);
                        part.setCartPos(Geometry::convertPolToCart(polar));
                        player.setBoned(part, id);
                    }
                    player.setLastTimeSeenPlayer(now);
                    player.setLastStepSeenHeadPanDegree(pan);
                    player.setLastStepSeenHeadTiltDegree(tilt);
                } else if (first == 'P') {
                    addPlayer(player);
                    player = Player();
                } else if (first == 'F' || first == 'G' || first == 'B') {
                    addPlayer(player);
                    pending = true;
                    break;
                }
            }
        }
    }
}

void WorldModelUpdater::setLandmarks(SelfLocaliser& localiser) const {
    const double l = GC->getFieldLength() / 2.0;
    const double w = GC->getFieldWidth() / 2.0;
    const double g = GC->getGoalWidth() / 2.0;
    // The server's names: the "1" post of either goal stands at +y, like
    // the "1" corner flags.
    const Point table[SelfLocaliser::kLandmarkCount] = {Point(-l, g, kGoalPostHeight),
                                                        Point(-l, -g, kGoalPostHeight),
                                                        Point(l, -g, kGoalPostHeight),
                                                        Point(l, g, kGoalPostHeight),
                                                        Point(-l, w, 0),
                                                        Point(-l, -w, 0),
                                                        Point(l, w, 0),
                                                        Point(l, -w, 0)};
    for (int i = 0; i < SelfLocaliser::kLandmarkCount; ++i) localiser.setLandmark(i, table[i]);
}

Point WorldModelUpdater::calcMyGlobalCartesianPos() {
    SelfLocaliser& localiser = WM->getLocaliser();
    if (!localised) {
        localised = true;
        localiser.setRightSide(WM->getOurSide() == SIDE_RIGHT);
        const Point acc = WM->getAcc();
        if (gyroInMessage) {
            localiser.carry(WM->getTime(), WM->getGyro().getRate(), WM->hasAcc() ? &acc : nullptr);
        }
        // Before the field's sizes are known every landmark stands at the
        // centre spot, and a fix from them would be nonsense.
        if (visionInMessage && GC->getFieldLength() > 0.0f) {
            setLandmarks(localiser);
            localiser.see(WM->getTime(), sightings, sightingCount);
        }
    }
    myGlobalCartesianPos = localiser.position();
    return myGlobalCartesianPos;
}

void WorldModelUpdater::inverseMatrix(double (&m)[3][3]) {
    const double det = m[0][0] * m[1][1] * m[2][2] + m[0][1] * m[1][2] * m[2][0] +
                       m[0][2] * m[1][0] * m[2][1] - m[0][2] * m[1][1] * m[2][0] -
                       m[0][0] * m[1][2] * m[2][1] - m[0][1] * m[1][0] * m[2][2];
    if (det == 0.0) return;
    double inv[3][3];
    inv[0][0] = (m[1][1] * m[2][2] - m[1][2] * m[2][1]) / det;
    inv[0][1] = (m[0][2] * m[2][1] - m[0][1] * m[2][2]) / det;
    inv[0][2] = (m[0][1] * m[1][2] - m[0][2] * m[1][1]) / det;
    inv[1][0] = (m[1][2] * m[2][0] - m[1][0] * m[2][2]) / det;
    inv[1][1] = (m[0][0] * m[2][2] - m[0][2] * m[2][0]) / det;
    inv[1][2] = (m[0][2] * m[1][0] - m[0][0] * m[1][2]) / det;
    inv[2][0] = (m[1][0] * m[2][1] - m[1][1] * m[2][0]) / det;
    inv[2][1] = (m[0][1] * m[2][0] - m[0][0] * m[2][1]) / det;
    inv[2][2] = (m[0][0] * m[1][1] - m[0][1] * m[1][0]) / det;
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) m[i][j] = inv[i][j];
    }
}

void WorldModelUpdater::calcMyDirection() {
    const SelfLocaliser& localiser = WM->getLocaliser();
    WM->setDir(Point(localiser.roll(), localiser.pitch(), localiser.yaw()));
}

Point WorldModelUpdater::calcLocalPosWithOutDir(Point locPos) {
    const double x = locPos.getX(), y = locPos.getY(), z = locPos.getZ();
    const double ro = std::sqrt(x * x + y * y + z * z);
    const double horizontal = std::atan2(y, x) * kRadToDeg;
    const double vertical = ro > 0.0 ? std::asin(std::clamp(z / ro, -1.0, 1.0)) * kRadToDeg : 0.0;
    // No ground to snap to: a point anywhere in space.
    return WM->getLocaliser().fieldPointOf(ro, horizontal, vertical, std::nan(""));
}

void WorldModelUpdater::calcGlobalPosOfBall() {
    // Only a sighting of this message counts, and only once the robot knows
    // where it stands: an old sighting was taken from somewhere else, and
    // until the first fix the ball stays where it was last placed (at first
    // the centre spot).
    if (!ballSeenNow || !WM->getLocaliser().known()) return;
    const Ball ball = WM->getBall();
    const Point polar = ball.getPolarPos();
    if (!(polar.getRo() > 0.0)) return;
    const Point p = WM->getLocaliser().fieldPointOf(
        polar.getRo(), polar.getTeta() + ball.getLastStepSeenHeadPanDegree(),
        polar.getPhi() + ball.getLastStepSeenHeadTiltDegree(), kBallRadius);
    if (std::isfinite(p.getX()) && std::isfinite(p.getY()) && std::isfinite(p.getZ())) {
        WM->setGlobalPosOfBall(p);
    }
}
