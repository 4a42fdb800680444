#pragma once
// The program's instance and its icon, from its resources.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

namespace ovcache::win32 {

HINSTANCE Instance();
void SetInstance(HINSTANCE program);
HICON AppIcon(int size);

} // namespace ovcache::win32
