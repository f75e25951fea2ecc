#include "cli/option_scan.h"

#include "cli/text_output.h"

namespace tivrel {
namespace {

std::string Quoted(std::string_view arg) { return "'" + EscapeControls(arg) + "'"; }

const OptionDef* Find(const std::vector<OptionDef>& defs, std::string_view longName,
                      char shortName) {
  for (const auto& o : defs) {
    if (!longName.empty() && o.longName == longName) return &o;
    if (shortName != 0 && o.shortName == shortName) return &o;
  }
  return nullptr;
}

using Apply = std::function<bool(const OptionDef&, std::optional<std::string_view>)>;

// "--name", "--name=value" or "--name value"; i moves past a value taken.
bool ScanLong(const std::vector<std::string>& args, size_t& i, const std::vector<OptionDef>& defs,
              const Apply& apply, std::string& error) {
  const std::string_view arg = args[i];
  const size_t eq = arg.find('=');
  const std::string_view name = arg.substr(2, eq == std::string_view::npos ? eq : eq - 2);
  const OptionDef* def = name.empty() ? nullptr : Find(defs, name, 0);
  if (def == nullptr) {
    error = "unknown option " + Quoted(arg.substr(0, eq));
    return false;
  }
  std::optional<std::string_view> value;
  if (eq != std::string_view::npos) {
    if (!def->takesValue) {
      error = "option '--" + std::string(name) + "' takes no value";
      return false;
    }
    value = arg.substr(eq + 1);
  } else if (def->takesValue) {
    if (i + 1 >= args.size()) {
      error = "option '--" + std::string(name) + "' needs " + std::string(def->valueName);
      return false;
    }
    value = args[++i];
  }
  return apply(*def, value);
}

// "-abc", "-Dvalue" or "-D value"; i moves past a value taken.
bool ScanShort(const std::vector<std::string>& args, size_t& i, const std::vector<OptionDef>& defs,
               const Apply& apply, std::string& error) {
  const std::string_view arg = args[i];
  for (size_t k = 1; k < arg.size(); ++k) {
    const OptionDef* def = Find(defs, {}, arg[k]);
    if (def == nullptr) {
      error = "unknown option " + Quoted(std::string("-") + arg[k]);
      return false;
    }
    std::optional<std::string_view> value;
    if (def->takesValue) {
      if (k + 1 < arg.size()) {
        value = arg.substr(k + 1);
      } else if (i + 1 < args.size()) {
        value = args[++i];
      } else {
        error = "option '-" + std::string(1, arg[k]) + "' needs " + std::string(def->valueName);
        return false;
      }
    }
    if (!apply(*def, value)) return false;
    if (def->takesValue) break;
  }
  return true;
}

}  // namespace

bool ScanOptions(const std::vector<std::string>& args, const std::vector<OptionDef>& defs,
                 const Apply& apply, std::string& error) {
  bool optionsEnded = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string_view arg = args[i];
    if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
      error = "unexpected argument " + Quoted(arg);
      return false;
    }
    if (arg == "--") {
      optionsEnded = true;
      continue;
    }
    const bool scanned = arg[1] == '-' ? ScanLong(args, i, defs, apply, error)
                                       : ScanShort(args, i, defs, apply, error);
    if (!scanned) return false;
  }
  return true;
}

}  // namespace tivrel
