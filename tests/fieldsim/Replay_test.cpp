// The replay's model of a recorded game: the truth log's frames, the players'
// beliefs turned into the world frame for both sides, seeking by time and by
// cycle, what is skipped (and said) when the files are bad, and the answers
// the page and scripts get.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cmath>
#include <fstream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "ReplayFixture.h"
#include "replay/ReplayRecording.h"
#include "replay/ReplayService.h"
#include "replay/TruthLogReader.h"
#include "support/ChildProcess.h"

namespace {

using json = nlohmann::json;

bool noted(const ReplayRecording& r, const std::string& text) {
    for (const std::string& n : r.notes()) {
        if (n.find(text) != std::string::npos) return true;
    }
    return false;
}

std::string allNotes(const ReplayRecording& r) {
    std::string all;
    for (const std::string& n : r.notes()) all += n + "\n";
    return all;
}

double angleDiff(double a, double b) { return std::fabs(std::remainder(a - b, 360.0)); }

MonitorReply ask(const ReplayService& service, const std::string& target, bool* handled = nullptr) {
    MonitorRequest request;
    EXPECT_EQ(request.parse("GET " + target + " HTTP/1.1\r\n\r\n", 8192), MonitorRequest::Status::Complete) << target;
    MonitorReply reply;
    const bool ok = service.answer(request, reply);
    if (handled) *handled = ok;
    return reply;
}

json askJson(const ReplayService& service, const std::string& target) {
    const MonitorReply reply = ask(service, target);
    EXPECT_EQ(reply.status, "200 OK") << target << ": " << reply.body;
    return json::parse(reply.body, nullptr, false);
}

const json* robotIn(const json& state, const std::string& side, int unum) {
    for (const json& r : state["robots"]) {
        if (r["side"] == side && r["unum"] == unum) return &r;
    }
    return nullptr;
}

void mkdirs(const std::string& dir, std::initializer_list<const char*> subs) {
    for (const char* s : subs) ::mkdir((dir + "/" + s).c_str(), 0755);
}

// Writes the fixture game into `dir`, spoilt by `faults`, and loads it.
::testing::AssertionResult loadFixture(const TempDir& dir, ReplayRecording& rec,
                                       const ReplayFixture::Faults& faults = ReplayFixture::Faults()) {
    ReplayFixture::write(dir.path(), faults);
    std::string error;
    if (rec.load(dir.path(), error)) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << error;
}

}  // namespace

TEST(ReplayRecording, BeliefsOfEitherSideAreTurnedIntoTheWorldFrame) {
    TempDir dir;
    ReplayFixture::write(dir.path());
    // Two more beliefs of Bees 1, a right-team player: rows of an unknown
    // side are in the world frame already (wmtrace did not mirror them);
    // without a side column the truth log's side decides.
    mkdirs(dir.path(), {"Bees/p1"});
    std::ofstream(dir.file("Bees/p1/beliefs.csv")) << "time,side,x,y,yaw,ball_x,ball_y\n"
                                                       "1.000,SIDE_UNKNOWN,5.0,-0.5,-170,1,2\n"
                                                       "1.020,SIDE_RIGHT,-5.0,0.5,10,-1,-2\n";
    ReplayRecording rec;
    std::string error;
    ASSERT_TRUE(rec.load(dir.path(), error)) << error;
    ASSERT_EQ(rec.frames().size(), static_cast<size_t>(ReplayFixture::kCycles));
    ASSERT_EQ(rec.tracks().size(), 3u) << allNotes(rec);
    EXPECT_TRUE(noted(rec, "Ants/p1 has a Msg.txt but no beliefs.csv")) << allNotes(rec);

    for (double t : {0.5, 3.3, 6.5, 9.98}) {
        SCOPED_TRACE(t);
        const ReplayFrame& f = rec.frames()[rec.frameAt(t)];
        EXPECT_NEAR(f.time, t, 1e-9);
        for (const auto& [team, right, unum] : {std::tuple<const char*, bool, int>{"Ants", false, 2}, {"Bees", true, 3}}) {
            const BeliefTrack* track = rec.trackOf(team, unum);
            ASSERT_NE(track, nullptr) << team;
            const BeliefRow* row = track->at(t);
            ASSERT_NE(row, nullptr) << team;
            const FixturePose want = ReplayFixture::belief(right, unum, t);
            EXPECT_NEAR(row->x, want.x, 1e-3) << team;
            EXPECT_NEAR(row->y, want.y, 1e-3) << team;
            EXPECT_LT(angleDiff(row->yaw, want.yaw), 2e-3) << team;
            EXPECT_NEAR(row->ballX, ReplayFixture::believedBall(t).x, 1e-3) << team;
            EXPECT_NEAR(row->ballY, ReplayFixture::believedBall(t).y, 1e-3) << team;
        }
    }
    const BeliefTrack* bees1 = rec.trackOf("Bees", 1);
    ASSERT_NE(bees1, nullptr);
    ASSERT_EQ(bees1->rows.size(), 2u);
    for (const BeliefRow& row : bees1->rows) {
        EXPECT_NEAR(row.x, 5.0, 1e-9);
        EXPECT_NEAR(row.y, -0.5, 1e-9);
        EXPECT_LT(angleDiff(row.yaw, 170.0), 1e-9);
        EXPECT_NEAR(row.ballX, 1.0, 1e-9);
        EXPECT_NEAR(row.ballY, 2.0, 1e-9);
    }
}

