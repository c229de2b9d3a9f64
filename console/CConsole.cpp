#include "console/CConsole.h"

#include <cstring>

#include "System/Platform.h"

namespace {
const uint8_t kBackquote = 96;
const uint8_t kCarriageReturn = 13;

// Copies at most one line's 80 characters into a terminated buffer, so that a
// full line without a terminator is printed as exactly its 80 characters.
void TerminatedLine(const char* line, char (&out)[kConsoleLineChars + 1]) {
  memcpy(out, line, kConsoleLineChars);
  out[kConsoleLineChars] = '\0';
}
}  // namespace

CConsole::CConsole() : active(0) {
  // NOTE: runs before InputLine's own constructor; its storage is already zero.
  InputLine.Clear();
}

uint8_t CConsole::IsActive() const { return active; }

void CConsole::SetActive(uint8_t flag) {
  active = flag;
  ConsoleLog.Print("Console active status: %i\n", (int)active);
}

void CConsole::OnChar(uint8_t character) {
  if (character == kBackquote) return;

  if (character == kCarriageReturn) {
    char line[kConsoleLineChars + 1];
    TerminatedLine(InputLine.text, line);
    ConsoleLog.Print("Line test: %s\n", line);
    History.Push("test");
    InputLine.Clear();
  } else {
    InputLine.Add(character);
  }
  ConsoleLog.Print("Recieved: '%c'\n", character);
}

void CConsole::DrawConsolePanel() {
  glDisable(GL_TEXTURE_2D);
  glBegin(GL_QUADS);
  glColor4f(0.0f, 0.0f, 1.0f, 0.5f);
  glVertex2f(0.0f, 80.0f);
  glVertex2f(640.0f, 80.0f);
  glVertex2f(640.0f, 400.0f);
  glVertex2f(0.0f, 400.0f);
  glEnd();
  glEnable(GL_TEXTURE_2D);
}

CInputLine::CInputLine() { Clear(); }

void CInputLine::Clear() {
  memset(text, 0, sizeof text);
  length = 0;
}

void CInputLine::Add(uint8_t character) {
  if (length < kConsoleLineChars) text[length++] = (char)character;
}

ConsoleHistory::ConsoleHistory() { memset(lines, 0, sizeof lines); }

void ConsoleHistory::Push(const char* text) {
  ConsoleLog.Print("In line: %s\n", text);

  memmove(lines[0], lines[1], (kConsoleHistoryLines - 1) * kConsoleLineChars);

  char* newest = lines[kConsoleHistoryLines - 1];
  memset(newest, 0, kConsoleLineChars);
  size_t length = strnlen(text, kConsoleLineChars);
  // The terminator is copied too when it fits within the 80 characters.
  memcpy(newest, text, length);

  char line[kConsoleLineChars + 1];
  TerminatedLine(newest, line);
  ConsoleLog.Print("Final line: %s\n", line);
}
