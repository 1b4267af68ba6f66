// fieldsim's truth log (one JSON object per cycle) read into plain structs, so
// that tests judge what happened on the field without searching the text.
#pragma once

#include <map>
#include <string>
#include <vector>

struct TruthRobot {
    std::string team, side, state, commands;
    int unum = 0;
    double x = 0, y = 0, z = 0, yaw = 0, pitch = 0, roll = 0;
    std::string key() const { return side + " " + std::to_string(unum); }  // "left 2"
};

struct TruthCycle {
    long cycle = 0;
    double time = 0, gameTime = 0;
    std::string mode;
    int scoreLeft = 0, scoreRight = 0;
    double ballX = 0, ballY = 0, ballZ = 0;
    std::map<std::string, TruthRobot> robots;  // by key(): "left 2", "right 1", ...
    // The robot of `team` (or of any team when empty) with `unum` (any when
    // 0); null when it is not on the field in this cycle.
    const TruthRobot* robot(const std::string& team, int unum = 0) const;
};

// Every cycle of the log at `path`. A line that is not a whole cycle (cut
// off, not JSON, a field missing or of the wrong type) fails the calling test
// with its line number and ends the reading there.
std::vector<TruthCycle> readTruthLog(const std::string& path);

// One line of the log, the same way; false (and a failure) when it is not a cycle.
bool parseTruthLine(const std::string& line, TruthCycle& cycle, std::string& error);
