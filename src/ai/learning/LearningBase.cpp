#include "ai/learning/LearningBase.h"

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <iostream>
#include <sstream>
#include <utility>

#include "ai/learning/ShellSimulator.h"
#include "buildMode.h"
#include "dmu/DMUtil.h"
#include "skills/MidLevelSkills.h"
#include "types.h"
#include "utils/CommandCreator.h"
#include "utils/ServerCommunicationManager.h"
#include "worldModel/GameConf.h"
#include "worldModel/WorldModel.h"

namespace {

constexpr unsigned kRestartPause = 2;    // seconds for the simulator to go down or come up
constexpr unsigned kRetryPause = 1;      // seconds between tries to listen for the optimiser
constexpr std::size_t kQuotedText = 60;  // characters of a bad vector shown in a report

bool gLogKept = false;

std::string quoted(const std::string& text) {
    std::string shown = text.substr(0, kQuotedText);
    for (char& c : shown) {
        if (c == '\n' || c == '\r' || c == '\t') c = ' ';
    }
    return "\"" + shown + (text.size() > kQuotedText ? "...\"" : "\"");
}

}  // namespace

LearningBase::LearningBase(unsigned count, std::unique_ptr<SimulatorControl> simulator,
                           std::unique_ptr<Communicator> optimiser)
    : serverCon(nullptr),
      paramsCount(count),
      start(true),
      stepCount(0),
      episodCount(1),
      WM(WorldModel::getUniqueInstance()),
      CC(CommandCreator::getUniqueInstance()),
      GC(GameConf::getUniqueInstance()),
      dmutil(DMUtil::getUniqueInstance()),
      MLS(MidLevelSkills::getUniqueInstance()),
      params(new double[count]()),
      simulator(std::move(simulator)) {
    if (!this->simulator) {
        this->simulator = std::make_unique<ShellSimulator>();
    }
    if (!gLogKept) {
        log.open(kLogFile, std::ios::out | std::ios::trunc);
        log.close();
    }

    if (optimiser && optimiser->isConnected()) {
        matlabCon = std::move(optimiser);
    } else {
        matlabCon = std::make_unique<Communicator>(kOptimiserBufSize, false);
        waitForOptimiser();
    }

    serverCon = ServerCommunicationManager::getUniqueInstance();
    serverCon->disconnect();
    this->simulator->killSimulator();
    this->simulator->waitUntilDown(kRestartPause);
    reconnectAgent();
}

LearningBase::~LearningBase() {
    if (log.is_open()) {
        log.close();
    }
}

bool LearningBase::finished() { return false; }

void LearningBase::setLogKept(bool keep) { gLogKept = keep; }

bool LearningBase::isOptimiserConnected() const { return matlabCon && matlabCon->isConnected(); }

void LearningBase::waitForOptimiser() {
    devOut("Waiting for matlab connection\n");
    std::cout.flush();
    // Listening can fail only for reasons outside the agent (the port is
    // still taken); they pass, so trying again is all there is to do.
    for (unsigned tryNumber = 2; !matlabCon->create(kOptimiserPort); ++tryNumber) {
        simulator->wait(kRetryPause);
        devOut("Try ", tryNumber, ": Creating Matlab Connection... \n");
        std::cout.flush();
    }
}

std::unique_ptr<Communicator> LearningBase::listenForOptimiser(unsigned port) {
    auto link = std::make_unique<Communicator>(kOptimiserBufSize, false);
    devOut("Waiting for the optimiser on port ", port, "\n");
    std::cout.flush();
    for (unsigned tryNumber = 2; !link->create(port); ++tryNumber) {
        unsigned left = kRetryPause;
        while (left > 0) left = ::sleep(left);
        devOut("Try ", tryNumber, ": listening for the optimiser on port ", port, "\n");
        std::cout.flush();
    }
    return link;
}

void LearningBase::bindSkill(const std::string& skill,
                             const std::vector<SkillParams::Param>& list) {
    skillName = skill;
    skillParamList = list;
    if (list.size() != paramsCount) {
        std::cerr << "Learner: the " << skill << " skill has " << list.size()
                  << " values but the vector has " << paramsCount << "; only the first "
                  << std::min<std::size_t>(list.size(), paramsCount) << " are handed over."
                  << std::endl;
    }
}

void LearningBase::publishParams() {
    if (skillName.empty()) return;
    SkillParams* values = SkillParams::getUniqueInstance();
    for (std::size_t i = 0; i < skillParamList.size() && i < paramsCount; ++i) {
        values->set(skillName, skillParamList[i].name, params[i]);
    }
}

void LearningBase::beamAtStart(double x, double y, double dir) {
    startPoseSet = true;
    startPoseX = x;
    startPoseY = y;
    startPoseDir = dir;
}

