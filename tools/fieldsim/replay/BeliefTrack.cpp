#include "replay/BeliefTrack.h"

#include <csv.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>

namespace {

double toNumber(const std::string& cell) {
    if (cell.empty()) return NAN;
    char* end = nullptr;
    const double v = std::strtod(cell.c_str(), &end);
    return end == cell.c_str() + cell.size() && std::isfinite(v) ? v : NAN;
}

// wmtrace writes "nan" where the agent had no value; anything else that is
// not a number is a broken row.
bool isNoValue(const std::string& cell) { return cell == "nan" || cell == "-nan"; }

// Degrees into (-180, 180].
double wrap(double deg) {
    const double r = std::remainder(deg, 360.0);
    return r <= -180.0 ? r + 360.0 : r;
}

// The columns the replay reads, by name; -1 when the header lacks one.
struct Columns {
    int time = -1, x = -1, y = -1, yaw = -1, ballX = -1, ballY = -1, side = -1;
};

// Collects libcsv's fields into rows and turns each row into a belief.
class Collector {
public:
    Collector(const std::string& name, bool teamOnRight, BeliefTrack& track, std::vector<std::string>& notes)
        : name_(name), teamOnRight_(teamOnRight), track_(track), notes_(notes) {}

    static void onField(void* text, size_t length, void* self) {
        static_cast<Collector*>(self)->cells_.emplace_back(static_cast<const char*>(text), length);
    }
    static void onRowEnd(int, void* self) { static_cast<Collector*>(self)->endRow(); }

    // False once the header has ruled the file out.
    bool usable() const { return usable_; }
    void finish() {
        if (!cells_.empty()) endRow();
        if (!headerSeen_) {
            usable_ = false;
            notes_.push_back(name_ + " is empty; no beliefs for this player");
            return;
        }
        if (badRows_ > 0) {
            notes_.push_back(name_ + ": " + std::to_string(badRows_) +
                             " rows cut short or not numbers; skipped");
        }
        if (noPose_ > 0) {
            notes_.push_back(name_ + ": " + std::to_string(noPose_) + " rows without a position (nan); skipped");
        }
        if (backwards_ > 0) {
            notes_.push_back(name_ + ": " + std::to_string(backwards_) + " rows that go back in time; skipped");
        }
        if (tooMany_ > 0) {
            notes_.push_back(name_ + ": more than " + std::to_string(BeliefCsvReader::kMaxRows) + " rows; the last " +
                             std::to_string(tooMany_) + " are not shown");
        }
    }

private:
    void endRow() {
        std::vector<std::string> cells;
        cells.swap(cells_);
        if (!usable_) return;
        if (!headerSeen_) {
            header(cells);
            return;
        }
        if (cells.size() == 1 && cells[0].empty()) return;  // an empty line
        if (track_.rows.size() >= BeliefCsvReader::kMaxRows) {
            ++tooMany_;
            return;
        }
        if (static_cast<int>(cells.size()) <= lastColumn_) {
            ++badRows_;
            return;
        }
        BeliefRow row;
        row.time = toNumber(cells[columns_.time]);
        const double x = toNumber(cells[columns_.x]), y = toNumber(cells[columns_.y]);
        const double yaw = toNumber(cells[columns_.yaw]);
        if (std::isnan(row.time)) {
            ++badRows_;
            return;
        }
        if (std::isnan(x) || std::isnan(y) || std::isnan(yaw)) {
            const bool noValue = isNoValue(cells[columns_.x]) || isNoValue(cells[columns_.y]) ||
                                 isNoValue(cells[columns_.yaw]);
            ++(noValue ? noPose_ : badRows_);
            return;
        }
        if (!track_.rows.empty() && row.time <= track_.rows.back().time) {
            ++backwards_;
            return;
        }
        bool right = teamOnRight_;
        if (columns_.side >= 0) {
            const std::string& side = cells[columns_.side];
            right = side == "SIDE_RIGHT";
        }
        const double m = right ? -1.0 : 1.0;
        row.x = m * x;
        row.y = m * y;
        // Clockwise in the own frame; counter-clockwise in the world, where a
        // right team's own frame is turned half round.
        row.yaw = wrap((right ? 180.0 : 0.0) - yaw);
        const double ballX = columns_.ballX >= 0 ? toNumber(cells[columns_.ballX]) : NAN;
        const double ballY = columns_.ballY >= 0 ? toNumber(cells[columns_.ballY]) : NAN;
        // Half a ball cannot be drawn.
        if (!std::isnan(ballX) && !std::isnan(ballY)) {
            row.ballX = m * ballX;
            row.ballY = m * ballY;
        }
        track_.rows.push_back(row);
    }

