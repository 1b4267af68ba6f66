// The optimiser sends each parameter vector as text over its link; a broken
// or foreign optimiser can send anything. Whatever the text, every parameter
// must end up either read from it whole or left as it was (all of them, for
// a text without numbers), and never as a value that is not a number.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cctype>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <string>

#include "FuzzScratch.h"
#include "ai/learning/LearningBase.h"
#include "ai/learning/SimulatorControl.h"
#include "utils/Communicator.h"

namespace {

constexpr unsigned kParams = 12;

void check(bool condition) {
    if (!condition) std::abort();
}

// No simulator at all: nothing listens on port 1, so the agent's connection
// fails at once and the engine carries on, as it does when a start failed.
class NoSimulator : public SimulatorControl {
public:
    void killSimulator() override {}
    void startSimulator() override {}
    void wait(unsigned) override {}
    int serverPort() const override { return 1; }
};

class ProbeLearner : public LearningBase {
public:
    explicit ProbeLearner(std::unique_ptr<Communicator> optimiser)
        : LearningBase(kParams, std::make_unique<NoSimulator>(), std::move(optimiser)) {}
    bool isEvalDone() override { return false; }
    void continueEval() override {}
    double calcFitness() override { return 0.0; }
};

const fuzzscratch::ScratchDir& scratch() {
    static const fuzzscratch::ScratchDir dir("optimiser_fuzz");
    return dir;
}

// The engine with its optimiser link connected to a socket of our own.
ProbeLearner* setUp() {
    static fuzzscratch::NullBuffer nothing;
    std::cout.rdbuf(&nothing);  // every vector is printed
    std::cerr.rdbuf(&nothing);  // and every bad one reported
    // Each vector is appended to the learning log; here it goes nowhere.
    if (::symlink("/dev/null", (scratch().path() + "/" + LearningBase::kLogFile).c_str()) != 0) std::abort();
    const fuzzscratch::InScratch here(scratch());

    const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in self{};
    self.sin_family = AF_INET;
    self.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof self;
    if (listener < 0 || ::bind(listener, reinterpret_cast<sockaddr*>(&self), length) != 0 ||
        ::listen(listener, 1) != 0 || ::getsockname(listener, reinterpret_cast<sockaddr*>(&self), &length) != 0) {
        std::abort();
    }
    auto link = std::make_unique<Communicator>(LearningBase::kOptimiserBufSize, false);
    if (!link->connect2(ntohs(self.sin_port), "127.0.0.1")) std::abort();
    // Our end stays open for the whole run: a closed link would be a different test.
    static const int optimiserEnd = ::accept(listener, nullptr, nullptr);
    if (optimiserEnd < 0) std::abort();
    ::close(listener);
    return new ProbeLearner(std::move(link));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static ProbeLearner* const learner = setUp();
    const fuzzscratch::InScratch here(scratch());
    // A known vector first, so that what the text leaves alone is visible.
    learner->setParams("1 2 3 4 5 6 7 8 9 10 11 12");
    const std::string text(reinterpret_cast<const char*>(data), size);
    learner->setParams(text);

    bool blank = true;
    for (char c : text) blank = blank && std::isspace(static_cast<unsigned char>(c));
    for (unsigned i = 0; i < kParams; ++i) {
        const double v = learner->getParam(i);
        check(std::isfinite(v));
        if (blank) check(v == static_cast<double>(i + 1));
    }
    check(learner->getParam(kParams) == 0.0);
    return 0;
}
