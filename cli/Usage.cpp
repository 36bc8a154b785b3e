// SPDX-License-Identifier: BSD-3-Clause
#include "cli/Usage.h"

#include "cli/Escape.h"
#include "cli/Suggest.h"
#include "recording/TimeBase.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <vector>

int Usage(const std::string& message, const std::string& command) {
    // The message may quote what was typed: its control characters are escaped.
    const std::string help =
        command.empty() ? "quorvane-cli --help" : "quorvane-cli " + command + " --help";
    std::fprintf(stderr, "quorvane-cli: %s\nRun '%s'\n", PrintableName(message).c_str(),
                 help.c_str());
    return kExitUsage;
}

namespace {

bool ReadWholeNumber(const std::string& text, long long& value) {
    if (text.empty() || text.find_first_of(" \t\n") != std::string::npos) {
        return false;
    }
    char* end = nullptr;
    errno = 0;
    value = std::strtoll(text.c_str(), &end, 10);
    return errno == 0 && end == text.c_str() + text.size() && value >= INT32_MIN &&
           value <= INT32_MAX;
}

CLI::Validator Numbers(bool bounded, long long minimum) {
    const std::string words = bounded ? "must be a whole number of at least " + std::to_string(minimum)
                                      : std::string("must be a whole number");
    return CLI::Validator(
        [bounded, minimum, words](std::string& text) -> std::string {
            long long value = 0;
            if (!ReadWholeNumber(text, value) || (bounded && value < minimum)) {
                return words;
            }
            return {};
        },
        "");
}

// The first word of `text` that looks like an option ("--jobs", "-o").
std::string OptionIn(const std::string& text) {
    std::istringstream words(text);
    std::string word;
    while (words >> word) {
        while (!word.empty() && (word.back() == ':' || word.back() == ',')) {
            word.pop_back();
        }
        if (word.size() > 1 && word[0] == '-') {
            return word;
        }
    }
    return {};
}

// The deepest subcommand that was reached, or `app` itself.
const CLI::App* Reached(const CLI::App& app) {
    for (const CLI::App* sub : app.get_subcommands()) {
        if (sub->parsed()) {
            return Reached(*sub);
        }
    }
    return &app;
}

// Every spelling of the options of `app` ("-o", "--output", ...).
std::vector<std::string> OptionNames(const CLI::App& app) {
    std::vector<std::string> names;
    for (const CLI::Option* option : app.get_options()) {
        for (const std::string& name : option->get_lnames()) {
            names.push_back("--" + name);
        }
        for (const std::string& name : option->get_snames()) {
            names.push_back("-" + name);
        }
    }
    return names;
}

// "unknown option '--frist'", with "; did you mean --first?" when one is close.
std::string UnknownOption(const std::string& word, const std::vector<std::string>& names) {
    std::string text = "unknown option '" + word + "'";
    if (const std::string near = ClosestName(word, names); !near.empty()) {
        text += "; did you mean " + near + "?";
    }
    return text;
}

std::string Extras(const CLI::App& reached, const std::string& what) {
    const std::size_t colon = what.find(": ");
    std::istringstream words(colon == std::string::npos ? what : what.substr(colon + 2));
    std::string first;
    words >> first;
    if (first.size() > 1 && first[0] == '-') {
        return UnknownOption(first, OptionNames(reached));
    }
    return "unexpected argument '" + first + "'";
}

// The first command of `app` that has the option `word` ("-q", "--first=3").
const CLI::App* CommandWithOption(const CLI::App& app, const std::string& word) {
    const std::string name = word.substr(0, word.find('='));
    for (const CLI::App* sub : app.get_subcommands({})) {
        const std::vector<std::string> names = OptionNames(*sub);
        if (std::find(names.begin(), names.end(), name) != names.end()) {
            return sub;
        }
    }
    return nullptr;
}

// "a, b or c".
std::string JoinWords(const std::vector<std::string>& words) {
    std::string list;
    for (std::size_t i = 0; i < words.size(); ++i) {
        list += (i == 0 ? "" : i + 1 == words.size() ? " or " : ", ") + words[i];
    }
    return list;
}

template <class Error> bool Is(const CLI::ParseError& error) {
    return dynamic_cast<const Error*>(&error) != nullptr;
}

} // namespace

