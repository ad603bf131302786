// Command-line parsing for both programs and the carmaseq commands: "--name value", "--name=value"
// and flags, positional arguments, and the --help text drawn from the same table.
#ifndef CARMASEQ_TOOLS_COMMON_ARGPARSER_H_
#define CARMASEQ_TOOLS_COMMON_ARGPARSER_H_

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace carmaseq_cli {

// One option of a command. Copyable.
struct OptionDef {
  std::string name;       // without the leading "--"
  std::string valueName;  // shown in the help, e.g. "FILE"; empty for a flag
  std::string help;
};

// What a command accepts and how its --help reads. Copyable.
struct CommandDef {
  std::string program = "carmaseq";
  std::string name;      // e.g. "mine"; empty for a program without commands
  std::string synopsis;  // the arguments after the name, e.g. "INPUT [options]"
  std::string summary;   // one line
  std::string details;   // text after the option list; may be empty
  std::vector<OptionDef> options;
  int minPositional = 0;
  int maxPositional = 0;
};

// The options and positional arguments of one command line. Every accessor that converts a
// value throws UsageError naming the option when the text is not a number in the range.
// Copyable.
class ParsedArgs {
 public:
  bool helpRequested() const { return helpRequested_; }
  const std::vector<std::string>& positional() const { return positional_; }

  // Returns true iff the option was given at least once.
  bool Has(const std::string& name) const { return values_.count(name) != 0; }
  // The last value given for the option, or fallback.
  std::string Get(const std::string& name, const std::string& fallback = std::string()) const;
  // Every value given for the option, in order.
  std::vector<std::string> GetAll(const std::string& name) const;
  double GetDouble(const std::string& name, double fallback, double low, double high) const;
  std::int64_t GetInt(const std::string& name, std::int64_t fallback, std::int64_t low,
                      std::int64_t high) const;
  // The value, which must be one of choices (the fallback when the option is absent).
  std::string GetChoice(const std::string& name, const std::vector<std::string>& choices,
                        const std::string& fallback) const;

 private:
  friend ParsedArgs ParseArgs(const CommandDef& def, const std::vector<std::string>& args);

  bool helpRequested_ = false;
  std::map<std::string, std::vector<std::string>> values_;
  std::vector<std::string> positional_;
};

// Parses args (the words after the command name). "--" ends the options; "-" alone is a
// positional argument (standard input or output). Throws UsageError for an unknown option, a
// missing value, a value given to a flag, or a wrong number of positional arguments (not
// checked when --help or -h is present).
ParsedArgs ParseArgs(const CommandDef& def, const std::vector<std::string>& args);

// The --help text of a command, ending in a line feed.
std::string FormatHelp(const CommandDef& def);

// Strict conversions: the whole text must be the number. Return false on any fault.
bool ParseDouble(const std::string& text, double* value);
bool ParseInt(const std::string& text, std::int64_t* value);

}  // namespace carmaseq_cli

#endif  // CARMASEQ_TOOLS_COMMON_ARGPARSER_H_
