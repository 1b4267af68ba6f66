#include "support/HeadlessBrowser.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace {

const char* kChromium = "/usr/bin/chromium";
const int kAnswerMs = 20000;  // one DevTools command, however busy the machine

long long nowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// Base64 as DevTools sends binary data; empty when the text is not base64.
std::string fromBase64(const std::string& text) {
    static const std::string digits =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    unsigned bits = 0;
    int count = 0;
    for (const char c : text) {
        if (c == '=') break;
        const size_t v = digits.find(c);
        if (v == std::string::npos) return "";
        bits = ((bits << 6) | static_cast<unsigned>(v)) & 0xffffu;  // at most 13 bits are pending
        count += 6;
        if (count >= 8) {
            count -= 8;
            out.push_back(static_cast<char>((bits >> count) & 0xffu));
        }
    }
    return out;
}

}  // namespace

HeadlessBrowser::~HeadlessBrowser() {
    if (toBrowser >= 0) ::close(toBrowser);
    if (fromBrowser >= 0) ::close(fromBrowser);
    if (pid > 0) {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
    }
}

bool HeadlessBrowser::open(const std::string& url, const std::string& profileDir) {
    // chromium reads commands on its descriptor 3 and answers on 4, each
    // message a JSON text ended by a NUL byte.
    int commands[2], answers[2];
    if (::pipe(commands) != 0 || ::pipe(answers) != 0) {
        lastError = "no pipes";
        return false;
    }
    const std::vector<std::string> args{kChromium,
                                        "--headless",
                                        "--no-sandbox",
                                        "--disable-gpu",
                                        "--no-first-run",
                                        "--hide-scrollbars",
                                        "--remote-debugging-pipe",
                                        "--user-data-dir=" + profileDir,
                                        "--window-size=1200,860",
                                        "about:blank"};
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid = ::fork();
    if (pid == 0) {
        const int devnull = ::open("/dev/null", O_RDWR);
        ::dup2(devnull, 0);
        ::dup2(devnull, 1);
        ::dup2(devnull, 2);
        // Moved out of the way first, so that 3 and 4 are not closed under them.
        const int in = ::fcntl(commands[0], F_DUPFD, 10), out = ::fcntl(answers[1], F_DUPFD, 10);
        ::dup2(in, 3);
        ::dup2(out, 4);
        ::execv(kChromium, argv.data());
        ::_exit(127);
    }
    ::close(commands[0]);
    ::close(answers[1]);
    toBrowser = commands[1];
    fromBrowser = answers[0];
    if (pid < 0) {
        lastError = "cannot start chromium";
        return false;
    }
    ::signal(SIGPIPE, SIG_IGN);  // a browser that died must fail the test, not end it
    const nlohmann::json target = call("Target.createTarget", {{"url", url}}, false);
    if (!target.contains("targetId")) return false;
    const nlohmann::json attached =
        call("Target.attachToTarget", {{"targetId", target["targetId"]}, {"flatten", true}}, false);
    if (!attached.contains("sessionId")) return false;
    session = attached["sessionId"].get<std::string>();
    return true;
}

nlohmann::json HeadlessBrowser::call(const std::string& method, const nlohmann::json& params,
                                     bool inPage) {
    if (toBrowser < 0) {
        lastError = "no browser";
        return nullptr;
    }
    const long id = ++nextId;
    nlohmann::json message{{"id", id}, {"method", method}, {"params", params}};
    if (inPage) message["sessionId"] = session;
    std::string text = message.dump();
    text.push_back('\0');
    for (size_t sent = 0; sent < text.size();) {
        const ssize_t n = ::write(toBrowser, text.data() + sent, text.size() - sent);
        if (n <= 0) {
            lastError = "chromium stopped reading";
            return nullptr;
        }
        sent += static_cast<size_t>(n);
    }
    const long long deadline = nowMs() + kAnswerMs;
    for (;;) {
        for (size_t end = pending.find('\0'); end != std::string::npos; end = pending.find('\0')) {
            const nlohmann::json answer =
                nlohmann::json::parse(pending.substr(0, end), nullptr, false);
            pending.erase(0, end + 1);
            if (!answer.is_object() || answer.value("id", -1L) != id)
                continue;  // events and others
            if (answer.contains("error")) {
                lastError = method + ": " + answer["error"].dump();
                return nullptr;
            }
            return answer.value("result", nlohmann::json::object());
        }
        const long long left = deadline - nowMs();
        pollfd p{fromBrowser, POLLIN, 0};
        if (left <= 0 || ::poll(&p, 1, static_cast<int>(left)) <= 0) {
            lastError = method + ": no answer within " + std::to_string(kAnswerMs / 1000) + " s";
            return nullptr;
        }
        char buf[65536];
        const ssize_t n = ::read(fromBrowser, buf, sizeof buf);
        if (n <= 0) {
            lastError = method + ": chromium closed its pipe";
            return nullptr;
        }
        pending.append(buf, static_cast<size_t>(n));
    }
}

nlohmann::json HeadlessBrowser::evaluate(const std::string& expression) {
    const nlohmann::json r =
        call("Runtime.evaluate", {{"expression", expression}, {"returnByValue", true}}, true);
    if (!r.is_object() || !r.contains("result")) return nullptr;
    if (r.contains("exceptionDetails")) {
        lastError = expression + ": " + r["exceptionDetails"].dump();
        return nullptr;
    }
    return r["result"].value("value", nlohmann::json());
}

bool HeadlessBrowser::waitFor(const std::string& expression) {
    for (int i = 0; i < 400; ++i) {
        if (evaluate("!!(" + expression + ")") == true) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    lastError = "never true: " + expression;
    return false;
}

bool HeadlessBrowser::press(const std::string& key, const std::string& code) {
    for (const char* type : {"keyDown", "keyUp"}) {
        nlohmann::json event{{"type", type}, {"key", key}, {"code", code}};
        if (key.size() == 1 && std::string(type) == "keyDown") event["text"] = key;
        if (call("Input.dispatchKeyEvent", event, true).is_null()) return false;
    }
    return true;
}

std::string HeadlessBrowser::html() {
    const nlohmann::json dom = evaluate("document.documentElement.outerHTML");
    return dom.is_string() ? dom.get<std::string>() : "";
}

bool HeadlessBrowser::screenshot(const std::string& file) {
    const nlohmann::json shot = call("Page.captureScreenshot", {{"format", "png"}}, true);
    if (!shot.is_object() || !shot.value("data", nlohmann::json()).is_string()) return false;
    const std::string png = fromBase64(shot["data"].get<std::string>());
    if (png.empty()) {
        lastError = "Page.captureScreenshot: no picture";
        return false;
    }
    std::ofstream out(file, std::ios::binary);
    out.write(png.data(), static_cast<std::streamsize>(png.size()));
    if (!out.flush()) lastError = "cannot write " + file;
    return static_cast<bool>(out);
}
