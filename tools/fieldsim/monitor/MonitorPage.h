// The web monitor's one page: HTML, a canvas and the script that draws the
// field, the robots, the ball, the play mode, the clock and the score from the
// streamed states. Everything is inline; the page loads nothing else. A
// replay serves the same page with a timeline, the players' beliefs and their
// errors added. The page is written as ordinary files in this folder
// (monitor.html, .css, .js and the replay's), which the build embeds.
#pragma once

#include <string>

// The field the page draws, in metres.
struct MonitorField {
    double length = 12.0;
    double width = 8.0;
    double goalWidth = 1.4;
};

class MonitorPage {
public:
    static std::string html(const MonitorField& field);
    static std::string replayHtml(const MonitorField& field);
};
