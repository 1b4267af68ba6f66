// One neuron of a feed-forward network: a weighted sum of its current inputs
// plus a bias, passed through one of three transfer functions.
#pragma once

#include <vector>

class Neron {
public:
    // Transfer functions understood by calcOutput/applyTransFunc.
    static constexpr int kLogistic = 0;
    static constexpr int kTanh = 1;
    static constexpr int kIdentity = 2;

    Neron();

    // Weighted sum of the inputs plus the bias, then the transfer function.
    // A neuron whose input and weight lists differ in length only sums the
    // pairs both lists have, so a mis-built network never reads past a list.
    double calcOutput(int func);
    // Applies the transfer function to the stored output; an unknown function
    // leaves it unchanged and says so on standard error.
    void applyTransFunc(int func);

    void insertWeight(double w);
    void insertPercept(double p);
    void setWeights(const std::vector<double>& w);
    void setPercept(const std::vector<double>& p);
    // One value by index; an index outside the list is ignored.
    void setWeight(int k, double w);
    void setPercept(int k, double p);
    void setBias(double b);

    double getOutput() const;
    double getBias() const;
    std::vector<double> getWeights() const;
    std::vector<double> getPercepts() const;
    // Number of weights.
    int getSize() const;
    // Inputs and weights pair up one to one.
    bool isValid() const;
    // Weights, inputs and bias on standard output, for hand inspection.
    void showAttr() const;

private:
    std::vector<double> percept;
    std::vector<double> weight;
    double bias;
    double output;
};
