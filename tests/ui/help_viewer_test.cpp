#include "ui/help_viewer.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "ports/memory_viewer.h"

namespace skyloom {
namespace {

namespace fs = std::filesystem;

const std::string kHead =
    "NOTE: This file is too large to display entirely in this textbox.\r\n"
    "To view the entire contents of the file load it into NotePad,\r\n"
    "WordPad or some other text editor.\r\n"
    "\r\n";
const std::string kTail = "NOTE: Entire contents of file have not been displayed.\r\n";

int64_t Characters(const std::string& utf8) {
  int64_t n = 0;
  for (char ch : utf8)
    if ((static_cast<unsigned char>(ch) & 0xC0) != 0x80) ++n;
  return n;
}

// n characters of ordinary text: numbered lines of 60 characters, CR LF
// included, so a cut shows where it falls.
std::string AsciiText(int64_t n) {
  std::string text;
  for (int line = 0; static_cast<int64_t>(text.size()) < n; ++line) {
    std::string l = "line " + std::to_string(line) + " ";
    l.resize(58, '.');
    text += l + "\r\n";
  }
  text.resize(static_cast<size_t>(n));
  return text;
}

std::string Repeat(const std::string& piece, int64_t times) {
  std::string text;
  for (int64_t i = 0; i < times; ++i) text += piece;
  return text;
}

class HelpViewerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder = fs::temp_directory_path() /
             ("skyloom_viewer_" + std::to_string(::getpid()) + "_" +
              ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(folder);
    fs::create_directories(folder);
  }
  void TearDown() override {
    std::error_code ec;
    fs::permissions(folder / HelpFileName, fs::perms::owner_all, ec);
    fs::remove_all(folder, ec);
  }

  void WriteHelp(const std::string& text) {
    std::ofstream out(folder / HelpFileName, std::ios::binary | std::ios::trunc);
    out << text;
  }
  std::string Folder() const { return folder.string() + "/"; }
  void Help() { core.HelpCommand(kMain, Folder()); }

