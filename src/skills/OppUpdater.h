// Head control around the opponents: while opponents are listed the head
// sweeps from the side of the nearest one to the other side and back; when
// none is listed the sweep stops. It also offers a plain search sweep
// (search) and a turn of the head toward one opponent (follow). No behaviour
// of the agent uses this updater; it is kept for experiments.
#pragma once

class WorldModel;
class CommandCreator;

class OppUpdater {
public:
    OppUpdater();

    // One cycle: at most one pan speed and one tilt speed.
    void run();

    // Pans toward -120 (moveR) or 120 (moveL). On arrival (within
    // angleThreshold) nothing is commanded, the other side is marked as the
    // next one and true is returned.
    bool moveR();
    bool moveL();
    // Sweeps right and left between the ends, starting toward the side the
    // head is already on.
    void search();
    // Turns the head toward the side of the opponent with number 2 (the
    // argument is not used); holds it when the head already points there.
    void follow(int unused);

private:
    // No opponent, or only the placeholder the perception update adds when
    // it saw none (number 0).
    bool oppListEmpty() const;

    double lastpolarlocation;
    const double angleThreshold;
    // Side still to visit by search(): set on arrival at the other end.
    bool toright;
    bool toleft;
    bool locked;
    bool turnHeadToRight;
    bool returningTurnOfHead;
    bool seeOpp;
    const double power;
    const double powerAdd;
    WorldModel* WM;
    CommandCreator* CC;
};
