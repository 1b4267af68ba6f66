// Everything the agent knows about the current cycle: server time and play
// mode, the last sighting of every landmark, the ball and the other players,
// the joint and body sensors, its own field position and orientation, the
// kinematics derived from them, and the home positions. The perception
// update writes it once per server message; behaviour reads it in the same
// thread.
#pragma once

#include <array>
#include <fstream>
#include <string>
#include <vector>

#include "geometry/Point.h"
#include "objects/Ball.h"
#include "objects/Flag.h"
#include "objects/Gyro.h"
#include "objects/HingeJoint.h"
#include "objects/Player.h"
#include "objects/Touch.h"
#include "objects/UniversalJoint.h"
#include "types.h"
#include "worldModel/SelfLocaliser.h"

class WorldModel {
public:
    static constexpr int kFlagCount = 8;
    static constexpr int kHingeJointCount = DOF_COUNT;
    // The Nao reports no universal joints; older robot models reported a
    // handful, which fit here comfortably.
    static constexpr int kUniversalJointCount = 11;
    static constexpr int kTouchCount = 2;
    static constexpr int kHomePosCount = 3;
    // Team names fit a 64-character area (63 characters and the terminator).
    static constexpr int kTeamNameSize = 64;
    static constexpr int kSayBufferSize = 1024;
    // What getBodyDirectionFromOpp reports when no opponent is known: far
    // away, straight ahead, so nobody reacts to it.
    static constexpr double kNoOpponentDistance = 1000.0;

    static WorldModel* getUniqueInstance();

    WorldModel(const WorldModel&) = delete;
    WorldModel& operator=(const WorldModel&) = delete;

    // ---- Plain state -------------------------------------------------------
    void setTime(float t);
    float getTime() const;
    void setGSTime(float t);
    float getGSTime() const;
    void setPlayMode(PlayMode mode);
    PlayMode getPlayMode() const;
    void setMyNum(int num);
    int getMyNum() const;
    void setOurSide(Side side);
    Side getOurSide() const;
    // Longer names are cut to 63 characters.
    void setTeamName(const std::string& name);
    std::string getTeamName() const;
    void setMyCartPos(Point pos);
    Point getMyCartPos() const;
    // x = roll (180 upright), y = pitch, z = yaw, degrees. The yaw grows
    // clockwise and is 0 facing the opponent goal.
    void setDir(Point d);
    Point getDir() const;

    // The self-localisation's lasting state (the perception update feeds
    // it every message).
    SelfLocaliser& getLocaliser();
    const SelfLocaliser& getLocaliser() const;
    // Our own beam to (x, y) facing `rot` (degrees counter-clockwise, 0
    // toward the opponent goal; our team's frame), as the command goes out:
    // the server puts the robot exactly there (x kept in our half) when the
    // play mode lets it beam, so that is where it stands until vision says
    // otherwise. In other play modes the server ignores a beam, and so
    // does this.
    void noteOwnBeam(double x, double y, double rot);
    void setMyPhi(double phi);
    double getMyPhi() const;
    void setMyTeta(double teta);
    double getMyTeta() const;

    void setBall(Ball b);
    Ball getBall() const;
    void setGyro(Gyro g);
    Gyro getGyro() const;
    // The torso's accelerometer (m/s^2, torso frame) as the current message
    // reported it; hasAcc() is false for a message without one, so an agent
    // whose server sends none behaves as if the sensor did not exist.
    void setAcc(Point a);
    Point getAcc() const;
    bool hasAcc() const;

    // Slot arguments come from message data: a write outside the table is
    // ignored and a read outside it gives a blank record.
    void setAFlag(Flag f, int index);
    Flag getAFlagByIndex(int index) const;
    // First flag with that name; flag 0 when none has it.
    Flag getAFlagByName(const char* name) const;
    void setAHingeJoint(HingeJoint joint, int index);
    HingeJoint getAHingeJoint(int index) const;
    void setAnUniversalJoint(UniversalJoint joint, int index);
    UniversalJoint getAnUniversalJoint(int index) const;
    void setATouch(Touch t, int index);
    Touch getATouchByIndex(int index) const;
    // First touch record with that name; record 0 when none has it.
    Touch getATouchByName(const char* name) const;

