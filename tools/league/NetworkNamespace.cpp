#include "NetworkNamespace.h"

#include <fcntl.h>
#include <net/if.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {

bool writeFile(const char* path, const std::string& text) {
    const int fd = open(path, O_WRONLY);
    if (fd < 0) return false;
    const bool ok = write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    close(fd);
    return ok;
}

bool loopbackUp(std::string& error) {
    const int fd = socket(AF_INET, SOCK_DGRAM, 0);
    if (fd < 0) {
        error = std::string("no socket to set up the loopback: ") + std::strerror(errno);
        return false;
    }
    ifreq request{};
    std::strncpy(request.ifr_name, "lo", IFNAMSIZ - 1);
    bool ok = ioctl(fd, SIOCGIFFLAGS, &request) == 0;
    if (ok) {
        request.ifr_flags = static_cast<short>(request.ifr_flags | IFF_UP);
        ok = ioctl(fd, SIOCSIFFLAGS, &request) == 0;
    }
    if (!ok) error = std::string("cannot bring the loopback up: ") + std::strerror(errno);
    close(fd);
    return ok;
}

}  // namespace

bool NetworkNamespace::enter(std::string& error) {
    if (unshare(CLONE_NEWNET) != 0) {
        const uid_t uid = geteuid();
        const gid_t gid = getegid();
        if (unshare(CLONE_NEWUSER | CLONE_NEWNET) != 0) {
            error = std::string("cannot make a network namespace: ") + std::strerror(errno);
            return false;
        }
        // Root inside, the caller outside, so that the loopback can be set up.
        if (!writeFile("/proc/self/setgroups", "deny") ||
            !writeFile("/proc/self/uid_map", "0 " + std::to_string(uid) + " 1") ||
            !writeFile("/proc/self/gid_map", "0 " + std::to_string(gid) + " 1")) {
            error = std::string("cannot map the user into its namespace: ") + std::strerror(errno);
            return false;
        }
    }
    return loopbackUp(error);
}

bool NetworkNamespace::available(std::string& why) {
    int link[2];
    if (pipe(link) != 0) {
        why = std::string("no pipe: ") + std::strerror(errno);
        return false;
    }
    const pid_t pid = fork();
    if (pid < 0) {
        why = std::string("cannot fork: ") + std::strerror(errno);
        close(link[0]);
        close(link[1]);
        return false;
    }
    if (pid == 0) {
        close(link[0]);
        std::string error;
        const bool ok = enter(error);
        if (!ok && write(link[1], error.data(), error.size()) < 0) _exit(2);
        _exit(ok ? 0 : 1);
    }
    close(link[1]);
    std::string said;
    char buffer[256];
    ssize_t n = 0;
    while ((n = read(link[0], buffer, sizeof buffer)) > 0 || (n < 0 && errno == EINTR)) {
        if (n > 0) said.append(buffer, static_cast<size_t>(n));
    }
    close(link[0]);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0) return true;
    why = said.empty() ? "the namespace test failed" : said;
    return false;
}
