#include "utils/WorldModelUpdater.h"

#include <cstring>

#include "utils/Parser.h"
#include "worldModel/WorldModel.h"

void WorldModelUpdater::parseMessage() {
    if (strMsg == nullptr || *strMsg == nullptr) return;
    char* found = std::strstr(*strMsg, "(now ");
    if (found == nullptr) return;
    *strMsg = found + 5;
    WorldModel::getUniqueInstance()->setTime(Parser::parseFirstDouble(strMsg));
}
