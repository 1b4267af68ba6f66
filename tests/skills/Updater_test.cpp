// The head-sweep machines: when a watched object counts as lost or found
// again, which side a sweep starts on, the turn at the first end and the stop
// at the second, the tilt's dead band, and that nothing from the world
// (broken readings, empty or placeholder opponent lists) crashes them or
// reaches the server as a non-finite speed.
#include "skills/Updater.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <limits>
#include <string>

#include "objects/Ball.h"
#include "objects/Flag.h"
#include "objects/HingeJoint.h"
#include "objects/Player.h"
#include "skills/OppUpdater.h"
#include "skills/UpdaterGoalie.h"
#include "skills/deffUpdater.h"
#include "types.h"
#include "utils/CommandCreator.h"
#include "worldModel/WorldModel.h"

namespace {

const double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr float kNow = 10.0f;
constexpr double kTol = 1e-4;
// Landmark slots while we play on the left.
constexpr int kOurPost1 = 1, kOurPost2 = 0, kOppPost1 = 2, kOppPost2 = 3;

WorldModel* wm() { return WorldModel::getUniqueInstance(); }

void setJoint(int id, double angle) {
    HingeJoint joint;
    joint.setAxis(static_cast<float>(angle));
    wm()->setAHingeJoint(joint, id);
}
void setPan(double deg) { setJoint(DOF_HEAD_PAN, deg); }

void seeFlag(int index, double at, double teta = 10) {
    Flag f;
    f.setPolarPos(Point(5, 0, teta));
    f.setLastTimeSeenFlag(at, index);
    wm()->setAFlag(f, index);
}

void seeBall(double at, double teta = 10) {
    Ball b;
    b.setPolarPos(Point(2, -20, teta));
    b.setLastTimeSeenBall(at);
    wm()->setBall(b);
}

void addOpp(int num, double at, double teta, double distance = 3) {
    Player p(num, SIDE_OPP, Point(0, 0, 0));
    p.setPolarPos(Point(distance, 0, teta));
    p.setLastTimeSeenPlayer(at);
    wm()->addOpp(p);
}

// Time kNow, playing on the left, everything in view, head straight and level,
// no players listed.
void freshWorld() {
    wm()->setOurSide(SIDE_LEFT);
    wm()->resetOppAndTmtVec();
    wm()->setTime(kNow);
    for (int i = 0; i < WorldModel::kFlagCount; ++i) seeFlag(i, kNow);
    seeBall(kNow);
    setPan(0);
    setJoint(DOF_HEAD_TILT, 0);
}

struct Head {
    std::string text;
    double pan = kNaN, tilt = kNaN;
};

// One cycle of head control, read back from the composed command.
template <typename Cycle>
Head cycle(Cycle&& run) {
    CommandCreator::getUniqueInstance()->reset();
    run();
    Head h;
    h.text = CommandCreator::getUniqueInstance()->getPreparedCommand();
    const std::size_t he1 = h.text.find("(he1 "), he2 = h.text.find("(he2 ");
    if (he1 != std::string::npos) std::sscanf(h.text.c_str() + he1, "(he1 %lf)", &h.pan);
    if (he2 != std::string::npos) std::sscanf(h.text.c_str() + he2, "(he2 %lf)", &h.tilt);
    return h;
}
Head cycle(Updater& u) {
    return cycle([&] { u.run(); });
}

// The sweep speed toward an end.
double toward(double end, double pan) {
    const double e = end - pan;
    return e / 180 * 20 - (e > 0 ? 0.1 : -0.1);
}

}  // namespace

TEST(UpdaterSweep, LostAndFoundAtTheRecencyEdge) {
    freshWorld();
    Updater u;
    seeFlag(kOppPost1, double(kNow) - Updater::kRecentlySeen);  // exactly 0.07 s ago
    seeFlag(kOurPost1, 0);                                      // not watched
    EXPECT_EQ(cycle(u).text, "(he1 0.000000)(he2 0.000000)");
    seeBall(double(kNow) - Updater::kRecentlySeen - 1e-6, -15);
    seeFlag(kOppPost2, 5);
    EXPECT_NEAR(cycle(u).pan, toward(-120, 0), kTol);  // sweeps at once, ball's side
    seeBall(kNow);                                     // ball back, post 2 still missing
    setPan(-40);
    EXPECT_NEAR(cycle(u).pan, toward(-120, -40), kTol);
    seeFlag(kOppPost2, double(kNow) - Updater::kRecentlySeen);
    EXPECT_EQ(cycle(u).text, "(he1 0.000000)(he2 0.000000)");
}

