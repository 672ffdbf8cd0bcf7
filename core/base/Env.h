#pragma once

#include <map>
#include <optional>
#include <string>

namespace brimly {

using Environment = std::map<std::string, std::string>;

// Pure readers over an environment dictionary; nothing is cached. Values are trimmed of spaces and tabs.
namespace Env {

Environment process();

std::optional<std::string> string(const std::string& key, const Environment& env);
// A whole decimal integer inside the closed range [low, high], else `fallback`.
long intValue(const std::string& key, long fallback, long low, long high, const Environment& env);
// A finite decimal number (C locale) inside the closed range [low, high], else `fallback`.
double doubleValue(const std::string& key, double fallback, double low, double high, const Environment& env);
// True only for "1", "true" or "yes", in any case.
bool boolValue(const std::string& key, const Environment& env);

std::string trimmed(const std::string& value);

}  // namespace Env
}  // namespace brimly
