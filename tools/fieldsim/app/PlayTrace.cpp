#include "app/PlayTrace.h"

#include <fstream>

#include "trace/RealTrace.h"
#include "trace/TracePlayer.h"

int PlayTrace::run(const SimOptions& options, std::ostream& out, std::ostream& err) {
    RealTrace trace;
    std::string error;
    if (!RealTrace::load(options.playTracePath, trace, error)) {
        err << "fieldsim: " << error << "\n";
        for (const std::string& note : trace.notes) err << "  " << note << "\n";
        return 2;
    }
    TracePlayer player(trace, options);
    const TraceComparison result = player.run(options.playTracePath);
    out << result.text();
    if (options.verbose) {
        out << "\nfieldsim's console:\n";
        for (const std::string& line : result.console) out << "  " << line << "\n";
    }
    out.flush();
    if (!options.playTraceJson.empty()) {
        std::ofstream json(options.playTraceJson, std::ios::binary | std::ios::trunc);
        json << result.json();
        json.close();
        if (!json) {
            err << "fieldsim: cannot write " << options.playTraceJson << "\n";
            return 1;
        }
    }
    return 0;
}
