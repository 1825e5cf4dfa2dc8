#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "app/ini_file.h"
#include "support/temp_folder.h"

namespace tessellux::app {
namespace {

namespace fs = std::filesystem;

TEST(IniContent, ReadsTheFirstMatchingSectionAndKeyWithoutRegardToCase) {
  const std::string content =
      "; comment=1\n"
      "[Other]\n"
      "SecretPhrase=other\n"
      "\n"
      "[ security ]\r\n"
      "  secretphrase =  in clear  \t\r\n"
      "SecretPhrase=second\n"
      "[Security]\n"
      "IdentificationTag=later section\n";
  EXPECT_EQ(ReadIniValue(content, "Security", "SecretPhrase"), "in clear");
  EXPECT_EQ(ReadIniValue(content, "SECURITY", "SECRETPHRASE"), "in clear");
  EXPECT_EQ(ReadIniValue(content, "Other", "SecretPhrase"), "other");
  EXPECT_EQ(ReadIniValue(content, "Security", "IdentificationTag"), std::nullopt);
  EXPECT_EQ(ReadIniValue(content, "Missing", "SecretPhrase"), std::nullopt);
  EXPECT_EQ(ReadIniValue(content, "Security", "Missing"), std::nullopt);
  EXPECT_EQ(ReadIniValue("", "Security", "SecretPhrase"), std::nullopt);
  EXPECT_EQ(ReadIniValue("\xEF\xBB\xBF[Security]\nA=b", "Security", "A"), "b");
  EXPECT_EQ(ReadIniValue("[Security]\n;A=b\n#A=c\n", "Security", "A"), std::nullopt);
}

TEST(IniContent, WriteChangesOnlyTheKey) {
  struct Row {
    const char* name;
    std::string before, after;
  };
  const Row rows[] = {
      {"new file", "", "[Security]\nCompanyName=Acme\n"},
      {"new section after a file without final break", "[Other]\nA=1",
       "[Other]\nA=1\n[Security]\nCompanyName=Acme\n"},
      {"key replaced in place, other case and spacing kept", "[other]\nx = 1\n[SECURITY]\r\ncompanyname = Old\r\nZ=2\r\n",
       "[other]\nx = 1\n[SECURITY]\r\ncompanyname = Acme\r\nZ=2\r\n"},
      {"key added after the section's last entry, before blank lines and comments",
       "[Security]\r\nA=1\r\n\r\n; next\r\n[B]\r\nC=2\r\n", "[Security]\r\nA=1\r\nCompanyName=Acme\r\n\r\n; next\r\n[B]\r\nC=2\r\n"},
      {"section at the end without a break", "[Security]", "[Security]\nCompanyName=Acme\n"},
      {"section header ending in a lone carriage return", "[Security\r", "[Security\r\nCompanyName=Acme\n"},
      {"last entry ending in a lone carriage return keeps its value", "[Security]\r\nA=1\r",
       "[Security]\r\nA=1\r\nCompanyName=Acme\r\n"},
      {"byte order mark kept", "\xEF\xBB\xBF[Security]\nCompanyName=x\n", "\xEF\xBB\xBF[Security]\nCompanyName=Acme\n"},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(SetIniValue(row.before, "Security", "CompanyName", "Acme"), row.after) << row.name;
    EXPECT_EQ(ReadIniValue(row.after, "Security", "CompanyName"), "Acme") << row.name;
  }
}

TEST(IniContent, NoValueAddsLinesOrKeys) {
  const std::string stored = SetIniValue("[Security]\nSecretPhrase=real\n", "Security", "CompanyName",
                                         "Evil\r\n[Security]\r\nSecretPhrase=x\nmore\rend");
  EXPECT_EQ(stored, "[Security]\nSecretPhrase=real\nCompanyName=Evil [Security] SecretPhrase=x more end\n");
  EXPECT_EQ(ReadIniValue(stored, "Security", "SecretPhrase"), "real");
  EXPECT_EQ(SetIniValue("", "S", "K", std::string_view("a\0b", 3)), "[S]\nK=a\n");  // a value ends at a NUL
}

class IniFile : public ::testing::Test {
 protected:
  std::string Contents() const {
    const Bytes bytes = testing::ReadAll(path);
    return std::string(bytes.begin(), bytes.end());
  }
  void Put(const std::string& text) const { dir.Write("create-tessellux.ini", ToBytes(text)); }
  unsigned Mode() const {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? (st.st_mode & 0777) : 01000;
  }
  bool Write(std::string_view key, std::string_view value) {
    const auto written = WriteIniFile(path, "Security", key, value);
    EXPECT_TRUE(written) << written.error();
    return written.ok();
  }

