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

using Matrix = double[3][3];

void multiply(const Matrix& a, const Matrix& b, Matrix& out) {
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) {
            out[i][j] = a[i][0] * b[0][j] + a[i][1] * b[1][j] + a[i][2] * b[2][j];
        }
    }
}

void setColumn(Matrix& m, int column, const Point& p) {
    m[0][column] = p.getX();
    m[1][column] = p.getY();
    m[2][column] = p.getZ();
}

// The localisation matrices take seen positions with the axes turned:
// (x, y, z) of the camera frame becomes (-y, x, z).
Point turnedAxes(const Point& seen) { return Point(-seen.getY(), seen.getX(), seen.getZ()); }

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
      time(0.0) {}

void WorldModelUpdater::setMessage(char** msg) { message = msg; }

Point WorldModelUpdater::getMyGlobalCartesianPos() const { return myGlobalCartesianPos; }

void WorldModelUpdater::reset() {
    WM->resetForUpdate();
    uJointCounter = 0;
    hJointCounter = 0;
    touchCounter = 0;
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

Point WorldModelUpdater::seenInBodyFrame(const BasicObject& seen) {
    const double pan = seen.getLastStepSeenHeadPanDegree();
    const double tilt = seen.getLastStepSeenHeadTiltDegree();
    if (pan == 0.0 && tilt == 0.0) return seen.getCartesianPos();
    const Point polar = seen.getPolarPos();
    return Geometry::convertPolToCart(
        Point(polar.getRo(), polar.getPhi() + tilt, polar.getTeta() + pan));
}

Point WorldModelUpdater::calcMyGlobalCartesianPos() {
    // (a, b, c) slots of the four corner-flag triples.
    static const int kTriples[4][3] = {{6, 4, 5}, {5, 7, 6}, {7, 5, 4}, {4, 6, 7}};
    float xs[4];
    float ys[4];
    float zs[4];
    for (int k = 0; k < 4; ++k) {
        const Point A = GC->getFlagPos(kTriples[k][0]);
        const Point B = GC->getFlagPos(kTriples[k][1]);
        const Point C = GC->getFlagPos(kTriples[k][2]);
        const float ax = static_cast<float>(A.getX());
        const float az = static_cast<float>(A.getZ());
        const float bx = static_cast<float>(B.getX());
        const float by = static_cast<float>(B.getY());
        const float cx = static_cast<float>(C.getX());
        const float cy = static_cast<float>(C.getY());
        const float rA = static_cast<float>(WM->getAFlagByIndex(kTriples[k][0]).getPolarPos().getRo());
        const float rB = static_cast<float>(WM->getAFlagByIndex(kTriples[k][1]).getPolarPos().getRo());
        const float rC = static_cast<float>(WM->getAFlagByIndex(kTriples[k][2]).getPolarPos().getRo());

        // Flags that coincide (field sizes not set yet) give no offset
        // rather than a division by zero.
        const float dx = std::fabs(ax - bx);
        const float tx = dx != 0.0f ? (dx * dx + rB * rB - rA * rA) / (2.0f * dx) : 0.0f;
        const float dy = std::fabs(cy - by);
        const float ty = dy != 0.0f ? (dy * dy + rC * rC - rB * rB) / (2.0f * dy) : 0.0f;

        float x = 0.0f;
        float y = 0.0f;
        switch (k) {
            case 0:
                x = tx + bx;
                y = ty + cy;
                break;
            case 1:
                x = -(tx - bx);
                y = -(ty - cy);
                break;
            case 2:
                x = tx + bx;
                y = -(ty - cy);
                break;
            default:
                x = -(tx - bx);
                y = ty + cy;
                break;
        }
        const float w = rC * rC - (x - cx) * (x - cx) - (y - cy) * (y - cy);
        xs[k] = x;
        ys[k] = y;
        zs[k] = w >= 0.0f ? az + std::sqrt(w) : az;
    }

    float mx = (xs[0] + xs[1] + xs[2] + xs[3]) / 4.0f;
    float my = (ys[0] + ys[1] + ys[2] + ys[3]) / 4.0f;
    const float mz = (zs[0] + zs[1] + zs[2] + zs[3]) / 4.0f;
    if (WM->getOurSide() == SIDE_RIGHT) {
        mx = -mx;
        my = -my;
    }
    float z = zs[0];
    if (zs[0] < 0.3f && zs[1] < 0.3f && zs[2] < 0.3f && zs[3] < 0.3f) {
        z = mz;
    } else if (zs[1] > zs[0]) {
        z = zs[1];
    } else if (zs[2] > zs[0]) {
        z = zs[2];
    } else if (zs[3] > zs[0]) {
        z = zs[3];
    }
    myGlobalCartesianPos = Point(mx, my, z);
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
    Point M = WM->getMyCartPos();
    const bool right = WM->getOurSide() == SIDE_RIGHT;
    // The flag positions are those of a team on the left.
    if (right) M = Point(-M.getX(), -M.getY(), M.getZ());

    static const int kSlots[3] = {4, 5, 7};
    double G[3][3];
    double L[3][3];
    for (int j = 0; j < 3; ++j) {
        Point field = GC->getFlagPos(kSlots[j]);
        field.setZ(0.0);
        setColumn(G, j, field - M);
        // Each flag may have been seen with the head turned another way.
        setColumn(L, j, turnedAxes(seenInBodyFrame(WM->getAFlagByIndex(kSlots[j]))));
    }
    inverseMatrix(G);
    double R[3][3];
    multiply(L, G, R);

    double yaw = Geometry::normalizeAngle(
        Geometry::convertRadToDeg(static_cast<float>(std::atan2(R[1][0], R[0][0]))) - 90.0);
    // A meaningless matrix must still give a finite angle.
    double pitch = Geometry::normalizeAngle(Geometry::convertRadToDeg(
        static_cast<float>(std::asin(std::clamp(-R[2][0], -1.0, 1.0)))));
    double roll = Geometry::normalizeAngle(
        Geometry::convertRadToDeg(static_cast<float>(std::atan2(R[2][1], R[2][2]))) - 180.0);
    if (right) {
        roll = Geometry::normalizeAngle(-roll);
        pitch = Geometry::normalizeAngle(-pitch);
        yaw = Geometry::normalizeAngle(yaw + 180.0);
    }
    WM->setDir(Point(roll, pitch, yaw));
}

Point WorldModelUpdater::calcLocalPosWithOutDir(Point locPos) {
    Point M = WM->getMyCartPos();
    const bool right = WM->getOurSide() == SIDE_RIGHT;
    if (right) M = Point(-M.getX(), -M.getY(), M.getZ());

    static const int kSlots[3] = {5, 4, 6};
    double G[3][3];
    double L[3][3];
    for (int j = 0; j < 3; ++j) {
        setColumn(G, j, GC->getFlagPos(kSlots[j]) - M);
        setColumn(L, j, turnedAxes(seenInBodyFrame(WM->getAFlagByIndex(kSlots[j]))));
    }
    inverseMatrix(G);
    double R[3][3];
    multiply(L, G, R);
    inverseMatrix(R);

    // Only the third column of R^-1 * Q, the seen point's, is wanted.
    const Point q = turnedAxes(locPos);
    const Point offset(R[0][0] * q.getX() + R[0][1] * q.getY() + R[0][2] * q.getZ(),
                       R[1][0] * q.getX() + R[1][1] * q.getY() + R[1][2] * q.getZ(),
                       R[2][0] * q.getX() + R[2][1] * q.getY() + R[2][2] * q.getZ());
    Point result = M + offset;
    if (right) result = Point(-result.getX(), -result.getY(), result.getZ());
    return result;
}

void WorldModelUpdater::calcGlobalPosOfBall() {
    // The conversion rests on a sighting of the ball and of the corner flags
    // F1L, F2L and F1R. Without them it comes out as the robot's own position
    // (a robot that never turns its head away from the opponent half never
    // sees F1L and F2L), so until they have all been seen the ball stays
    // where it was last placed: at first the centre spot.
    if (!(WM->getBall().getPolarPos().getRo() > 0.0)) return;
    for (int slot : {4, 5, 6}) {
        if (!(WM->getAFlagByIndex(slot).getPolarPos().getRo() > 0.0)) return;
    }
    WM->setGlobalPosOfBall(calcLocalPosWithOutDir(seenInBodyFrame(WM->getBall())));
}
