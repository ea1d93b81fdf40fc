// Toolbar commands and the texts of the About window.
#pragma once

#include <string>

#include "platform/platform.h"

namespace vk {

// Toolbar1's buttons, 1 to 5: " Settings " (never shown), "Help", "Website",
// "  Support  " and "About".
constexpr int kToolbarButtonCount = 5;

// ImageList1's pictures in the order they are added, after the program
// folder, keyed "settings", "help", "about", "website" and "support".
inline constexpr const wchar_t* kImageList1Files[kToolbarButtonCount] = {
    L"\\ico\\1.ico", L"\\ico\\2.ico", L"\\ico\\3.ico", L"\\ico\\4.ico", L"\\ico\\5.ico"};
// The ImageList1 entry (0-based) each toolbar button shows, by button: each
// button shows the entry of its key, so Website shows "about" and About
// shows "website".
inline constexpr int kToolbarPictures[kToolbarButtonCount] = {0, 1, 2, 4, 3};

enum class ToolbarAction { None, ShowHowToUse, OpenProductPage, OpenSupportPage, ShowAbout };

// What the toolbar button with this 1-based index does.
ToolbarAction ActionForToolbarButton(int index);

// The publisher's pages on `host`, over plain HTTP.
std::wstring ProductPageAddress(const std::wstring& host);
std::wstring SupportPageAddress(const std::wstring& host);

// "Version: " + major + "." + minor, in plain decimal.
std::wstring VersionText(const VersionNumbers& version);

}  // namespace vk
