// Drawing over coordinates far from anything the plotter gives, as the drawing fuzzer found them:
// a sloping line sets pixels only where it passes, however far off its ends lie.
#include "platform/platform.h"
#include "tests/support/harness.h"
#include "tests/support/screen_png.h"

namespace {

class FarDrawing : public PlatformTest {
 protected:
  void SetUp() override {
    PlatformTest::SetUp();
    set_screen_mode(12);
  }
};

TEST_F(FarDrawing, ASlopingLineFromFarOffSetsOnlyThePixelsItPasses) {
  struct Case {
    const char* name;
    float x1, y1, x2, y2;
    bool diagonal;  // passes along x = y, else nowhere on the screen
  };
  const Case cases[] = {
      // Ends 1e17 pixels away: a double loses the line's course near the screen.
      {"diagonal through the screen", -1e17f, -1e17f, 1e17f, 1e17f, true},
      {"diagonal the other way", 1e17f, 1e17f, -1e17f, -1e17f, true},
      // Passes 14 billion pixels to the right of the screen; computed in doubles it crossed it.
      {"far to the right", 1.650431e31f, 1.928817e31f, 13979732992.0f, 0.0f, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    clear_screen();
    draw_line(c.x1, c.y1, c.x2, c.y2, 12, 0);
    std::vector<uint8_t> expected(screen_width * screen_height, 0);
    if (c.diagonal)
      for (int y = 0; y < screen_height; ++y) expected[static_cast<size_t>(y * screen_width + y)] = 12;
    EXPECT_TRUE(screen_matches(expected, c.name));
  }
}

}  // namespace