CLI::Validator WholeNumber(long long minimum) {
    return Numbers(true, minimum);
}

CLI::Validator WholeNumber() {
    return Numbers(false, 0);
}

CLI::Validator OneOf(std::initializer_list<const char*> words) {
    std::vector<std::string> allowed(words.begin(), words.end());
    const std::string list = JoinWords(allowed);
    return CLI::Validator(
        [allowed, list](std::string& text) -> std::string {
            for (const std::string& word : allowed) {
                if (text == word) {
                    return {};
                }
            }
            return "must be " + list;
        },
        "");
}

std::string UnknownCommand(const CLI::App& app, int argc, char** argv, std::string& command) {
    if (argc < 2 || argv[1][0] == '\0') {
        return {};
    }
    const std::string word = argv[1];
    std::vector<std::string> commands;
    for (const CLI::App* sub : app.get_subcommands({})) {
        commands.push_back(sub->get_name());
    }
    if (word[0] == '-') {
        if (word == "-h" || word == "--help" || word == "--version") {
            return {};
        }
        if (const CLI::App* owner = CommandWithOption(app, word)) {
            command = owner->get_name();
            return word.substr(0, word.find('=')) + " goes after the command: quorvane-cli " +
                   command + " ... " + word;
        }
        return UnknownOption(word, {"--help", "--version"});
    }
    if (std::find(commands.begin(), commands.end(), word) != commands.end()) {
        return {};
    }
    std::string text = "unknown command '" + word + "'";
    if (const std::string near = ClosestName(word, commands); !near.empty()) {
        text += "; did you mean " + near + "?";
    }
    return text;
}

std::string DescribeParseError(const CLI::App& app, const CLI::ParseError& error) {
    const std::string what = error.what();
    const CLI::App* reached = Reached(app);
    if (Is<CLI::ValidationError>(error)) {
        // "--jobs: must be ..." from the validators above.
        const std::size_t colon = what.find(": ");
        return colon == std::string::npos ? what
                                          : what.substr(0, colon) + " " + what.substr(colon + 2);
    }
    if (Is<CLI::RequiredError>(error)) {
        if (reached == &app) {
            std::vector<std::string> commands;
            for (const CLI::App* sub : app.get_subcommands({})) {
                commands.push_back(sub->get_name());
            }
            return "a command is required: " + JoinWords(commands);
        }
        const std::size_t end = what.find(" is required");
        const std::string name =
            end == std::string::npos ? std::string("an argument") : what.substr(0, end);
        return reached->get_name() + " needs " + name;
    }
    if (Is<CLI::ExtrasError>(error)) {
        return Extras(*reached, what);
    }
    if (Is<CLI::ArgumentMismatch>(error)) {
        const std::string option = OptionIn(what);
        return (option.empty() ? std::string("an option") : option) + " needs a value";
    }
    if (Is<CLI::ConversionError>(error)) {
        const std::string option = OptionIn(what);
        return (option.empty() ? std::string("a value") : option) + " has a value that cannot be read";
    }
    std::string text = what;
    if (!text.empty() && text[0] >= 'A' && text[0] <= 'Z') {
        text[0] = static_cast<char>(text[0] - 'A' + 'a');
    }
    return text;
}

int ParseArguments(CLI::App& app, int argc, char** argv) {
    std::string command;
    if (const std::string unknown = UnknownCommand(app, argc, argv, command); !unknown.empty()) {
        return Usage(unknown, command);
    }
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForAllHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForVersion& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        const CLI::App* reached = Reached(app);
        return Usage(DescribeParseError(app, e),
                     reached == &app ? std::string() : reached->get_name());
    }
    return -1;
}
