// One tuner driving two learnagents at once over loopback, each with its own
// learning-link port and its own lockstep fieldsim on a port of its own: as
// a tuner drives workers on other machines (--worker HOST:PORT), and as it
// starts them itself (--workers N). The walking experiment's short standing
// episodes keep it within seconds.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "support/ChildProcess.h"
#include "support/TruthLog.h"

namespace {

std::string bin(const char* name) { return std::string(BIN_DIR) + "/" + name; }

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) out.push_back(line);
    return out;
}

// A port nobody listened on a moment ago.
int freePort() {
    const int s = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in self{};
    self.sin_family = AF_INET;
    self.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof self;
    ::bind(s, reinterpret_cast<sockaddr*>(&self), size);
    ::getsockname(s, reinterpret_cast<sockaddr*>(&self), &size);
    ::close(s);
    return ntohs(self.sin_port);
}

// The walking experiment's vector: its 27 numbers move no joint.
std::string writeParams(const TempDir& dir) {
    std::string text = "# name start step\n";
    for (int i = 1; i <= 27; ++i) text += "v" + std::to_string(i) + " 0 1\n";
    const std::string path = dir.file("naowalk.params");
    std::ofstream(path) << text;
    return path;
}

}  // namespace

TEST(LearningWorkers, OneTunerDrivesTwoLearnagentsOverLoopbackEachWithItsOwnFieldsim) {
    TempDir tunerDir;
    TempDir agentDir[2];
    ChildProcess agent[2];
    std::vector<std::string> workerArgs;
    for (int k = 0; k < 2; ++k) {
        const int link = freePort();
        int server = freePort();
        while (server == link) server = freePort();
        // A slow answer (a busy machine) is waited for rather than run past.
        ASSERT_TRUE(agent[k].start(
            bin("learnagent"),
            {"naowalk", "--simulator", "fieldsim", "--link-port", std::to_string(link),
             "--server-port", std::to_string(server), "--fieldsim-arg=--lockstep-timeout=30",
             "--fieldsim-arg=--truth=truth.jsonl",
             k == 0 ? "--kickoff-after=1" : "--play-on-after=0.5"},
            agentDir[k].path()));
        workerArgs.push_back("--worker");
        workerArgs.push_back("127.0.0.1:" + std::to_string(link));
    }
    std::vector<std::string> args = {
        writeParams(tunerDir), "--budget", "4", "--lambda", "2", "--seed", "5", "--wait", "60"};
    args.insert(args.end(), workerArgs.begin(), workerArgs.end());
    ChildProcess tuner;
    ASSERT_TRUE(tuner.start(bin("tuner"), args, tunerDir.path()));
    ASSERT_EQ(tuner.wait(120000), 0) << tuner.out() << tuner.err();
    for (int k = 0; k < 2; ++k) EXPECT_EQ(agent[k].wait(30000), 0) << agent[k].err();

    EXPECT_NE(tuner.out().find("2 workers"), std::string::npos) << tuner.out();
    const auto csv = lines(readWholeFile(tunerDir.file("tuner.csv")));
    ASSERT_EQ(csv.size(), 5u);
    // Both worked, and the four episodes are the four the tuner sent.
    std::size_t episodes = 0;
    for (int k = 0; k < 2; ++k) {
        const auto logged = lines(readWholeFile(agentDir[k].file("learning.log")));
        std::size_t scored = 0;
        for (const std::string& l : logged) {
            std::istringstream in(l);
            int numbers = 0;
            for (double v = 0; in >> v;) ++numbers;
            if (numbers == 28) ++scored;
        }
        EXPECT_GE(scored, 1u) << "worker " << k << " ran no episode";
        episodes += scored;

        // The start lies well inside the own half: the robot stands where it
        // was beamed, and nothing moves it (the referee moves a robot on the
        // halfway line before the kick-off).
        const std::vector<TruthCycle> truth = readTruthLog(agentDir[k].file("truth.jsonl"));
        ASSERT_GT(truth.size(), 700u);
        for (std::size_t c = 10; c < truth.size(); ++c) {
            const TruthRobot* robot = truth[c].robot("VOR_Learning");
            ASSERT_NE(robot, nullptr) << "cycle " << truth[c].cycle;
            ASSERT_NEAR(robot->x, -4.0, 0.25) << "cycle " << truth[c].cycle;
            ASSERT_NEAR(robot->y, 0.0, 0.25) << "cycle " << truth[c].cycle;
        }
        EXPECT_EQ(truth.back().robot("VOR_Learning")->state, "upright");
        // The first kicks off after a second; the second goes straight to
        // PlayOn, no kick-off at all.
        std::size_t kickOff = 0, playOn = 0;
        for (const TruthCycle& c : truth) {
            kickOff += c.mode == "KickOff_Left";
            playOn += c.mode == "PlayOn";
        }
        if (k == 0) {
            EXPECT_GT(kickOff, 700u);
        } else {
            EXPECT_EQ(kickOff, 0u);
            EXPECT_GT(playOn, 750u);
        }
    }
    EXPECT_EQ(episodes, 4u);
}

