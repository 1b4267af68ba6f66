#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <string>
#include <vector>

#include "ai/ann/ANN.h"
#include "support/ChildProcess.h"

namespace {

const std::string kNet321 = std::string(FIXTURE_DIR) + "/ann/net321.conf";

double logistic(double x) { return 1.0 / (1.0 + std::exp(-x)); }

std::string writeFile(TempDir& dir, const std::string& name, const std::string& text) {
    std::ofstream(dir.file(name).c_str()) << text;
    return dir.file(name);
}

double run(ANN& net, std::vector<double> in, int transfer = Neron::kIdentity) {
    net.setInput(static_cast<int>(in.size()), in.data());
    net.calcOutput(transfer);
    return net.getOutput().empty() ? NAN : net.getOutput()[0];
}

}  // namespace

TEST(ANNFile, ReadsTheThreeTwoOneNetworkAndComputesEachTransfer) {
    ANN net;
    ASSERT_TRUE(net.load(kNet321));
    ASSERT_TRUE(net.load(kNet321));  // a second load replaces the layers
    ASSERT_EQ(net.getSize(), 2);
    EXPECT_EQ(net.getLayer(0).getNeron(0).getWeights(), (std::vector<double>{0.5, -1.0, 2.0}));
    EXPECT_DOUBLE_EQ(net.getLayer(1).getNeron(0).getBias(), 0.25);
    // Every weight comes with a zero input, so each neuron is usable at once.
    EXPECT_TRUE(net.getLayer(0).getNeron(0).isValid());

    EXPECT_DOUBLE_EQ(run(net, {1, 2, 3}), -4.3125);
    const double h0 = std::tanh(0.5 - 2.0 + 6.0 + 0.125);
    const double h1 = std::tanh(6.0 - 0.25);
    EXPECT_NEAR(run(net, {1, 2, 3}, Neron::kTanh), std::tanh(1.5 * h0 - 2.0 * h1 + 0.25), 1e-12);
    const double g0 = logistic(4.625);
    const double g1 = logistic(5.75);
    EXPECT_NEAR(run(net, {1, 2, 3}, Neron::kLogistic), logistic(1.5 * g0 - 2.0 * g1 + 0.25),
                1e-12);
}

TEST(ANNFile, SinglePrecisionWeightsLongTitleAndLooseLayout) {
    TempDir dir;
    ANN net;
    ASSERT_TRUE(net.load(writeFile(dir, "a.conf", "title\n1 1 1\n0.1\n0.3\n")));
    EXPECT_EQ(net.getLayer(0).getNeron(0).getWeights()[0], static_cast<double>(0.1f));
    ASSERT_TRUE(net.load(writeFile(dir, "b.conf",
                                   std::string(3000, '#') + "\n  2\t1 \n\n 1 \n 1.5\n -2 0.5")));
    EXPECT_DOUBLE_EQ(run(net, {2, 1}), 1.5 * 2 - 2 * 1 + 0.5);
    // A single layer is evaluated directly on the inputs.
    ASSERT_TRUE(net.load(writeFile(dir, "c.conf", "one\n2 1 2\n1 2\n3 4\n0.5 -0.5\n")));
    run(net, {1, -1});
    EXPECT_EQ(net.getOutput(), (std::vector<double>{-0.5, -1.5}));
}

TEST(ANNFile, MissingOrDamagedFilesAreRefusedAndKeepThePreviousNetwork) {
    ANN missing;
    testing::internal::CaptureStderr();
    EXPECT_FALSE(missing.load("/nonexistent/dir/nn.conf"));
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Could not open /nonexistent/dir/nn.conf file!\n");

    TempDir dir;
    const std::vector<std::string> damaged = {
        "",                                                 // empty
        "t\n3 2 2\n",                                       // missing neuron count
        "t\n3 2 2 1\n0.5 -1 2 1 1 1 0.125 -0.25 1.5 -2\n",  // last bias missing
        "t\n3 1 1\n0.5 x 2 0\n",                            // not a number
        "t\n3 1 1\n0.5 1e60 2 0\n",                         // beyond single precision
        "t\n-3 1 1\n0 0 0 0\n",                             // negative inputs
        "t\n3 1 0\n",                                       // empty layer
        "t\n4096 64 4096 4096 4096\n",                      // too many weights overall
    };
    for (std::size_t i = 0; i < damaged.size(); ++i) {
        const std::string path = writeFile(dir, "bad" + std::to_string(i), damaged[i]);
        ANN net;
        ASSERT_TRUE(net.load(kNet321));
        testing::internal::CaptureStderr();
        EXPECT_FALSE(net.load(path)) << "case " << i;
        const std::string err = testing::internal::GetCapturedStderr();
        EXPECT_NE(err.find("Network file " + path + " is unusable"), std::string::npos) << err;
        ASSERT_EQ(net.getSize(), 2) << "case " << i;
        EXPECT_DOUBLE_EQ(run(net, {1, 2, 3}), -4.3125) << "case " << i;
    }
}

TEST(ANNBuilt, IndexedSettersAndEmptyNetworkAreSafe) {
    ANN net;
    EXPECT_TRUE(std::isnan(run(net, {1})));  // no layers, no output
    net.setWeight(0, 0, 0, 1.0);
    net.setBias(3, 0, 1.0);
    net.setPercept(-1, 0, 0, 1.0);
    EXPECT_EQ(net.getLayer(5).getSize(), 0);

    ASSERT_TRUE(net.load(kNet321));
    net.setWeight(1, 0, 1, 0.0);  // drop the second hidden neuron's influence
    net.setBias(1, 0, 0.0);
    net.setWeight(1, 0, 9, 1.0);  // outside: ignored
    net.setInput(0, nullptr);     // no inputs: the first layer sums nothing
    net.calcOutput(Neron::kIdentity);
    EXPECT_DOUBLE_EQ(net.getOutput()[0], 1.5 * 0.125);
    net.setInput(3, nullptr);     // no data behind a count: ignored
    net.calcOutput(Neron::kIdentity);
    EXPECT_DOUBLE_EQ(net.getOutput()[0], 1.5 * 0.125);
}
