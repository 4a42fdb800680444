#include "win32/icons.h"

namespace ovcache::win32 {
namespace {

HINSTANCE instance = nullptr;

} // namespace

HINSTANCE Instance()
{
    return instance;
}

void SetInstance(HINSTANCE program)
{
    instance = program;
}

HICON AppIcon(int size)
{
    return static_cast<HICON>(LoadImageW(instance, L"IDI_APP", IMAGE_ICON, size, size, LR_DEFAULTCOLOR | LR_SHARED));
}

} // namespace ovcache::win32