TEST(UpdaterSweep, SideFollowsTheBallThenTheFirstPost) {
    const double rows[][3] = {// ball teta, post 1 teta, end
                              {-15, 30, -120}, {15, -30, 120}, {0, -30, -120},
                              {0, 30, 120},    {0, 0, 120},    {kNaN, -30, 120}};
    for (const auto& r : rows) {
        freshWorld();
        Updater u;
        seeBall(0, r[0]);
        seeFlag(kOppPost1, kNow, r[1]);
        EXPECT_NEAR(cycle(u).pan, toward(r[2], 0), kTol) << r[0] << " " << r[1];
    }
}

TEST(UpdaterSweep, TurnsAtTheFirstEndAndStopsAtTheSecond) {
    freshWorld();
    Updater u;
    seeBall(0, -15);
    setPan(-118.9);  // 1.1 degrees short: keep going
    EXPECT_NEAR(cycle(u).pan, toward(-120, -118.9), kTol);
    setPan(-119);  // exactly 1.0 degree away counts as arrived
    EXPECT_NEAR(cycle(u).pan, toward(120, -119), kTol);
    setPan(-121);  // still at the first end on the way back: no second arrival
    EXPECT_GT(cycle(u).pan, 0);
    setPan(120.5);
    EXPECT_EQ(cycle(u).pan, 0);
    // Still lost: the next cycle starts over toward the ball's side.
    EXPECT_NEAR(cycle(u).pan, toward(-120, 120.5), kTol);
}

TEST(UpdaterSweep, HeadFollowingTheCommandsSweepsBothWaysThenStops) {
    freshWorld();
    Updater u;
    seeFlag(kOppPost2, 0);
    double pan = 0, highest = 0;
    int cycles = 1;
    setPan(pan);
    for (double speed = cycle(u).pan; speed != 0 && cycles < 500; speed = cycle(u).pan) {
        pan = std::fmax(-120, std::fmin(120, pan + speed));
        highest = std::fmax(highest, pan);
        setPan(pan);
        ++cycles;
    }
    EXPECT_LT(cycles, 200);
    EXPECT_GE(highest, 119);               // ball on the left: left end first
    EXPECT_LE(std::fabs(pan + 120), 1.0);  // stopped at the right end
}

TEST(UpdaterSweep, TiltHeldLevelOutsideADeadBandOfOneDegree) {
    freshWorld();
    Updater u;
    const double tilts[][2] = {
        {1.0, 0}, {-1.0, 0}, {1.5, -1.5 / 18 + 0.05}, {-30, 30.0 / 18 - 0.05}};
    for (const auto& t : tilts) {
        setJoint(DOF_HEAD_TILT, t[0]);
        EXPECT_NEAR(cycle(u).tilt, t[1], kTol) << t[0];
    }
    seeBall(0);  // the development program keeps the head level without the ball
    setJoint(DOF_HEAD_TILT, 0);
    EXPECT_EQ(cycle(u).tilt, 0);
}

TEST(UpdaterSweep, BrokenReadingsGiveZeroSpeeds) {
    freshWorld();
    Updater u;
    seeBall(0, -15);
    setPan(kNaN);
    setJoint(DOF_HEAD_TILT, kNaN);
    EXPECT_EQ(cycle(u).text, "(he1 0.000000)(he2 0.000000)");
    freshWorld();
    Updater idle;
    seeBall(kNaN);  // a broken sighting time is no loss
    EXPECT_EQ(cycle(idle).pan, 0);
    wm()->setTime(std::numeric_limits<float>::quiet_NaN());  // nor is a broken clock
    seeBall(0);
    EXPECT_EQ(cycle(idle).pan, 0);
}

