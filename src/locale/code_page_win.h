// Windows only: the code page that holds the program's bytes, for the converters and for
// file names given to the wide file API.
#pragma once

#include <windows.h>

namespace charset {

// GB18030 (54936) where the system has it, else GBK (936, as under Wine), of which GB18030
// is a superset.
UINT ProgramCodePage();

}  // namespace charset
