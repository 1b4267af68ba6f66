// Command line of skillrun: which skill to run, for how long, and how to
// reach and enter the server.
#pragma once

#include <ostream>
#include <string>

struct SkillRunOptions {
    static constexpr int kTeamNameMax = 63;  // what the agent's name field holds
    static constexpr double kMaxSeconds = 86400.0;

    std::string skill;
    double seconds = 5.0;
    // Seconds of holding the standing posture before the skill starts (a
    // kick or a walk from a settled stance rather than from the beam's drop).
    double settle = 0.0;
    int unum = 0;
    std::string teamName = "VOR";
    std::string host = "127.0.0.1";
    double speed = 1.0;
    double turn = 0.0;
    double heading = 0.0;
    // The field point the mid-level skills that go somewhere head for, in
    // the team's own frame (our goal at negative x).
    double targetX = 0.0;
    double targetY = 0.0;
    // Where the agent itself beams to.
    double beamX = -0.5;
    double beamY = 4.0;
    double beamR = 0.6;
    std::string csvPath = "skillrun.csv";
    // The skills' values, as the agent takes them: a folder of parameter
    // files (empty: the default folders), or the design values.
    std::string paramsDir;
    bool designParams = false;
};

enum class SkillRunParse { Run, Help, Error };

// The skills skillrun knows, by command-line name.
bool isKnownSkill(const std::string& name);
// True for the behaviours above the motion skills (going to a point, behind
// the ball, to our goal, dribbling, kicking toward the goal): they pick and
// steer a motion skill every cycle instead of being one.
bool isMidLevelSkill(const std::string& name);

// Fills `options` from the command line. On Error, `error` says what was
// wrong in one line.
SkillRunParse parseSkillRunOptions(int argc, char** argv, SkillRunOptions& options,
                                   std::string& error);

void printSkillRunHelp(std::ostream& out);
