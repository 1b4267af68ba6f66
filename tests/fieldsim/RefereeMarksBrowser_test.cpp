// The referee's marks on the monitor's page, in a real browser: a robot that
// beams onto the middle line before kick-off is sent back by the referee in
// every cycle, and the page draws each move as an arrow from where the robot
// stood to where it was put, named by its rule, for a few seconds. Skipped
// where chromium is not installed.
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <nlohmann/json.hpp>
#include <string>
#include <thread>

#include "FieldsimTestKit.h"
#include "support/ChildProcess.h"
#include "support/HeadlessBrowser.h"

namespace {

int numberAfter(const std::string& text, const std::string& prefix) {
    const size_t at = text.find(prefix);
    return at == std::string::npos ? 0 : std::atoi(text.c_str() + at + prefix.size());
}

double field(const nlohmann::json& tag, const char* name) {
    return tag.contains(name) && tag[name].is_string()
               ? std::atof(tag[name].get<std::string>().c_str())
               : NAN;
}

}  // namespace

TEST(RefereeMarksBrowser, TheMonitorDrawsEachMoveFromWhereTheRobotStoodToWhereItWasPut) {
    const std::string chromium = "/usr/bin/chromium";
    if (::access(chromium.c_str(), X_OK) != 0) GTEST_SKIP() << "chromium is not installed";
    TempDir dir;
    ChildProcess sim;
    ASSERT_TRUE(sim.start(FIELDSIM_BIN,
                          {"--port", "0", "--monitor-port", "0", "--model", "kinematic",
                           "--max-cycles", "3000", "--kickoff-after", "-1"},
                          dir.path()));
    ASSERT_TRUE(sim.waitForOutput("monitor at http://127.0.0.1:")) << sim.out() << sim.err();
    const int port = numberAfter(sim.out(), "fieldsim listening on 127.0.0.1:");
    const int monitor = numberAfter(sim.out(), "monitor at http://127.0.0.1:");

    // The robot stands on the middle line again after every perception: the
    // referee moves it back to x = -2.5 in every cycle.
    TestClient robot(port);
    ASSERT_TRUE(robot.sendFrame("(scene rsg/agent/nao/nao.rsg)(init (unum 3)(teamname Ants))"));
    std::atomic<bool> done{false};
    std::thread beams([&] {
        while (!done) {
            if (robot.readFrame(200)) robot.sendFrame("(beam 0 1 0)");
        }
    });

    HeadlessBrowser page;
    const bool opened =
        page.open("http://127.0.0.1:" + std::to_string(monitor) + "/", dir.file("browser"));
    const bool drawn =
        opened &&
        page.waitFor("document.querySelector('#drawn i.referee[data-kind=\"move\"]') !== null");
    const nlohmann::json marks = page.evaluate(
        "JSON.stringify({frame: Object.assign({}, document.getElementById('drawn').dataset),"
        " marks: [...document.querySelectorAll('#drawn i.referee')].map(e => Object.assign({}, "
        "e.dataset))})");
    done = true;
    beams.join();
    ASSERT_TRUE(opened) << page.error();
    ASSERT_TRUE(drawn) << page.error() << sim.out();
    ASSERT_TRUE(marks.is_string()) << marks;
    const nlohmann::json shown = nlohmann::json::parse(marks.get<std::string>(), nullptr, false);
    ASSERT_TRUE(shown.is_object()) << marks;

    // Field pixels: the 12 m x 8 m field upright in the window.
    const nlohmann::json& f = shown["frame"];
    const double left = field(f, "fieldLeft"), top = field(f, "fieldTop");
    const double sx = (field(f, "fieldRight") - left) / 12.0,
                 sy = (field(f, "fieldBottom") - top) / 8.0;
    int moves = 0;
    for (const nlohmann::json& m : shown["marks"]) {
        SCOPED_TRACE(m.dump());
        EXPECT_EQ(m.value("kind", ""), "move");
        EXPECT_EQ(m.value("rule", ""), "before-kickoff-half");
        EXPECT_EQ(m.value("side", ""), "left");
        EXPECT_EQ(m.value("unum", ""), "3");
        EXPECT_LE(field(m, "age"), 3.0) << "kept for 3 s";
        // From the beam's spot (0, 1) to x = -2.5, y kept.
        EXPECT_NEAR(field(m, "fromX"), left + 6.0 * sx, 1.0);
        EXPECT_NEAR(field(m, "fromY"), top + 3.0 * sy, 1.0);
        EXPECT_NEAR(field(m, "toX"), left + 3.5 * sx, 1.0);
        EXPECT_NEAR(field(m, "toY"), top + 3.0 * sy, 1.0);
        ++moves;
    }
    EXPECT_GE(moves, 1);
}