TEST(UpdaterGoalieSweep, WatchesOurPostsWithTheOpponentSweepSharingTheSide) {
    freshWorld();
    UpdaterGoalie g;
    seeBall(0);
    seeFlag(kOppPost1, 0);
    EXPECT_EQ(cycle([&] { g.run(); }).text, "(he1 0.000000)(he2 0.000000)");
    seeFlag(kOurPost1, 0, -5);
    EXPECT_LT(cycle([&] { g.run(); }).pan, 0);
    seeFlag(kOppPost1, 0, 5);  // the other sweep locks on its own, to the left
    EXPECT_NEAR(cycle([&] { g.runForOpp(); }).pan, toward(120, 0), kTol);
    EXPECT_NEAR(cycle([&] { g.run(); }).pan, toward(120, 0), kTol);
    setPan(119.5);  // our sweep turns round; the turned flag is shared too
    EXPECT_LT(cycle([&] { g.run(); }).pan, 0);
    setPan(-119.5);
    EXPECT_EQ(cycle([&] { g.runForOpp(); }).pan, 0);
    seeFlag(kOurPost1, kNow);
    EXPECT_EQ(cycle([&] { g.run(); }).pan, 0);
}

TEST(OppUpdaterSweep, PlaceholderAndStaleOpponentsAreNotAimedAt) {
    freshWorld();
    OppUpdater o;
    addOpp(4, kNow, -30);
    EXPECT_NEAR(cycle([&] { o.run(); }).pan, toward(120, 0), kTol);  // built sweeping left
    wm()->resetOppAndTmtVec();
    wm()->addIllegalOppPlayer();
    EXPECT_EQ(cycle([&] { o.run(); }).pan, 0);  // only the placeholder: sweep over
    addOpp(3, 1.0, -30);                        // listed, but seen long ago
    EXPECT_EQ(cycle([&] { o.run(); }).pan, 0);
    addOpp(9, kNow, -25);
    testing::internal::CaptureStdout();
    EXPECT_EQ(cycle([&] { o.run(); }).pan, 0);  // locks this cycle
    EXPECT_NE(testing::internal::GetCapturedStdout().find("man roo in lockam.........==>9\n"),
              std::string::npos);
    EXPECT_NEAR(cycle([&] { o.run(); }).pan, toward(-120, 0), kTol);
}

TEST(OppUpdaterMoves, FollowAndSearchStayFiniteAndSweep) {
    freshWorld();
    OppUpdater o;
    addOpp(2, kNow, -30);
    EXPECT_NEAR(cycle([&] { o.follow(0); }).pan, toward(-120, 0), kTol);
    const double bearings[] = {0.9, kNaN, std::numeric_limits<double>::infinity(), 1e300};
    for (double teta : bearings) {
        wm()->resetOppAndTmtVec();
        addOpp(2, kNow, teta);
        setPan(20);  // 0.9 is truncated to straight ahead: hold
        EXPECT_EQ(cycle([&] { o.follow(0); }).text, "(he1 0.000000)") << teta;
    }
    setPan(-119);
    EXPECT_EQ(cycle([&] { o.search(); }).text, "");  // at the right end
    EXPECT_NEAR(cycle([&] { o.search(); }).pan, toward(120, -119), kTol);
}

TEST(DeffUpdaterHead, SearchGivesUpAfterBothSidesAndTakesTheNearestOnceSeen) {
    freshWorld();
    deffUpdater d;
    wm()->addIllegalOppPlayer();
    setPan(-10);
    EXPECT_NEAR(cycle([&] { d.searchOpp(); }).pan, -110 / 3.6, kTol);
    EXPECT_FALSE(d.getOppNotFound());
    setPan(0);  // straight ahead with nobody listed: left
    EXPECT_NEAR(cycle([&] { d.searchOpp(); }).pan, 120 / 3.6, kTol);
    EXPECT_TRUE(d.getOppNotFound());
    addOpp(5, kNow, 10, 4);
    addOpp(8, kNow, 10, 1.5);
    setPan(119.95);  // at the end: stopped, not left running into the limit
    EXPECT_EQ(cycle([&] { d.searchOpp(); }).text, "(he1 0.000000)");
    EXPECT_FALSE(d.getOppNotFound());
    EXPECT_EQ(d.getNearestOppID(), 8);
    setPan(kNaN);
    EXPECT_EQ(cycle([&] { d.moveHeadToRight(); }).text, "(he1 0.000000)");
}
