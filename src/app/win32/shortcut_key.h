// "Shortcut Key For Hide All...", shown modally by one call.
#pragma once

#include <windows.h>

#include <cstdint>

namespace vk {

// Shows the key the Hide All shortcut holds now (`now`, 0 none) in the
// system's key control. True for OK, with the key chosen in *key (0 none),
// and for Remove, with 0; false for Cancel.
bool ShowShortcutKey(HINSTANCE instance, HWND owner, uint16_t now, uint16_t* key);

}  // namespace vk
