#include "platform/settings_store.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "hosts/headless/ini_settings_store.h"
#include "platform/temp_dir.h"

namespace scrivlet {
namespace {

std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

class IniSettingsStoreTest : public ::testing::Test {
 protected:
  std::filesystem::path File() const { return dir_.path() / "settings.ini"; }

  testing::TempDir dir_;
};

TEST_F(IniSettingsStoreTest, ValuesPersistAcrossInstances) {
  {
    IniSettingsStore settings(File());
    EXPECT_EQ(settings.GetSetting("Scrivlet", "FTPSetup", "Proxy", "none"), "none");
    settings.SaveSetting("Scrivlet", "FTPSetup", "Proxy", "proxy.example:8080");
    settings.SaveSetting("Scrivlet", "FTPSetup", "Passive", "1");
    settings.SaveSetting("Software\\Korvex\\Scrivlet", "ToolbarLayout", "Toolbar", "1|#1|Cut");
  }
  IniSettingsStore settings(File());
  EXPECT_EQ(settings.GetSetting("Scrivlet", "FTPSetup", "Proxy", ""), "proxy.example:8080");
  EXPECT_EQ(settings.GetSetting("Scrivlet", "FTPSetup", "Passive", ""), "1");
  EXPECT_EQ(settings.GetSetting("Software\\Korvex\\Scrivlet", "ToolbarLayout", "Toolbar", ""),
            "1|#1|Cut");
  EXPECT_NE(ReadFile(File()).find("[Scrivlet/FTPSetup]\n"), std::string::npos);
}

TEST_F(IniSettingsStoreTest, OddCharactersSurviveInNamesAndValues) {
  const std::vector<std::string> texts = {
      "line one\nline two", "cr\r\nlf", "a=b=c",         "[section]", "]",
      ";comment",           "#hash",    "back\\slash\\", "\\n",       "trailing ",
      " leading",           "",         "a/b",           "Ünï©ødé ✓", std::string("nul\0byte", 8),
  };
  {
    IniSettingsStore settings(File());
    for (std::size_t i = 0; i < texts.size(); ++i) {
      const std::string n = std::to_string(i);
      settings.SaveSetting(texts[i], "section", "key", "as application " + n);
      settings.SaveSetting("app", texts[i], "key", "as section " + n);
      settings.SaveSetting("app", "section", texts[i], "as key " + n);
      settings.SaveSetting("values", "section", n, texts[i]);
    }
  }
  IniSettingsStore settings(File());
  for (std::size_t i = 0; i < texts.size(); ++i) {
    SCOPED_TRACE(texts[i]);
    const std::string n = std::to_string(i);
    EXPECT_EQ(settings.GetSetting(texts[i], "section", "key", "?"), "as application " + n);
    EXPECT_EQ(settings.GetSetting("app", texts[i], "key", "?"), "as section " + n);
    EXPECT_EQ(settings.GetSetting("app", "section", texts[i], "?"), "as key " + n);
    EXPECT_EQ(settings.GetSetting("values", "section", n, "?"), texts[i]);
  }
}

TEST_F(IniSettingsStoreTest, ApplicationAndSectionDoNotRunTogether) {
  {
    IniSettingsStore settings(File());
    settings.SaveSetting("a/b", "c", "k", "first");
    settings.SaveSetting("a", "b/c", "k", "second");
  }
  IniSettingsStore settings(File());
  EXPECT_EQ(settings.GetSetting("a/b", "c", "k", ""), "first");
  EXPECT_EQ(settings.GetSetting("a", "b/c", "k", ""), "second");
}

TEST_F(IniSettingsStoreTest, LinesItCannotReadAreSkipped) {
  dir_.Write("settings.ini",
             "orphan=before any section\r\n"
             "[no separator]\r\n"
             "lost=under a bad header\r\n"
             "[Scrivlet/FTPSetup]\r\n"
             "; a comment\r\n"
             "no equals sign\r\n"
             "\r\n"
             "Proxy=kept\r\n"
             "[Scrivlet/FTPSetup\r\n"
             "Passive=under an unclosed header\r\n");
  IniSettingsStore settings(File());
  EXPECT_EQ(settings.GetSetting("Scrivlet", "FTPSetup", "Proxy", ""), "kept");
  EXPECT_EQ(settings.GetSetting("Scrivlet", "FTPSetup", "Passive", "absent"), "absent");
  EXPECT_EQ(settings.GetSetting("", "", "orphan", "absent"), "absent");
}

TEST_F(IniSettingsStoreTest, AFailedSaveThrowsAndKeepsTheEarlierValue) {
  const std::filesystem::path nowhere = dir_.path() / "missing folder" / "settings.ini";
  IniSettingsStore settings(nowhere);
  try {
    settings.SaveSetting("Scrivlet", "FTPSetup", "Proxy", "lost");
    ADD_FAILURE() << "save succeeded";
  } catch (const SettingsError& error) {
    EXPECT_NE(std::string(error.what()).find(nowhere.string()), std::string::npos);
  }
  EXPECT_EQ(settings.GetSetting("Scrivlet", "FTPSetup", "Proxy", "default"), "default");
  EXPECT_FALSE(std::filesystem::exists(nowhere.parent_path()));
}

TEST_F(IniSettingsStoreTest, APathThatIsNotAFileCannotBeOpened) {
  EXPECT_THROW(IniSettingsStore settings(dir_.path()), SettingsError);
}

TEST_F(IniSettingsStoreTest, SavingLeavesNoTemporaryFileBehind) {
  IniSettingsStore settings(File());
  settings.SaveSetting("Scrivlet", "FTPSetup", "Proxy", "");
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(dir_.path())) {
    names.push_back(entry.path().filename().string());
  }
  EXPECT_EQ(names, std::vector<std::string>{"settings.ini"});
}

}  // namespace
}  // namespace scrivlet
