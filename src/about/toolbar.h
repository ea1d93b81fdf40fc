// Toolbar commands and the texts of the About window.
#pragma once

#include <string>

#include "platform/platform.h"

namespace vk {

enum class ToolbarAction { None, ShowHowToUse, OpenProductPage, OpenSupportPage, ShowAbout };

// What the toolbar button with this 1-based index does.
ToolbarAction ActionForToolbarButton(int index);

// The publisher's pages on `host`, over plain HTTP.
std::wstring ProductPageAddress(const std::wstring& host);
std::wstring SupportPageAddress(const std::wstring& host);

// "Version: " + major + "." + minor, in plain decimal.
std::wstring VersionText(const VersionNumbers& version);

}  // namespace vk
