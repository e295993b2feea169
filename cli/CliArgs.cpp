// SPDX-License-Identifier: GPL-3.0-or-later
#include "CliArgs.h"

#include <algorithm>

namespace {
const TOptionDef *FindLong(const std::vector<TOptionDef> &known, std::string_view name) {
  auto found = std::find_if(known.begin(), known.end(), [&](const TOptionDef &option) { return option.Long == name; });
  return found == known.end() ? nullptr : &*found;
}

const TOptionDef *FindShort(const std::vector<TOptionDef> &known, char name) {
  auto found = std::find_if(known.begin(), known.end(), [&](const TOptionDef &option) { return option.Short == name; });
  return found == known.end() ? nullptr : &*found;
}
} // namespace

bool TArgs::Has(std::string_view name) const {
  return std::any_of(Options.begin(), Options.end(), [&](const auto &option) { return option.first == name; });
}

std::string TArgs::Value(std::string_view name, const std::string &fallback) const {
  for (auto option = Options.rbegin(); option != Options.rend(); ++option)
    if (option->first == name)
      return option->second;
  return fallback;
}

void TArgs::Exclusive(std::string_view a, std::string_view b) const {
  if (Has(a) && Has(b))
    throw EUsage("--" + std::string(a) + " and --" + std::string(b) + " exclude each other");
}

TArgs ParseArgs(const std::vector<std::string> &args, const std::vector<TOptionDef> &known, bool stopAtOperand) {
  TArgs parsed;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string &arg = args[i];
    const bool isOption = arg.size() > 1 && arg[0] == '-';
    if (!isOption || arg == "--") {
      const size_t first = isOption ? i + 1 : i;
      if (stopAtOperand) {
        parsed.Rest.assign(args.begin() + static_cast<std::ptrdiff_t>(first), args.end());
        return parsed;
      }
      if (isOption) {
        parsed.Operands.insert(parsed.Operands.end(), args.begin() + static_cast<std::ptrdiff_t>(first), args.end());
        return parsed;
      }
      parsed.Operands.push_back(arg);
      continue;
    }
    // The value of an option that takes one: the rest of this argument, else the next.
    auto takeValue = [&](const std::string &shown, std::string_view attached) {
      if (!attached.empty())
        return std::string(attached);
      if (i + 1 >= args.size())
        throw EUsage("option " + shown + " needs a value");
      return args[++i];
    };
    if (arg[1] == '-') {
      const auto equals = arg.find('=');
      const std::string name = arg.substr(2, equals == std::string::npos ? std::string::npos : equals - 2);
      const TOptionDef *option = FindLong(known, name);
      if (option == nullptr)
        throw EUsage("unknown option --" + name);
      if (!option->TakesValue()) {
        if (equals != std::string::npos)
          throw EUsage("option --" + name + " takes no value");
        parsed.Options.emplace_back(name, std::string());
      } else if (equals != std::string::npos) {
        // "--to=" is an empty value, given on purpose.
        parsed.Options.emplace_back(name, arg.substr(equals + 1));
      } else {
        parsed.Options.emplace_back(name, takeValue("--" + name, {}));
      }
      continue;
    }
    for (size_t at = 1; at < arg.size(); ++at) {
      const TOptionDef *option = FindShort(known, arg[at]);
      if (option == nullptr)
        throw EUsage(std::string("unknown option -") + arg[at]);
      if (option->TakesValue()) {
        parsed.Options.emplace_back(std::string(option->Long),
                                    takeValue(std::string("-") + arg[at], std::string_view(arg).substr(at + 1)));
        break;
      }
      parsed.Options.emplace_back(std::string(option->Long), std::string());
    }
  }
  return parsed;
}
