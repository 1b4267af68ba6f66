// A defensive head updater: pans toward one side while looking for the
// opponents and remembers which one is nearest. Only the head moves and the
// search are worked out; the remaining queries give fixed answers. No
// behaviour of the agent uses it.
#pragma once

class WorldModel;
class CommandCreator;

class deffUpdater {
public:
    // Duration of one server cycle (seconds): the head moves are sized to
    // reach their end within one cycle.
    static constexpr double kCycleStep = 0.02;

    deffUpdater();

    // Does nothing yet; returns 0.
    int run();
    // No opponent known (the placeholder for "none seen" does not count).
    bool isMyOppVectEmpty();
    // Pans toward the nearer sweep end and records which ends were visited.
    // With both visited and still no opponent it gives up (OppNotFound, no
    // nearest opponent); as soon as opponents are known it takes the nearest.
    void searchOpp();
    // Does nothing.
    void searchBall();
    // Always true.
    bool takeNearestOpp();
    bool isTheBallNearToMe();
    bool amINearOrMytemateToBall();
    // Pan speed e / (kCycleStep * 180) toward 120 (left) or -120 (right),
    // e = end - pan; within 0.1 degree of the end the head is stopped.
    // Return true.
    bool moveHeadToLeft();
    bool moveHeadToRight();

    // What the search found.
    bool getOppNotFound() const;
    // Uniform number of the nearest opponent, -1 when none is known.
    int getNearestOppID() const;

private:
    bool moveHeadTo(double end);

    WorldModel* WM;
    CommandCreator* CC;
    [[maybe_unused]] bool locked;
    bool OppNotFound;
    int NearestOppID;
};
