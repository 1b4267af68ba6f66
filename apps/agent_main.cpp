// The `agent` and `matchagent` programs: the same thin entry, linked against
// the development or the competition library.
#include "main/AgentMain.h"

int main(int argc, char** argv) { return agentMain(argc, argv); }
