// Headless chromium driven over its DevTools pipe, for tests that must act on
// a page as a user does (press keys) and then read what the page holds.
#pragma once

#include <sys/types.h>

#include <nlohmann/json.hpp>
#include <string>

class HeadlessBrowser {
public:
    HeadlessBrowser() = default;
    ~HeadlessBrowser();
    HeadlessBrowser(const HeadlessBrowser&) = delete;
    HeadlessBrowser& operator=(const HeadlessBrowser&) = delete;

    // Starts chromium with its profile in `profileDir` and opens `url` in a
    // tab of its own; false (with the reason in error()) when it cannot.
    bool open(const std::string& url, const std::string& profileDir);
    // The value of a JavaScript expression in the page (null on failure).
    nlohmann::json evaluate(const std::string& expression);
    // Waits up to 20 s for `expression` to become true in the page.
    bool waitFor(const std::string& expression);
    // One press of a key: `key` as the page sees it in KeyboardEvent.key
    // (" ", ".", "End", ...), `code` the physical key ("Space", "Period", ...).
    bool press(const std::string& key, const std::string& code);
    // The page's document as it stands now, as HTML ("" on failure).
    std::string html();
    // A PNG of what the page shows now, written to `file`.
    bool screenshot(const std::string& file);
    const std::string& error() const { return lastError; }

private:
    nlohmann::json call(const std::string& method, const nlohmann::json& params, bool inPage);

    pid_t pid = -1;
    int toBrowser = -1, fromBrowser = -1;
    long nextId = 0;
    std::string pending, session, lastError;
};
