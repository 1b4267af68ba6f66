#include "EpisodeRunner.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <iostream>
#include <utility>
#include <vector>

#include "LearnerFactory.h"
#include "SimulatorFactory.h"
#include "utils/CommandCreator.h"
#include "utils/Communicator.h"
#include "utils/ServerCommunicationManager.h"
#include "utils/WorldModelUpdater.h"

namespace {

std::atomic<pid_t> gEpisodeChild{-1};

constexpr int kPollMs = 100;

void applyPerception(const char* received, std::vector<char>& area) {
    std::strncpy(area.data(), received, area.size() - 1);
    area.back() = '\0';
    char* cursor = area.data();
    WorldModelUpdater updater;
    updater.setMessage(&cursor);
    updater.parseMessage();
}

// The status of a child that has ended, reaped; -1 while it runs.
int endedStatus(pid_t pid) {
    int status = 0;
    const pid_t r = ::waitpid(pid, &status, WNOHANG);
    if (r == pid) return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return r < 0 && errno == ECHILD ? 0 : -1;
}

// The child's connection on `listener`; -1 when the child ends first.
int acceptChild(int listener, pid_t child, int& status) {
    for (;;) {
        pollfd p{listener, POLLIN, 0};
        if (::poll(&p, 1, kPollMs) > 0) {
            const int fd = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
            if (fd >= 0) return fd;
        }
        status = endedStatus(child);
        if (status >= 0) return -1;
    }
}

// One line from the child, without its end; false when it closed first.
bool readLine(int fd, std::string& line) {
    std::string pending;
    char chunk[256];
    for (;;) {
        const std::size_t end = pending.find('\n');
        if (end != std::string::npos) {
            line = pending.substr(0, end);
            return true;
        }
        const ssize_t n = ::recv(fd, chunk, sizeof chunk, 0);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0 || pending.size() > 4096) return false;
        pending.append(chunk, static_cast<std::size_t>(n));
    }
}

}  // namespace

EpisodeRunner::EpisodeRunner(const LearnAgentOptions& options, std::string programPath)
    : options(options), programPath(std::move(programPath)) {}

void EpisodeRunner::stopRunningEpisode(int signal) {
    const pid_t child = gEpisodeChild.load();
    if (child > 0) ::kill(child, signal);
}

int EpisodeRunner::run(Communicator& optimiser) {
    // Where the episodes' children reach the parent: loopback only.
    const int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in self{};
    self.sin_family = AF_INET;
    self.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof self;
    if (listener < 0 || ::bind(listener, reinterpret_cast<sockaddr*>(&self), size) != 0 ||
        ::listen(listener, 1) != 0 ||
        ::getsockname(listener, reinterpret_cast<sockaddr*>(&self), &size) != 0) {
        std::cerr << "learnagent: cannot listen for its episodes: " << std::strerror(errno)
                  << std::endl;
        if (listener >= 0) ::close(listener);
        return 1;
    }
    const unsigned port = ntohs(self.sin_port);

    int result = 0;
    for (unsigned episode = 1;; ++episode) {
        const char* text = optimiser.readMsg();
        if (text == nullptr) {
            std::cout << "learnagent: the optimiser has closed the learning link after "
                      << episode - 1 << " episodes; learning stops." << std::endl;
            break;
        }
        const std::string vector = text;
        std::cout.flush();
        std::cerr.flush();
        const pid_t child = ::fork();
        if (child < 0) {
            std::cerr << "learnagent: fork: " << std::strerror(errno) << std::endl;
            result = 1;
            break;
        }
        if (child == 0) {
            ::close(listener);
            optimiser.disconnect();  // the parent's; this process closes its copy only
            const int status = runEpisode(episode, port);
            std::cout.flush();
            std::cerr.flush();
            std::exit(status);
        }
        gEpisodeChild.store(child);
        int status = -1;
        std::string fitness;
        const int link = acceptChild(listener, child, status);
        bool scored = false;
        if (link >= 0) {
            const std::string line = vector;
            scored = ::send(link, line.data(), line.size(), MSG_NOSIGNAL) ==
                         static_cast<ssize_t>(line.size()) &&
                     readLine(link, fitness);
            // The child's next read finds the link closed: it ends.
            ::close(link);
        }
        if (status < 0) {
            while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
            }
            status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        }
        gEpisodeChild.store(-1);
        if (!scored) {
            std::cerr << "learnagent: episode " << episode
                      << " ended without a fitness (its process ended with status " << status
                      << "); learning stops." << std::endl;
            result = 1;
            break;
        }
        if (!optimiser.sendMsg(fitness + "\n")) {
            std::cerr << "Optimiser link: the fitness of episode " << episode
                      << " could not be sent." << std::endl;
        }
    }
    ::close(listener);
    return result;
}

int EpisodeRunner::runEpisode(unsigned episode, unsigned port) {
    auto parent = std::make_unique<Communicator>(LearningBase::kOptimiserBufSize, false);
    if (!parent->connect2(port, "127.0.0.1")) {
        return 1;
    }
    std::unique_ptr<SimulatorControl> simulator =
        SimulatorFactory::make(options, programPath.c_str());
    ServerCommunicationManager* SCM = ServerCommunicationManager::getUniqueInstance();
    CommandCreator* CC = CommandCreator::getUniqueInstance();
    LearningBase::setLogKept(true);
    std::unique_ptr<LearningBase> learner =
        LearnerFactory::create(options.learner, std::move(simulator), std::move(parent));
    if (!learner) {
        return 2;
    }
    learner->setEpisodCount(episode);
    // After its fitness the parent closes the link: no next episode here.
    learner->setStopWhenOptimiserLeaves(true);
    // Every command goes to a simulator that has spoken: the same cycles on
    // every run.
    learner->setQuietUntilPerceived(true);

    std::vector<char> area(ServerCommunicationManager::kBufSize + 1, '\0');
    int status = 0;
    for (;;) {
        const char* received = SCM->readMsg();
        if (received == nullptr) {
            std::cerr << "learnagent: the simulator closed the connection in episode "
                      << learner->getEpisodCount() << "; learning stops." << std::endl;
            status = 1;
            break;
        }
        CC->reset();
        applyPerception(received, area);
        learner->learn();
        if (!learner->restartedThisCycle()) {
            SCM->sendMsg(CC->getPreparedCommand());
        }
        if (!learner->isOptimiserConnected()) {
            break;
        }
    }
    // Ends the simulator this episode started.
    learner.reset();
    return status;
}
