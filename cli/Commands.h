#pragma once

#include <string>
#include <vector>

namespace edamaki::cli {

// Exit statuses shared by every command.
constexpr int ExitSuccess = 0;
constexpr int ExitSomeFailed = 1;
constexpr int ExitUsage = 2;

// Each command gets its arguments without the program and command names.
int RunConvert(std::vector<std::string> const& arguments);
int RunCreate(std::vector<std::string> const& arguments);
int RunImport(std::vector<std::string> const& arguments);
int RunPlaceholders(std::vector<std::string> const& arguments);
int RunRuns(std::vector<std::string> const& arguments);
int RunTemplates(std::vector<std::string> const& arguments);
int RunUndo(std::vector<std::string> const& arguments);
int RunVerify(std::vector<std::string> const& arguments);

// Prints "edamaki-cli: MESSAGE" on standard error.
void PrintError(std::string const& message);

} // namespace edamaki::cli