    void setFRPCenterL(Point p);
    Point getFRPCenterL() const;
    void setFRPForceL(Point p);
    Point getFRPForceL() const;
    void setFRPCenterR(Point p);
    Point getFRPCenterR() const;
    void setFRPForceR(Point p);
    Point getFRPForceR() const;

    // Sensed joint angle in degrees. The shoulder X joints are reported 90
    // degrees off the posture convention, so they are shifted back here.
    // Any id outside 0..21 reads as 0.
    double getDOF(DOFID id) const;
    double getDOF(int id) const;

    // ---- Ball, agent and derived kinematics --------------------------------
    void setGlobalPosOfBall(Point pos);
    Point getGlobalPosOfBall() const;
    Point getLastGlobalPosOfBall() const;
    Point getLastGlobalPosOfAgent() const;
    // Body-relative polar: Ro horizontal distance, Phi 0, Teta direction.
    Point getLastPosOfBall() const;
    double getLastTime() const;
    double getDeltaTime() const;
    Point getVelOfBall() const;
    Point getLastVelOfBall() const;
    Point getVelOfAgent() const;
    Point getDeltaOfAgent() const;
    Point getAccerationOfBall() const;

    // 0 selects the first opponent slot, anything else the second.
    void setGlobalPosOfOpp(Point pos, int which);
    Point getGlobalPosOfOpp(int which) const;
    void setGlobalPosOfTmt(Point pos);
    Point getGlobalPosOfTmt() const;

    // The text is copied (cut to 1023 characters): the caller's buffer may
    // be gone by the time anyone reads it.
    void setMessageSay(const char* msg);
    const char* getMessageSay() const;

    // Slot unum - 1 for numbers 1..3. A number outside 1..3 (the default
    // uniform number is 0) is treated as number 3, the last field player,
    // so a beam always has a place in our half; setHomePos ignores it.
    void setHomePos(Point pos, int unum);
    Point getHomePos(int unum) const;

    // ---- Play mode and sides -----------------------------------------------
    bool isPlayOn() const;
    bool isGameOver() const;
    bool isBeforeKickOff() const;
    bool isKickOffUs() const;
    bool isKickOffThem() const;
    bool isKickInUs() const;
    bool isKickInThem() const;
    bool isCornerUs() const;
    bool isCornerThem() const;
    bool isGoalKickUS() const;
    bool isGoalKickThem() const;
    bool isGoalUs() const;
    bool isGoalThem() const;

    Side getOppSide() const;
    static int getGoalieId();

    // Landmarks named from our side of the field.
    Flag getOppGoalFlag1() const;
    Flag getOppGoalFlag2() const;
    Flag getOurGoalFlag1() const;
    Flag getOurGoalFlag2() const;
    Flag getOppSideFlag1() const;
    Flag getOppSideFlag2() const;
    Flag getOurSideFlag1() const;
    Flag getOurSideFlag2() const;
    int getIndexOfOppGoalFlag1() const;
    int getIndexOfOppGoalFlag2() const;
    int getIndexOfOurGoalFlag1() const;
    int getIndexOfOurGoalFlag2() const;
    int getIndexOfOppSideFlag1() const;
    int getIndexOfOppSideFlag2() const;
    int getIndexOfOurSideFlag1() const;
    int getIndexOfOurSideFlag2() const;
    double getOppGoalFlag1LastTimeSeen() const;
    double getOppGoalFlag2LastTimeSeen() const;
    double getOurGoalFlag1LastTimeSeen() const;
    double getOurGoalFlag2LastTimeSeen() const;
    double getOppSideFlag1LastTimeSeen() const;
    double getOppSideFlag2LastTimeSeen() const;
    double getOurSideFlag1LastTimeSeen() const;
    double getOurSideFlag2LastTimeSeen() const;

    // ---- Players seen this cycle -------------------------------------------
    void addTmt(Player p);
    void addOpp(Player p);
    std::vector<Player> getTmt() const;
    std::vector<Player> getOpp() const;
    int getNumOfTmt() const;
    int getNumOfOpp() const;
    int getNumOfAllPlayer() const;
    bool tmtVecIsEmpty() const;
    bool oppVecIsEmpty() const;
    void resetOppAndTmtVec();
    // The agent itself joins the team-mate list.
    void setMyInTmt();
    // Placeholders (number 0, far off the field) for lists that would
    // otherwise be empty.
    void addIllegalTmtPlayer();
    void addIllegalOppPlayer();
    // First list index with that number, -1 when none.
    int getIndexTmt(int unum) const;
    int getIndexOpp(int unum) const;
    // Number of the nearest opponent seen within the last 0.07 s, -1 when
    // none.
    int nearestopp() const;

