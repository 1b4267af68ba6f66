#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "ai/ann/Neron.h"

namespace {

double logistic(double x) { return 1.0 / (1.0 + std::exp(-x)); }

Neron makeNeron(const std::vector<double>& w, const std::vector<double>& in, double b) {
    Neron n;
    n.setWeights(w);
    n.setPercept(in);
    n.setBias(b);
    return n;
}

}  // namespace

TEST(Neron, TransferFunctionsOnTheWeightedSum) {
    Neron n = makeNeron({0.5, -1.0, 2.0}, {1.0, 2.0, 3.0}, 0.125);
    const double sum = 0.5 - 2.0 + 6.0 + 0.125;
    EXPECT_DOUBLE_EQ(n.calcOutput(Neron::kIdentity), sum);
    EXPECT_DOUBLE_EQ(n.getOutput(), sum);
    EXPECT_DOUBLE_EQ(n.calcOutput(Neron::kLogistic), logistic(sum));
    EXPECT_NEAR(n.calcOutput(Neron::kTanh), std::tanh(sum), 1e-12);
}

TEST(Neron, TransferFunctionsStayFiniteAtExtremes) {
    for (double x : {-1e6, -800.0, 800.0, 1e6}) {
        Neron n = makeNeron({1.0}, {x}, 0.0);
        const double t = n.calcOutput(Neron::kTanh);
        EXPECT_TRUE(std::isfinite(t)) << x;
        EXPECT_DOUBLE_EQ(t, x > 0 ? 1.0 : -1.0);
        const double l = n.calcOutput(Neron::kLogistic);
        EXPECT_TRUE(std::isfinite(l)) << x;
        EXPECT_DOUBLE_EQ(l, x > 0 ? 1.0 : 0.0);
    }
}

TEST(Neron, UnknownTransferFunctionKeepsTheSumAndComplains) {
    Neron n = makeNeron({2.0}, {3.0}, 1.0);
    testing::internal::CaptureStderr();
    EXPECT_DOUBLE_EQ(n.calcOutput(7), 7.0);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              " you enter a invalid number4 for input!!!!!\n");
}

TEST(Neron, MismatchedListsSumOnlyTheCommonPairs) {
    // More inputs than weights and the other way round: never read past a
    // list (the sanitizer run checks the reads).
    Neron a = makeNeron({1.0, 1.0}, {1.0, 2.0, 3.0, 4.0}, 0.0);
    EXPECT_FALSE(a.isValid());
    EXPECT_DOUBLE_EQ(a.calcOutput(Neron::kIdentity), 3.0);
    Neron b = makeNeron({1.0, 1.0, 1.0}, {5.0}, 0.5);
    EXPECT_DOUBLE_EQ(b.calcOutput(Neron::kIdentity), 5.5);
    Neron c = makeNeron({}, {}, -2.0);
    EXPECT_TRUE(c.isValid());
    EXPECT_DOUBLE_EQ(c.calcOutput(Neron::kIdentity), -2.0);
}

TEST(Neron, ShowAttrListsPairsOrReportsTheMismatch) {
    Neron n = makeNeron({0.5, 2.0}, {1.0, 3.0}, 0.25);
    testing::internal::CaptureStdout();
    n.showAttr();
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "weight * percept: \n0.5 * 1\n2 * 3\nbias: 0.25\n");

    Neron bad = makeNeron({0.5}, {1.0, 3.0}, 0.0);
    testing::internal::CaptureStdout();
    bad.showAttr();
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(out.rfind("size of percepts is not equal to size of weights!. ", 0), 0u);
    EXPECT_NE(out.find("2 1"), std::string::npos);
}

