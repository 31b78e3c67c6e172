#include "cli/CommandLine.h"

#include "cli/Commands.h"

#include <iostream>

namespace edamaki::cli {

std::optional<std::string> ParsedArguments::Value(std::string const& name) const
{
    auto const found = Values.find(name);
    if (found == Values.end())
        return std::nullopt;
    return found->second;
}

std::vector<std::string> ParsedArguments::AllValues(std::string const& name) const
{
    std::vector<std::string> values;
    for (auto const& [option, value] : Given) {
        if (option == name)
            values.push_back(value);
    }
    return values;
}

std::optional<ParsedArguments> ParseArguments(
    std::vector<std::string> const& arguments, OptionTable const& options, std::string& error)
{
    ParsedArguments parsed;
    bool options_ended = false;
    for (std::size_t index = 0; index < arguments.size(); ++index) {
        std::string const& argument = arguments[index];
        if (options_ended || argument == "-" || !argument.starts_with("-")) {
            parsed.Positionals.push_back(argument);
            continue;
        }
        if (argument == "--") {
            options_ended = true;
            continue;
        }
        std::string name = argument;
        std::optional<std::string> inline_value;
        if (auto const equals = argument.find('='); equals != std::string::npos) {
            name = argument.substr(0, equals);
            inline_value = argument.substr(equals + 1);
        }
        if (options.FlagOptions.contains(name)) {
            if (inline_value) {
                error = "option " + name + " takes no value";
                return std::nullopt;
            }
            parsed.Flags.insert(name);
            continue;
        }
        if (!options.ValueOptions.contains(name)) {
            error = "unknown option " + name;
            return std::nullopt;
        }
        if (!inline_value && index + 1 >= arguments.size()) {
            error = "option " + name + " needs a value";
            return std::nullopt;
        }
        std::string const& value = inline_value ? *inline_value : arguments[++index];
        parsed.Values[name] = value;
        parsed.Given.emplace_back(name, value);
    }
    return parsed;
}

std::optional<ParsedArguments> ParseCommandArguments(std::string_view command,
    std::vector<std::string> const& arguments, OptionTable const& options, std::string_view usage,
    int& exit_status)
{
    for (auto const& argument : arguments) {
        if (argument == "--help" || argument == "-h") {
            std::cout << usage;
            exit_status = ExitSuccess;
            return std::nullopt;
        }
    }
    std::string error;
    auto parsed = ParseArguments(arguments, options, error);
    if (!parsed) {
        PrintError(std::string(command) + ": " + error);
        std::cerr << usage;
        exit_status = ExitUsage;
    }
    return parsed;
}

std::optional<std::size_t> ParseJobs(
    std::string_view command, ParsedArguments const& parsed, std::string_view usage, int& exit_status)
{
    std::optional<std::string> const value = parsed.Value("--jobs");
    if (!value)
        return 0;
    std::size_t jobs = 0;
    bool valid = !value->empty() && value->size() <= 3;
    for (char const digit : *value) {
        valid = valid && digit >= '0' && digit <= '9';
        jobs = jobs * 10 + static_cast<std::size_t>(digit - '0');
    }
    if (valid && jobs >= 1 && jobs <= MostJobs)
        return jobs;
    PrintError(std::string(command) + ": --jobs takes a number from 1 to " + std::to_string(MostJobs)
        + ", not \"" + *value + "\"");
    std::cerr << usage;
    exit_status = ExitUsage;
    return std::nullopt;
}

} // namespace edamaki::cli
