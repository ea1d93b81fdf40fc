// UTF-8 for the list file's Unicode form. Works with either width of wchar_t:
// UTF-16 code units on Windows, code points on Linux.
#pragma once

#include <string>

namespace vk {

// Lone surrogates (possible in Windows names) are kept, written as 3-byte
// sequences, so any name survives a round trip.
std::string EncodeUtf8(const std::wstring& text);
// EncodeUtf8(text) added at the end of `out`.
void AppendUtf8(const std::wstring& text, std::string* out);

// Malformed input never fails: each bad byte becomes U+FFFD.
std::wstring DecodeUtf8(const char* bytes, size_t size);

}  // namespace vk
