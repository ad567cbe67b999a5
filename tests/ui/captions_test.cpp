#include "runs/captions.h"

#include <gtest/gtest.h>

#include <string>

#include "ports/memory_window.h"

namespace skyloom {
namespace {

using enum ControlName;

// A window with the design's captions and the two body lists of a mode.
struct CaptionRig {
  MemoryWindow window;

  explicit CaptionRig(bool world) {
    window.LoadDesign();
    const char* inner[] = {"Sun",    "Mercury", "Venus",   "Mars", "Jupiter",
                           "Saturn", "Uranus",  "Neptune", "Pluto"};
    const char* outer[] = {"Sun",    "Mercury", "Venus",   "Mars",  "Jupiter",
                           "Saturn", "Uranus",  "Neptune", "Pluto", "Moon"};
    if (world) {
      for (int b = 0; b < 8; ++b) window.AddItem(Ctl(cboPlanet, 0), inner[b]);
      for (int b = 1; b < 9; ++b) window.AddItem(Ctl(cboPlanet, 1), outer[b]);
      window.SetValue(Ctl(optWorld), 1);
    } else {
      for (const char* name : inner) window.AddItem(Ctl(cboPlanet, 0), name);
      for (const char* name : outer) window.AddItem(Ctl(cboPlanet, 1), name);
      window.SetValue(Ctl(optPersonal), 1);
    }
  }
  std::string Caption(Control c) const { return window.Text(c); }
};

TEST(UpdateCommandCaptions, PersonalModeNamesTransitingAndNatalBodies) {
  CaptionRig rig(false);
  rig.window.SetListIndex(Ctl(cboPlanet, 0), 3);  // Mars
  rig.window.SetListIndex(Ctl(cboPlanet, 1), 4);  // Jupiter
  UpdateCommandCaptions(rig.window);
  EXPECT_EQ(rig.Caption(Ctl(cmdStart)), "Show all personal transits by Mars of natal Jupiter");
  EXPECT_EQ(rig.Caption(Ctl(cmdShowAll, 0)), "Show all transits of natal Jupiter");
  EXPECT_EQ(rig.Caption(Ctl(cmdShowAll, 1)), "Show all transits by transiting Mars");

  rig.window.SetListIndex(Ctl(cboPlanet, 0), 8);  // Pluto
  rig.window.SetListIndex(Ctl(cboPlanet, 1), 9);  // Moon
  UpdateCommandCaptions(rig.window);
  EXPECT_EQ(rig.Caption(Ctl(cmdStart)), "Show all personal transits by Pluto of natal Moon");
  EXPECT_EQ(rig.Caption(Ctl(cmdShowAll, 0)), "Show all transits of natal Moon");
  EXPECT_EQ(rig.Caption(Ctl(cmdShowAll, 1)), "Show all transits by transiting Pluto");
}

TEST(UpdateCommandCaptions, WorldModeLeavesTheSecondShowAllButtonAlone) {
  CaptionRig rig(true);
  rig.window.SetListIndex(Ctl(cboPlanet, 0), 3);  // Mars
  rig.window.SetListIndex(Ctl(cboPlanet, 1), 3);  // Jupiter
  rig.window.SetText(Ctl(cmdShowAll, 1), "Show all transits by transiting Venus");
  UpdateCommandCaptions(rig.window);
  EXPECT_EQ(rig.Caption(Ctl(cmdStart)), "Show all world transits between Mars and Jupiter");
  EXPECT_EQ(rig.Caption(Ctl(cmdShowAll, 0)), "Show all transits between Jupiter and other planets");
  EXPECT_EQ(rig.Caption(Ctl(cmdShowAll, 1)), "Show all transits by transiting Venus");
}

TEST(PopUpInForm, ForwardsEveryValueInPlace) {
  MemoryWindow window;
  PopUpInForm(window, "Saved", 1, 2, 3, 4, 5);
  ASSERT_EQ(window.PopUps().size(), 1u);
  const PopUpRequest& p = window.PopUps()[0];
  EXPECT_EQ(p.message, "Saved");
  EXPECT_EQ(p.width, 1);
  EXPECT_EQ(p.height, 2);
  EXPECT_EQ(p.interval, 3);
  EXPECT_EQ(p.top, 4);
  EXPECT_EQ(p.left, 5);
}

TEST(PopUpDone, SitsBelowAndLeftOfTheSecondShowAllButton) {
  struct Case {
    Rect button;
    int16_t top, left;
  };
  const Case cases[] = {
      {{6960, 2640, 6285, 330}, 3090, 5460},  // the design position
      {{1000, 100, 6285, 330}, 550, -500},
      {{40000, 40000, 10, 10}, 32767, 32767},  // beyond 16 bits: the nearest that fits
      {{-40000, -40000, 10, 10}, -32768, -32768},
  };
  for (const Case& c : cases) {
    MemoryWindow window;
    window.LoadDesign();
    window.SetGeometry(Ctl(cmdShowAll, 1), c.button);
    PopUpDone(window);
    ASSERT_EQ(window.PopUps().size(), 1u);
    const PopUpRequest& p = window.PopUps()[0];
    EXPECT_EQ(p.message, "Done");
    EXPECT_EQ(p.width, 1200);
    EXPECT_EQ(p.height, 300);
    EXPECT_EQ(p.interval, 2000);
    EXPECT_EQ(p.top, c.top) << c.button.Top;
    EXPECT_EQ(p.left, c.left) << c.button.Left;
  }
}

}  // namespace
}  // namespace skyloom
