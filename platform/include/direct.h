// _getcwd, as the Windows C runtime declares it.
#pragma once
#include <cstddef>

char* _getcwd(char* buffer, int maxlen);
