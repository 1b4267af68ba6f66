// fieldsim's web monitor in a real browser: fieldsim plays a short match in
// real time with its monitor on, while headless chromium follows the page
// (once by the event stream, once by polling), and the page is read when the
// match is over. The page's drawing records where it put each robot and the
// ball; that must be where the truth log has them in the cycle it drew. The
// robots join only once both pages follow the match, the match is ended once
// both have drawn five seconds of it, and the pages are read only once they
// have drawn what the test expects: a busy machine makes the test slower, not
// wrong. Skipped where chromium is not installed (scripts/install-deps.sh
// installs it).
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <map>
#include <memory>
#include <string>

#include "FieldsimTestKit.h"
#include "support/ChildProcess.h"
#include "support/HeadlessBrowser.h"
#include "support/TruthLog.h"

namespace {

using json = nlohmann::json;

// The number after `prefix` in `text`; 0 when none.
int numberAfter(const std::string& text, const std::string& prefix) {
    const size_t at = text.find(prefix);
    return at == std::string::npos ? 0 : std::atoi(text.c_str() + at + prefix.size());
}

// The value of attribute `name` in the tag that starts at `at`.
double attr(const std::string& html, size_t at, const std::string& name) {
    const size_t i = html.find(" " + name + "=\"", at);
    return i == std::string::npos || i > html.find('>', at) ? NAN : std::atof(html.c_str() + i + name.size() + 3);
}

}  // namespace

