#include "console/CConsole.h"

#include <cstdio>
#include <cstring>

#include "base/Platform.h"
#include "base/Screen.h"

namespace {
const uint8_t kCarriageReturn = 13;
// A character written as \xNN takes four.
const size_t kEscapedChars = 4;
// The panel's lower and upper edges in the screen projection (y upwards).
const float kPanelBottom = 80.0f;
const float kPanelTop = 400.0f;

// Copies at most one line's 80 characters into a terminated buffer, so that a
// full line without a terminator is printed as exactly its 80 characters.
void TerminatedLine(const char* line, char (&out)[kConsoleLineChars + 1]) {
  memcpy(out, line, kConsoleLineChars);
  out[kConsoleLineChars] = '\0';
}

// A character goes into the log as typed unless it is a control character of
// the ANSI code page: C0, DEL and the C1 range, which would act on a terminal
// showing the log (ESC starts an escape sequence) or cut the line (code 0).
// Where the code page puts a C1 code is its own matter: all of 128 to 159 in
// Latin-1, five of them in Windows-1252, whose other bytes there are letters
// and signs (the euro, curly quotes). The Enter key's carriage return goes in
// as typed; a typed backslash is escaped too, so that every \xNN in the log
// stands for one byte.
bool LoggedAsTyped(uint8_t c) {
  if (c == kCarriageReturn) return true;
  WCHAR wide = 0;
  MultiByteToWideChar(CP_ACP, 0, (const char*)&c, 1, &wide, 1);
  return wide >= 32 && !(wide >= 127 && wide < 160) && c != '\\';
}

// Writes count characters of text into out, each escaped where it must be, and
// terminates it; out holds 4 * count + 1 characters.
void EscapeForLog(const char* text, size_t count, char* out) {
  for (size_t i = 0; i < count; ++i) {
    const uint8_t c = (uint8_t)text[i];
    if (LoggedAsTyped(c))
      *out++ = (char)c;
    else
      out += snprintf(out, kEscapedChars + 1, "\\x%02x", c);
  }
  *out = '\0';
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
    // The line is printed by its length: a typed code 0 stays part of it.
    char line[kConsoleLineChars * kEscapedChars + 1];
    const uint32_t length =
        InputLine.length < kConsoleLineChars ? InputLine.length : kConsoleLineChars;
    EscapeForLog(InputLine.text, length, line);
    ConsoleLog.Print("Line test: %s\n", line);
    History.Push("test");
    InputLine.Clear();
  } else {
    InputLine.Add(character);
  }
  char shown[kEscapedChars + 1];
  EscapeForLog((const char*)&character, 1, shown);
  ConsoleLog.Print("Recieved: '%s'\n", shown);
}

void CConsole::DrawConsolePanel() {
  glDisable(GL_TEXTURE_2D);
  glBegin(GL_QUADS);
  glColor4f(0.0f, 0.0f, 1.0f, 0.5f);
  glVertex2f(0.0f, kPanelBottom);
  glVertex2f((float)kScreenWidth, kPanelBottom);
  glVertex2f((float)kScreenWidth, kPanelTop);
  glVertex2f(0.0f, kPanelTop);
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
