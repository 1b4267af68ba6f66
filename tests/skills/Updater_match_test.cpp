// What the match program's head updaters do differently: the head looks down
// for a ball missing for a while, nothing is printed, and a stale opponent is
// still aimed at.
#include <gtest/gtest.h>

#include <cstdio>

#include "objects/Ball.h"
#include "objects/Flag.h"
#include "objects/HingeJoint.h"
#include "objects/Player.h"
#include "skills/OppUpdater.h"
#include "skills/Updater.h"
#include "types.h"
#include "utils/CommandCreator.h"
#include "worldModel/WorldModel.h"

namespace {

constexpr float kNow = 30.0f;
WorldModel* wm() { return WorldModel::getUniqueInstance(); }

void setJoint(int id, double angle) {
    HingeJoint joint;
    joint.setAxis(static_cast<float>(angle));
    wm()->setAHingeJoint(joint, id);
}

// Pan and tilt speed of one cycle.
template <typename Cycle>
void cycle(Cycle&& run, double& pan, double& tilt) {
    CommandCreator::getUniqueInstance()->reset();
    run();
    std::sscanf(CommandCreator::getUniqueInstance()->getPreparedCommand(), "(he1 %lf)(he2 %lf)",
                &pan, &tilt);
}

}  // namespace

TEST(UpdaterMatch, LooksDownForABallMissingMoreThanTwoSecondsAndStaysSilent) {
    wm()->setTime(kNow);
    testing::internal::CaptureStdout();
    Updater u;
    OppUpdater o;
    const double rows[][3] = {// ball last seen, tilt, expected tilt speed
                              {kNow - 2.0, 0, 0},
                              {kNow - 2.01, 0, -45.0 / 18 + 0.05},
                              {kNow - 2.01, -44.2, 0},
                              {kNow, -44.2, 44.2 / 18 - 0.05}};
    for (const auto& r : rows) {
        Ball b;
        b.setLastTimeSeenBall(r[0]);
        wm()->setBall(b);
        setJoint(DOF_HEAD_TILT, r[1]);
        double pan = 0, tilt = -999;
        cycle([&] { u.run(); }, pan, tilt);
        EXPECT_NEAR(tilt, r[2], 1e-4) << r[0] << " " << r[1];
    }

    double pan = -999, tilt = 0;
    cycle([&] { o.run(); }, pan, tilt);  // no opponents: the initial sweep ends
    Player p(6, SIDE_OPP, Point(0, 0, 0));
    p.setPolarPos(Point(3, 0, -20));
    p.setLastTimeSeenPlayer(1.0);  // long ago
    wm()->addOpp(p);
    cycle([&] { o.run(); }, pan, tilt);
    EXPECT_EQ(pan, 0);  // locks on it
    cycle([&] { o.run(); }, pan, tilt);
    EXPECT_LT(pan, 0);  // and sweeps from its side
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
}
