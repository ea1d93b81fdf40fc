#include "listfile/utf8.h"

namespace vk {
namespace {

constexpr bool kWide16 = sizeof(wchar_t) == 2;
constexpr char32_t kReplacement = 0xFFFD;

// Writes `c` at `out`; returns the end of what it wrote.
char* Put(char* out, char32_t c) {
  if (c < 0x80) {
    *out++ = static_cast<char>(c);
  } else if (c < 0x800) {
    *out++ = static_cast<char>(0xC0 | (c >> 6));
    *out++ = static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    *out++ = static_cast<char>(0xE0 | (c >> 12));
    *out++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    *out++ = static_cast<char>(0x80 | (c & 0x3F));
  } else {
    *out++ = static_cast<char>(0xF0 | (c >> 18));
    *out++ = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    *out++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    *out++ = static_cast<char>(0x80 | (c & 0x3F));
  }
  return out;
}

void Append(std::wstring& out, char32_t c) {
  if (kWide16 && c >= 0x10000) {
    c -= 0x10000;
    out += static_cast<wchar_t>(0xD800 + (c >> 10));
    out += static_cast<wchar_t>(0xDC00 + (c & 0x3FF));
  } else {
    out += static_cast<wchar_t>(c);
  }
}

}  // namespace

void AppendUtf8(const std::wstring& text, std::string* out) {
  // The most bytes one wchar_t can take: a UTF-16 unit at most 3 (a pair
  // makes 4 from 2), a code point at most 4.
  constexpr size_t kMostBytes = kWide16 ? 3 : 4;
  const size_t start = out->size();
  out->resize(start + text.size() * kMostBytes);
  char* p = out->data() + start;
  for (size_t i = 0; i < text.size(); ++i) {
    char32_t c = static_cast<char32_t>(text[i]);
    if (c < 0x80) {
      *p++ = static_cast<char>(c);
      continue;
    }
    if (kWide16 && c >= 0xD800 && c < 0xDC00 && i + 1 < text.size()) {
      char32_t low = static_cast<char32_t>(text[i + 1]);
      if (low >= 0xDC00 && low < 0xE000) {
        c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
        ++i;
      }
    }
    if (c > 0x10FFFF) c = kReplacement;
    p = Put(p, c);
  }
  out->resize(p - out->data());
}

std::string EncodeUtf8(const std::wstring& text) {
  std::string out;
  AppendUtf8(text, &out);
  return out;
}

std::wstring DecodeUtf8(const char* bytes, size_t size) {
  std::wstring out;
  out.reserve(size);
  const auto* p = reinterpret_cast<const unsigned char*>(bytes);
  size_t i = 0;
  while (i < size) {
    unsigned char b = p[i];
    if (b < 0x80) {
      out += static_cast<wchar_t>(b);
      ++i;
      continue;
    }
    size_t extra = 0;
    char32_t c = 0;
    char32_t min = 0;
    if ((b & 0xE0) == 0xC0) {
      extra = 1, c = b & 0x1F, min = 0x80;
    } else if ((b & 0xF0) == 0xE0) {
      extra = 2, c = b & 0x0F, min = 0x800;
    } else if ((b & 0xF8) == 0xF0) {
      extra = 3, c = b & 0x07, min = 0x10000;
    } else {
      Append(out, kReplacement);
      ++i;
      continue;
    }
    size_t k = 1;
    for (; k <= extra && i + k < size && (p[i + k] & 0xC0) == 0x80; ++k) {
      c = (c << 6) | (p[i + k] & 0x3F);
    }
    if (k <= extra || c < min || c > 0x10FFFF) {
      Append(out, kReplacement);
      ++i;  // resynchronise on the next byte
      continue;
    }
    Append(out, c);
    i += k;
  }
  return out;
}

}  // namespace vk