  static constexpr Rect kMain{1500, 900, 13800, 6500};
  fs::path folder;
  MemoryViewer viewer;
  TextViewer core{viewer};
};

// --- how much of a file is shown ---------------------------------------------

TEST_F(HelpViewerTest, FileOneBelowTheLimitIsShownWhole) {
  const std::string text = AsciiText(65529);
  WriteHelp(text);
  Help();
  EXPECT_TRUE(core.blnFileDisplayed);
  EXPECT_EQ(viewer.Text(), text);
}

TEST_F(HelpViewerTest, FileAtTheLimitIsCutBetweenTheNotes) {
  const std::string text = AsciiText(65530);
  WriteHelp(text);
  Help();
  const std::string shown = viewer.Text();
  ASSERT_EQ(shown.substr(0, kHead.size()), kHead);
  ASSERT_GE(shown.size(), kTail.size() + 4);
  EXPECT_EQ(shown.substr(shown.size() - kTail.size() - 4), "\r\n\r\n" + kTail);
  // The notes and the stretch of the file between them make up 65530
  // characters; the blank line before the tail note adds four more.
  EXPECT_EQ(Characters(shown), 65534);
  const size_t part = shown.size() - kHead.size() - kTail.size() - 4;
  EXPECT_EQ(part, 65530 - kHead.size() - kTail.size());
  EXPECT_EQ(shown.substr(kHead.size(), part), text.substr(0, part));
}

TEST_F(HelpViewerTest, MultiByteCharactersCountAsOneCharacterEach) {
  // 65529 degree signs: 131058 bytes, yet below the limit.
  const std::string below = Repeat("°", 65529);
  WriteHelp(below);
  Help();
  EXPECT_EQ(viewer.Text(), below);

  viewer.UserCloseWindow();
  const std::string at = Repeat("°", 40000) + Repeat("€", 25530);
  WriteHelp(at);
  Help();
  const std::string shown = viewer.Text();
  EXPECT_EQ(Characters(shown), 65534);
  // The cut falls between characters: every degree sign and the right
  // number of euro signs, each whole.
  const int64_t kept = 65530 - Characters(kHead) - Characters(kTail);
  EXPECT_EQ(shown, kHead + Repeat("°", 40000) + Repeat("€", kept - 40000) + "\r\n\r\n" + kTail);
}

// --- where the Help button puts the viewer -------------------------------------

TEST_F(HelpViewerTest, HelpPlacesTheViewerBelowTheMainWindowsControls) {
  WriteHelp("Some help.\r\n");
  Help();
  EXPECT_TRUE(viewer.Visible());
  EXPECT_EQ(viewer.FormGeometry(), (Rect{1700, 2650, 11950, 7000}));
  EXPECT_EQ(viewer.Caption(), "Help");
  EXPECT_EQ(viewer.CloseCaption(), "Close");
  EXPECT_EQ(core.strFilename, Folder() + "skl_help.txt");
  EXPECT_EQ(viewer.Text(), "Some help.\r\n");
  EXPECT_TRUE(viewer.Messages().empty());
  // The controls follow the new size: the box fills the window less its
  // margins, the button sits under the box's right end.
  EXPECT_EQ(viewer.Geometry(ViewerControl::txbText1), (Rect{105, 105, 11500, 5800}));
  EXPECT_EQ(viewer.Geometry(ViewerControl::cmdClose), (Rect{9865, 6005, 1740, 330}));
}

TEST_F(HelpViewerTest, HelpLeavesAMaximizedViewerWhereItIs) {
  WriteHelp("Some help.\r\n");
  Help();
  const Rect screen{0, 0, 28800, 16200};
  viewer.UserMaximize(screen);
  viewer.UserClickClose();
  Help();
  EXPECT_EQ(viewer.State(), WindowState::Maximized);
  EXPECT_EQ(viewer.FormGeometry(), screen);
  EXPECT_TRUE(viewer.Visible());
}

TEST_F(HelpViewerTest, HelpRestoresAMinimizedViewerAndPlacesIt) {
  WriteHelp("Some help.\r\n");
  Help();
  viewer.UserResize(9000, 4000);
  viewer.UserMinimize();
  Help();
  EXPECT_EQ(viewer.State(), WindowState::Normal);
  EXPECT_EQ(viewer.FormGeometry(), (Rect{1700, 2650, 11950, 7000}));
}

// --- reading the file once --------------------------------------------------------

TEST_F(HelpViewerTest, HelpAfterCloseShowsTheOldTextWithoutReading) {
  WriteHelp("First version.\r\n");
  Help();
  viewer.UserClickClose();
  EXPECT_FALSE(viewer.Visible());
  EXPECT_TRUE(core.blnFileDisplayed);

  WriteHelp("Second version.\r\n");
  Help();
  EXPECT_TRUE(viewer.Visible());
  EXPECT_EQ(viewer.Text(), "First version.\r\n");
  // Coming back to the viewer from another window does not read it either.
  viewer.UserActivate();
  EXPECT_EQ(viewer.Text(), "First version.\r\n");
}

TEST_F(HelpViewerTest, UnloadMakesTheNextShowingReadTheFileAgain) {
  WriteHelp("First version.\r\n");
  Help();
  viewer.UserCloseWindow();
  EXPECT_FALSE(viewer.Visible());
  EXPECT_FALSE(core.blnFileDisplayed);

  WriteHelp("Second version.\r\n");
  Help();
  EXPECT_EQ(viewer.Text(), "Second version.\r\n");
  EXPECT_TRUE(core.blnFileDisplayed);
  EXPECT_TRUE(viewer.Locked());
}

// --- size ---------------------------------------------------------------------------

TEST_F(HelpViewerTest, DraggingBelowTheMinimumSnapsBack) {
  WriteHelp("Some help.\r\n");
  Help();
  viewer.UserResize(5000, 1000);
  EXPECT_EQ(viewer.FormGeometry().Width, 8000);
  EXPECT_EQ(viewer.FormGeometry().Height, 2000);
  EXPECT_EQ(viewer.Geometry(ViewerControl::txbText1), (Rect{105, 105, 7550, 800}));
  EXPECT_EQ(viewer.Geometry(ViewerControl::cmdClose), (Rect{5915, 1005, 1740, 330}));

  // Only the dimension that is too small changes.
  viewer.UserResize(7999, 5000);
  EXPECT_EQ(viewer.FormGeometry().Width, 8000);
  EXPECT_EQ(viewer.FormGeometry().Height, 5000);
}

// --- failures ---------------------------------------------------------------------

TEST_F(HelpViewerTest, EmptyFileIsReportedAndTheViewerHidden) {
  WriteHelp("");
  Help();
  ASSERT_EQ(viewer.Messages().size(), 1u);
  const MessageBoxRequest& m = viewer.Messages()[0];
  EXPECT_EQ(m.text, "File is empty!");
  EXPECT_EQ(m.title, "Error");
  EXPECT_EQ(m.icon, MsgIcon::Exclamation);
  EXPECT_EQ(m.buttons, MsgButtons::Ok);
  EXPECT_FALSE(viewer.Visible());
  EXPECT_FALSE(core.blnFileDisplayed);
}

// Each message keeps the number the program has always given, and names
// the file and what the system says is wrong with it.
TEST_F(HelpViewerTest, ReadErrorsNameTheFileAndTheSystemsReason) {
  const std::string path = (folder / HelpFileName).string();
  const struct {
    const char* what;
    void (*make)(const fs::path& file);
    bool needsNonRoot;
    std::string message;
  } kCases[] = {
      {"no file", [](const fs::path&) {}, false, "Error 53.  " + path + ": No such file or directory."},
      // A folder where the file should be opens but cannot be read.
      {"a folder", [](const fs::path& file) { fs::create_directory(file); }, false,
       "Error 57.  " + path + ": Is a directory."},
      {"unreadable",
       [](const fs::path& file) {
         std::ofstream(file) << "Secret help.\r\n";
         fs::permissions(file, fs::perms::none);
       },
       true, "Error 75.  " + path + ": Permission denied."},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    if (c.needsNonRoot && ::geteuid() == 0) continue;  // root reads every file
    fs::remove_all(folder / HelpFileName);
    c.make(folder / HelpFileName);
    const size_t before = viewer.Messages().size();
    Help();
    ASSERT_EQ(viewer.Messages().size(), before + 1);
    const MessageBoxRequest& m = viewer.Messages().back();
    EXPECT_EQ(m.text, c.message);
    EXPECT_EQ(m.title, "Error reading file");
    EXPECT_EQ(m.icon, MsgIcon::Exclamation);
    EXPECT_FALSE(viewer.Visible());
  }
}

TEST_F(HelpViewerTest, AFailedLoadIsTriedAgainAtTheNextShowing) {
  Help();
  ASSERT_EQ(viewer.Messages().size(), 1u);
  WriteHelp("Here at last.\r\n");
  Help();
  EXPECT_EQ(viewer.Messages().size(), 1u);
  EXPECT_TRUE(viewer.Visible());
  EXPECT_EQ(viewer.Text(), "Here at last.\r\n");
}

// The toolkit hands the activation back to the viewer when its message box
// closes; that must not start the load, and its message, over again.
class ReactivatingViewer : public MemoryViewer {
 public:
  MsgAnswer MessageBox(const MessageBoxRequest& request) override {
    const MsgAnswer answer = MemoryViewer::MessageBox(request);
    if (Messages().size() < 5) UserActivate();
    return answer;
  }
};

TEST_F(HelpViewerTest, TheMessageOfAFailedLoadComesOnce) {
  ReactivatingViewer reactivating;
  TextViewer other(reactivating);
  other.HelpCommand(kMain, Folder());
  EXPECT_EQ(reactivating.Messages().size(), 1u);
  EXPECT_FALSE(reactivating.Visible());
}

}  // namespace
}  // namespace skyloom
