#pragma once
// GDI+ needs min/max in its own namespace when windows.h leaves them out.
#include <windows.h>

#include <algorithm>
namespace Gdiplus {
using std::max;
using std::min;
}  // namespace Gdiplus
#include <gdiplus.h>
