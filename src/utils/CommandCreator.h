// Composes the effector command text the agent sends once per cycle. Skills
// append joint speeds during the cycle; the runtime clears the text at the
// start of a cycle (reset) and sends getPreparedCommand() at its end. The
// init, beam, say and stop-all commands replace the text instead.
//
// The text never exceeds its 2048-byte area: an expression that would not
// fit is dropped whole, so what is sent is always well formed. A speed that
// is not a finite number is sent as 0, so "nan" or "inf" never reaches the
// server.
#pragma once

#include <cstddef>
#include <string>

#include "geometry/Point.h"

class WorldModel;

class CommandCreator {
public:
    static constexpr std::size_t kCommandSize = 2048;
    // Room for any float printed with "%f" (at most 47 characters).
    static constexpr std::size_t kNumberSize = 64;
    // Room for "V_U_D_", a time stamp and a message word; longer say texts are cut.
    static constexpr std::size_t kSaySize = 128;

    static CommandCreator* getUniqueInstance();

    // --- cycle protocol ---
    void reset();
    char* getPreparedCommand();
    // Appends a ready-made text; a text that does not fit is not appended.
    void pushCmd(const char* text);
    // Replaces the text by zero speeds for all 22 joints.
    void stopAllJoints();

    // --- commands that replace the text ---
    // "(init (unum %d)(teamname %s))"; an overlong team name is cut to fit.
    void init(int i, const char* ch);
    // "(beam %f %f %f)". A beam with a coordinate that is not finite is not
    // composed: the text is left as it was.
    void beam(float x, float y, float z);
    void beam(Point point);
    // "(say V_U_D_<time>_<text>)", the inner text cut to kSaySize - 1 characters.
    void say(const char* ch);

    // --- one joint each ---
    void moveHeadAx1(float value);       // he1
    void moveHeadAx2(float value);       // he2
    void moveRShoulderAx1(float value);  // rae1
    void moveRShoulderAx2(float value);  // rae2
    void rotateRShoulder(float value);   // rae3
    void moveRElbow(float value);        // rae4
    void moveLShoulderAx1(float value);  // lae1
    void moveLShoulderAx2(float value);  // lae2
    void rotateLShoulder(float value);   // lae3
    void moveLElbow(float value);        // lae4
    void rotateRLeg(float value);        // rle1
    void moveRLegAx1(float value);       // rle3
    void moveRLegAx2(float value);       // rle2
    void moveRKnee(float value);         // rle4
    void moveRAnkleAx1(float value);     // rle5
    void moveRAnkleAx2(float value);     // rle6
    void rotateLLeg(float value);        // lle1
    void moveLLegAx1(float value);       // lle3
    void moveLLegAx2(float value);       // lle2
    void moveLKnee(float value);         // lle4
    void moveLAnkleAx1(float value);     // lle5
    void moveLAnkleAx2(float value);     // lle6
    void moveRLegAx2_1(float value);     // rle3
    void moveRLegAx1_2(float value);     // rle2
    void moveLLegAx2_1(float value);     // lle3
    void moveLLegAx1_2(float value);     // lle2

    // --- pairs and aliases ---
    void moveRightLeg(float a, float b);       // rle3 = a, rle2 = b
    void moveLeftLeg(float a, float b);        // lle3 = a, lle2 = b
    void moveRightAnkle(float a, float b);     // rle5 = a, rle6 = b
    void moveLeftAnkle(float a, float b);      // lle5 = a, lle6 = b
    void moveRightShoulder(float a, float b);  // rae1 = a, rae2 = b
    void moveLeftShoulder(float a, float b);   // lae1 = a, lae2 = b
    void moveRightKnee(float a);               // rle4
    void moveLeftKnee(float a);                // lle4
    void rotateRightLeg(float a);              // rle1
    void rotateLeftLeg(float a);               // lle1
    void moveRightElbow(float a);              // rae4
    void moveLeftElbow(float a);               // lae4
    void rotateRightHand(float a);             // rae3
    void rotateLeftHand(float a);              // lae3

    // --- indexed access ---
    // Moves the joint whose angle the world model keeps in slot `index`
    // (0..21). Slot i is the i-th joint the server reports, so the hips map
    // 11 -> rle2, 12 -> rle3, 17 -> lle2, 18 -> lle3, the same pairing the
    // controllers and the motion skills use. Other indices add nothing.
    void moveHingJoint(int index, float angle);
    // 0 left shoulder, 1 right shoulder, 2 left leg, 3 right leg, 4 left
    // ankle, 5 right ankle; other indices add nothing and are reported.
    void moveUniversalJoint(int index, float angleX, float angleY);

    // --- controllers ---
    // Drives the leg joints towards the target angles (degrees) and returns
    // the groups still more than 2 degrees away, e.g. "lknee,rfoot,".
    std::string SetLegsAngle(double lleg, double rleg, double lknee, double rknee, double lfoot,
                             double rfoot, double leleg, double releg, double lefoot,
                             double refoot);
    // Drives the arm joints towards the target angles; true when all were
    // within 0.5 degrees.
    bool SetArmsAngle(double lshoulderx, double rshoulderx, double lshouldery, double rshouldery,
                      double lelbowx, double relbowx);

private:
    CommandCreator();
    CommandCreator(const CommandCreator&) = delete;
    CommandCreator& operator=(const CommandCreator&) = delete;

    // Appends "(<effector> <value>)" or nothing when it would not fit.
    void appendJoint(const char* effector, float value);
    // Appends the pieces together or none of them.
    bool appendAll(const char* const* pieces, std::size_t count);
    void reportFull();

    char commandString[kCommandSize];
    char command[kNumberSize];
    char sayText[kSaySize];
    std::size_t commandLength = 0;
    bool fullReported = false;
    WorldModel* WM;
};