    // ---- Body-relative queries: {horizontal distance, direction} -----------
    std::array<double, 2> getBodyDirectionFromFlagByIndex(int index) const;
    std::array<double, 2> getBodyDirectionFromBall() const;
    // An unknown number falls back to the first listed opponent; with no
    // opponent at all the result is {kNoOpponentDistance, 0}.
    std::array<double, 2> getBodyDirectionFromOpp(int unum) const;

    // Body-relative Cartesian {x, y} of the middle of a goal. Once the robot
    // knows where it stands, from its position and yaw (the goals' last
    // sightings may be old and from elsewhere); before that, from those
    // sightings.
    std::array<double, 2> calcMidOfOppGoal() const;
    std::array<double, 2> calcMidOfOurGoal() const;
    // {distance, direction} of the point dist metres behind the ball on the
    // line from the opponent goal's middle through the ball; the ball as
    // the goals above: from its field position once the robot knows where
    // it stands.
    std::array<double, 2> calcPointBehindBall(double dist) const;

    static bool isPointInField(Point p);
    // The point itself when it is in the field, else a point half a metre
    // inside the nearest border (z kept).
    static Point correctPoint(Point p);

    // ---- Diagnostics -------------------------------------------------------
    void printMyCartPos() const;
    void printDir() const;
    void printFRPs() const;
    // Appends one record to "WMLog.txt" (both builds).
    void printJoints();

    // ---- Per-message bookkeeping, in the order the perception update calls
    // it: resetForUpdate() before parsing, the rest after localisation.
    void resetForUpdate();
    void setLastTime();
    void setLastPosOfBall();
    void setLastGlobalPosOfBall();
    void setLastGlobalPosOfAgent();
    void setLastVelOfBall();
    void setDeltaTime();
    void setDeltaOfAgent();
    void setVelOfBall();
    void setVelOfAgent();
    void setAccerationOfBall();

private:
    WorldModel();

    // Body-relative {distance, direction} of anything seen.
    static std::array<double, 2> bodyPairOf(const BasicObject& seen);
    double flagLastTimeSeen(int index) const;
    // A restart is ours when the left-side mode is reported while we play
    // on the left, or the right-side mode while we play on the right.
    bool isModeForUs(PlayMode leftMode, PlayMode rightMode) const;
    bool isModeForThem(PlayMode leftMode, PlayMode rightMode) const;
    std::array<double, 2> calcMidOfGoal(int flag1, int flag2) const;
    // A field point (own team frame) in the body frame {x forward, y left},
    // by the localised position and yaw.
    std::array<double, 2> bodyFrameOf(double x, double y) const;
    // The opponent goal's middle is at (+half length, 0) in our frame.
    double halfFieldLength() const;

    std::ofstream logWorlModel;
    float time;
    float gameStateTime;
    Flag flagsArray[kFlagCount];
    HingeJoint hingeJointsArray[kHingeJointCount];
    UniversalJoint universalJointsArray[kUniversalJointCount];
    Ball ball;
    Gyro gyro;
    Point acc;
    bool accInMessage = false;
    Touch touchsArray[kTouchCount];
    Point FRP[4];
    Point myCartPos;
    Point dir;
    SelfLocaliser localiser;
    Point homePos[kHomePosCount];
    double myPhi;
    double myTeta;
    PlayMode pm;
    int myNum;
    Side ourSide;
    std::string teamName;
    std::vector<Player> tmt;
    // Where setMyInTmt put the agent itself since the lists were last
    // emptied; messages without vision refresh that entry instead of adding
    // another copy, so the list cannot grow without bound.
    int selfIndexInTmt = -1;
    std::vector<Player> opp;
    Point lastPosOfBall;
    Point lastGlobalPosOfBall;
    Point glbPosOfBall;
    Point glbPosOfAgent;
    Point lastVelOfBall;
    Point velOfBall;
    Point velOfAgent;
    Point accOfBall;
    Point deltaOfAgent;
    Point glbPosOpp0;
    Point glbPosOpp1;
    Point glbPosTmt;
    double lastTime;
    double deltaTime;
    char reciveMsg[kSayBufferSize];
};
