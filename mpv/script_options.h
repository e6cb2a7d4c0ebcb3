#pragma once
#include <mpv/client.h>

#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace xvf {

// One option a script takes: its key without the prefix, and which values
// it accepts.
struct OptionKey {
  const char* name;
  bool (*accepts)(const std::string& value);
};

// Values by key; "" where no source gives the key a value it accepts (the
// key's default).
using OptionValues = std::map<std::string, std::string>;
using OptionWarning = std::function<void(const std::string& text)>;

// A script's options as mpv's own scripts read theirs: the file
// ~~/script-opts/<prefix>.conf (key=value lines, # comments, keys without
// the prefix), then --script-opts' <prefix>-key entries, the later winning.
// An unknown key or a value its key refuses is warned about once and left
// out, so the key keeps the value below it.
class ScriptOptions {
 public:
  ScriptOptions(std::string prefix, std::vector<OptionKey> keys) : prefix_(std::move(prefix)), keys_(std::move(keys)) {}

  // Reads the file at `path` (none there: no values from it).
  void ReadFile(const std::string& path, const OptionWarning& warn);

  // Every key's value, `scriptOpts` (mpv's script-opts map) over the file's.
  OptionValues Values(const mpv_node& scriptOpts, const OptionWarning& warn);

 private:
  // Whether `key` takes `value`; warns once when not, `where` naming the source.
  bool Takes(const std::string& key, const std::string& value, const std::string& where, const OptionWarning& warn);
  void WarnOnce(const std::string& text, const OptionWarning& warn);

  std::string prefix_;
  std::vector<OptionKey> keys_;
  OptionValues file_;
  std::set<std::string> warned_;
};

// Where mpv keeps the options file of script `name`, as its own scripts look
// for it: ~~/script-opts/<name>.conf in mpv's config folders. Empty under
// --no-config.
std::string ScriptOptionsFile(mpv_handle* mpv, const std::string& name);

}  // namespace xvf
