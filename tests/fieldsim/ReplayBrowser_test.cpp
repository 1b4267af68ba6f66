// fieldsim --replay in a real browser: a short recorded game written by hand
// (ReplayFixture) is served, headless chromium opens the page at a time, and
// what the page drew must be where the truth log and the belief CSVs put each
// robot, the ball, each believed pose and each believed ball. Bad files play
// what can be played and say what was skipped, on the console and the page.
// The page is also photographed (replay.png in the build folder; the README
// shows it). Every look at the page waits for the frame it expects to be
// drawn, never for a time. Skipped where chromium is not installed.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdlib>
#include <map>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

#include "ReplayFixture.h"
#include "support/ChildProcess.h"
#include "support/HeadlessBrowser.h"
#include "support/HttpGet.h"

namespace {

using json = nlohmann::json;
using Tag = std::map<std::string, std::string>;
const std::string kChromium = "/usr/bin/chromium";

// fieldsim serving a recording; its monitor port, 0 when it did not come up.
int startReplay(ChildProcess& sim, const std::string& runDir, const std::string& workDir) {
    if (!sim.start(FIELDSIM_BIN, {"--replay", runDir, "--field", "12x8"}, workDir)) return 0;
    if (!sim.waitForOutput("replay at http://127.0.0.1:")) return 0;
    const std::string out = sim.out();
    return std::atoi(out.c_str() + out.find("replay at http://127.0.0.1:") + 27);
}

// The replay page at `url` in headless chromium (its profile in `dir`), once
// the frame at `cycle` is drawn: the page fetches its recording after it has
// loaded, so the document is read only when the drawing says it is there,
// however slowly a busy machine gets there. "" (and a failure) when it never is.
std::string drawnPage(HeadlessBrowser& page, const std::string& dir, const std::string& url, int cycle) {
    ::mkdir(dir.c_str(), 0755);
    if (!page.open(url, dir)) {
        ADD_FAILURE() << "chromium: " << page.error();
        return "";
    }
    if (!page.waitFor("document.getElementById('drawn').dataset.cycle === '" + std::to_string(cycle) + "'")) {
        ADD_FAILURE() << page.error() << "; the page holds " << page.html().substr(0, 2000);
        return "";
    }
    return page.html();
}

// The attributes of every tag in `html` that starts with `start`.
std::vector<Tag> tags(const std::string& html, const std::string& start) {
    std::vector<Tag> out;
    for (size_t at = html.find(start); at != std::string::npos; at = html.find(start, at + 1)) {
        Tag tag;
        const size_t end = html.find('>', at);
        for (size_t eq = html.find("=\"", at); eq < end; eq = html.find("=\"", eq + 2)) {
            const size_t name = html.rfind(' ', eq) + 1;
            const size_t close = html.find('"', eq + 2);
            tag[html.substr(name, eq - name)] = html.substr(eq + 2, close - eq - 2);
        }
        out.push_back(tag);
    }
    return out;
}

double number(const Tag& tag, const std::string& name) {
    const auto it = tag.find(name);
    return it == tag.end() ? NAN : std::atof(it->second.c_str());
}

const Tag* find(const std::vector<Tag>& list, const std::string& side, int unum) {
    for (const Tag& t : list) {
        if (t.count("data-side") && t.at("data-side") == side && number(t, "data-unum") == unum) return &t;
    }
    return nullptr;
}

// World metres to the page's pixels, from the field's corners as drawn.
struct PageFrame {
    double left, top, sx, sy;
    explicit PageFrame(const Tag& record)
        : left(number(record, "data-field-left")), top(number(record, "data-field-top")),
          sx((number(record, "data-field-right") - left) / 12.0), sy((number(record, "data-field-bottom") - top) / 8.0) {}
    double x(double wx) const { return left + (wx + 6.0) * sx; }
    double y(double wy) const { return top + (4.0 - wy) * sy; }
};

// The heading a marker's tip points along, counter-clockwise from +x.
double drawnYaw(const Tag& t) {
    return std::atan2(number(t, "data-y") - number(t, "data-tip-y"), number(t, "data-tip-x") - number(t, "data-x")) *
           180.0 / M_PI;
}

double angleDiff(double a, double b) { return std::fabs(std::remainder(a - b, 360.0)); }

}  // namespace

