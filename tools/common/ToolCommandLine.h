// Reads the command line of a user tool with CLI11 and words its complaints
// the way the tool always has. CLI11 does the reading: option names, values
// given as the next words or after "=", how many values an option takes,
// the free words, and which words are options nobody knows. Each option
// brings its own rule for a value and the two sentences a user sees when
// the value is missing or breaks the rule. A tool prints its own help text,
// so CLI11's help is switched off; "--help" anywhere asks for it.
#pragma once

#include <CLI/CLI.hpp>
#include <cstddef>
#include <functional>
#include <string>
#include <utility>
#include <vector>

enum class CommandLineOutcome { Run, Help, Error };

class ToolCommandLine {
public:
    // Takes the value words of one use; false when one breaks the rule.
    using Apply = std::function<bool(const std::vector<std::string>& values)>;

    explicit ToolCommandLine(std::vector<std::string> helpWords = {"--help"})
        : helpWords(std::move(helpWords)) {
        app.set_help_flag();
        app.allow_extras();
        app.add_option("words", words)->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
    }

    // An option of `arity` values. `apply` takes the values of each use in
    // turn, so a later use wins; `missing` is the complaint when the values
    // do not follow, `bad` when `apply` refuses them.
    void option(const std::string& name, std::size_t arity, std::string missing, std::string bad,
                Apply apply) {
        CLI::Option* opt = app.add_option(name);
        opt->expected(static_cast<int>(arity));
        opt->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
        options.push_back({opt, arity, std::move(missing), std::move(bad), std::move(apply)});
    }

    // An option without a value: `apply` runs once, with no values, when the
    // option was given at all.
    void flag(const std::string& name, Apply apply) {
        CLI::Option* opt = app.add_flag(name);
        options.push_back({opt, 0, "", "", std::move(apply)});
    }

    // An option whose value is always the next word, even one that looks
    // like an option (it is handed on to another program).
    void rawOption(const std::string& name, std::string missing, Apply apply) {
        rawNames.push_back(name);
        option(name, 1, missing, missing, std::move(apply));
    }

    // The words that are no option, in order.
    const std::vector<std::string>& freeWords() const { return words; }

    // How a word that looks like an unknown option is reported.
    std::function<std::string(const std::string& word)> unknownOption = [](const std::string& w) {
        return "unknown option " + w;
    };

    CommandLineOutcome read(int argc, char** argv, std::string& error) {
        std::vector<std::string> args;
        for (int i = argc - 1; i >= 1; --i) args.emplace_back(argv[i] != nullptr ? argv[i] : "");
        for (const std::string& word : args) {
            for (const std::string& help : helpWords) {
                if (word == help) return CommandLineOutcome::Help;
            }
        }
        joinRawValues(args);
        try {
            app.parse(args);
        } catch (const CLI::ArgumentMismatch& e) {
            error = complaint(e.what(), &Entry::missing);
            return CommandLineOutcome::Error;
        } catch (const CLI::ParseError& e) {
            error = e.what();
            return CommandLineOutcome::Error;
        }
        for (const std::string& word : app.remaining()) {
            if (word.size() > 1 && word[0] == '-') {
                error = unknownOption(word);
                return CommandLineOutcome::Error;
            }
        }
        return applyAll(error);
    }

private:
    struct Entry {
        CLI::Option* opt;
        std::size_t arity;
        std::string missing;
        std::string bad;
        Apply apply;
    };

    // CLI11 reads the words in reverse order (it pops them off the back).
    void joinRawValues(std::vector<std::string>& reversed) const {
        for (std::size_t i = reversed.size(); i-- > 1;) {
            for (const std::string& name : rawNames) {
                if (reversed[i] == name) {
                    reversed[i] = name + "=" + reversed[i - 1];
                    reversed.erase(reversed.begin() + static_cast<long>(i) - 1);
                    break;
                }
            }
        }
    }

    // CLI11 names the option first in its messages: "--seconds: ...".
    std::string complaint(const std::string& what, std::string Entry::*which) const {
        const std::string name = what.substr(0, what.find(':'));
        for (const Entry& e : options) {
            if (e.opt->check_name(name)) return e.*which;
        }
        return what;
    }

    // Each use's values in turn, option by option.
    CommandLineOutcome applyAll(std::string& error) const {
        for (const Entry& e : options) {
            if (e.arity == 0) {
                if (e.opt->count() > 0) e.apply({});
                continue;
            }
            const std::vector<std::string>& results = e.opt->results();
            // CLI11 lets an option of several values end the line short.
            if (results.size() % e.arity != 0) {
                error = e.missing;
                return CommandLineOutcome::Error;
            }
            for (std::size_t i = 0; i + e.arity <= results.size(); i += e.arity) {
                const auto first = results.begin() + static_cast<long>(i);
                if (!e.apply(std::vector<std::string>(first, first + static_cast<long>(e.arity)))) {
                    error = e.bad;
                    return CommandLineOutcome::Error;
                }
            }
        }
        return CommandLineOutcome::Run;
    }

    CLI::App app;
    std::vector<std::string> helpWords;
    std::vector<std::string> rawNames;
    std::vector<Entry> options;
    std::vector<std::string> words;
};