  testing::TempFolder dir;
  const std::string path = dir / "create-tessellux.ini";
};

TEST_F(IniFile, RoundTripInAPrivateFile) {
  const ::mode_t old_mask = ::umask(0);  // the file's mode must not depend on the umask
  Write("SecretPhrase", "pass word \xC3\xA9");
  ::umask(old_mask);
  EXPECT_EQ(Mode(), 0600u);
  Write("CompanyName", "Acme Labs");
  Write("SecretPhrase", "changed");
  EXPECT_EQ(Mode(), 0600u);
  EXPECT_EQ(ReadIniString(path, "Security", "SecretPhrase", ""), "changed");
  EXPECT_EQ(ReadIniString(path, "security", "companyname", ""), "Acme Labs");
  EXPECT_EQ(Contents(), "[Security]\nSecretPhrase=changed\nCompanyName=Acme Labs\n");
  EXPECT_EQ(fs::directory_iterator(dir.path())->path().string(), path) << "no temporary file left";
}

// A file others could read is made owner-only by the next write, which says
// so once; a private file's write says nothing.
TEST_F(IniFile, RewriteKeepsEverythingElseAndMakesTheFileOwnerOnly) {
  const std::string before =
      "; settings\r\n[Printer]\r\nName=Office\r\n\r\n[security]\r\nsecretphrase=old\r\nIdentificationTag=Tag 1\r\n[Z]\r\n";
  Put(before);
  ::chmod(path.c_str(), 0644);
  const auto first = WriteIniFile(path, "Security", "SecretPhrase", "new");
  ASSERT_TRUE(first) << first.error();
  EXPECT_EQ(first->tightened_from, 0644u);
  EXPECT_EQ(Contents(),
            "; settings\r\n[Printer]\r\nName=Office\r\n\r\n[security]\r\nsecretphrase=new\r\nIdentificationTag=Tag 1\r\n[Z]\r\n");
  EXPECT_EQ(Mode(), 0600u);
  const auto second = WriteIniFile(path, "Security", "SecretPhrase", "newer");
  ASSERT_TRUE(second);
  EXPECT_FALSE(second->tightened_from);

  ::chmod(path.c_str(), 0660);
  const auto unchanged = WriteIniFile(path, "Security", "SecretPhrase", "newer");
  ASSERT_TRUE(unchanged);
  EXPECT_EQ(unchanged->tightened_from, 0660u) << "tightened even when the value is the same";
  EXPECT_EQ(Mode(), 0600u);
}

TEST_F(IniFile, ReadCutsTrimsAndFallsBack) {
  const std::string long_value(450, 'x');
  Put("[Security]\nA=  " + long_value + "\nB=   padded   \nC=" + std::string(398, 'y') + " z\nD=" +
      std::string(398, 'e') + "\xC3\xA9\xC3\xA9\n");
  EXPECT_EQ(ReadIniString(path, "Security", "A", ""), std::string(399, 'x'));
  EXPECT_EQ(ReadIniString(path, "Security", "B", ""), "padded");
  EXPECT_EQ(ReadIniString(path, "Security", "C", ""), std::string(398, 'y'));  // cut, then trimmed
  EXPECT_EQ(ReadIniString(path, "Security", "D", ""), std::string(398, 'e') + "\xC3\xA9");  // characters, not bytes
  EXPECT_EQ(ReadIniString(path, "Security", "Missing", "fallback"), "fallback");
  EXPECT_EQ(ReadIniString(path, "Missing", "A", ""), "");
}

TEST_F(IniFile, ReadingAMissingFileCreatesNothing) {
  EXPECT_EQ(ReadIniString(path, "Security", "CompanyName", ""), "");
  EXPECT_FALSE(fs::exists(path));
}

TEST_F(IniFile, ASettingsPathThatCannotBeReadIsReportedAndLeftAlone) {
  fs::create_directory(path);  // unreadable as a file, even for root
  std::ofstream(fs::path(path) / "kept") << "x";
  const auto written = WriteIniFile(path, "Security", "CompanyName", "x");
  ASSERT_FALSE(written);
  EXPECT_NE(written.error().find(path), std::string::npos) << written.error();
  EXPECT_TRUE(fs::exists(fs::path(path) / "kept"));
  EXPECT_EQ(ReadIniString(path, "Security", "CompanyName", ""), "");
}

// Another user may plant a link to a file of theirs in a shared working
// folder, or a FIFO: the secret phrase is never written through either.
TEST_F(IniFile, ASymbolicLinkOrAFifoInItsPlaceIsRefusedAndNeverWrittenThrough) {
  const std::string target = dir / "theirs.ini";
  std::ofstream(target) << "[Security]\nCompanyName=a\n";
  ::chmod(target.c_str(), 0644);
  fs::create_symlink(target, path);
  const auto written = WriteIniFile(path, "Security", "SecretPhrase", "secret");
  ASSERT_FALSE(written);
  EXPECT_NE(written.error().find("symbolic link"), std::string::npos) << written.error();
  EXPECT_TRUE(fs::is_symlink(path));
  EXPECT_EQ(testing::ReadAll(target), ToBytes("[Security]\nCompanyName=a\n"));
  EXPECT_EQ(ReadIniString(path, "Security", "CompanyName", "fallback"), "fallback") << "not read through either";

  fs::remove(path);
  ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
  const auto fifo = WriteIniFile(path, "Security", "SecretPhrase", "secret");
  ASSERT_FALSE(fifo);
  EXPECT_NE(fifo.error().find("not a regular file"), std::string::npos) << fifo.error();
  EXPECT_EQ(fs::status(path).type(), fs::file_type::fifo);
}

TEST(SettingsFilePath, NamedAfterTheLinkTheProgramWasStartedBy) {
  const std::string target = "/usr/bin/create-tessellux";
  EXPECT_EQ(SettingsFilePath("/work", StartedAs("/home/ann/bin/door-desk", target)), "/work/door-desk.ini");
  EXPECT_EQ(SettingsFilePath("/work", StartedAs("door-desk", target)), "/work/door-desk.ini") << "found on PATH";
  EXPECT_EQ(SettingsFilePath("/work", StartedAs("", target)), "/work/create-tessellux.ini");
}

TEST(SettingsFilePath, ExecutableBaseNameInTheFolder) {
  EXPECT_EQ(SettingsFilePath("/work", "/usr/bin/create-tessellux"), "/work/create-tessellux.ini");
  EXPECT_EQ(SettingsFilePath("/work/", "/opt/t/other-name"), "/work/other-name.ini");
  EXPECT_EQ(SettingsFilePath("/w", "C:/Program Files/CreateTessellux.exe"), "/w/CreateTessellux.ini");
  EXPECT_EQ(SettingsFilePath("/w", ".hidden"), "/w/.hidden.ini");
}

}  // namespace
}  // namespace tessellux::app
