#include "ai/ann/Layer.h"

#include <cstddef>

Layer::Layer() = default;

void Layer::calcNeronsOutput(int func) {
    neronsOutput.clear();
    for (Neron& n : neron) {
        neronsOutput.push_back(n.calcOutput(func));
    }
}

std::vector<double> Layer::getNeronsOutput() const { return neronsOutput; }

std::vector<Neron> Layer::getNerons() const { return neron; }

Neron Layer::getNeron(int i) const {
    if (i < 0 || static_cast<std::size_t>(i) >= neron.size()) {
        return Neron();
    }
    return neron[static_cast<std::size_t>(i)];
}

Neron* Layer::neronAt(int i) {
    if (i < 0 || static_cast<std::size_t>(i) >= neron.size()) {
        return nullptr;
    }
    return &neron[static_cast<std::size_t>(i)];
}

int Layer::getSize() const { return static_cast<int>(neron.size()); }

void Layer::insertNeron(const Neron& n) { neron.push_back(n); }

void Layer::createNerons(int n) {
    for (int i = 0; i < n; ++i) {
        neron.emplace_back();
    }
}