TEST(MonitorBrowser, FieldsimPrintsTheAddressAndChromiumDrawsTheTruthLive) {
    const std::string chromium = "/usr/bin/chromium";
    if (::access(chromium.c_str(), X_OK) != 0) GTEST_SKIP() << "chromium is not installed";
    TempDir dir;
    std::ofstream(dir.file("scenario.txt")) << "0.2 playmode PlayOn\n0.3 push-ball 0.8 0.5\n";
    const std::string truth = dir.file("truth.jsonl");
    ChildProcess sim;
    // The clock waits for both robots, which join once both pages follow.
    ASSERT_TRUE(sim.start(FIELDSIM_BIN, {"--port", "0", "--monitor-port", "0", "--truth", truth, "--field", "9x6",
                                         "--scenario", dir.file("scenario.txt"), "--wait-for", "2"},
                          dir.path()));
    ASSERT_TRUE(sim.waitForOutput("monitor at http://127.0.0.1:")) << sim.out() << sim.err();
    const int port = numberAfter(sim.out(), "fieldsim listening on 127.0.0.1:");
    const int monitor = numberAfter(sim.out(), "monitor at http://127.0.0.1:");

    const std::string drawnData = "document.getElementById('drawn').dataset";
    std::map<std::string, std::unique_ptr<HeadlessBrowser>> browsers;
    for (const std::string source : {"events", "poll"}) {
        ASSERT_EQ(::mkdir(dir.file(source).c_str(), 0755), 0);  // its profile
        browsers[source] = std::make_unique<HeadlessBrowser>();
        HeadlessBrowser& page = *browsers[source];
        ASSERT_TRUE(page.open("http://127.0.0.1:" + std::to_string(monitor) + (source == "poll" ? "/?poll" : "/"),
                              dir.file(source)))
            << source << ": " << page.error();
        ASSERT_TRUE(page.waitFor(drawnData + ".source === '" + source + "' && Number(" + drawnData + ".events) >= 1"))
            << source << ": " << page.error() << "; " << page.html();
    }
    TestClient a(port), b(port);
    ASSERT_TRUE(a.sendFrame("(scene rsg/agent/nao/nao.rsg)(init (unum 2)(teamname Ants))(beam -1.5 0.8 30)"));
    ASSERT_TRUE(b.sendFrame("(scene rsg/agent/nao/nao.rsg)(init (unum 7)(teamname Bees))(beam -2 1 90)"));
    ASSERT_TRUE(sim.waitForOutput("2 robots joined")) << sim.out();
    // Five seconds of play (250 cycles) after the joining, on both pages.
    const json joinedAt = browsers["events"]->evaluate("Number(" + drawnData + ".cycle)");
    ASSERT_TRUE(joinedAt.is_number()) << browsers["events"]->error();
    const std::string playedOn = std::to_string(joinedAt.get<long>() + 250);
    for (const auto& [source, page] : browsers) {
        EXPECT_TRUE(page->waitFor("Number(" + drawnData + ".cycle) >= " + playedOn + " && Number(" + drawnData +
                                  ".events) >= 3"))
            << source << ": " << page->error();
    }

    // A second fieldsim cannot take the same monitor port.
    TempDir other;
    ChildProcess second;
    second.start(FIELDSIM_BIN, {"--port", "0", "--monitor-port", std::to_string(monitor)}, other.path());
    EXPECT_EQ(second.wait(10000), 1);
    EXPECT_NE(second.err().find("cannot bind the monitor to 127.0.0.1:" + std::to_string(monitor)), std::string::npos)
        << second.out() << second.err();
    ASSERT_TRUE(sim.signal(SIGTERM));
    ASSERT_EQ(sim.wait(10000), 0) << sim.err();

    std::map<long, TruthCycle> truthOf;
    for (const TruthCycle& c : readTruthLog(truth)) truthOf[c.cycle] = c;
    for (const auto& [source, browser] : browsers) {
        SCOPED_TRACE(source);
        // Whatever it drew last, from a state of the match's last five seconds.
        const std::string html = browser->html();
        const size_t record = html.find("<div id=\"drawn\"");  // the page's record of its last frame
        ASSERT_NE(record, std::string::npos) << html;
        const long cycle = static_cast<long>(attr(html, record, "data-cycle"));
        EXPECT_GE(cycle, joinedAt.get<long>() + 250);
        EXPECT_GE(attr(html, record, "data-events"), 3) << "states received";
        ASSERT_EQ(truthOf.count(cycle), 1u) << cycle;
        const TruthCycle& drawn = truthOf[cycle];
        // The field upright in the window, at one scale for x and y.
        const double left = attr(html, record, "data-field-left"), top = attr(html, record, "data-field-top");
        const double sx = (attr(html, record, "data-field-right") - left) / 9.0;
        const double sy = (attr(html, record, "data-field-bottom") - top) / 6.0;
        EXPECT_NEAR(sx, sy, 0.01);
        int robots = 0;
        for (size_t at = html.find("<i class=\"robot\""); at != std::string::npos; at = html.find("<i class=\"robot\"", at + 1)) {
            ++robots;
            const size_t side = html.find("data-side=\"", at) + 11;
            const std::string key = html.substr(side, html.find('"', side) - side) + " " +
                                    std::to_string(static_cast<int>(attr(html, at, "data-unum")));
            ASSERT_EQ(drawn.robots.count(key), 1u) << key;
            const TruthRobot& robot = drawn.robots.at(key);
            const double x = attr(html, at, "data-x"), y = attr(html, at, "data-y");
            EXPECT_NEAR(x, left + (robot.x + 4.5) * sx, 0.6) << key;
            EXPECT_NEAR(y, top + (3.0 - robot.y) * sy, 0.6) << key;
            // The heading arrow points along the yaw, counter-clockwise from +x.
            const double drawnYaw = std::atan2(y - attr(html, at, "data-tip-y"), attr(html, at, "data-tip-x") - x) * 180.0 / M_PI;
            EXPECT_NEAR(std::remainder(drawnYaw - robot.yaw, 360.0), 0.0, 2.0) << key;
        }
        EXPECT_EQ(robots, 2);
        const size_t ball = html.find("<i class=\"ball\"");
        ASSERT_NE(ball, std::string::npos);
        EXPECT_GT(drawn.ballX, 0.1) << "the ball rolled";
        EXPECT_NEAR(attr(html, ball, "data-x"), left + (drawn.ballX + 4.5) * sx, 0.6);
        EXPECT_NEAR(attr(html, ball, "data-y"), top + (3.0 - drawn.ballY) * sy, 0.6);
    }
}
