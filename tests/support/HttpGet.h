// A plain HTTP GET to a server of ours on 127.0.0.1, for tests of the
// programs that serve web pages (fieldsim's monitor and replay).
#pragma once

#include <string>
#include <utility>

// The status and the body of the answer to GET `target` (e.g. "/state?t=1");
// status 0 when no whole answer came within 10 s.
std::pair<int, std::string> httpGet(int port, const std::string& target);
