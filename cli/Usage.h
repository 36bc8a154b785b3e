// SPDX-License-Identifier: BSD-3-Clause
// Usage errors of quorvane-cli in plain words: one line "quorvane-cli: ..."
// and a pointer to --help, exit status 2. CLI11 checks the command line with
// the validators below; its own exceptions are reworded by DescribeParseError.
#pragma once

#include <CLI/CLI.hpp>

#include <initializer_list>
#include <optional>
#include <string>

constexpr int kExitUsage = 2;

// Prints the usage error with a pointer to the help of `command` (the
// program's own help when empty) and returns kExitUsage.
int Usage(const std::string& message, const std::string& command = {});

// Parses the command line into `app`. -1 when the command is to run; else the
// exit status after --help or --version (0) or a usage error (kExitUsage).
int ParseArguments(CLI::App& app, int argc, char** argv);

// A whole number of at least `minimum`; the message reads "must be a whole
// number of at least 1" (or "must be a whole number" without a minimum).
CLI::Validator WholeNumber(long long minimum);
CLI::Validator WholeNumber();

// One of the listed words: "must be 16 or 8", "must be none, offset or offset-gain".
CLI::Validator OneOf(std::initializer_list<const char*> words);

// "unknown command 'foo'" when the first word names no subcommand of `app`,
// "unknown option '--foo'" when it is an option other than --help and
// --version, each with the nearest name when one is close ("; did you mean
// convert?"); an option of a command given before it says where it goes and
// sets `command` to that command. Else empty. Checked before parsing so the
// message names the word typed.
std::string UnknownCommand(const CLI::App& app, int argc, char** argv, std::string& command);

// The plain-words line for a CLI11 parse error (not for help or version); an
// unknown option of a command names its nearest option when one is close.
std::string DescribeParseError(const CLI::App& app, const CLI::ParseError& error);

