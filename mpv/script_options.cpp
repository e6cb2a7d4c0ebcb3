#include "mpv/script_options.h"

#include <fstream>

namespace xvf {
namespace {

std::string Trimmed(const std::string& text) {
  const size_t first = text.find_first_not_of(" \t\r"), last = text.find_last_not_of(" \t\r");
  return first == std::string::npos ? std::string() : text.substr(first, last - first + 1);
}

}  // namespace

void ScriptOptions::WarnOnce(const std::string& text, const OptionWarning& warn) {
  if (warned_.insert(text).second) warn(text);
}

bool ScriptOptions::Takes(const std::string& key, const std::string& value, const std::string& where,
                          const OptionWarning& warn) {
  for (const OptionKey& known : keys_)
    if (key == known.name) {
      if (known.accepts(value)) return true;
      WarnOnce(where + "unknown " + (where.empty() ? prefix_ + "-" : "") + key + " '" + value + "'", warn);
      return false;
    }
  WarnOnce(where + "unknown option " + (where.empty() ? prefix_ + "-" : "") + key, warn);
  return false;
}

void ScriptOptions::ReadFile(const std::string& path, const OptionWarning& warn) {
  std::ifstream in(path);
  int number = 0;
  for (std::string line; std::getline(in, line);) {
    const std::string where = path + ":" + std::to_string(++number) + ": ";
    line = Trimmed(line);
    if (line.empty() || line[0] == '#') continue;
    const size_t equals = line.find('=');
    if (equals == std::string::npos) {
      WarnOnce(where + "not key=value", warn);
      continue;
    }
    const std::string key = Trimmed(line.substr(0, equals)), value = Trimmed(line.substr(equals + 1));
    if (Takes(key, value, where, warn)) file_[key] = value;
  }
}

OptionValues ScriptOptions::Values(const mpv_node& scriptOpts, const OptionWarning& warn) {
  OptionValues values;
  for (const OptionKey& key : keys_) values[key.name] = "";
  for (const auto& [key, value] : file_) values[key] = value;
  if (scriptOpts.format != MPV_FORMAT_NODE_MAP) return values;
  const std::string prefix = prefix_ + "-";
  for (int i = 0; i < scriptOpts.u.list->num; ++i) {
    const std::string key = scriptOpts.u.list->keys[i];
    const mpv_node& value = scriptOpts.u.list->values[i];
    if (key.compare(0, prefix.size(), prefix) != 0 || value.format != MPV_FORMAT_STRING) continue;
    const std::string name = key.substr(prefix.size());
    if (Takes(name, value.u.string, "", warn)) values[name] = value.u.string;
  }
  return values;
}

std::string ScriptOptionsFile(mpv_handle* mpv, const std::string& name) {
  // Under --no-config mpv's "~~/" falls back to a path relative to the
  // current folder: no file then, as for mpv's scripts.
  int config = 0;
  if (mpv_get_property(mpv, "config", MPV_FORMAT_FLAG, &config) < 0 || config == 0) return std::string();
  const std::string wanted = "~~/script-opts/" + name + ".conf";
  const char* expand[] = {"expand-path", wanted.c_str(), nullptr};
  mpv_node path{};
  if (mpv_command_ret(mpv, expand, &path) < 0) return std::string();
  std::string found = path.format == MPV_FORMAT_STRING ? path.u.string : "";
  mpv_free_node_contents(&path);
  return found.starts_with("/") ? found : std::string();
}

}  // namespace xvf
