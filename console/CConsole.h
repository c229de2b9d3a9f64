#pragma once

#include <cstdint>

#include "base/CLog.h"

const uint32_t kConsoleLineChars = 80;
const int kConsoleHistoryLines = 20;
// The key that switches the console on and off.
const uint8_t kBackquote = 96;

// The switchable console: an active flag and the translucent panel.
class CConsole {
 public:
  CConsole();

  uint8_t IsActive() const;
  void SetActive(uint8_t flag);
  void OnChar(uint8_t character);
  void DrawConsolePanel();

  uint8_t active;
};

// The typed line: up to 80 characters, no terminator when full.
class CInputLine {
 public:
  CInputLine();

  void Clear();
  void Add(uint8_t character);

  char text[kConsoleLineChars];
  uint32_t length;
};

// 20 lines of 80 characters; line 0 the oldest, line 19 the newest.
class ConsoleHistory {
 public:
  ConsoleHistory();

  void Push(const char* text);

  char lines[kConsoleHistoryLines][kConsoleLineChars];
};

extern CConsole Console;
extern CInputLine InputLine;
extern ConsoleHistory History;
extern CLog ConsoleLog;