TEST(ReplayRecording, SeeksByTimeAndCycleAndShowsABeliefOnlyWhileItIsFresh) {
    TempDir dir;
    ReplayRecording rec;
    ASSERT_TRUE(loadFixture(dir, rec));
    EXPECT_EQ(rec.frameAt(-5.0), 0u) << "before the start: the first frame";
    EXPECT_EQ(rec.frameAt(0.0), 0u);
    EXPECT_EQ(rec.frameAt(3.3), 165u);
    EXPECT_EQ(rec.frameAt(3.319), 165u) << "between two cycles: the one before";
    EXPECT_EQ(rec.frameAt(1e9), 499u) << "after the end: the last frame";
    size_t frame = 0;
    EXPECT_TRUE(rec.frameOfCycle(250, frame));
    EXPECT_EQ(frame, 250u);
    EXPECT_FALSE(rec.frameOfCycle(500, frame));

    const BeliefTrack* ants = rec.trackOf("Ants", 2);
    ASSERT_NE(ants, nullptr);
    EXPECT_EQ(ants->at(0.05), nullptr) << "before the player's first message";
    ASSERT_NE(ants->at(0.1), nullptr);
    ASSERT_NE(ants->at(9.98 + BeliefTrack::kStale - 0.001), nullptr) << "the last belief, shortly after";
    EXPECT_EQ(ants->at(9.98 + BeliefTrack::kStale + 0.001), nullptr) << "a belief gone stale";
    EXPECT_EQ(rec.trackOf("Ants", 1), nullptr);
}

TEST(ReplayRecording, BadFilesAreSkippedWhereTheyAreBadAndSaidSo) {
    TempDir dir;
    ReplayFixture::Faults faults;
    faults.cutLastLine = true;
    faults.garbageLine = true;
    faults.beliefsMissColumns = true;
    ReplayRecording rec;
    ASSERT_TRUE(loadFixture(dir, rec, faults));
    EXPECT_EQ(rec.frames().size(), static_cast<size_t>(ReplayFixture::kCycles - 2));
    EXPECT_TRUE(noted(rec, "truth log line 101 is not JSON")) << allNotes(rec);
    EXPECT_TRUE(noted(rec, "truth log line 500 is cut off: the log ends in the middle of it; skipped")) << allNotes(rec);
    EXPECT_TRUE(noted(rec, "Bees/p3/beliefs.csv lacks the columns x, yaw; no beliefs for this player")) << allNotes(rec);
    EXPECT_EQ(rec.tracks().size(), 1u) << "Ants 2's beliefs still play";

    // Lines that go back in time, robots that cannot be placed, rows that are
    // cut short, not numbers or without a belief; a line far too long.
    TempDir odd;
    mkdirs(odd.path(), {"T", "T/p4", "U", "U/p2", "T/p5", "T/notaplayer"});
    const std::string robot = R"({"team":"T","side":"left","unum":4,"x":1,"y":2,"yaw":0,"state":"upright"})";
    std::ofstream(odd.file("truth.jsonl"))
        << "{\"cycle\":0,\"time\":0.00,\"robots\":[" << robot << "]}\n\n"
        << "{\"cycle\":1,\"time\":0.02,\"robots\":[" << robot << R"(,{"team":"T","unum":5,"x":1,"y":1}]})" << "\n"
        << "{\"cycle\":0,\"time\":0.00,\"robots\":[]}\n"
        << "[1,2,3]\n"
        << "{\"cycle\":2,\"time\":0.04,\"pad\":\"" << std::string(TruthLogReader::kMaxLine, 'x') << "\"}\n"
        << "{\"cycle\":3,\"time\":0.06,\"robots\":[" << robot << "]}\r\n";
    std::ofstream(odd.file("T/p4/beliefs.csv")) << "time,x,y,yaw\n0.00,1,2,0\n0.02,1\n0.04,one,2,0\n0.06,nan,nan,nan\n0.00,1,2,3\n";
    std::ofstream(odd.file("U/p2/beliefs.csv")) << "time,x,y,yaw\n0.00,1,2,0\n";
    std::ofstream(odd.file("T/p5/beliefs.csv")) << "time,x,y,yaw\n0.00,1,2,0\n";
    std::string error;
    ASSERT_TRUE(rec.load(odd.path(), error)) << error;
    ASSERT_EQ(rec.frames().size(), 3u) << allNotes(rec);
    EXPECT_EQ(rec.frames().back().cycle, 3);
    EXPECT_EQ(rec.frames()[1].robots.size(), 1u);
    for (const char* note : {"truth log line 4 goes back in time (cycle 0 after cycle 1); skipped",
                             "truth log line 5 has no cycle or time; skipped", "truth log line 6 is longer than",
                             "truth log: 1 robot entries without team, side, number or position; left out",
                             "T/p4/beliefs.csv: 2 rows cut short or not numbers; skipped",
                             "T/p4/beliefs.csv: 1 rows without a position (nan); skipped",
                             "T/p4/beliefs.csv: 1 rows that go back in time; skipped",
                             "T/p4/beliefs.csv has no side column; its rows are taken in the frame of the left team",
                             "T/p4/beliefs.csv lacks ball_x or ball_y", "U/p2/beliefs.csv: the truth log has no team U",
                             "T/p5/beliefs.csv: the truth log has no player 5 of T"}) {
        EXPECT_TRUE(noted(rec, note)) << note << "\n" << allNotes(rec);
    }
    ASSERT_EQ(rec.tracks().size(), 1u);
    EXPECT_EQ(rec.tracks()[0].rows.size(), 1u);
}

