#include "monitor/MonitorPage.h"

#include <cmath>
#include <cstdio>
#include <string_view>
#include <vector>

#include "monitor/MonitorPageFiles.h"

namespace {

// One thing put into a page file at its marker. A value marker in the script
// (`const FIELD = /*@FIELD@*/ { ... };`) is followed by a stand-in that keeps
// the file valid JavaScript; the stand-in up to the statement's end is
// replaced with it.
struct Fill {
    std::string_view marker;
    std::string_view with;
    bool toStatementEnd = false;
};

// Fills the markers in the order they stand in `text`, each searched for only
// after the previous one, so that text put in is never searched again: a
// marker's name inside an inserted file stays as it is. A missing marker puts
// nothing in; the page tests would see what is missing.
std::string fill(std::string_view text, const std::vector<Fill>& fills) {
    std::string out;
    size_t from = 0;
    for (const Fill& f : fills) {
        const size_t at = text.find(f.marker, from);
        if (at == std::string_view::npos) continue;
        size_t end = at + f.marker.size();
        if (f.toStatementEnd) {
            const size_t semicolon = text.find(';', end);
            if (semicolon != std::string_view::npos) end = semicolon;
        }
        out.append(text.substr(from, at - from));
        out.append(f.with);
        from = end;
    }
    out.append(text.substr(from));
    return out;
}

std::string metres(double value, double fallback) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.3f", std::isfinite(value) && value > 0.0 ? value : fallback);
    return buf;
}

// The page: monitor.html with its style and script inline, since the monitor
// serves one document and nothing else. A replay adds its styles, its
// timeline and players' panel, and its script before the page starts.
std::string page(const MonitorField& field, bool replay) {
    const MonitorField fallback;
    const std::string measures = "{\"length\":" + metres(field.length, fallback.length) +
                                 ",\"width\":" + metres(field.width, fallback.width) +
                                 ",\"goal_width\":" + metres(field.goalWidth, fallback.goalWidth) +
                                 "}";
    const std::string_view none;
    const std::string script =
        fill(MonitorPageFiles::monitorJs(),
             {{"/*@FIELD@*/", measures, true},
              {"/*@REPLAY@*/", replay ? "true" : "false", true},
              {"/*@REPLAY_JS@*/", replay ? MonitorPageFiles::replayJs() : none}});
    std::string style = "<style>\n" + std::string(MonitorPageFiles::monitorCss());
    if (replay) style += MonitorPageFiles::replayCss();
    style += "</style>";
    const std::string inlineScript = "<script>\n" + script + "</script>";
    return fill(MonitorPageFiles::monitorHtml(),
                {{"<link rel=\"stylesheet\" href=\"monitor.css\">", style},
                 {"<!-- replay.html -->\n", replay ? MonitorPageFiles::replayHtml() : none},
                 {"<script src=\"monitor.js\"></script>", inlineScript}});
}

}  // namespace

std::string MonitorPage::html(const MonitorField& field) { return page(field, false); }

std::string MonitorPage::replayHtml(const MonitorField& field) { return page(field, true); }
