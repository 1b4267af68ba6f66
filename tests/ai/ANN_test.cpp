// Network files and the neurons they are made of.
#include "ai/ann/ANN.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <string>
#include <vector>

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
    EXPECT_TRUE(std::isnan(run(net, {1})));               // no layers, no output
    ASSERT_TRUE(net.load(kNet321) && net.load(kNet321));  // a second load replaces the layers
    ASSERT_EQ(net.getSize(), 2);
    EXPECT_DOUBLE_EQ(run(net, {1, 2, 3}), -4.3125);
    const auto logistic = [](double x) { return 1.0 / (1.0 + std::exp(-x)); };
    EXPECT_NEAR(run(net, {1, 2, 3}, Neron::kTanh),
                std::tanh(1.5 * std::tanh(4.625) - 2.0 * std::tanh(5.75) + 0.25), 1e-12);
    EXPECT_NEAR(run(net, {1, 2, 3}, Neron::kLogistic),
                logistic(1.5 * logistic(4.625) - 2.0 * logistic(5.75) + 0.25), 1e-12);
}

TEST(ANN, DamagedFilesAreRefusedAndKeepThePreviousNetwork) {
    TempDir dir;
    // Empty, beyond single precision, too many weights overall.
    for (const char* damaged : {"", "t\n3 1 1\n0.5 1e60 2 0\n", "t\n4096 64 4096 4096 4096\n"}) {
        std::ofstream(dir.file("bad")) << damaged;
        ANN net;
        ASSERT_TRUE(net.load(kNet321));
        testing::internal::CaptureStderr();
        EXPECT_FALSE(net.load(dir.file("bad"))) << damaged;
        EXPECT_NE(testing::internal::GetCapturedStderr().find("Network file " + dir.file("bad") +
                                                              " is unusable"),
                  std::string::npos);
        EXPECT_DOUBLE_EQ(run(net, {1, 2, 3}), -4.3125) << damaged;
    }
    testing::internal::CaptureStderr();
    EXPECT_FALSE(ANN().load("/nonexistent/nn.conf"));
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Could not open /nonexistent/nn.conf file!\n");
}

TEST(Neron, ExtremesStayFiniteAndMismatchedListsSumOnlyCommonPairs) {
    EXPECT_DOUBLE_EQ(neron({1.0}, {1e6}, 0.0).calcOutput(Neron::kTanh), 1.0);
    EXPECT_DOUBLE_EQ(neron({1.0}, {-800.0}, 0.0).calcOutput(Neron::kLogistic), 0.0);
    // Never read past either list (the sanitizer run checks the reads).
    EXPECT_DOUBLE_EQ(neron({1.0, 1.0}, {1.0, 2.0, 3.0}, 0.0).calcOutput(Neron::kIdentity), 3.0);
    EXPECT_DOUBLE_EQ(neron({1.0, 1.0, 1.0}, {5.0}, 0.5).calcOutput(Neron::kIdentity), 5.5);
}
