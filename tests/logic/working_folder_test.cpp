#include <gtest/gtest.h>

#include <filesystem>

#include "app/working_folder.h"
#include "support/temp_folder.h"

namespace tessellux::app {
namespace {

WorkingFolderInputs Inputs() {
  WorkingFolderInputs in;
  in.program_folder = "/opt/Tessellux/bin";
  in.home = "/home/ann";
  in.install_prefix = "/usr/local";
  return in;
}

TEST(WorkingFolder, ProgramFilesPrefixDecides) {
  WorkingFolderInputs in = Inputs();
  in.program_files = "/opt";
  in.app_data = "/home/ann/AppData";
  auto plan = PlanWorkingFolder(in);
  EXPECT_TRUE(plan.installed);
  EXPECT_EQ(plan.data_folder, "/home/ann/AppData/Tessellux");

  in.program_files = "/OPT";  // another letter case is no match
  EXPECT_FALSE(PlanWorkingFolder(in).installed);

  in.program_files = "";  // an empty value matches every folder
  EXPECT_TRUE(PlanWorkingFolder(in).installed);
}

TEST(WorkingFolder, WithoutProgramFilesTheInstallPrefixDecides) {
  WorkingFolderInputs in = Inputs();
  EXPECT_FALSE(PlanWorkingFolder(in).installed);
  in.program_folder = "/usr/local/bin";
  auto plan = PlanWorkingFolder(in);
  EXPECT_TRUE(plan.installed);
  EXPECT_EQ(plan.data_folder, "/home/ann/.local/share/Tessellux");
  in.xdg_data_home = "/data/ann";
  EXPECT_EQ(PlanWorkingFolder(in).data_folder, "/data/ann/Tessellux");
  in.xdg_data_home = "relative/ignored";
  EXPECT_EQ(PlanWorkingFolder(in).data_folder, "/home/ann/.local/share/Tessellux");
  in.program_folder = "/usr/localbin";  // a longer name is not below the prefix
  EXPECT_FALSE(PlanWorkingFolder(in).installed);
  in.program_folder = "/usr/Local/bin";
  EXPECT_FALSE(PlanWorkingFolder(in).installed);
}

TEST(WorkingFolder, EnterCreatesTheFolderOrSaysWhyNot) {
  namespace fs = std::filesystem;
  const fs::path before = fs::current_path();
  const tessellux::testing::TempFolder scratch;
  const fs::path& base = scratch.path();
  const fs::path folder = base / "AppData" / "Tessellux";
  EXPECT_FALSE(EnterFolder(folder.string()).has_value());
  EXPECT_EQ(fs::current_path(), folder);
  EXPECT_FALSE(EnterFolder(folder.string()).has_value());  // existing: no error

  fs::current_path(before);
  const std::string blocked = scratch.Write("file", ToBytes("x"));
  EXPECT_TRUE(EnterFolder(blocked + "/Tessellux").has_value());
  EXPECT_EQ(fs::current_path(), before);
}

TEST(WorkingFolder, RootFolderGivesADoubledSeparator) {
  EXPECT_EQ(WorkingFilePath("/", "Tessellux.bmp"), "//Tessellux.bmp");
  EXPECT_EQ(WorkingFilePath("/home/ann", "Quality.tmp"), "/home/ann/Quality.tmp");
}

}  // namespace
}  // namespace tessellux::app