TEST(ReplayBrowser, ChromiumSeeksAndDrawsTheTruthAndWhatEachPlayerBelieved) {
    if (::access(kChromium.c_str(), X_OK) != 0) GTEST_SKIP() << "chromium is not installed";
    TempDir dir;
    ::mkdir(dir.file("game").c_str(), 0755);
    ReplayFixture::write(dir.file("game"));
    ChildProcess sim;
    const int port = startReplay(sim, dir.file("game"), dir.path());
    ASSERT_GT(port, 0) << sim.out() << sim.err();
    EXPECT_NE(sim.out().find("500 cycles (0.00 to 9.98 s of server time), 2 players with beliefs"), std::string::npos)
        << sim.out();

    // Bees 3 lies on its front at 6.5 s.
    const double t = 6.5;
    const auto [status, body] = httpGet(port, "/state?t=6.5");
    ASSERT_EQ(status, 200) << body;
    const json st = json::parse(body, nullptr, false);
    ASSERT_TRUE(st.is_object()) << body;
    EXPECT_EQ(st["cycle"], 325);
    ASSERT_EQ(st["robots"].size(), 4u);
    for (const json& r : st["robots"]) {
        const bool right = r["side"] == "right";
        const int unum = r["unum"];
        const FixturePose truth = ReplayFixture::truth(right, unum, t);
        EXPECT_NEAR(r["x"].get<double>(), truth.x, 1e-4) << r;
        EXPECT_NEAR(r["y"].get<double>(), truth.y, 1e-4) << r;
        EXPECT_EQ(r["state"], ReplayFixture::state(right, unum, t)) << r;
        if ((!right && unum == 2) || (right && unum == 3)) {
            const FixturePose belief = ReplayFixture::belief(right, unum, t);
            EXPECT_NEAR(r["belief"]["x"].get<double>(), belief.x, 1e-3) << r;
            EXPECT_NEAR(r["belief"]["y"].get<double>(), belief.y, 1e-3) << r;
            EXPECT_LT(angleDiff(r["belief"]["yaw"].get<double>(), belief.yaw), 0.01) << r;
        } else {
            EXPECT_FALSE(r.contains("belief")) << r;
        }
    }

    HeadlessBrowser browser;
    const std::string html = drawnPage(browser, dir.file("dom"), "http://127.0.0.1:" + std::to_string(port) + "/?t=6.5", 325);
    ASSERT_FALSE(html.empty());
    const std::vector<Tag> records = tags(html, "<div id=\"drawn\"");
    ASSERT_EQ(records.size(), 1u) << html.substr(0, 2000);
    const Tag& record = records[0];
    EXPECT_EQ(number(record, "data-frame"), 325);
    EXPECT_EQ(number(record, "data-cycle"), 325);
    const PageFrame page(record);
    EXPECT_NEAR(page.sx, page.sy, 0.01) << "one scale for x and y";

    const std::vector<Tag> robots = tags(html, "<i class=\"robot\"");
    const std::vector<Tag> beliefs = tags(html, "<i class=\"belief\"");
    const std::vector<Tag> balls = tags(html, "<i class=\"belief-ball\"");
    EXPECT_EQ(robots.size(), 4u);
    EXPECT_EQ(beliefs.size(), 2u);
    EXPECT_EQ(balls.size(), 2u);
    for (const auto& [side, unum] : {std::pair<const char*, int>{"left", 1}, {"left", 2}, {"right", 1}, {"right", 3}}) {
        SCOPED_TRACE(std::string(side) + " " + std::to_string(unum));
        const bool right = std::string(side) == "right";
        const Tag* robot = find(robots, side, unum);
        ASSERT_NE(robot, nullptr);
        const FixturePose truth = ReplayFixture::truth(right, unum, t);
        EXPECT_NEAR(number(*robot, "data-x"), page.x(truth.x), 0.6);
        EXPECT_NEAR(number(*robot, "data-y"), page.y(truth.y), 0.6);
        EXPECT_LT(angleDiff(drawnYaw(*robot), truth.yaw), 2.0);
        const Tag* belief = find(beliefs, side, unum);
        const Tag* ball = find(balls, side, unum);
        if ((!right && unum == 1) || (right && unum == 1)) {
            EXPECT_EQ(belief, nullptr);
            EXPECT_EQ(ball, nullptr);
            continue;
        }
        ASSERT_NE(belief, nullptr);
        ASSERT_NE(ball, nullptr);
        const FixturePose b = ReplayFixture::belief(right, unum, t);
        EXPECT_NEAR(number(*belief, "data-x"), page.x(b.x), 0.6);
        EXPECT_NEAR(number(*belief, "data-y"), page.y(b.y), 0.6);
        EXPECT_LT(angleDiff(drawnYaw(*belief), b.yaw), 2.0);
        EXPECT_NEAR(number(*ball, "data-x"), page.x(ReplayFixture::believedBall(t).x), 0.6);
        EXPECT_NEAR(number(*ball, "data-y"), page.y(ReplayFixture::believedBall(t).y), 0.6);
    }
    const std::vector<Tag> ball = tags(html, "<i class=\"ball\"");
    ASSERT_EQ(ball.size(), 1u);
    EXPECT_NEAR(number(ball[0], "data-x"), page.x(ReplayFixture::ball(t).x), 0.6);
    EXPECT_NEAR(number(ball[0], "data-y"), page.y(ReplayFixture::ball(t).y), 0.6);

    // The players' table shows each error; the timeline marks five play
    // modes and the goal; the plot draws the two players with beliefs.
    const std::vector<Tag> rows = tags(html, "<tr data-key=");
    ASSERT_EQ(rows.size(), 4u);
    for (const Tag& row : rows) {
        const std::string key = row.at("data-key");
        const bool right = key.rfind("right", 0) == 0;
        const int unum = std::atoi(key.c_str() + key.find(' '));
        if (key != "left 2" && key != "right 3") {
            EXPECT_EQ(row.count("data-position-error") ? row.at("data-position-error") : "", "") << key;
            continue;
        }
        const FixturePose truth = ReplayFixture::truth(right, unum, t), belief = ReplayFixture::belief(right, unum, t);
        EXPECT_NEAR(number(row, "data-position-error"), std::hypot(belief.x - truth.x, belief.y - truth.y), 0.001) << key;
    }
    EXPECT_NE(html.find(">0.50 m<"), std::string::npos);
    EXPECT_NE(html.find(">12.0\u00b0<"), std::string::npos);
    EXPECT_EQ(tags(html, "<button class=\"tick mode\"").size(), 5u);
    EXPECT_EQ(tags(html, "<button class=\"tick goal\"").size(), 1u);
    const std::vector<Tag> plot = tags(html, "<canvas id=\"plot\"");
    ASSERT_EQ(plot.size(), 1u);
    EXPECT_EQ(number(plot[0], "data-lines"), 2);
    EXPECT_NE(html.find("Ants/p1 has a Msg.txt but no beliefs.csv"), std::string::npos) << "the page shows the notes";

    // The picture for the README, of the frame checked above.
    const std::string shot = std::string(SCREENSHOT_DIR) + "/replay.png";
    ::unlink(shot.c_str());
    EXPECT_TRUE(browser.screenshot(shot)) << browser.error();
    struct stat info {};
    EXPECT_EQ(::stat(shot.c_str(), &info), 0) << shot;
    EXPECT_GT(info.st_size, 10000) << shot;

    ASSERT_TRUE(sim.signal(SIGTERM));
    EXPECT_EQ(sim.wait(10000), 0) << "a replay stops cleanly when asked" << sim.err();
}

