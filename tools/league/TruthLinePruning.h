// A truth-log line without what the league and the replay never read: each
// robot's joint angles and the commands it sent, most of the line's length.
#pragma once

#include <string>

// `line` with every "joints" and "commands" member taken out, commas mended;
// anything else byte for byte as it was. A line that is not JSON comes back
// as it was, apart from members it could still tell apart.
std::string pruneTruthLine(const std::string& line);
