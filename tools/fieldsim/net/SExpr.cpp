#include "net/SExpr.h"

const std::string& SExpr::head() const {
    static const std::string kEmpty;
    if (!isList || items.empty() || items.front().isList) return kEmpty;
    return items.front().atom;
}

bool SExpr::atomArgs(std::vector<std::string>& out) const {
    out.clear();
    for (size_t i = 1; i < items.size(); ++i) {
        if (items[i].isList) return false;
        out.push_back(items[i].atom);
    }
    return true;
}