TEST(ReplayBrowser, BadFilesPlayWhatIsThereAndSayWhatWasSkipped) {
    if (::access(kChromium.c_str(), X_OK) != 0) GTEST_SKIP() << "chromium is not installed";
    TempDir dir;
    ReplayFixture::Faults broken;
    broken.cutLastLine = true;
    broken.beliefsMissColumns = true;
    ReplayFixture::Faults bare;
    bare.noBeliefs = true;
    struct Case {
        const char* name;
        ReplayFixture::Faults faults;
        std::vector<std::string> notes;
        size_t beliefs;
    } cases[] = {
        {"broken", broken,
         {"truth log line 500 is cut off: the log ends in the middle of it; skipped",
          "Bees/p3/beliefs.csv lacks the columns x, yaw; no beliefs for this player"},
         1},
        {"bare", bare, {"Ants/p1 has a Msg.txt but no beliefs.csv (wmtrace makes it); only its truth is shown"}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string game = dir.file(c.name);
        ::mkdir(game.c_str(), 0755);
        ReplayFixture::write(game, c.faults);
        // Its own working folder: a program's output is kept there, by name.
        const std::string work = game + "-run";
        ::mkdir(work.c_str(), 0755);
        ChildProcess sim;
        const int port = startReplay(sim, game, work);
        ASSERT_GT(port, 0) << sim.out() << sim.err();
        const auto [status, body] = httpGet(port, "/state?t=100");
        ASSERT_EQ(status, 200) << body;
        const json last = json::parse(body, nullptr, false);
        ASSERT_TRUE(last.is_object()) << body;
        EXPECT_EQ(last["cycle"], c.faults.cutLastLine ? 498 : 499) << "the last whole cycle";
        HeadlessBrowser browser;
        const std::string html = drawnPage(browser, dir.file(std::string(c.name) + "-dom"),
                                           "http://127.0.0.1:" + std::to_string(port) + "/?t=3", 150);
        ASSERT_FALSE(html.empty());
        for (const std::string& note : c.notes) {
            EXPECT_NE(sim.out().find("replay: " + note), std::string::npos) << note << "\n" << sim.out();
            EXPECT_NE(html.find(note), std::string::npos) << "on the page: " << note;
        }
        EXPECT_EQ(tags(html, "<i class=\"robot\"").size(), 4u) << "still plays";
        EXPECT_EQ(tags(html, "<i class=\"belief\"").size(), c.beliefs);
        EXPECT_EQ(number(tags(html, "<div id=\"drawn\"").at(0), "data-cycle"), 150);
        ASSERT_TRUE(sim.signal(SIGTERM));
        EXPECT_EQ(sim.wait(10000), 0);
    }

    // Nothing to play: a clear word and a failing exit status.
    ChildProcess none;
    ASSERT_TRUE(none.start(FIELDSIM_BIN, {"--replay", dir.file("nothing")}, dir.path()));
    EXPECT_EQ(none.wait(10000), 1);
    EXPECT_NE(none.err().find("fieldsim: no truth log at " + dir.file("nothing")), std::string::npos)
        << none.err();
}

// The keyboard drives the timeline as the page's help line says: steps of one
// cycle, speeds, the ends, the marks of the index, and play and pause. Acted
// out in chromium over its DevTools pipe; every check waits for the drawn
// frame, never for a time, so a busy machine only makes it slower.
TEST(ReplayBrowser, KeysStepSpeedJumpPlayAndPause) {
    if (::access(kChromium.c_str(), X_OK) != 0) GTEST_SKIP() << "chromium is not installed";
    TempDir dir;
    ::mkdir(dir.file("game").c_str(), 0755);
    ReplayFixture::write(dir.file("game"));
    ChildProcess sim;
    const int port = startReplay(sim, dir.file("game"), dir.path());
    ASSERT_GT(port, 0) << sim.out() << sim.err();
    const auto [status, body] = httpGet(port, "/replay/index");
    ASSERT_EQ(status, 200) << body;
    const json index = json::parse(body, nullptr, false);
    ASSERT_TRUE(index.is_object() && index["marks"].is_array()) << body;
    int firstMark = -1;  // the first mark after the start
    for (const json& m : index["marks"])
        if (m.value("frame", 0) > 0 && firstMark < 0) firstMark = m["frame"];
    ASSERT_GT(firstMark, 0) << "the fixture changes play mode after the start: " << body;

    ::mkdir(dir.file("keys").c_str(), 0755);
    HeadlessBrowser page;
    ASSERT_TRUE(page.open("http://127.0.0.1:" + std::to_string(port) + "/?t=6.5", dir.file("keys"))) << page.error();
    const std::string drawn = "Number(document.getElementById('drawn').dataset.frame)";
    const auto drawnIs = [&](int frame) { return page.waitFor(drawn + " === " + std::to_string(frame)); };
    ASSERT_TRUE(drawnIs(325)) << page.error();

    struct Key {
        const char *key, *code;
        int frame;  // drawn after the press
    };
    for (const Key& k : {Key{".", "Period", 326}, {".", "Period", 327}, {",", "Comma", 326}, {"ArrowRight", "ArrowRight", 327},
                         {"End", "End", ReplayFixture::kCycles - 1}, {"Home", "Home", 0}, {"]", "BracketRight", firstMark},
                         {"[", "BracketLeft", 0}}) {
        SCOPED_TRACE(k.key);
        ASSERT_TRUE(page.press(k.key, k.code)) << page.error();
        EXPECT_TRUE(drawnIs(k.frame)) << page.error() << "; drawn " << page.evaluate(drawn);
    }
    // The drawn record names the cycle of the drawn frame, as the truth log does.
    EXPECT_EQ(page.evaluate("document.getElementById('drawn').dataset.cycle"), "0");

    const std::string speed = "document.getElementById('speed').value";
    EXPECT_EQ(page.evaluate(speed), "1");
    // Down to the slowest, so that the playing below is far from the end when it is paused.
    for (const auto& [key, shown] : {std::pair<const char*, const char*>{"+", "2"}, {"+", "4"}, {"-", "2"}, {"-", "1"},
                                     {"-", "0.5"}, {"-", "0.25"}, {"-", "0.25"}}) {
        ASSERT_TRUE(page.press(key, key == std::string("+") ? "Equal" : "Minus")) << page.error();
        EXPECT_EQ(page.evaluate(speed), shown) << key;
    }

    // Space plays from the start on; space again holds the frame where it is
    // (at a quarter of real time the end is 40 s away).
    ASSERT_TRUE(page.press(" ", "Space")) << page.error();
    ASSERT_TRUE(page.waitFor(drawn + " >= 20")) << page.error() << "; playing did not move on";
    ASSERT_TRUE(page.press(" ", "Space")) << page.error();
    // The page draws a frame once its states are fetched: let the last one land.
    ASSERT_TRUE(page.waitFor("!replay.playing && " + drawn + " === replay.frame")) << page.error();
    const json held = page.evaluate(drawn);
    ASSERT_TRUE(held.is_number()) << page.error();
    EXPECT_LT(held.get<int>(), ReplayFixture::kCycles / 2) << "it played on after the pause";
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(page.evaluate("requestAnimationFrame(() => 0), " + drawn), held) << "paused, yet it moved on";
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
}