TEST(ReplayRecording, WithoutBeliefsOrWithoutATruthLog) {
    TempDir dir;
    ReplayFixture::Faults faults;
    faults.noBeliefs = true;
    ReplayFixture::write(dir.path(), faults);
    ReplayRecording rec;
    std::string error;
    ASSERT_TRUE(rec.load(dir.path() + "/truth.jsonl", error)) << "a truth log named directly: " << error;
    EXPECT_EQ(rec.folder(), dir.path());
    EXPECT_TRUE(rec.tracks().empty());
    EXPECT_TRUE(noted(rec, "Ants/p1 has a Msg.txt but no beliefs.csv (wmtrace makes it); only its truth is shown"))
        << allNotes(rec);

    TempDir bare;
    std::ofstream(bare.file("truth.jsonl")) << "{\"cycle\":0,\"time\":0.0,\"robots\":[]}\n";
    ASSERT_TRUE(rec.load(bare.path(), error)) << error;
    EXPECT_TRUE(noted(rec, "no beliefs in " + bare.path())) << allNotes(rec);

    EXPECT_FALSE(rec.load(bare.file("nowhere"), error));
    EXPECT_NE(error.find("no truth log at " + bare.file("nowhere")), std::string::npos) << error;
    std::ofstream(bare.file("truth.jsonl")) << "{\"cycle\":0,\"ti";
    EXPECT_FALSE(rec.load(bare.path(), error));
    EXPECT_NE(error.find("holds no cycle that can be played"), std::string::npos) << error;
}

TEST(ReplayService, StateAtATimeFramesInBatchesAndRefusals) {
    TempDir dir;
    ReplayRecording rec;
    ASSERT_TRUE(loadFixture(dir, rec));
    const ReplayService service(rec);

    const json st = askJson(service, "/state?t=3.3");
    EXPECT_EQ(st["cycle"], 165);
    EXPECT_EQ(st["play_mode"], "PlayOn");
    ASSERT_EQ(st["robots"].size(), 4u);
    const json* ants2 = robotIn(st, "left", 2);
    ASSERT_NE(ants2, nullptr);
    EXPECT_NEAR((*ants2)["x"].get<double>(), ReplayFixture::truth(false, 2, 3.3).x, 1e-4);
    const json& b = (*ants2)["belief"];
    EXPECT_NEAR(b["position_error"].get<double>(), 0.5, 1e-3);
    EXPECT_NEAR(b["heading_error"].get<double>(), 12.0, 2e-3) << "believed 12 degrees to the left";
    EXPECT_NEAR(b["ball_error"].get<double>(), std::hypot(0.25, 0.1), 1e-3);
    EXPECT_NEAR(b["ball"]["x"].get<double>(), ReplayFixture::believedBall(3.3).x, 1e-3);
    EXPECT_FALSE(robotIn(st, "left", 1)->contains("belief")) << "Ants 1 has no beliefs";
    EXPECT_EQ(askJson(service, "/state?cycle=250")["time"], 5.0);
    EXPECT_EQ(askJson(service, "/state")["cycle"], 0) << "no time: the start";
    EXPECT_EQ(askJson(service, "/state?t=-3")["cycle"], 0);

    const json batch = askJson(service, "/replay/states?from=495&count=10");
    EXPECT_EQ(batch["from"], 495);
    ASSERT_EQ(batch["states"].size(), 5u) << "up to the end";
    EXPECT_EQ(batch["states"][4]["cycle"], 499);
    EXPECT_EQ(batch["states"][0], askJson(service, "/state?cycle=495")) << "a batch holds the same states";
    EXPECT_TRUE(askJson(service, "/replay/states?from=9999&count=10")["states"].empty());

    const std::vector<std::pair<std::string, std::string>> refused = {
        {"/state?t=soon", "400 Bad Request"}, {"/state?t=nan", "400 Bad Request"},
        {"/state?cycle=9999", "404 Not Found"}, {"/state?cycle=-1", "404 Not Found"},
        {"/replay/states?from=0", "400 Bad Request"}, {"/replay/states?from=-1&count=2", "400 Bad Request"},
        {"/events", "404 Not Found"}};
    for (const auto& [target, status] : refused) {
        const MonitorReply reply = ask(service, target);
        EXPECT_EQ(reply.status, status) << target;
        EXPECT_EQ(reply.contentType.rfind("text/plain", 0), 0u) << target;
        EXPECT_FALSE(reply.body.empty()) << target;
    }
    bool handled = true;
    ask(service, "/", &handled);
    EXPECT_FALSE(handled) << "the page is the monitor's own";
}

