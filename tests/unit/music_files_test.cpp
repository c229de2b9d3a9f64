// The platform's side of the music files: paths become wide strings safely,
// and the loader takes standard MIDI files only.
#include <gtest/gtest.h>

#include <com_testing.h>

#include <tuple>

#include "MusicSupport.h"
#include "TestFiles.h"

namespace {

// The player's paths become wide strings whole, terminator included, or not
// at all: nothing is ever written past the buffer.
TEST(MusicPaths, WideConversionFitsWholeOrWritesNothing) {
  struct Case {
    const char* text;
    int bytes, room, result;
  } const kCases[] = {{"ab\xe9", -1, 4, 4}, {"ab\xe9", -1, 3, 0}, {"ab\xe9", 3, 3, 3},
                      {"ab\xe9", 2, 1, 0},  {"ab\xe9", -1, 0, 4}, {"", -1, 1, 1}};
  for (const Case& c : kCases) {
    SCOPED_TRACE(testing::Message() << c.bytes << " into " << c.room);
    WCHAR out[6];
    std::fill(std::begin(out), std::end(out), WCHAR(0x7777));
    const int result =
        MultiByteToWideChar(CP_ACP, MB_PRECOMPOSED, c.text, c.bytes, c.room ? out : NULL, c.room);
    EXPECT_EQ(result, c.result);
    for (int i = 0; i < 6; ++i)
      EXPECT_EQ(out[i], c.room && i < result ? WCHAR((unsigned char)c.text[i]) : WCHAR(0x7777))
          << i;
  }
}

// The platform's loader takes standard MIDI files of format 0 or 1 only
// (tracks of any length), by a name whose every unit comes from the ANSI code page.
TEST(MusicLoader, RefusesWhatIsNotAStandardMidiFile) {
  const std::string music = ShippedFile("Duridaz.mid");
  std::string format2 = music;
  format2[9] = 2;
  // One track of 69,642 bytes: a text event of 0x11000 bytes, then its end.
  const std::string longTrack = kOneNote.substr(0, 14) +
                                std::string("MTrk\0\1\x10\x0a\0\xff\x01\x84\xa0\x00", 14) +
                                std::string(0x11000, 'x') + std::string("\0\xff\x2f\0", 4);
  const std::tuple<std::u16string, std::string, bool> kFiles[] = {
      {u"music", music, true},       {u"music", kOneNote, true},
      {u"music", longTrack, true},   {u"music", format2, false},
      {u"music", "MThd", false},     {u"music", music.substr(0, 14), false},
      {u"music\u0100", music, false}};
  CoInitialize(NULL);
  auto* loader = Create<IDirectMusicLoader>(CLSID_DirectMusicLoader, IID_IDirectMusicLoader);
  ASSERT_TRUE(loader);
  for (const auto& [name, bytes, loads] : kFiles) {
    TestFile file("music", bytes);
    IDirectMusicSegment2* segment = LoadSegment(loader, name);
    EXPECT_EQ(segment != NULL, loads);
    if (segment) segment->Release();
  }
  loader->Release();
  CoUninitialize();
}

}  // namespace
