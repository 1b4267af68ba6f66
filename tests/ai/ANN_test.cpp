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

void writeFile(const std::string& path, const std::string& text) {
    std::ofstream out(path.c_str());
    out << text;
}

// Expected output of the 3-2-1 fixture for one transfer function.
double expected321(double (*f)(double), double a, double b, double c) {
    const double h0 = f(0.5 * a - 1.0 * b + 2.0 * c + 0.125);
    const double h1 = f(a + b + c - 0.25);
    return f(1.5 * h0 - 2.0 * h1 + 0.25);
}

double identity(double x) { return x; }
double tanhRef(double x) { return std::tanh(x); }

}  // namespace

TEST(ANNFile, ReadsTheThreeTwoOneNetwork) {
    ANN net;
    ASSERT_TRUE(net.load(kNet321));
    ASSERT_EQ(net.getSize(), 2);
    EXPECT_EQ(net.getInputSize(), 3);
    Layer first = net.getLayer(0);
    Layer last = net.getLayer(1);
    ASSERT_EQ(first.getSize(), 2);
    ASSERT_EQ(last.getSize(), 1);
    EXPECT_EQ(first.getNeron(0).getWeights(), (std::vector<double>{0.5, -1.0, 2.0}));
    EXPECT_EQ(first.getNeron(1).getWeights(), (std::vector<double>{1.0, 1.0, 1.0}));
    EXPECT_DOUBLE_EQ(first.getNeron(0).getBias(), 0.125);
    EXPECT_DOUBLE_EQ(first.getNeron(1).getBias(), -0.25);
    EXPECT_EQ(last.getNeron(0).getWeights(), (std::vector<double>{1.5, -2.0}));
    EXPECT_DOUBLE_EQ(last.getNeron(0).getBias(), 0.25);
    // Every weight comes with a zero input, so each neuron is usable at once.
    EXPECT_TRUE(first.getNeron(0).isValid());
    EXPECT_EQ(first.getNeron(0).getPercepts(), (std::vector<double>{0.0, 0.0, 0.0}));
    EXPECT_TRUE(last.getNeron(0).isValid());
    // A second load replaces the layers instead of adding to them.
    ASSERT_TRUE(net.load(kNet321));
    EXPECT_EQ(net.getSize(), 2);
}

TEST(ANNFile, ForwardPassWithEachTransferFunction) {
    ANN net;
    ASSERT_TRUE(net.load(kNet321));
    const double in[3] = {1.0, 2.0, 3.0};
    net.setInput(3, in);

    net.calcOutput(Neron::kIdentity);
    ASSERT_EQ(net.getOutput().size(), 1u);
    EXPECT_DOUBLE_EQ(net.getOutput()[0], -4.3125);

    net.calcOutput(Neron::kLogistic);
    EXPECT_NEAR(net.getOutput()[0], expected321(logistic, 1, 2, 3), 1e-12);

    net.calcOutput(Neron::kTanh);
    EXPECT_NEAR(net.getOutput()[0], expected321(tanhRef, 1, 2, 3), 1e-12);

    const double in2[3] = {-0.5, 0.25, 4.0};
    net.setInput(3, in2);
    net.calcOutput(Neron::kIdentity);
    EXPECT_NEAR(net.getOutput()[0], expected321(identity, -0.5, 0.25, 4.0), 1e-12);
}

TEST(ANNFile, WeightsAreReadInSinglePrecision) {
    TempDir dir;
    writeFile(dir.file("n.conf"), "title\n1 1 1\n0.1\n0.3\n");
    ANN net;
    ASSERT_TRUE(net.load(dir.file("n.conf")));
    EXPECT_EQ(net.getLayer(0).getNeron(0).getWeights()[0], static_cast<double>(0.1f));
    EXPECT_EQ(net.getLayer(0).getNeron(0).getBias(), static_cast<double>(0.3f));
}

TEST(ANNFile, LongTitleLineAndLooseLayoutAreAccepted) {
    TempDir dir;
    writeFile(dir.file("n.conf"),
              std::string(3000, '#') + "\n  2\t1 \n\n 1 \n 1.5\n -2 0.5");
    ANN net;
    ASSERT_TRUE(net.load(dir.file("n.conf")));
    const double in[2] = {2.0, 1.0};
    net.setInput(2, in);
    net.calcOutput(Neron::kIdentity);
    EXPECT_DOUBLE_EQ(net.getOutput()[0], 1.5 * 2 - 2 * 1 + 0.5);
}

