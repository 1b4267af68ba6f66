// Applies one perception message of the server to the world model: time,
// game state, joints in order of arrival, gyro, foot forces, heard team
// messages and vision; then self-localisation (own position, orientation,
// the ball's field position: the world model's SelfLocaliser, fed with the
// landmarks this message's vision brought and the gyro's rate) and the
// derived kinematics. One updater serves one message (the start-up uses one
// for two); everything that lasts lives in the world model.
#pragma once

#include <cstddef>

#include "geometry/Point.h"
#include "objects/HingeJoint.h"
#include "objects/Player.h"
#include "objects/UniversalJoint.h"
#include "worldModel/SelfLocaliser.h"

class WorldModel;
class GameConf;

class WorldModelUpdater {
public:
    // Word areas: a word just read, the text of a heard team message, a
    // team name in a vision message, and the working copy of a heard word.
    static constexpr std::size_t kWordSize = 20;
    static constexpr std::size_t kSayWordSize = 15;
    static constexpr std::size_t kTeamNameSize = 64;
    static constexpr std::size_t kSayAreaSize = 1024;
    // The server only reports 22 hinge joints for the robot model we play;
    // newer models add more, which have no slot and are ignored.
    static constexpr int kHingeJointSlots = 22;
    // A team message may be at most this old (seconds) to be taken.
    static constexpr double kSayMaxAge = 0.03;

    WorldModelUpdater();
    ~WorldModelUpdater() = default;
    WorldModelUpdater(const WorldModelUpdater&) = delete;
    WorldModelUpdater& operator=(const WorldModelUpdater&) = delete;

    // Stores the address of the caller's cursor; parsing advances it. The
    // text must be zero-terminated and writable: the vision expression is
    // briefly cut off in place while it is read and restored afterwards.
    void setMessage(char** message);
    // The whole update of one message. A null cursor leaves the world model
    // alone.
    void parseMessage();
    Point getMyGlobalCartesianPos() const;

    // Readers of the top-level expressions; each starts with the cursor on
    // the expression's name.
    void parseTime();
    void parseGS();
    void parseGameStateTime();
    void parseSide();
    void parsePlayMode();
    void parseSay();
    void parseGyro();
    void parseAcc();
    HingeJoint parseHJoint();
    UniversalJoint parseUJoint();
    void parseFRP();
    void parseSee();
    Point parsePol();

    // Moves the cursor behind the next "("; false when the text ends first.
    bool goToNextNode();

    // Hands this message to the localiser (the gyro's rate, and the
    // landmarks when it brought vision) and returns the own position: the
    // torso's (x, y) and the camera's height, own team frame (mirrored for
    // a team on the right).
    Point calcMyGlobalCartesianPos();
    // Roll, pitch and yaw (degrees; yaw grows clockwise, 0 facing the
    // opponent goal) from the localiser, stored with WorldModel::setDir.
    void calcMyDirection();
    // Field position (own team frame) of a point given in the body frame,
    // i.e. as seen with the head centred.
    Point calcLocalPosWithOutDir(Point locPos);
    // The ball's field position, when this message saw it and the robot
    // knows where it stands; otherwise it stays where it was.
    void calcGlobalPosOfBall();
    // In place, by determinant and adjugate; a singular matrix stays as is.
    static void inverseMatrix(double (&matrix)[3][3]);

    // WorldModel::resetForUpdate() and all counters back to zero.
    void reset();

private:
    // Moves the cursor forward by up to n characters, never past the end.
    void skipChars(int n);
    // Adds a finished player entry of the vision to the team-mates or the
    // opponents.
    void addPlayer(const Player& player);
    // Reads the vision expression from `cursor` on (its own text, ended by
    // a zero).
    void parseVisionText(const char* cursor);
    // Where the landmarks stand (GameConf's sizes, named as the server
    // names them), handed to the localiser.
    void setLandmarks(SelfLocaliser& localiser) const;

    WorldModel* WM;
    GameConf* GC;
    char** message;

    int uJointCounter;
    int hJointCounter;
    int touchCounter;

    char strTemp[kWordSize];
    char tempSay[kSayWordSize];
    // Working copy of a heard word and the cursor that walks it.
    char sayMessage[kSayAreaSize];
    const char* strTempSay;

    Point pTemp;
    Point myGlobalCartesianPos;
    double time;

    // The landmarks and the ball seen in this message, for the localiser.
    SelfLocaliser::Sighting sightings[SelfLocaliser::kMaxSightings];
    int sightingCount;
    bool visionInMessage;
    bool ballSeenNow;
    bool gyroInMessage;
    bool localised;
};
