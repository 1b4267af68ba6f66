// Shared by the decision-cycle tests of both builds: a world at time 10 on
// the left, number 2 in play on, standing; one DMU::behave() per cycle with
// its command text and console output caught.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <string>

#include "dmu/DMU.h"
#include "skills/BehaviourTestKit.h"
#include "support/ChildProcess.h"
#include "worldModel/GameConf.h"

namespace dmutest {

using namespace behaviourtest;

const std::string kStopAll =
    "(he1 0.0)(he2 0.0)(rae1 0.0)(rae2 0.0)(rae3 0.0)(rae4 0.0)(lae1 0.0)(lae2 0.0)"
    "(lae3 0.0)(lae4 0.0)(rle1 0.0)(rle2 0.0)(rle3 0.0)(rle4 0.0)(rle5 0.0)(rle6 0.0)"
    "(lle1 0.0)(lle2 0.0)(lle3 0.0)(lle4 0.0)(lle5 0.0)(lle6 0.0)";
const std::string kDiveLeft = "(rle6 6.130000)(lle6 6.130000)(lle2 -6.130000)";
const std::string kDiveRight = "(rle6 -6.130000)(lle6 -6.130000)(rle2 6.130000)";

class DmuCycle : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(chdir(dir.path().c_str()), 0);
        testing::internal::CaptureStdout();
        GameConf::getUniqueInstance()->init();
        wm()->setOurSide(SIDE_LEFT);
        wm()->setMyNum(2);
        wm()->setPlayMode(PM_PLAY_ON);
        wm()->setGSTime(5.0f);
        wm()->setMyCartPos(Point(0, 0, 0.5));
        senseStanding();
        dmu = DMU::getUniqueInstance();
        heard = testing::internal::GetCapturedStdout();
    }
    // A new message at time t: the sighting so far becomes the previous one.
    void begin(double t) {
        now = t;
        wm()->resetForUpdate();
        wm()->setTime(static_cast<float>(t));
        const Point sole = onFeet ? Point(0, -0.014, -0.01) : Point(0, 0, 0);
        wm()->setFRPCenterL(sole);
        wm()->setFRPCenterR(sole);
    }
    std::string decide() {
        cc()->reset();
        testing::internal::CaptureStdout();
        testing::internal::CaptureStderr();
        const std::string text = dmu->behave();
        out = testing::internal::GetCapturedStdout() + testing::internal::GetCapturedStderr();
        heard += out;
        return text;
    }
    std::string cycle(double t) {
        begin(t);
        return decide();
    }
    std::string cycle() { return cycle(now + 0.02); }
    // The ball seen now at body-relative (x, y); it lies still there.
    void see(double x, double y) { seeBall(std::hypot(x, y), std::atan2(y, x) * kDeg, now); }
    static SkillID idOf(SkillBase* s) { return s == nullptr ? SKILL_NOTHING : s->getSkillID(); }
    SkillID running() { return idOf(sm()->getRunningSkill()); }
    bool printed(const char* line) const { return has(out, line); }

    TempDir dir;
    DMU* dmu = nullptr;
    double now = 10.0;
    bool onFeet = true;
    std::string out;    // this cycle's console output
    std::string heard;  // all console output
};

}  // namespace dmutest
