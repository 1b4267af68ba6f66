// One bracketed expression of a client message, or an atom inside one.
#pragma once

#include <string>
#include <vector>

struct SExpr {
    bool isList = false;
    std::string atom;          // when !isList
    std::vector<SExpr> items;  // when isList

    // The first item's atom when this is a list that starts with an atom.
    const std::string& head() const;
    // The atom arguments after the head; false when any of them is a list.
    bool atomArgs(std::vector<std::string>& out) const;
};
