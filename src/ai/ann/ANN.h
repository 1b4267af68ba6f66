// A small fully connected feed-forward network read from a text file of
// weights and biases. The first layer takes the external inputs, the last
// gives the result; every layer of one evaluation uses the same transfer
// function (see Neron).
//
// File layout (numbers separated by white space or line ends):
//   a title line, ignored;
//   the number of external inputs; the number of layers;
//   the neuron count of each layer, first to last;
//   then per layer: the weights of each neuron in neuron order (one per input
//   of the layer), followed by one bias per neuron.
#pragma once

#include <string>
#include <vector>

#include "ai/ann/Layer.h"

class ANN {
public:
    // Limits on what a network file may ask for, so that a damaged file
    // cannot make the agent allocate without bound. The networks in use have
    // at most about a hundred inputs and neurons per layer.
    static constexpr int kMaxInputs = 4096;
    static constexpr int kMaxLayers = 64;
    static constexpr int kMaxNeronsPerLayer = 4096;
    static constexpr long kMaxWeights = 1L << 20;

    ANN();

    // Reads the network from a file. On success the new layers replace the
    // old ones and true is returned. A missing, truncated or malformed file
    // is reported on standard error, leaves the network as it was and
    // returns false.
    bool load(const std::string& confFilePath);

    // Gives every neuron of the first layer the same n inputs.
    void setInput(int n, const double* values);
    // Forward pass with transfer function func (Neron::kLogistic, kTanh or
    // kIdentity); the result is one value per neuron of the last layer.
    void calcOutput(int func);
    std::vector<double> getOutput() const;

    void createLayers(int n);
    void createNerons(int layer, int n);
    void insertLayer(const Layer& l);

    // Indexed setters; indices outside the network are ignored.
    void setWeight(int layer, int neron, int k, double value);
    void setBias(int layer, int neron, double value);
    void setPercept(int layer, int neron, int k, double value);

    // A copy of layer i; an empty layer for an index outside the network.
    Layer getLayer(int i) const;
    // Number of layers.
    int getSize() const;
    // Number of inputs the first layer expects (0 for an empty network).
    int getInputSize() const;

    void setConfFilePath(const std::string& path);
    std::string getConfFilePath() const;

private:
    Neron* neronAt(int layer, int neron);

    std::vector<Layer> layer;
    std::vector<double> output;
    std::string confFilePath;
};
