#include "ai/ann/ANN.h"

#include <cmath>
#include <cstddef>
#include <fstream>
#include <iostream>
#include <limits>
#include <locale>

namespace {

// Reads one count and checks it lies in [lo, hi].
bool readCount(std::istream& in, int lo, int hi, int& value) {
    long v = 0;
    if (!(in >> v) || v < lo || v > hi) {
        return false;
    }
    value = static_cast<int>(v);
    return true;
}

// Weights are stored in single precision in the files; anything that does
// not read as a finite float is damage, not a weight.
bool readValue(std::istream& in, double& value) {
    float f = 0.0f;
    if (!(in >> f) || !std::isfinite(f)) {
        return false;
    }
    value = static_cast<double>(f);
    return true;
}

bool refuse(const std::string& path, const std::string& why) {
    std::cerr << "Network file " << path << " is unusable (" << why
              << "); the network is not loaded" << std::endl;
    return false;
}

}  // namespace

ANN::ANN() = default;

bool ANN::load(const std::string& path) {
    std::ifstream in(path.c_str());
    if (!in.is_open()) {
        // The agent must keep its cycle going, so no key press is awaited
        // here: the caller falls back to its own value.
        std::cerr << "Could not open " << path << " file!" << std::endl;
        return false;
    }
    in.imbue(std::locale::classic());

    // The title line is ignored whatever its length.
    in.ignore(std::numeric_limits<std::streamsize>::max(), '\n');

    int inputNum = 0;
    int layersCount = 0;
    if (!readCount(in, 1, kMaxInputs, inputNum)) {
        return refuse(path, "bad number of inputs");
    }
    if (!readCount(in, 1, kMaxLayers, layersCount)) {
        return refuse(path, "bad number of layers");
    }

    std::vector<int> counts(static_cast<std::size_t>(layersCount), 0);
    long totalWeights = 0;
    int fanIn = inputNum;
    for (int& c : counts) {
        if (!readCount(in, 1, kMaxNeronsPerLayer, c)) {
            return refuse(path, "bad neuron count");
        }
        totalWeights += static_cast<long>(c) * fanIn;
        if (totalWeights > kMaxWeights) {
            return refuse(path, "network too large");
        }
        fanIn = c;
    }

    // Build aside and swap in only when the whole file has been read, so a
    // truncated file never leaves a half-filled network behind.
    std::vector<Layer> built(counts.size());
    fanIn = inputNum;
    for (std::size_t l = 0; l < counts.size(); ++l) {
        Layer& ly = built[l];
        ly.createNerons(counts[l]);
        for (int n = 0; n < counts[l]; ++n) {
            Neron* nr = ly.neronAt(n);
            for (int k = 0; k < fanIn; ++k) {
                double w = 0.0;
                if (!readValue(in, w)) {
                    return refuse(path, "missing or bad weight");
                }
                nr->insertWeight(w);
                nr->insertPercept(0.0);
            }
        }
        for (int n = 0; n < counts[l]; ++n) {
            double b = 0.0;
            if (!readValue(in, b)) {
                return refuse(path, "missing or bad bias");
            }
            ly.neronAt(n)->setBias(b);
        }
        fanIn = counts[l];
    }

    layer.swap(built);
    output.clear();
    return true;
}

void ANN::setInput(int n, const double* values) {
    if (layer.empty() || (n > 0 && values == nullptr)) {
        return;
    }
    const std::vector<double> in(values, values + (n > 0 ? n : 0));
    Layer& first = layer.front();
    for (int i = 0; i < first.getSize(); ++i) {
        first.neronAt(i)->setPercept(in);
    }
}

void ANN::calcOutput(int func) {
    if (layer.empty()) {
        output.clear();
        return;
    }
    for (std::size_t i = 1; i < layer.size(); ++i) {
        layer[i - 1].calcNeronsOutput(func);
        const std::vector<double> prev = layer[i - 1].getNeronsOutput();
        for (int n = 0; n < layer[i].getSize(); ++n) {
            layer[i].neronAt(n)->setPercept(prev);
        }
    }
    layer.back().calcNeronsOutput(func);
    output = layer.back().getNeronsOutput();
}

std::vector<double> ANN::getOutput() const { return output; }

void ANN::createLayers(int n) {
    for (int i = 0; i < n; ++i) {
        layer.emplace_back();
    }
}

void ANN::createNerons(int l, int n) {
    if (l >= 0 && static_cast<std::size_t>(l) < layer.size()) {
        layer[static_cast<std::size_t>(l)].createNerons(n);
    }
}

void ANN::insertLayer(const Layer& l) { layer.push_back(l); }

Neron* ANN::neronAt(int l, int n) {
    if (l < 0 || static_cast<std::size_t>(l) >= layer.size()) {
        return nullptr;
    }
    return layer[static_cast<std::size_t>(l)].neronAt(n);
}

void ANN::setWeight(int l, int n, int k, double value) {
    if (Neron* nr = neronAt(l, n)) {
        nr->setWeight(k, value);
    }
}

void ANN::setBias(int l, int n, double value) {
    if (Neron* nr = neronAt(l, n)) {
        nr->setBias(value);
    }
}

void ANN::setPercept(int l, int n, int k, double value) {
    if (Neron* nr = neronAt(l, n)) {
        nr->setPercept(k, value);
    }
}

Layer ANN::getLayer(int i) const {
    if (i < 0 || static_cast<std::size_t>(i) >= layer.size()) {
        return Layer();
    }
    return layer[static_cast<std::size_t>(i)];
}

int ANN::getSize() const { return static_cast<int>(layer.size()); }

int ANN::getInputSize() const {
    if (layer.empty() || layer.front().getSize() == 0) {
        return 0;
    }
    return layer.front().getNeron(0).getSize();
}

void ANN::setConfFilePath(const std::string& path) { confFilePath = path; }

std::string ANN::getConfFilePath() const { return confFilePath; }
