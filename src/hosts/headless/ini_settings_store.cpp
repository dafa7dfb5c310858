#include "hosts/headless/ini_settings_store.h"

#include <fstream>
#include <optional>
#include <system_error>
#include <utility>

namespace scrivlet {
namespace {

constexpr char kEscape = '\\';
constexpr char kNameSeparator = '/';
constexpr std::string_view kHeaderSpecials = "/[]";
constexpr std::string_view kKeySpecials = "=[;#";

std::string Escape(std::string_view text, std::string_view specials) {
  std::string out;
  out.reserve(text.size());
  for (const char c : text) {
    if (c == '\n') {
      out += "\\n";
    } else if (c == '\r') {
      out += "\\r";
    } else {
      if (c == kEscape || specials.find(c) != std::string_view::npos) {
        out += kEscape;
      }
      out += c;
    }
  }
  return out;
}

std::string Unescape(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != kEscape || i + 1 == text.size()) {
      out += text[i];
      continue;
    }
    const char next = text[++i];
    out += next == 'n' ? '\n' : next == 'r' ? '\r' : next;
  }
  return out;
}

// Position of the first `wanted` that no backslash escapes.
std::optional<std::size_t> FindUnescaped(std::string_view text, char wanted) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == kEscape) {
      ++i;
    } else if (text[i] == wanted) {
      return i;
    }
  }
  return std::nullopt;
}

// "[application/section]" -> the two names, or nothing when the line is not such a header.
std::optional<std::pair<std::string, std::string>> ReadHeader(std::string_view line) {
  if (line.empty() || line.front() != '[') {
    return std::nullopt;
  }
  line.remove_prefix(1);
  const std::optional<std::size_t> close = FindUnescaped(line, ']');
  if (!close || *close + 1 != line.size()) {
    return std::nullopt;
  }
  line.remove_suffix(1);
  const std::optional<std::size_t> slash = FindUnescaped(line, kNameSeparator);
  if (!slash) {
    return std::nullopt;
  }
  return std::pair(Unescape(line.substr(0, *slash)), Unescape(line.substr(*slash + 1)));
}

// Removes the temporary file unless the save went through.
class TemporaryFile {
 public:
  explicit TemporaryFile(std::filesystem::path path) : path_(std::move(path)) {}
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;
  ~TemporaryFile() {
    if (!committed_) {
      std::error_code ignored;
      std::filesystem::remove(path_, ignored);
    }
  }
  const std::filesystem::path& path() const { return path_; }
  void Commit() { committed_ = true; }

 private:
  std::filesystem::path path_;
  bool committed_ = false;
};

SettingsError WriteError(const std::filesystem::path& path, std::string_view cause) {
  return SettingsError("cannot write settings file " + path.string() + ": " + std::string(cause));
}

}  // namespace

IniSettingsStore::IniSettingsStore(std::filesystem::path path) : path_(std::move(path)) {
  Load();
}

std::string IniSettingsStore::GetSetting(std::string_view application, std::string_view section,
                                         std::string_view key,
                                         std::string_view default_value) const {
  const auto it = values_.find(Name(application, section, key));
  return it == values_.end() ? std::string(default_value) : it->second;
}

void IniSettingsStore::SaveSetting(std::string_view application, std::string_view section,
                                   std::string_view key, std::string_view value) {
  const Name name(application, section, key);
  const auto previous = values_.find(name);
  std::optional<std::string> earlier;
  if (previous != values_.end()) {
    earlier = previous->second;
  }
  values_[name] = value;
  try {
    Write();
  } catch (const SettingsError&) {
    if (earlier) {
      values_[name] = *earlier;
    } else {
      values_.erase(name);
    }
    throw;
  }
}

void IniSettingsStore::Load() {
  std::error_code error;
  const std::filesystem::file_status status = std::filesystem::status(path_, error);
  if (status.type() == std::filesystem::file_type::not_found) {
    return;
  }
  if (error || status.type() != std::filesystem::file_type::regular) {
    throw SettingsError("cannot read settings file " + path_.string() + ": not a regular file");
  }
  std::ifstream in(path_, std::ios::binary);
  if (!in) {
    throw SettingsError("cannot open settings file " + path_.string());
  }
  std::optional<std::pair<std::string, std::string>> current;
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') {
      line.pop_back();  // a file edited on another system; stored CRs are always escaped
    }
    if (!line.empty() && line.front() == '[') {
      current = ReadHeader(line);
      continue;
    }
    const std::optional<std::size_t> equals = FindUnescaped(line, '=');
    if (!current || !equals || line.front() == ';' || line.front() == '#') {
      continue;
    }
    const std::string_view text(line);
    values_[Name(current->first, current->second, Unescape(text.substr(0, *equals)))] =
        Unescape(text.substr(*equals + 1));
  }
}

void IniSettingsStore::Write() const {
  TemporaryFile temporary(path_.string() + ".tmp");
  {
    std::ofstream out(temporary.path(), std::ios::binary | std::ios::trunc);
    if (!out) {
      throw WriteError(path_, "cannot create " + temporary.path().string());
    }
    std::optional<std::pair<std::string, std::string>> written;
    for (const auto& [name, value] : values_) {
      const auto& [application, section_name, key] = name;
      if (!written || written->first != application || written->second != section_name) {
        written.emplace(application, section_name);
        out << '[' << Escape(application, kHeaderSpecials) << kNameSeparator
            << Escape(section_name, kHeaderSpecials) << "]\n";
      }
      out << Escape(key, kKeySpecials) << '=' << Escape(value, {}) << '\n';
    }
    out.close();
    if (!out) {
      throw WriteError(path_, "write failed");
    }
  }
  std::error_code error;
  std::filesystem::rename(temporary.path(), path_, error);
  if (error) {
    throw WriteError(path_, error.message());
  }
  temporary.Commit();
}

}  // namespace scrivlet
