#include "ArgParser.h"

#include <charconv>
#include <cmath>
#include <sstream>

#include "Errors.h"

namespace carmaseq_cli {

namespace {

constexpr std::size_t kHelpWidth = 80;
constexpr std::size_t kOptionColumn = 26;

const OptionDef* FindOption(const CommandDef& def, const std::string& name) {
  for (const OptionDef& option : def.options) {
    if (option.name == name) return &option;
  }
  return nullptr;
}

// "carmaseq mine", or the program alone.
std::string Invocation(const CommandDef& def) {
  return def.name.empty() ? def.program : def.program + " " + def.name;
}

std::string HelpHint(const CommandDef& def) { return "; see '" + Invocation(def) + " --help'"; }

// Consumes one "--name[=value]" word (and the next word when it is the value). Returns the index
// of the last word used.
std::size_t TakeOption(const CommandDef& def, const std::vector<std::string>& args, std::size_t i,
                       std::map<std::string, std::vector<std::string>>* values) {
  const std::string word = args[i].substr(2);
  const std::size_t equals = word.find('=');
  const std::string name = word.substr(0, equals);
  const OptionDef* option = FindOption(def, name);
  if (option == nullptr) throw UsageError("unknown option --" + name + HelpHint(def));
  if (option->valueName.empty()) {
    if (equals != std::string::npos) {
      throw UsageError("option --" + name + " takes no value" + HelpHint(def));
    }
    (*values)[name].push_back("");
    return i;
  }
  if (equals != std::string::npos) {
    (*values)[name].push_back(word.substr(equals + 1));
    return i;
  }
  if (i + 1 >= args.size()) {
    throw UsageError("option --" + name + " needs a value " + option->valueName + HelpHint(def));
  }
  (*values)[name].push_back(args[i + 1]);
  return i + 1;
}

void CheckPositionalCount(const CommandDef& def, const std::vector<std::string>& positional) {
  const int count = static_cast<int>(positional.size());
  if (count < def.minPositional) {
    throw UsageError("missing argument: expected " + def.synopsis + HelpHint(def));
  }
  if (count > def.maxPositional) {
    throw UsageError("unexpected argument '" + positional[def.maxPositional] + "'" + HelpHint(def));
  }
}

// Appends text to out, starting at `column`, broken into lines of at most kHelpWidth columns;
// every new line is indented by `indent` blanks.
void AppendWrapped(const std::string& text, std::size_t indent, std::size_t column,
                   std::string* out) {
  std::istringstream words(text);
  std::string word;
  bool first = true;
  while (words >> word) {
    if (!first && column + 1 + word.size() > kHelpWidth) {
      *out += "\n" + std::string(indent, ' ');
      column = indent;
    } else if (!first) {
      *out += ' ';
      ++column;
    }
    *out += word;
    column += word.size();
    first = false;
  }
}

void AppendOption(const std::string& left, const std::string& help, std::string* out) {
  *out += left;
  std::size_t column = left.size();
  if (column >= kOptionColumn) {
    *out += "\n";
    column = 0;
  }
  *out += std::string(kOptionColumn - column, ' ');
  AppendWrapped(help, kOptionColumn, kOptionColumn, out);
  *out += "\n";
}

}  // namespace

std::string ParsedArgs::Get(const std::string& name, const std::string& fallback) const {
  const auto it = values_.find(name);
  return it == values_.end() ? fallback : it->second.back();
}

std::vector<std::string> ParsedArgs::GetAll(const std::string& name) const {
  const auto it = values_.find(name);
  return it == values_.end() ? std::vector<std::string>() : it->second;
}

double ParsedArgs::GetDouble(const std::string& name, double fallback, double low,
                             double high) const {
  if (!Has(name)) return fallback;
  double value = 0;
  if (!ParseDouble(Get(name), &value) || value < low || value > high) {
    std::ostringstream message;
    message << "option --" << name << " needs a number from " << low << " to " << high << ", not '"
            << Get(name) << "'";
    throw UsageError(message.str());
  }
  return value;
}

std::int64_t ParsedArgs::GetInt(const std::string& name, std::int64_t fallback, std::int64_t low,
                                std::int64_t high) const {
  if (!Has(name)) return fallback;
  std::int64_t value = 0;
  if (!ParseInt(Get(name), &value) || value < low || value > high) {
    throw UsageError("option --" + name + " needs a whole number from " + std::to_string(low) +
                     " to " + std::to_string(high) + ", not '" + Get(name) + "'");
  }
  return value;
}

std::string ParsedArgs::GetChoice(const std::string& name, const std::vector<std::string>& choices,
                                  const std::string& fallback) const {
  if (!Has(name)) return fallback;
  const std::string value = Get(name);
  std::string list;
  for (const std::string& choice : choices) {
    if (choice == value) return value;
    list += (list.empty() ? "" : "|") + choice;
  }
  throw UsageError("option --" + name + " needs one of " + list + ", not '" + value + "'");
}

ParsedArgs ParseArgs(const CommandDef& def, const std::vector<std::string>& args) {
  ParsedArgs parsed;
  bool optionsEnded = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& word = args[i];
    if (optionsEnded || word == "-" || word.empty() || word[0] != '-') {
      parsed.positional_.push_back(word);
    } else if (word == "--") {
      optionsEnded = true;
    } else if (word == "-h" || word == "--help") {
      parsed.helpRequested_ = true;
    } else if (word.compare(0, 2, "--") == 0) {
      i = TakeOption(def, args, i, &parsed.values_);
    } else {
      throw UsageError("unknown option " + word + HelpHint(def));
    }
  }
  if (!parsed.helpRequested_) CheckPositionalCount(def, parsed.positional_);
  return parsed;
}

std::string FormatHelp(const CommandDef& def) {
  std::string out = "Usage: " + Invocation(def) + " " + def.synopsis + "\n\n";
  AppendWrapped(def.summary, 0, 0, &out);
  out += "\n\nOptions:\n";
  for (const OptionDef& option : def.options) {
    std::string left = "  --" + option.name;
    if (!option.valueName.empty()) left += " " + option.valueName;
    AppendOption(left, option.help, &out);
  }
  AppendOption("  -h, --help", "show this help and exit", &out);
  if (!def.details.empty()) out += "\n" + def.details;
  if (!out.empty() && out.back() != '\n') out += '\n';
  return out;
}

bool ParseDouble(const std::string& text, double* value) {
  const char* end = text.data() + text.size();
  const auto [ptr, error] = std::from_chars(text.data(), end, *value);
  return error == std::errc() && ptr == end && std::isfinite(*value);
}

bool ParseInt(const std::string& text, std::int64_t* value) {
  const char* end = text.data() + text.size();
  const auto [ptr, error] = std::from_chars(text.data(), end, *value);
  return error == std::errc() && ptr == end && !text.empty();
}

}  // namespace carmaseq_cli
