// One layer of a feed-forward network: its neurons and the outputs of the
// last evaluation.
#pragma once

#include <vector>

#include "ai/ann/Neron.h"

class Layer {
public:
    Layer();

    // Evaluates every neuron in order and keeps their outputs.
    void calcNeronsOutput(int func);
    std::vector<double> getNeronsOutput() const;
    std::vector<Neron> getNerons() const;
    // A copy of neuron i; an empty neuron for an index outside the layer.
    Neron getNeron(int i) const;
    // Direct access for the network that owns the layer; null outside.
    Neron* neronAt(int i);
    int getSize() const;
    void insertNeron(const Neron& n);
    // Appends n fresh neurons (nothing for n <= 0).
    void createNerons(int n);

private:
    std::vector<Neron> neron;
    std::vector<double> neronsOutput;
};
