#include "CliArgs.h"

#include <algorithm>

namespace {
const TOptionSpec *FindLong(const std::vector<TOptionSpec> &specs, std::string_view name) {
  auto found = std::find_if(specs.begin(), specs.end(), [&](const TOptionSpec &spec) { return spec.Long == name; });
  return found == specs.end() ? nullptr : &*found;
}

const TOptionSpec *FindShort(const std::vector<TOptionSpec> &specs, char name) {
  auto found = std::find_if(specs.begin(), specs.end(), [&](const TOptionSpec &spec) { return spec.Short == name; });
  return found == specs.end() ? nullptr : &*found;
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

TArgs ParseArgs(const std::vector<std::string> &args, const std::vector<TOptionSpec> &specs, bool stopAtOperand) {
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
      const TOptionSpec *spec = FindLong(specs, name);
      if (spec == nullptr)
        throw EUsage("unknown option --" + name);
      if (!spec->TakesValue) {
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
      const TOptionSpec *spec = FindShort(specs, arg[at]);
      if (spec == nullptr)
        throw EUsage(std::string("unknown option -") + arg[at]);
      if (spec->TakesValue) {
        parsed.Options.emplace_back(std::string(spec->Long),
                                    takeValue(std::string("-") + arg[at], std::string_view(arg).substr(at + 1)));
        break;
      }
      parsed.Options.emplace_back(std::string(spec->Long), std::string());
    }
  }
  return parsed;
}