TEST(ANNFile, MissingFileIsReportedAndDoesNotWait) {
    ANN net;
    testing::internal::CaptureStderr();
    EXPECT_FALSE(net.load("/nonexistent/dir/nn.conf"));
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Could not open /nonexistent/dir/nn.conf file!\n");
    EXPECT_EQ(net.getSize(), 0);
}

TEST(ANNFile, DamagedFilesAreRefusedAndKeepThePreviousNetwork) {
    TempDir dir;
    const std::vector<std::string> damaged = {
        "",                                   // empty
        "title only",                         // no header
        "t\n3\n",                             // no layer count
        "t\n3 2 2\n",                         // missing neuron count
        "t\n3 2 2 1\n0.5 -1 2 1 1\n",         // ends inside the weights
        "t\n3 2 2 1\n0.5 -1 2 1 1 1 0.125\n", // ends inside the biases
        "t\n3 2 2 1\n0.5 -1 2 1 1 1 0.125 -0.25 1.5 -2\n",  // last bias missing
        "t\n3 1 1\n0.5 x 2 0\n",              // not a number
        "t\n3 1 1\n0.5 1e60 2 0\n",           // beyond single precision
        "t\n0 1 1\n0\n",                      // no inputs
        "t\n-3 1 1\n0 0 0 0\n",               // negative inputs
        "t\n3 0\n",                           // no layers
        "t\n3 1 -2\n",                        // negative neurons
        "t\n3 1 0\n",                         // empty layer
        "t\n99999999 1 1\n",                  // absurd input count
        "t\n4096 64 4096 4096 4096\n",        // too many weights overall
    };
    for (std::size_t i = 0; i < damaged.size(); ++i) {
        const std::string path = dir.file("bad" + std::to_string(i) + ".conf");
        writeFile(path, damaged[i]);
        ANN net;
        ASSERT_TRUE(net.load(kNet321));
        testing::internal::CaptureStderr();
        EXPECT_FALSE(net.load(path)) << "case " << i;
        const std::string err = testing::internal::GetCapturedStderr();
        EXPECT_NE(err.find("Network file " + path + " is unusable"), std::string::npos)
            << "case " << i << ": " << err;
        // The network loaded before is untouched.
        ASSERT_EQ(net.getSize(), 2) << "case " << i;
        const double in[3] = {1.0, 2.0, 3.0};
        net.setInput(3, in);
        net.calcOutput(Neron::kIdentity);
        EXPECT_DOUBLE_EQ(net.getOutput()[0], -4.3125) << "case " << i;
    }
}

TEST(ANNBuilt, ZeroWeightsGiveTheBiasThroughTheTransfer) {
    const double b[3] = {-1.5, 0.0, 2.0};
    Layer withWeights;
    for (int n = 0; n < 3; ++n) {
        Neron nr;
        nr.setWeights({0.0, 0.0});
        nr.setBias(b[n]);
        withWeights.insertNeron(nr);
    }
    ANN net2;
    net2.insertLayer(withWeights);
    const double in[2] = {5.0, -7.0};
    net2.setInput(2, in);

    net2.calcOutput(Neron::kLogistic);
    ASSERT_EQ(net2.getOutput().size(), 3u);
    for (int n = 0; n < 3; ++n) {
        EXPECT_DOUBLE_EQ(net2.getOutput()[static_cast<std::size_t>(n)], logistic(b[n]));
    }
    net2.calcOutput(Neron::kIdentity);
    for (int n = 0; n < 3; ++n) {
        EXPECT_DOUBLE_EQ(net2.getOutput()[static_cast<std::size_t>(n)], b[n]);
    }
}

TEST(ANNBuilt, SingleLayerIsEvaluatedDirectlyOnTheInputs) {
    TempDir dir;
    writeFile(dir.file("n.conf"), "one layer\n2 1 2\n1 2\n3 4\n0.5 -0.5\n");
    ANN net;
    ASSERT_TRUE(net.load(dir.file("n.conf")));
    const double in[2] = {1.0, -1.0};
    net.setInput(2, in);
    net.calcOutput(Neron::kIdentity);
    EXPECT_EQ(net.getOutput(), (std::vector<double>{-1.0 + 0.5, -1.0 - 0.5}));
}

TEST(ANNBuilt, IndexedSettersAndEmptyNetworkAreSafe) {
    ANN net;
    net.calcOutput(Neron::kIdentity);
    EXPECT_TRUE(net.getOutput().empty());
    const double in[1] = {1.0};
    net.setInput(1, in);
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