TEST(LearningWorkers, TheTunerStartsItsOwnWorkersAndStopsThem) {
    TempDir tunerDir;
    ChildProcess tuner;
    ASSERT_TRUE(tuner.start(
        bin("tuner"),
        {writeParams(tunerDir), "--budget", "2", "--lambda", "2", "--workers", "2", "--learner",
         "naowalk", "--learnagent-arg", "--fieldsim-arg=--lockstep-timeout=30"},
        tunerDir.path()));
    ASSERT_EQ(tuner.wait(120000), 0) << tuner.out() << tuner.err();
    EXPECT_EQ(lines(readWholeFile(tunerDir.file("tuner.csv"))).size(), 3u);
    for (const char* w : {"workers/w1", "workers/w2"}) {
        const std::string dir = tunerDir.file(w);
        EXPECT_NE(readWholeFile(dir + "/learnagent.log").find("learnagent exited."),
                  std::string::npos)
            << w << ": " << readWholeFile(dir + "/learnagent.log").substr(0, 2000);
        // Every fieldsim it started has ended.
        const std::string sims = readWholeFile(dir + "/fieldsim.log");
        std::size_t started = 0, ended = 0;
        for (std::size_t at = 0; (at = sims.find("listening on", at)) != std::string::npos; ++at)
            ++started;
        for (std::size_t at = 0; (at = sims.find("summary:", at)) != std::string::npos; ++at)
            ++ended;
        EXPECT_GE(started, 2u) << w;
        EXPECT_EQ(started, ended) << w;
    }
}

// Every episode runs in a process of its own and answers a simulator only
// once it has spoken, so an episode scores the same whichever worker runs
// it and whatever ran there before: one worker or two, the same run.
TEST(LearningWorkers, TheSameSeedGivesTheSameEpisodesWithOneWorkerOrTwo) {
    std::string csv[2];
    for (int workers = 1; workers <= 2; ++workers) {
        TempDir dir;
        ChildProcess tuner;
        ASSERT_TRUE(tuner.start(
            bin("tuner"),
            {std::string(FIXTURE_DIR) + "/../../tools/tuner/tfswalk.params", "--budget", "6",
             "--lambda", "3", "--seed", "11", "--workers", std::to_string(workers), "--learner",
             "tfswalk", "--learnagent-arg", "--fieldsim-arg=--lockstep-timeout=30"},
            dir.path()));
        ASSERT_EQ(tuner.wait(150000), 0) << tuner.out() << tuner.err();
        csv[workers - 1] = readWholeFile(dir.file("tuner.csv"));
        ASSERT_EQ(lines(csv[workers - 1]).size(), 7u) << csv[workers - 1];
    }
    EXPECT_EQ(csv[0], csv[1]);
}
