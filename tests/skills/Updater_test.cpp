// The head-sweep machines: lost and found at the recency edge, the side a
// sweep starts on, the turn at the first end and the stop at the second, the
// tilt's dead band, and that broken readings and empty or placeholder
// opponent lists never reach the server as non-finite speeds.
#include "skills/Updater.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "skills/BehaviourTestKit.h"
#include "skills/OppUpdater.h"
#include "skills/UpdaterGoalie.h"

using namespace behaviourtest;

namespace {

const double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kTol = 1e-4;
const double kEdge = double(kNow) - Updater::kRecentlySeen;
// Landmark slots while we play on the left.
constexpr int kOurPost1 = 1, kOppPost1 = 2, kOppPost2 = 3;

void seeFlag(int index, double at, double teta = 10) {
    seeFlagAt(index, 5 * std::cos(teta / kDeg), 5 * std::sin(teta / kDeg), at);
}

Head cycle(Updater& u) {
    return headCycle([&] { u.run(); });
}

// The sweep speed toward an end.
double toward(double end, double pan) {
    const double e = end - pan;
    return e / 180 * 20 - (e > 0 ? 0.1 : -0.1);
}

}  // namespace

TEST(UpdaterSweep, LostAndFoundAtTheRecencyEdgeOnTheBallsSide) {
    freshWorld();
    Updater u;
    seeFlag(kOppPost1, kEdge);  // exactly 0.07 s ago: still in view
    seeFlag(kOurPost1, 0);      // not watched
    EXPECT_EQ(cycle(u).text, "(he1 0.000000)(he2 0.000000)");
    seeBall(2, -15, kEdge - 1e-6);
    seeFlag(kOppPost2, 5);
    EXPECT_NEAR(cycle(u).pan, toward(-120, 0), kTol);  // sweeps at once, ball's side
    seeBall(2, 10);                                    // ball back, post 2 still missing
    senseJoint(DOF_HEAD_PAN, -40);
    EXPECT_NEAR(cycle(u).pan, toward(-120, -40), kTol);
    seeFlag(kOppPost2, kEdge);
    EXPECT_EQ(cycle(u).pan, 0);

    // Ball straight ahead: the first post's side; a NaN bearing: left.
    const double rows[][3] = {{0, -30, -120}, {0, 30, 120}, {kNaN, -30, 120}};
    for (const auto& r : rows) {
        Updater fresh;
        seeBall(2, r[0], 0);
        seeFlag(kOppPost1, kNow, r[1]);
        EXPECT_NEAR(cycle(fresh).pan, toward(r[2], -40), kTol) << r[0] << " " << r[1];
    }
}

TEST(UpdaterSweep, TurnsAtTheFirstEndAndStopsAtTheSecond) {
    freshWorld();
    Updater u;
    seeBall(2, -15, 0);
    senseJoint(DOF_HEAD_PAN, -118.9);  // 1.1 degrees short: keep going
    EXPECT_NEAR(cycle(u).pan, toward(-120, -118.9), kTol);
    senseJoint(DOF_HEAD_PAN, -119);  // exactly 1.0 degree away counts as arrived
    EXPECT_NEAR(cycle(u).pan, toward(120, -119), kTol);
    senseJoint(DOF_HEAD_PAN, -121);  // still at the first end on the way back
    EXPECT_GT(cycle(u).pan, 0);
    senseJoint(DOF_HEAD_PAN, 120.5);
    EXPECT_EQ(cycle(u).pan, 0);
    // Still lost: the next cycle starts over toward the ball's side.
    EXPECT_NEAR(cycle(u).pan, toward(-120, 120.5), kTol);
}

TEST(UpdaterSweep, TiltDeadBandAndBrokenReadingsGiveZeroSpeeds) {
    freshWorld();
    Updater u;
    const double tilts[][2] = {
        {1.0, 0}, {-1.0, 0}, {1.5, -1.5 / 18 + 0.05}, {-30, 30.0 / 18 - 0.05}};
    for (const auto& t : tilts) {
        senseJoint(DOF_HEAD_TILT, t[0]);
        EXPECT_NEAR(cycle(u).tilt, t[1], kTol) << t[0];
    }
    seeBall(2, -15, 0);
    senseJoint(DOF_HEAD_PAN, kNaN);
    senseJoint(DOF_HEAD_TILT, kNaN);
    EXPECT_EQ(cycle(u).text, "(he1 0.000000)(he2 0.000000)");

    freshWorld();
    Updater idle;
    seeBall(2, 0, kNaN);  // a broken sighting time is no loss
    EXPECT_EQ(cycle(idle).pan, 0);
    wm()->setTime(std::numeric_limits<float>::quiet_NaN());  // nor is a broken clock
    seeBall(2, 0, 0);
    EXPECT_EQ(cycle(idle).pan, 0);
}

TEST(UpdaterGoalieSweep, WatchesOurPostsWithTheOpponentSweepSharingTheSide) {
    freshWorld();
    UpdaterGoalie g;
    seeBall(2, 10, 0);
    seeFlag(kOppPost1, 0);
    EXPECT_EQ(headCycle([&] { g.run(); }).pan, 0);
    seeFlag(kOurPost1, 0, -5);
    EXPECT_LT(headCycle([&] { g.run(); }).pan, 0);
    seeFlag(kOppPost1, 0, 5);  // the other sweep locks on its own, to the left
    EXPECT_NEAR(headCycle([&] { g.runForOpp(); }).pan, toward(120, 0), kTol);
    EXPECT_NEAR(headCycle([&] { g.run(); }).pan, toward(120, 0), kTol);
    senseJoint(DOF_HEAD_PAN, 119.5);  // our sweep turns round; the turned flag is shared too
    EXPECT_LT(headCycle([&] { g.run(); }).pan, 0);
    senseJoint(DOF_HEAD_PAN, -119.5);
    EXPECT_EQ(headCycle([&] { g.runForOpp(); }).pan, 0);
    seeFlag(kOurPost1, kNow);
    EXPECT_EQ(headCycle([&] { g.run(); }).pan, 0);
}

TEST(OppUpdaterSweep, PlaceholdersAndBrokenBearingsAreNotAimedAt) {
    freshWorld();
    OppUpdater o;
    wm()->addIllegalOppPlayer();
    EXPECT_EQ(headCycle([&] { o.run(); }).pan, 0);  // only the placeholder: sweep over
    for (double teta : {0.9, kNaN, std::numeric_limits<double>::infinity(), 1e300}) {
        wm()->resetOppAndTmtVec();
        Player p(2, SIDE_OPP, Point(0, 0, 0));
        p.setPolarPos(Point(3, 0, teta));
        p.setLastTimeSeenPlayer(kNow);
        wm()->addOpp(p);
        senseJoint(DOF_HEAD_PAN, 20);  // 0.9 is truncated to straight ahead: hold
        EXPECT_EQ(headCycle([&] { o.follow(0); }).text, "(he1 0.000000)") << teta;
    }
}
