#include "ai/ann/Neron.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <iostream>

Neron::Neron() : bias(0.0), output(0.0) {}

double Neron::calcOutput(int func) {
    const std::size_t n = std::min(percept.size(), weight.size());
    double sum = 0.0;
    for (std::size_t k = 0; k < n; ++k) {
        sum += percept[k] * weight[k];
    }
    output = sum + bias;
    applyTransFunc(func);
    return output;
}

void Neron::applyTransFunc(int func) {
    switch (func) {
    case kLogistic:
        output = 1.0 / (1.0 + std::exp(-output));
        break;
    case kTanh:
        output = 2.0 / (1.0 + std::exp(-2.0 * output)) - 1.0;
        break;
    case kIdentity:
        break;
    default:
        std::cerr << " you enter a invalid number4 for input!!!!!" << std::endl;
        break;
    }
}

void Neron::insertWeight(double w) { weight.push_back(w); }

void Neron::insertPercept(double p) { percept.push_back(p); }

void Neron::setWeights(const std::vector<double>& w) { weight = w; }

void Neron::setPercept(const std::vector<double>& p) { percept = p; }

void Neron::setWeight(int k, double w) {
    if (k >= 0 && static_cast<std::size_t>(k) < weight.size()) {
        weight[static_cast<std::size_t>(k)] = w;
    }
}

void Neron::setPercept(int k, double p) {
    if (k >= 0 && static_cast<std::size_t>(k) < percept.size()) {
        percept[static_cast<std::size_t>(k)] = p;
    }
}

void Neron::setBias(double b) { bias = b; }

double Neron::getOutput() const { return output; }

double Neron::getBias() const { return bias; }

std::vector<double> Neron::getWeights() const { return weight; }

std::vector<double> Neron::getPercepts() const { return percept; }

int Neron::getSize() const { return static_cast<int>(weight.size()); }

bool Neron::isValid() const { return percept.size() == weight.size(); }

void Neron::showAttr() const {
    if (!isValid()) {
        std::cout << "size of percepts is not equal to size of weights!. "
                  << percept.size() << " " << weight.size() << std::endl;
        return;
    }
    std::cout << "weight * percept: " << std::endl;
    for (std::size_t k = 0; k < weight.size(); ++k) {
        std::cout << weight[k] << " * " << percept[k] << std::endl;
    }
    std::cout << "bias: " << bias << std::endl;
}
