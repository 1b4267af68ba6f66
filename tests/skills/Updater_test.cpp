// The head sweep: when a watched object counts as lost or found again, the
// turn at the first end and the stop at the second, and broken readings
// that must give zero speeds.
#include "skills/Updater.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <limits>
#include <string>

#include "objects/Ball.h"
#include "objects/Flag.h"
#include "objects/HingeJoint.h"
#include "types.h"
#include "utils/CommandCreator.h"
#include "worldModel/WorldModel.h"

namespace {

const double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr float kNow = 10.0f;
constexpr double kTol = 1e-4;
// Landmark slots while we play on the left.
constexpr int kOurPost1 = 1, kOppPost1 = 2, kOppPost2 = 3;

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
