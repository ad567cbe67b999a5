#include "report/report.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>

#include "calendar/time_zones.h"
#include "support/report_fixture.h"

namespace skyloom {
namespace {

using enum ControlName;
using test::ReportRig;

const std::string kCrLfText = "\r\n";
const std::string kDashes(119, '-');

// Characters as the output box counts them.
int CodePoints(const std::string& text) {
  int n = 0;
  for (char c : text)
    if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++n;
  return n;
}

std::string Blanks(int n) { return std::string(static_cast<size_t>(n), ' '); }

// Line ends of a golden text written with plain newlines.
std::string WithCrLf(const std::string& text) {
  std::string result;
  for (char c : text) {
    if (c == '\n') result += '\r';
    result += c;
  }
  return result;
}

const std::string kHeading531 =
    "Aspect      | Start 5\u00b0    Start 3\u00b0    Start 1\u00b0    | Minimum at  | "
    "End 1\u00b0      End 3\u00b0      End 5\u00b0      | Minimum";

TEST(FitCell, PadsOrCutsToTwelveCharacters) {
  struct Case {
    std::string in, out;
  };
  const Case cases[] = {
      {"", Blanks(12)},
      {"Trine", "Trine" + Blanks(7)},
      {"2024-03-05*r", "2024-03-05*r"},
      {"Conjunction15", "Conjunction1"},
      {"abcdefghijklmno", "abcdefghijkl"},
      // "°" is one character, two bytes: padding and cutting count characters.
      {"Start 5\u00b0", "Start 5\u00b0" + Blanks(4)},
      {"12\u00b0345678901\u00b0xyz", "12\u00b0345678901"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FitCell(c.in), c.out) << "cell \"" << c.in << "\"";
    EXPECT_EQ(CodePoints(FitCell(c.in)), 12);
  }
}

TEST(BuildRunTitle, PersonalRunNamesBodiesPeriodBirthAndZodiac) {
  ReportRig rig;
  rig.PersonalRun();
  EXPECT_EQ(BuildRunTitle(rig.state),
            "Saturn transits of natal Sun, Jan. 1, 2024, to Dec. 31, 2024, birth at March 15, 1970, "
            "14:30 GMT+1:00 (tropical)");

  test::PersonalRunInput sidereal;
  sidereal.transiting = 8;      // Pluto
  sidereal.natal = 9;           // Moon
  sidereal.hourPosition = 1;    // "00"
  sidereal.minutePosition = 1;  // "00"
  sidereal.zonePosition = 14;   // "GMT-5:00"
  sidereal.tropical = false;
  rig.PersonalRun(sidereal);
  EXPECT_EQ(BuildRunTitle(rig.state),
            "Pluto transits of natal Moon, Jan. 1, 2024, to Dec. 31, 2024, birth at March 15, 1970, "
            "00:00 GMT-5:00 (sidereal)");
}

TEST(BuildRunTitle, ShowsTheZoneTextAsTheListShowsIt) {
  ReportRig rig;
  rig.window.SetValue(Ctl(chkDisplayNATZabbr), 1);
  SetUpTimezoneComboBoxes(rig.state, true);
  test::PersonalRunInput eastern;
  eastern.zonePosition = 14;
  rig.PersonalRun(eastern);
  EXPECT_NE(BuildRunTitle(rig.state).find(", 14:30 EST/CDT (tropical)"), std::string::npos);
}

TEST(BuildRunTitle, UsesTheRunStartEvenWhenMovedBeforeTheEnteredDate) {
  ReportRig rig;
  rig.PersonalRun();
  rig.state.RunStartDay = test::DayNumberOf(2023, 12, 20);
  EXPECT_EQ(
      BuildRunTitle(rig.state).rfind("Saturn transits of natal Sun, Dec. 20, 2023, to Dec. 31, 2024, ", 0),
      0u);
}

TEST(BuildRunTitle, WorldRunHasNoTitle) {
  ReportRig rig;
  rig.PersonalRun();
  rig.WorldRun();
  EXPECT_EQ(BuildRunTitle(rig.state), "");
}

TEST(WriteReportHeader, WorldRunStartsWithAnEmptyLineThenHeadingAndSeparator) {
  ReportRig rig;
  rig.WorldRun();
  rig.SetOrbs(5, 3, 1);
  WriteReportHeader(rig.state);

  EXPECT_EQ(rig.Output(), kCrLfText + kHeading531 + kCrLfText + kDashes + kCrLfText);
  EXPECT_EQ(CodePoints(kHeading531), 111);
  EXPECT_TRUE(rig.state.HeaderWritten);

  const TransitTable& t = rig.state.Table;
  EXPECT_EQ(t.Cell(0, 0), "");
  const char* headings[] = {"Aspect",      "Start 5\u00b0", "Start 3\u00b0", "Start 1\u00b0", "Minimum at",
                            "End 1\u00b0", "End 3\u00b0",   "End 5\u00b0",   "Minimum"};
  for (int c = 0; c < 9; ++c) EXPECT_EQ(t.Cell(1, c), headings[c]) << "column " << c;
  EXPECT_EQ(t.Cell(2, 0), kDashes);
  for (int c = 1; c < 9; ++c) EXPECT_EQ(t.Cell(2, c), "");
}

TEST(WriteReportHeader, PersonalRunPrintsItsTitleFirst) {
  ReportRig rig;
  rig.PersonalRun();
  rig.SetOrbs(15, 10, 2);
  WriteReportHeader(rig.state);
  const std::string heading =
      "Aspect      | Start 15\u00b0   Start 10\u00b0   Start 2\u00b0    | Minimum at  | "
      "End 2\u00b0      End 10\u00b0     End 15\u00b0     | Minimum";
  EXPECT_EQ(rig.Output(), rig.state.RunTitle + kCrLfText + heading + kCrLfText + kDashes + kCrLfText);
  EXPECT_EQ(rig.state.Table.Cell(0, 0), rig.state.RunTitle);
}

// The box keeps an appended run's earlier text; the run start has already
// added its separator, and the header follows it directly.
TEST(WriteReportHeader, AppendedRunFollowsTheEarlierTextAndSeparator) {
  ReportRig rig;
  const std::string earlier = "\r\nearlier report\r\nStopped";
  rig.window.SetText(Ctl(txbOutput), earlier + kCrLfText + kDashes + kCrLfText);
  rig.WorldRun();
  rig.SetOrbs(5, 3, 1);
  WriteReportHeader(rig.state);
  EXPECT_EQ(rig.Output(), earlier + kCrLfText + kDashes + kCrLfText + kCrLfText + kHeading531 + kCrLfText +
                              kDashes + kCrLfText);
}

TEST(WriteReportRow, TransitLineHasFixedColumnsAndAnUncutMinimum) {
  ReportRig rig;
  struct Case {
    std::array<std::string, 9> cells;
    std::string line;
  };
  const Case cases[] = {
      {{"Conjunction", "2024-01-05", "2024-01-20r", "", "2024-02-01*", "2024-02-10", "2024-02-20",
        "2024-03-01", "14:30 GMT+1:00"},
       "Conjunction | 2024-01-05  2024-01-20r             | 2024-02-01* | 2024-02-10  2024-02-20  2024-03-01 "
       " "
       "| 14:30 GMT+1:00"},
      // Cells of 15 characters are cut to 12 in columns 0 to 7; column 8 never.
      {{"ABCDEFGHIJKLMNO", "123456789012345", "", "", "2024-02-01*r...", "", "", "", "0123456789ABCDEFGHIJ"},
       "ABCDEFGHIJKL| 123456789012                        | 2024-02-01*r| " + Blanks(36) +
           "| 0123456789ABCDEFGHIJ"},
      {{"", "", "", "", "2024-06-30", "", "", "2024-07-02", "0\u00b012'"},
       Blanks(12) + "| " + Blanks(36) + "| 2024-06-30  | " + Blanks(24) + "2024-07-02  | 0\u00b012'"},
  };
  int32_t row = FirstTransitRow;
  std::string expected;
  for (const Case& c : cases) {
    rig.SetRow(row, c.cells);
    WriteReportRow(rig.state, row++);
    expected += c.line + kCrLfText;
    EXPECT_EQ(CodePoints(c.line) - CodePoints(c.cells[8]), 104);
  }
  EXPECT_EQ(rig.Output(), expected);
  // The newest line shows: caret at the end, box repainted after each row.
  EXPECT_EQ(rig.window.Caret(Ctl(txbOutput)), CodePoints(expected));
  EXPECT_EQ(rig.window.RepaintCount(Ctl(txbOutput)), 3);
  EXPECT_FALSE(rig.state.StopRequested);
}

TEST(WriteReportRow, QuestionMarkCellsPrintBlankAndAreEmptiedInTheTable) {
  ReportRig rig;
  rig.SetRow(5, {"Square", "?", "2024-01-20", "?", "?", "??", "", "2024-03-01", "?"});
  WriteReportRow(rig.state, 5);
  EXPECT_EQ(rig.Output(), "Square      | " + Blanks(12) + "2024-01-20  " + Blanks(12) + "| " + Blanks(12) +
                              "| ??          " + Blanks(12) + "2024-03-01  | " + kCrLfText);
  const TransitTable& t = rig.state.Table;
  for (int c : {1, 3, 4, 8}) EXPECT_EQ(t.Cell(5, c), "") << "column " << c;
  EXPECT_EQ(t.Cell(5, 5), "??");
  EXPECT_EQ(t.Cell(5, 2), "2024-01-20");
}

TEST(WriteReportRow, FullBoxRefusesTheRowAndStopsTheRun) {
  const std::string row =
      "Trine       | " + Blanks(36) + "| 2024-02-01  | " + Blanks(36) + "| 1\u00b002'" + kCrLfText;
  struct Case {
    std::string box;
    bool printed;
  };
  std::string degrees;  // 64000 characters of two bytes each
  for (int i = 0; i < 64000; ++i) degrees += "\u00b0";
  const Case cases[] = {
      {std::string(64000, 'x'), true},
      {degrees, true},
      {std::string(64001, 'x'), false},
      {degrees + "x", false},
  };
  for (const Case& c : cases) {
    ReportRig rig;
    rig.window.SetText(Ctl(txbOutput), c.box);
    rig.SetRow(3, {"Trine", "", "", "", "2024-02-01", "", "", "", "1\u00b002'"});
    WriteReportRow(rig.state, 3);
    const int size = CodePoints(c.box);
    if (c.printed) {
      EXPECT_EQ(rig.Output(), c.box + row) << size;
      EXPECT_TRUE(rig.window.MessageBoxes().empty());
      EXPECT_FALSE(rig.state.StopRequested);
      EXPECT_FALSE(rig.state.RunAbandoned);
      continue;
    }
    EXPECT_EQ(rig.Output(), c.box + "Textbox is full -- ") << size;
    ASSERT_EQ(rig.window.MessageBoxes().size(), 1u) << size;
    const MessageBoxRequest& box = rig.window.MessageBoxes()[0];
    EXPECT_EQ(box.text, "Output textbox is full.");
    EXPECT_EQ(box.title, "Skyloom");
    EXPECT_EQ(box.icon, MsgIcon::Exclamation);
    EXPECT_EQ(box.buttons, MsgButtons::Ok);
    EXPECT_TRUE(rig.state.StopRequested);
    EXPECT_TRUE(rig.state.RunAbandoned);
  }
}

// The HTML table of a personal run with two transits: the head, the rows
// with an empty line after each, and the closing line.
TEST(HtmlReport, WholeFileOfASmallRun) {
  test::TempFolder folder;
  ReportRig rig;
  rig.PersonalRun();
  rig.SetOrbs(5, 3, 1);
  rig.CheckHtml(true);
  rig.state.OutputFilePath = folder.File("report.htm");
  test::WriteWholeFile(rig.state.OutputFilePath, std::string(5000, 'z'));  // emptied by the run

  WriteReportHeader(rig.state);
  EXPECT_TRUE(rig.state.HtmlFileOpen);
  rig.SetRow(3, {"Square", "2024-01-05", "2024-01-20r", "2024-02-01r", "2024-02-10*r", "2024-02-20r",
                 "2024-03-01", "2024-03-09", "14:30 GMT-11:30"});
  rig.SetRow(4, {"", "?", "", "", "2024-08-11", "", "", "2024-09-01", "0\u00b012'"});
  WriteReportRow(rig.state, 3);
  WriteReportRow(rig.state, 4);
  CloseHtmlFile(rig.state);
  EXPECT_FALSE(rig.state.HtmlFileOpen);
  EXPECT_EQ(rig.state.OutputFile, nullptr);
  EXPECT_TRUE(rig.window.MessageBoxes().empty());

  const std::string golden = WithCrLf(R"(<center>
<table border="1" cellpadding="1" cellspacing="1">
<tr><td align="center" colspan="9"><b>
Saturn transits of natal Sun, Jan. 1, 2024, to Dec. 31, 2024, )"
                                      R"(birth at March 15, 1970, 14:30 GMT+1:00 (tropical)
</b></td></tr>
<tr>
<td align="center">&nbsp;Aspect&nbsp;</td>
<td align="center">&nbsp;Start<BR>5&deg; orb&nbsp;</td>
<td align="center">&nbsp;Start<BR>3&deg; orb&nbsp;</td>
<td align="center">&nbsp;Start<BR>1&deg; orb&nbsp;</td>
<td align="center">&nbsp;Minimum at&nbsp;</td>
<td align="center">&nbsp;End<BR>1&deg; orb&nbsp;</td>
<td align="center">&nbsp;End<BR>3&deg; orb&nbsp;</td>
<td align="center">&nbsp;End<BR>5&deg; orb&nbsp;</td>
<td align="center">&nbsp;Minimum&nbsp;</td>
</tr>
<tr>
<td align="left" valign="top">&nbsp;Square      &nbsp;</td>
<td align="left" valign="top">&nbsp;2024-01-05  &nbsp;</td>
<td align="left" valign="top">&nbsp;2024-01-20r &nbsp;</td>
<td align="left" valign="top">&nbsp;2024-02-01r &nbsp;</td>
<td align="left" valign="top">&nbsp;2024-02-10*r&nbsp;</td>
<td align="left" valign="top">&nbsp;2024-02-20r &nbsp;</td>
<td align="left" valign="top">&nbsp;2024-03-01  &nbsp;</td>
<td align="left" valign="top">&nbsp;2024-03-09  &nbsp;</td>
<td align="left" valign="top">&nbsp;14:30 GMT-11:30&nbsp;</td>
</tr>

<tr>
<td align="left" valign="top">&nbsp;            &nbsp;</td>
<td align="left" valign="top">&nbsp;            &nbsp;</td>
<td align="left" valign="top">&nbsp;            &nbsp;</td>
<td align="left" valign="top">&nbsp;            &nbsp;</td>
<td align="left" valign="top">&nbsp;2024-08-11  &nbsp;</td>
<td align="left" valign="top">&nbsp;            &nbsp;</td>
<td align="left" valign="top">&nbsp;            &nbsp;</td>
<td align="left" valign="top">&nbsp;2024-09-01  &nbsp;</td>
<td align="left" valign="top">&nbsp;0&deg;12'   &nbsp;</td>
</tr>

</table></center><p>
)");
  EXPECT_EQ(test::ReadWholeFile(rig.state.OutputFilePath), golden);
}

TEST(HtmlReport, WorldRunWithoutTransitsHoldsHeadAndClosingLineOnly) {
  test::TempFolder folder;
  ReportRig rig;
  rig.WorldRun();
  rig.SetOrbs(10, 5, 2);
  rig.CheckHtml(true);
  rig.state.OutputFilePath = folder.File("world.html");
  WriteReportHeader(rig.state);
  CloseHtmlFile(rig.state);

  const std::string golden = WithCrLf(R"(<center>
<table border="1" cellpadding="1" cellspacing="1">
<tr><td align="center" colspan="9"><b>

</b></td></tr>
<tr>
<td align="center">&nbsp;Aspect&nbsp;</td>
<td align="center">&nbsp;Start<BR>10&deg; orb&nbsp;</td>
<td align="center">&nbsp;Start<BR>5&deg; orb&nbsp;</td>
<td align="center">&nbsp;Start<BR>2&deg; orb&nbsp;</td>
<td align="center">&nbsp;Minimum at&nbsp;</td>
<td align="center">&nbsp;End<BR>2&deg; orb&nbsp;</td>
<td align="center">&nbsp;End<BR>5&deg; orb&nbsp;</td>
<td align="center">&nbsp;End<BR>10&deg; orb&nbsp;</td>
<td align="center">&nbsp;Minimum&nbsp;</td>
</tr>
</table></center><p>
)");
  EXPECT_EQ(test::ReadWholeFile(rig.state.OutputFilePath), golden);
}

TEST(HtmlReport, WithoutHtmlCheckedNoFileIsTouched) {
  test::TempFolder folder;
  ReportRig rig;
  rig.WorldRun();
  rig.state.OutputFilePath = folder.File("kept.htm");
  test::WriteWholeFile(rig.state.OutputFilePath, "old");
  WriteReportHeader(rig.state);
  rig.SetRow(3, {"Trine", "2024-01-05", "", "", "", "", "", "2024-01-30", ""});
  WriteReportRow(rig.state, 3);
  EXPECT_FALSE(rig.state.HtmlFileOpen);
  EXPECT_EQ(test::ReadWholeFile(rig.state.OutputFilePath), "old");
}

TEST(HtmlReport, FileThatCannotBeOpenedIsReportedAtEveryRow) {
  test::TempFolder folder;
  ReportRig rig;
  rig.WorldRun();
  rig.SetOrbs(5, 3, 1);
  rig.CheckHtml(true);
  const std::string path = folder.File("missing/report.htm");
  rig.state.OutputFilePath = path;

  WriteReportHeader(rig.state);
  rig.SetRow(3, {"Trine", "2024-01-05", "", "", "2024-01-12", "", "", "2024-01-30", ""});
  rig.SetRow(4, {"", "2024-05-05", "", "", "2024-05-12", "", "", "2024-05-30", ""});
  WriteReportRow(rig.state, 3);
  WriteReportRow(rig.state, 4);

  const std::string message = "Error when opening file " + path + ":\r\n" + std::strerror(ENOENT);
  ASSERT_EQ(rig.window.MessageBoxes().size(), 3u);
  for (const MessageBoxRequest& box : rig.window.MessageBoxes()) {
    EXPECT_EQ(box.text, message);
    EXPECT_EQ(box.title, "Write output to file");
    EXPECT_EQ(box.icon, MsgIcon::Exclamation);
  }
  EXPECT_FALSE(rig.state.HtmlFileOpen);
  // The text report goes on regardless.
  EXPECT_NE(rig.Output().find("Trine       | 2024-01-05"), std::string::npos);
  EXPECT_NE(rig.Output().find("            | 2024-05-05"), std::string::npos);
  CloseHtmlFile(rig.state);
  EXPECT_EQ(rig.window.MessageBoxes().size(), 3u);
}

TEST(HtmlReport, FullBoxAtTheHeadingLeavesTheFileUnopened) {
  test::TempFolder folder;
  ReportRig rig;
  rig.WorldRun();
  rig.CheckHtml(true);
  rig.state.OutputFilePath = folder.File("never.htm");
  rig.window.SetText(Ctl(txbOutput), std::string(64001, 'x'));
  WriteReportHeader(rig.state);
  EXPECT_FALSE(rig.state.HtmlFileOpen);
  EXPECT_FALSE(std::filesystem::exists(rig.state.OutputFilePath));
  EXPECT_TRUE(rig.state.StopRequested);
  EXPECT_EQ(rig.Output(), std::string(64001, 'x') + kCrLfText + "Textbox is full -- " + kDashes + kCrLfText);
}

// A full disk shows when the buffered rows are flushed; the run must not
// end as if the file were whole.
TEST(HtmlReport, WriteFailureShowsWhenTheFileCloses) {
  if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
  ReportRig rig;
  rig.WorldRun();
  rig.CheckHtml(true);
  rig.state.OutputFilePath = "/dev/full";
  WriteReportHeader(rig.state);
  ASSERT_TRUE(rig.state.HtmlFileOpen);
  CloseHtmlFile(rig.state);
  ASSERT_EQ(rig.window.MessageBoxes().size(), 1u);
  EXPECT_EQ(rig.window.MessageBoxes()[0].text,
            std::string("Error writing to file /dev/full\r\n") + std::strerror(ENOSPC));
  EXPECT_EQ(rig.window.MessageBoxes()[0].title, "Write output to file");
  EXPECT_FALSE(rig.state.HtmlFileOpen);
}

}  // namespace
}  // namespace skyloom