void LearningBase::beamIfDue() {
    if (!startPoseSet || stepCount != kBeamStep) return;
    const PlayMode mode = WM->getPlayMode();
    if (mode != PM_BEFORE_KICK_OFF && mode != PM_GOAL_LEFT && mode != PM_GOAL_RIGHT &&
        mode != PM_UNKNOWN) {
        std::cerr << "Learner: episode " << episodCount
                  << " beams to its start after the kick-off, which the server ignores; start "
                     "the simulator with a later kick-off."
                  << std::endl;
    }
    CC->beam(static_cast<float>(startPoseX), static_cast<float>(startPoseY),
             static_cast<float>(startPoseDir));
}

void LearningBase::reconnectAgent() {
    simulator->startSimulator();
    simulator->waitUntilUp(kRestartPause);
    const std::string host = simulator->serverHost();
    serverCon->connect2(simulator->serverPort(), host.c_str());
    serverCon->sendMsg(GC->getRSGPath());
}

unsigned LearningBase::readParams(const std::string& text, bool& rest) {
    std::istringstream in(text);
    unsigned read = 0;
    // Each number is taken only when it was read whole: a failed extraction
    // would otherwise write 0 into the parameter.
    for (double value = 0.0; read < paramsCount && in >> value; ++read) {
        params[read] = value;
    }
    rest = false;
    if (read == paramsCount) {
        in >> std::ws;
        rest = !in.eof();
    }

    log.open(kLogFile, std::ios::out | std::ios::app);
    std::cout << paramsCount << " new params: ";
    for (unsigned i = 0; i < paramsCount; ++i) {
        std::cout << params[i] << " ";
        log << params[i] << " ";
    }
    std::cout << std::endl;
    log.close();
    return read;
}

void LearningBase::setParams(const std::string& text) {
    bool rest = false;
    const unsigned read = readParams(text, rest);
    publishParams();
    if (read < paramsCount) {
        std::cerr << "Optimiser link: only " << read << " of " << paramsCount
                  << " parameters could be read from " << quoted(text)
                  << "; the others keep their values." << std::endl;
    } else if (rest) {
        std::cerr << "Optimiser link: " << paramsCount
                  << " parameters expected; the rest of the text is ignored: " << quoted(text)
                  << std::endl;
    }
}

void LearningBase::receiveParams() {
    const char* text = matlabCon->readMsg();
    if (text == nullptr && stopWhenOptimiserLeaves) {
        return;  // no episode follows: nothing to log
    }
    if (text == nullptr) {
        std::cerr << "Optimiser link: no parameter vector received; episode " << episodCount
                  << " runs with the previous values." << std::endl;
        bool rest = false;
        readParams("", rest);
        publishParams();
        return;
    }
    setParams(text);
}

void LearningBase::sendFitness(double fitness) {
    if (!std::isfinite(fitness)) {
        std::cerr << "Fitness of episode " << episodCount << " is not a number (" << fitness
                  << "); the optimiser is sent " << kUnscoredFitness << " instead." << std::endl;
        fitness = kUnscoredFitness;
    }
    std::ostringstream out;
    out << fitness << "\n";
    const std::string text = out.str();

    log.open(kLogFile, std::ios::out | std::ios::app);
    log << text;
    log.close();
    std::cout << "Sending Fitness: " << text << std::endl;
    if (!matlabCon->sendMsg(text)) {
        std::cerr << "Optimiser link: the fitness of episode " << episodCount
                  << " could not be sent." << std::endl;
    }
}

void LearningBase::learn() {
    restarted = false;
    if (start) {
        serverCon->disconnect();
        receiveParams();
        reconnectAgent();
        start = false;
        if (quietUntilPerceived) {
            restarted = true;
            return;
        }
    }

    ++stepCount;
    if (!isEvalDone()) {
        // First, so that a learner that beams (or sends another command that
        // replaces the text) in that cycle itself has its way.
        beamIfDue();
        continueEval();
        return;
    }

    std::cout << "Evaluation Done!" << std::endl;
    sendFitness(calcFitness());
    std::cout << "=================================" << std::endl;
    stepCount = 0;
    ++episodCount;
    std::cout << "Episod " << episodCount << " started..." << std::endl;
    if (!finished()) {
        serverCon->disconnect();
        simulator->killSimulator();
        simulator->waitUntilDown(kRestartPause);
        receiveParams();
        if (stopWhenOptimiserLeaves && !isOptimiserConnected()) {
            return;
        }
        reconnectAgent();
        if (quietUntilPerceived) {
            restarted = true;
            return;
        }
        continueEval();
    }
}
