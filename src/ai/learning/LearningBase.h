// The engine of learning by trial: an outside optimiser sends a parameter
// vector, the agent runs one episode of a motion skill with it in a freshly
// started simulator, sends back the episode's fitness, and so on, forever.
// A concrete learner supplies three decisions: whether the episode is over,
// what to do in one cycle of it, and what the finished episode was worth.
//
// The optimiser link is a plain TCP link without length prefix on which the
// agent listens (port 4100); vectors arrive as white-space separated decimal
// numbers, fitness values leave as one decimal number and a newline.
// "learning.log" gets one line per episode: the values, then the fitness.
#pragma once

#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "ai/learning/SimulatorControl.h"
#include "etc/SkillParams.h"
#include "utils/Communicator.h"

class CommandCreator;
class DMUtil;
class GameConf;
class MidLevelSkills;
class ServerCommunicationManager;
class WorldModel;

class LearningBase {
public:
    static constexpr unsigned kOptimiserPort = 4100;
    static constexpr unsigned kOptimiserBufSize = 4096;
    static constexpr const char* kLogFile = "learning.log";
    // What an episode that could not be scored is worth to the optimiser,
    // which minimises: the learners' own penalty for a stalled simulator.
    static constexpr double kUnscoredFitness = 40000.0;
    // The cycle of an episode in which the engine beams the robot to the
    // learner's start pose: the first one after the init command.
    static constexpr unsigned kBeamStep = 2;

    // Listens on `port` until an optimiser connects (trying again every
    // second while the port is taken) and returns the link. learnagent uses
    // it to listen on another port than 4100, so that several learning runs
    // can share a machine.
    static std::unique_ptr<Communicator> listenForOptimiser(unsigned port);

    // Waits (blocking) for the optimiser, then restarts the simulator and
    // connects the agent to it. `simulator` defaults to the classic shell
    // commands; an already connected `optimiser` link is used as it is
    // instead of waiting on port 4100.
    explicit LearningBase(unsigned count, std::unique_ptr<SimulatorControl> simulator = nullptr,
                          std::unique_ptr<Communicator> optimiser = nullptr);

    LearningBase(const LearningBase&) = delete;
    LearningBase& operator=(const LearningBase&) = delete;

    // Called by learn() once per cycle, before continueEval().
    virtual bool isEvalDone() = 0;
    // One cycle of the episode; stepCount is 1 in the first cycle after a
    // restart (and 0 in the call that follows the restart itself).
    virtual void continueEval() = 0;
    // The value sent to the optimiser, which minimises it.
    virtual double calcFitness() = 0;
    virtual ~LearningBase();
    // Learning never ends by itself.
    virtual bool finished();

    // Starts the simulator, waits for it and connects the agent with the
    // scene command; the learner sends the init command in the first cycle.
    void reconnectAgent();
    // Reads up to paramsCount numbers from `text` in order. Numbers that
    // are missing or unreadable leave their parameters unchanged (reported
    // on standard error); every value in use is printed and logged.
    void setParams(const std::string& text);
    // One cycle of learning; the world model is expected to hold this
    // cycle's perception, and the caller sends the prepared command after.
    void learn();

    bool atStart() const { return start; }
    unsigned getStepCount() const { return stepCount; }
    void setServerCon(ServerCommunicationManager* con) { serverCon = con; }

    unsigned getEpisodCount() const { return episodCount; }
    // A driver that runs each episode in a process of its own numbers them.
    void setEpisodCount(unsigned count) { episodCount = count; }
    // Whether a learner made from now on empties learning.log (it does by
    // default); a driver that makes one learner per episode keeps the log.
    static void setLogKept(bool keep);
    unsigned getParamsCount() const { return paramsCount; }
    double getParam(unsigned i) const { return i < paramsCount ? params[i] : 0.0; }
    // False once the optimiser has closed the link (or it failed).
    bool isOptimiserConnected() const;
    // With `stop` set, an episode's end that finds the optimiser gone starts
    // no new simulator: the driver is about to stop (learnagent). Unset, the
    // learner goes on with the previous vector.
    void setStopWhenOptimiserLeaves(bool stop) { stopWhenOptimiserLeaves = stop; }
    // With `quiet` set, a cycle that restarts the simulator ends there: the
    // episode's first step (the init command) comes with the new
    // simulator's first perception, and the driver sends nothing in the
    // restarting cycle (restartedThisCycle()). A command sent to a simulator
    // before it has sent anything races with its first cycle: in lockstep it
    // may or may not count as the answer to it, which shifts every later
    // command by a cycle on some runs and not on others. Unset, the engine
    // runs the first step in the restarting cycle, as it always has.
    void setQuietUntilPerceived(bool quiet) { quietUntilPerceived = quiet; }
    bool restartedThisCycle() const { return restarted; }
    SimulatorControl* getSimulator() const { return simulator.get(); }

    // The skill whose values the vector holds, and their names in the
    // vector's order; empty when the learner drives no skill through
    // SkillParams.
    const std::string& getSkillName() const { return skillName; }
    const std::vector<SkillParams::Param>& getSkillParamList() const { return skillParamList; }
    bool hasStartPose() const { return startPoseSet; }

protected:
    // Every vector received is handed to `skill` through SkillParams under
    // the names of `list`, in order, before the episode's first cycle: the
    // skill then runs in the episode exactly as it runs in the agent, which
    // reads the same names from params/<skill>.params. A list whose length
    // differs from the vector's is reported; the common part is handed over.
    void bindSkill(const std::string& skill, const std::vector<SkillParams::Param>& list);
    // The engine beams the robot to (x, y), facing `dir` degrees, in cycle
    // kBeamStep of every episode, before the learner's own cycle (a learner
    // that beams itself then has its way); the server accepts a beam only
    // before the kick-off. Start poses belong well inside the own half: before the
    // kick-off the referee moves a robot whose body reaches the halfway line
    // back to x = -2.5 with every velocity zeroed, which topples it.
    void beamAtStart(double x, double y, double dir);

    std::unique_ptr<Communicator> matlabCon;
    ServerCommunicationManager* serverCon;
    unsigned paramsCount;
    bool start;
    unsigned stepCount;
    unsigned episodCount;
    std::ofstream log;
    WorldModel* WM;
    CommandCreator* CC;
    GameConf* GC;
    DMUtil* dmutil;
    MidLevelSkills* MLS;
    std::unique_ptr<double[]> params;
    std::unique_ptr<SimulatorControl> simulator;

private:
    void waitForOptimiser();
    // Hands the vector to the bound skill.
    void publishParams();
    // Sends the start beam when this cycle is the one for it.
    void beamIfDue();
    // The next vector from the optimiser; a failed link keeps the vector.
    void receiveParams();
    // Returns how many numbers were read; `rest` tells whether text follows.
    unsigned readParams(const std::string& text, bool& rest);
    void sendFitness(double fitness);

    std::string skillName;
    std::vector<SkillParams::Param> skillParamList;
    bool stopWhenOptimiserLeaves = false;
    bool quietUntilPerceived = false;
    bool restarted = false;
    bool startPoseSet = false;
    double startPoseX = 0.0;
    double startPoseY = 0.0;
    double startPoseDir = 0.0;
};
