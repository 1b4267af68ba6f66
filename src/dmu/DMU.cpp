#include "dmu/DMU.h"

#include "utils/CommandCreator.h"

DMU* DMU::instance = nullptr;

DMU* DMU::getUniqueInstance() {
    if (instance == nullptr) instance = new DMU();
    return instance;
}

void DMU::destroyInstance() {
    delete instance;
    instance = nullptr;
}

std::string DMU::behave() {
    ++step;
    return std::string(CommandCreator::getUniqueInstance()->getPreparedCommand());
}
