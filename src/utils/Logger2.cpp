#include "utils/Logger2.h"

#include "buildMode.h"
#include "objects/HingeJoint.h"
#include "types.h"
#include "utils/Logger.h"
#include "worldModel/WorldModel.h"

Logger2::Logger2() : WM(WorldModel::getUniqueInstance()) {}

Logger2* Logger2::getUniqueInstance() {
    static Logger2 instance;
    return &instance;
}

void Logger2::setLogPath(const std::string& path) {
    if constexpr (kCompetitionBuild) {
        return;
    }
    filePath = path;
}

void Logger2::openLogFile() {
    if constexpr (kCompetitionBuild) {
        return;
    }
    Logger::openTrace(logFile, filePath);
}

void Logger2::log() {
    if constexpr (kCompetitionBuild) {
        return;
    }
    s2.str("");
    s2 << WM->getTime() << " \t";
    for (int i = 0; i < DOF_COUNT; ++i) {
        s2 << WM->getAHingeJoint(i).getAxis() << " \t";
    }
    s1 << s2.str() << '\n';
}

void Logger2::saveNCloseLog() {
    if constexpr (kCompetitionBuild) {
        return;
    }
    if (!logFile.is_open()) {
        return;
    }
    logFile << s1.str() << '\n';
    logFile.close();
}
