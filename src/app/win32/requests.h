// A start with a command line: its request is handed to the running window,
// whose answer becomes the exit code, or carried out here without a window.
#pragma once

#include <windows.h>

#include <optional>

#include "app/command_line.h"

namespace vk {

// The exit code of a start with a command line; none for a start without
// one, which opens the window.
std::optional<int> RunCommandLine();

// The running window's side of a hand-over (WM_COPYDATA). False for data
// that is no request; otherwise the request and whom to answer.
bool TakeHandedRequest(const COPYDATASTRUCT& data, Request* request, DWORD* reply_to);
// Tells the start that handed the request over whether every folder ended as asked.
void AnswerHandedRequest(DWORD reply_to, bool done);

}  // namespace vk