TEST(ReplayService, TheTimelineMarksPlayModesAndGoalsAndPlotsEveryPlayersError) {
    TempDir dir;
    ReplayRecording rec;
    ASSERT_TRUE(loadFixture(dir, rec));
    const json index = json::parse(ReplayService(rec).indexJson());
    EXPECT_EQ(index["frames"], 500);
    std::vector<std::string> marks;
    for (const json& m : index["marks"]) marks.push_back(std::to_string(m["frame"].get<int>()) + " " + m["label"].get<std::string>());
    const std::vector<std::string> expected = {"0 BeforeKickOff", "50 KickOff_Left",   "100 PlayOn",
                                               "350 Goal Ants 1:0", "350 Goal_Left", "400 KickOff_Right"};
    EXPECT_EQ(marks, expected);
    ASSERT_EQ(index["players"].size(), 4u);
    EXPECT_EQ(index["teams"]["left"], "Ants");
    for (const json& p : index["players"]) {
        const bool beliefs = (p["side"] == "left" && p["unum"] == 2) || (p["side"] == "right" && p["unum"] == 3);
        EXPECT_EQ(p["beliefs"], beliefs) << p["side"] << p["unum"];
        EXPECT_EQ(p["error"].size(), beliefs ? 495u : 0u);
        for (const json& point : p["error"]) {
            const bool right = p["side"] == "right";
            const double t = ReplayFixture::timeOf(point[0].get<int>());
            const FixturePose truth = ReplayFixture::truth(right, p["unum"], t);
            const FixturePose belief = ReplayFixture::belief(right, p["unum"], t);
            EXPECT_NEAR(point[1].get<double>(), std::hypot(belief.x - truth.x, belief.y - truth.y), 1e-3) << point;
        }
    }
    EXPECT_NE(index["notes"].dump().find("Ants/p1 has a Msg.txt"), std::string::npos);

    // A long game: each plotted point is the worst of its stretch, so a
    // moment of being lost shows however many cycles share a point.
    TempDir longGame;
    mkdirs(longGame.path(), {"L", "L/p1"});
    std::ofstream truth(longGame.file("truth.jsonl"));
    std::ofstream beliefs(longGame.file("L/p1/beliefs.csv"));
    beliefs << "time,side,x,y,yaw\n";
    for (int c = 0; c < 4000; ++c) {
        truth << "{\"cycle\":" << c << ",\"time\":" << c * 0.02
              << R"(,"robots":[{"team":"L","side":"left","unum":1,"x":0,"y":0,"yaw":0}]})" << "\n";
        beliefs << c * 0.02 << ",SIDE_LEFT," << (c == 2345 ? 3.0 : 0.1) << ",0,0\n";
    }
    truth.close();
    beliefs.close();
    std::string error;
    ASSERT_TRUE(rec.load(longGame.path(), error)) << error;
    const json points = json::parse(ReplayService(rec).indexJson())["players"][0]["error"];
    EXPECT_LE(points.size(), ReplayService::kPlotPoints);
    EXPECT_GE(points.size(), ReplayService::kPlotPoints / 2);
    bool spike = false;
    for (const json& p : points) spike = spike || (p[0] == 2345 && p[1] == 3.0);
    EXPECT_TRUE(spike) << "the worst cycle is kept";
}
