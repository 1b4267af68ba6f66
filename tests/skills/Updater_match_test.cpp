// What the match program's head updaters do differently: the head looks down
// for a ball missing for a while, and nothing is printed.
#include <gtest/gtest.h>

#include "skills/BehaviourTestKit.h"
#include "skills/OppUpdater.h"
#include "skills/Updater.h"

using namespace behaviourtest;

TEST(UpdaterMatch, LooksDownForABallMissingMoreThanTwoSecondsAndStaysSilent) {
    freshWorld();
    testing::internal::CaptureStdout();
    Updater u;
    OppUpdater o;
    const double rows[][3] = {// ball last seen, tilt, expected tilt speed
                              {kNow - 2.0, 0, 0},
                              {kNow - 2.01, 0, -45.0 / 18 + 0.05},
                              {kNow - 2.01, -44.2, 0},
                              {kNow, -44.2, 44.2 / 18 - 0.05}};
    for (const auto& r : rows) {
        seeBall(2, 0, r[0]);
        senseJoint(DOF_HEAD_TILT, r[1]);
        EXPECT_NEAR(headCycle([&] { u.run(); }).tilt, r[2], 1e-4) << r[0] << " " << r[1];
    }

    headCycle([&] { o.run(); });
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
}
