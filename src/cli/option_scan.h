// GNU-style command lines, as the terminal programs read them: long options
// (--name=VALUE or --name VALUE), short ones grouped (-af, -d3), "--" ends
// the options; no operands.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tivrel {

struct OptionDef {
  std::string_view longName;  // empty: short only
  char shortName;             // 0: long only
  bool takesValue;
  std::string_view valueName = "a value";  // "option '--x' needs <this>"
};

// Calls `apply` for each option in order (the definition and its value);
// stops at the first that `apply` refuses (false, with `error` set) or that
// is not an option of `defs`. True when every argument was applied.
bool ScanOptions(
    const std::vector<std::string>& args, const std::vector<OptionDef>& defs,
    const std::function<bool(const OptionDef&, std::optional<std::string_view>)>& apply,
    std::string& error);

}  // namespace tivrel