    void header(const std::vector<std::string>& names) {
        headerSeen_ = true;
        std::map<std::string, int> at;
        for (size_t i = 0; i < names.size(); ++i) at.emplace(names[i], static_cast<int>(i));
        auto find = [&](const char* name) {
            const auto it = at.find(name);
            return it == at.end() ? -1 : it->second;
        };
        columns_.time = find("time");
        columns_.x = find("x");
        columns_.y = find("y");
        columns_.yaw = find("yaw");
        columns_.ballX = find("ball_x");
        columns_.ballY = find("ball_y");
        columns_.side = find("side");
        std::string missing;
        for (const auto& [name, index] : {std::pair<const char*, int>{"time", columns_.time}, {"x", columns_.x},
                                          {"y", columns_.y}, {"yaw", columns_.yaw}}) {
            if (index < 0) missing += std::string(missing.empty() ? "" : ", ") + name;
        }
        if (!missing.empty()) {
            usable_ = false;
            notes_.push_back(name_ + " lacks the columns " + missing + "; no beliefs for this player");
            return;
        }
        if (columns_.ballX < 0 || columns_.ballY < 0) {
            columns_.ballX = columns_.ballY = -1;
            notes_.push_back(name_ + " lacks ball_x or ball_y; the ball it believed is not drawn");
        }
        if (columns_.side < 0) {
            notes_.push_back(name_ + " has no side column; its rows are taken in the frame of the " +
                             (teamOnRight_ ? "right" : "left") + " team, where the truth log has the team");
        }
        for (int c : {columns_.time, columns_.x, columns_.y, columns_.yaw, columns_.ballX, columns_.ballY, columns_.side}) {
            lastColumn_ = std::max(lastColumn_, c);
        }
    }

    std::string name_;
    bool teamOnRight_;
    BeliefTrack& track_;
    std::vector<std::string>& notes_;
    std::vector<std::string> cells_;
    Columns columns_;
    int lastColumn_ = -1;
    bool headerSeen_ = false;
    bool usable_ = true;
    long long badRows_ = 0, noPose_ = 0, backwards_ = 0, tooMany_ = 0;
};

}  // namespace

const BeliefRow* BeliefTrack::at(double time) const {
    auto it = std::upper_bound(rows.begin(), rows.end(), time + 1e-6,
                               [](double t, const BeliefRow& row) { return t < row.time; });
    if (it == rows.begin()) return nullptr;
    --it;
    return time - it->time <= kStale ? &*it : nullptr;
}

bool BeliefCsvReader::read(const std::string& path, bool teamOnRight, BeliefTrack& track,
                           std::vector<std::string>& notes) {
    track.rows.clear();
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"), &std::fclose);
    if (!file) {
        notes.push_back("cannot read " + track.file + ": " + std::strerror(errno));
        return false;
    }
    csv_parser parser;
    if (csv_init(&parser, 0) != 0) {
        notes.push_back("cannot read " + track.file + ": out of memory");
        return false;
    }
    Collector collector(track.file, teamOnRight, track, notes);
    char buffer[64 * 1024];
    size_t total = 0;
    bool tooLarge = false;
    for (size_t n; collector.usable() && (n = std::fread(buffer, 1, sizeof buffer, file.get())) > 0;) {
        total += n;
        if (total > kMaxBytes) {
            tooLarge = true;
            break;
        }
        if (csv_parse(&parser, buffer, n, &Collector::onField, &Collector::onRowEnd, &collector) != n) {
            notes.push_back(track.file + ": " + csv_strerror(csv_error(&parser)) + "; read up to there");
            break;
        }
    }
    csv_fini(&parser, &Collector::onField, &Collector::onRowEnd, &collector);
    csv_free(&parser);
    collector.finish();
    if (tooLarge) {
        notes.push_back(track.file + " is larger than " + std::to_string(kMaxBytes >> 20) +
                        " MiB; only its beginning is shown");
    }
    if (collector.usable() && track.rows.empty()) notes.push_back(track.file + " holds no belief");
    return collector.usable() && !track.rows.empty();
}
