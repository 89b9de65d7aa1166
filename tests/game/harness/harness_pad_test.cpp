// The harness's virtual pad: lines appended to its control file set SDL's virtual joystick; bad
// lines leave it as it was.
#include <gtest/gtest.h>
#include <SDL2/SDL.h>

#include <cstdio>
#include <string>
#include <unistd.h>

#include "game/harness/harness_pad.h"

namespace {

class HarnessPad : public ::testing::Test {
protected:
  void SetUp() override {
    char tmpl[] = "/tmp/vlx_pad_XXXXXX";
    const int fd = mkstemp(tmpl);
    ASSERT_GE(fd, 0);
    close(fd);
    path = tmpl;
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_JOYSTICK), 0) << SDL_GetError();
  }
  void TearDown() override {
    if (view) SDL_JoystickClose(view);
    HarnessPadClose();
    SDL_QuitSubSystem(SDL_INIT_JOYSTICK);
    std::remove(path.c_str());
  }
  void Append(const char* text) {
    FILE* f = std::fopen(path.c_str(), "a");
    ASSERT_NE(f, nullptr);
    std::fputs(text, f);
    std::fclose(f);
  }
  // Buttons as a mask, then the two axes, as SDL reports them after the harness's poll.
  std::string State() {
    HarnessPadPoll();
    SDL_JoystickUpdate();
    unsigned mask = 0;
    for (int b = 0; b < 16; ++b)
      if (SDL_JoystickGetButton(view, b)) mask |= 1u << b;
    char s[64];
    std::snprintf(s, sizeof s, "%x %d %d", mask, SDL_JoystickGetAxis(view, 0), SDL_JoystickGetAxis(view, 1));
    return s;
  }
  std::string path;
  SDL_Joystick* view = nullptr;
};

TEST_F(HarnessPad, LinesSetButtonsAndStickAndBadLinesChangeNothing) {
  const int before = SDL_NumJoysticks();
  ASSERT_TRUE(HarnessPadOpen(path));
  EXPECT_FALSE(HarnessPadOpen(path));   // one pad at a time
  ASSERT_EQ(SDL_NumJoysticks(), before + 1);
  view = SDL_JoystickOpen(before);
  ASSERT_NE(view, nullptr);
  EXPECT_EQ(SDL_JoystickNumButtons(view), 16);
  EXPECT_EQ(State(), "0 0 0");

  Append("0x105 -32768 100\n");
  EXPECT_EQ(State(), "105 -32768 100");
  // Not numbers, a button past 15, one axis only, an axis out of range, trailing words.
  Append("junk\n0x10000 0 0\n1 2\n3 0 40000\n4 0 0 x\n");
  EXPECT_EQ(State(), "105 -32768 100");
  // Comments and blank lines are skipped; buttons alone release the stick.
  Append("# the stick back\n\n  8\n");
  EXPECT_EQ(State(), "8 0 0");
  // A line is taken only once it is whole.
  Append("0x8000 32767");
  EXPECT_EQ(State(), "8 0 0");
  Append(" -1\r\n");
  EXPECT_EQ(State(), "8000 32767 -1");

  SDL_JoystickClose(view);
  view = nullptr;
  HarnessPadClose();
  HarnessPadClose();   // nothing open: nothing happens
  EXPECT_EQ(SDL_NumJoysticks(), before);
}

TEST_F(HarnessPad, MissingControlFileAttachesNoPad) {
  const int before = SDL_NumJoysticks();
  EXPECT_FALSE(HarnessPadOpen(path + ".missing"));
  EXPECT_EQ(SDL_NumJoysticks(), before);
}

}  // namespace
