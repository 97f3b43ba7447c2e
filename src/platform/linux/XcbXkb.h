#pragma once
// xcb's keyboard-extension header names a field `explicit`, which C++
// reserves: include it through here.

#define explicit explicit_
#include <xcb/xkb.h>
#undef explicit
