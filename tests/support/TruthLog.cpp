#include "support/TruthLog.h"

#include <gtest/gtest.h>

#include <fstream>
#include <nlohmann/json.hpp>

const TruthRobot* TruthCycle::robot(const std::string& team, int unum) const {
    for (const auto& [key, r] : robots)
        if ((team.empty() || r.team == team) && (unum == 0 || r.unum == unum)) return &r;
    return nullptr;
}

bool parseTruthLine(const std::string& line, TruthCycle& c, std::string& error) {
    try {
        const nlohmann::json j = nlohmann::json::parse(line);
        c.cycle = j.at("cycle").get<long>();
        c.time = j.at("time").get<double>();
        c.gameTime = j.at("game_time").get<double>();
        c.mode = j.at("play_mode").get<std::string>();
        c.scoreLeft = j.at("score").at("left").get<int>();
        c.scoreRight = j.at("score").at("right").get<int>();
        const auto& ball = j.at("ball");
        c.ballX = ball.at("x").get<double>();
        c.ballY = ball.at("y").get<double>();
        c.ballZ = ball.at("z").get<double>();
        c.robots.clear();
        for (const auto& r : j.at("robots")) {
            TruthRobot robot;
            robot.team = r.at("team").get<std::string>();
            robot.side = r.at("side").get<std::string>();
            robot.unum = r.at("unum").get<int>();
            robot.x = r.at("x").get<double>();
            robot.y = r.at("y").get<double>();
            robot.z = r.at("z").get<double>();
            robot.yaw = r.at("yaw").get<double>();
            robot.pitch = r.at("pitch").get<double>();
            robot.roll = r.at("roll").get<double>();
            robot.state = r.at("state").get<std::string>();
            robot.commands = r.value("commands", std::string());
            c.robots[robot.key()] = robot;
        }
        return true;
    } catch (const nlohmann::json::exception& e) {
        error = e.what();
        return false;
    }
}

std::vector<TruthCycle> readTruthLog(const std::string& path) {
    std::vector<TruthCycle> cycles;
    std::ifstream in(path);
    if (!in) ADD_FAILURE() << "no truth log at " << path;
    int number = 0;
    for (std::string line; std::getline(in, line);) {
        ++number;
        TruthCycle c;
        std::string error;
        if (!parseTruthLine(line, c, error)) {
            ADD_FAILURE() << path << ":" << number << " is not a whole cycle (" << error
                          << "): " << line.substr(0, 200);
            break;
        }
        cycles.push_back(std::move(c));
    }
    return cycles;
}
