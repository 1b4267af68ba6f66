// Network files and the neurons they are made of.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <string>
#include <vector>

#include "ai/ann/ANN.h"
#include "support/ChildProcess.h"

namespace {

const std::string kNet321 = std::string(FIXTURE_DIR) + "/ann/net321.conf";

double run(ANN& net, std::vector<double> in, int transfer = Neron::kIdentity) {
    net.setInput(static_cast<int>(in.size()), in.data());
    net.calcOutput(transfer);
    return net.getOutput().empty() ? NAN : net.getOutput()[0];
}

Neron neron(const std::vector<double>& w, const std::vector<double>& in, double b) {
    Neron n;
    n.setWeights(w);
    n.setPercept(in);
    n.setBias(b);
    return n;
}

}  // namespace

TEST(ANN, ThreeTwoOneNetworkWithEachTransferFunction) {
    ANN net;
    EXPECT_TRUE(std::isnan(run(net, {1})));  // no layers, no output
    ASSERT_TRUE(net.load(kNet321));
    ASSERT_TRUE(net.load(kNet321));  // a second load replaces the layers
    ASSERT_EQ(net.getSize(), 2);
    EXPECT_DOUBLE_EQ(run(net, {1, 2, 3}), -4.3125);
    const auto logistic = [](double x) { return 1.0 / (1.0 + std::exp(-x)); };
    EXPECT_NEAR(run(net, {1, 2, 3}, Neron::kTanh),
                std::tanh(1.5 * std::tanh(4.625) - 2.0 * std::tanh(5.75) + 0.25), 1e-12);
    EXPECT_NEAR(run(net, {1, 2, 3}, Neron::kLogistic),
                logistic(1.5 * logistic(4.625) - 2.0 * logistic(5.75) + 0.25), 1e-12);
    net.setWeight(1, 0, 9, 1.0);  // outside: ignored
    EXPECT_DOUBLE_EQ(run(net, {1, 2, 3}), -4.3125);
}

TEST(ANN, DamagedFilesAreRefusedAndKeepThePreviousNetwork) {
    TempDir dir;
    const std::vector<std::string> damaged = {
        "",                          // empty
        "t\n3 1 1\n0.5 1e60 2 0\n",  // beyond single precision
        "t\n4096 64 4096 4096 4096\n",  // too many weights overall
    };
    for (std::size_t i = 0; i < damaged.size(); ++i) {
        const std::string path = dir.file("bad" + std::to_string(i));
        std::ofstream(path) << damaged[i];
        ANN net;
        ASSERT_TRUE(net.load(kNet321));
        testing::internal::CaptureStderr();
        EXPECT_FALSE(net.load(path)) << "case " << i;
        EXPECT_NE(testing::internal::GetCapturedStderr().find("Network file " + path + " is unusable"),
                  std::string::npos);
        EXPECT_DOUBLE_EQ(run(net, {1, 2, 3}), -4.3125) << "case " << i;
    }
    testing::internal::CaptureStderr();
    EXPECT_FALSE(ANN().load("/nonexistent/nn.conf"));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Could not open /nonexistent/nn.conf file!\n");
}

TEST(Neron, ExtremesStayFiniteAndMismatchedListsSumOnlyCommonPairs) {
    EXPECT_DOUBLE_EQ(neron({1.0}, {1e6}, 0.0).calcOutput(Neron::kTanh), 1.0);
    EXPECT_DOUBLE_EQ(neron({1.0}, {-800.0}, 0.0).calcOutput(Neron::kLogistic), 0.0);
    // Never read past either list (the sanitizer run checks the reads).
    EXPECT_DOUBLE_EQ(neron({1.0, 1.0}, {1.0, 2.0, 3.0}, 0.0).calcOutput(Neron::kIdentity), 3.0);
    EXPECT_DOUBLE_EQ(neron({1.0, 1.0, 1.0}, {5.0}, 0.5).calcOutput(Neron::kIdentity), 5.5);
}
