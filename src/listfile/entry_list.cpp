#include "listfile/entry_list.h"

#include <algorithm>
#include <cstring>

namespace vk {

EntryList::EntryList(std::initializer_list<std::wstring_view> entries) {
  size_t characters = 0;
  for (std::wstring_view entry : entries) characters += entry.size() + 1;
  reserve(entries.size(), characters);
  for (std::wstring_view entry : entries) push_back(entry);
}

EntryList::EntryList(const EntryList& other)
    : text_(other.text_), size_(other.size_), capacity_(other.capacity_), starts_(other.starts_) {}

EntryList& EntryList::operator=(const EntryList& other) {
  if (this != &other) {
    EntryList copy(other);
    *this = std::move(copy);
  }
  return *this;
}

void EntryList::Grow(size_t more) {
  // A block shared with a copy is never written: this list takes its own.
  if (size_ + more <= capacity_ && text_.use_count() <= 1) return;
  const size_t capacity = size_ + more <= capacity_
                              ? capacity_
                              : std::max(size_ + more, capacity_ + capacity_ / 2);
  std::shared_ptr<wchar_t[]> text(new wchar_t[capacity]);
  std::copy_n(text_.get(), size_, text.get());
  text_ = std::move(text);
  capacity_ = capacity;
}

void EntryList::reserve(size_t entries, size_t characters) {
  starts_.reserve(entries);
  if (characters > size_) Grow(characters - size_);
}

wchar_t* EntryList::push_back_uninitialized(size_t length) {
  Grow(length + 1);
  starts_.push_back(static_cast<uint32_t>(size_));
  wchar_t* at = text_.get() + size_;
  at[length] = L'\0';
  size_ += length + 1;
  return at;
}

wchar_t* EntryList::assign_uninitialized(size_t characters, size_t entries) {
  clear();
  // Room for the folders added later, so that an Add does not move the
  // whole block; memory never written costs nothing.
  reserve(entries + entries / 8 + 16, characters + characters / 8 + 1024);
  size_ = characters;
  return text_.get();
}

void EntryList::end_entries() {
  wchar_t* text = text_.get();  // its own since assign_uninitialized
  for (size_t i = 1; i < starts_.size(); ++i) text[starts_[i] - 1] = L'\0';
  if (size_ > 0) text[size_ - 1] = L'\0';
}

char* EntryList::byte_room(size_t bytes) {
  clear();
  Grow(bytes + bytes / 8 + 1024);  // as assign_uninitialized will want it
  return reinterpret_cast<char*>(text_.get() + bytes) - bytes;
}

void EntryList::push_back(std::wstring_view entry) {
  wchar_t* at = push_back_uninitialized(entry.size());
  std::copy(entry.begin(), entry.end(), at);
}

void EntryList::insert(size_t index, std::wstring_view entry) {
  if (index >= size()) return push_back(entry);
  const size_t length = entry.size() + 1;
  Grow(length);
  const size_t at = starts_[index];
  wchar_t* text = text_.get();
  std::memmove(text + at + length, text + at, (size_ - at) * sizeof(wchar_t));
  std::copy(entry.begin(), entry.end(), text + at);
  text[at + entry.size()] = L'\0';
  size_ += length;
  starts_.insert(starts_.begin() + index, static_cast<uint32_t>(at));
  for (size_t i = index + 1; i < starts_.size(); ++i) starts_[i] += static_cast<uint32_t>(length);
}

void EntryList::erase(size_t index) {
  const size_t at = starts_[index];
  const size_t end = index + 1 < starts_.size() ? starts_[index + 1] : size_;
  const size_t length = end - at;
  Grow(0);
  wchar_t* text = text_.get();
  std::memmove(text + at, text + end, (size_ - end) * sizeof(wchar_t));
  size_ -= length;
  starts_.erase(starts_.begin() + index);
  for (size_t i = index; i < starts_.size(); ++i) starts_[i] -= static_cast<uint32_t>(length);
}

void EntryList::resize(size_t count) {
  if (count >= size()) return;
  size_ = starts_[count];
  starts_.resize(count);
}

void EntryList::clear() {
  size_ = 0;
  starts_.clear();
}

bool operator==(const EntryList& a, const EntryList& b) {
  return a.starts_ == b.starts_ &&
         std::equal(a.text_.get(), a.text_.get() + a.size_, b.text_.get(), b.text_.get() + b.size_);
}

bool operator==(const EntryList& list, const std::vector<std::wstring>& entries) {
  return list.size() == entries.size() && std::equal(list.begin(), list.end(), entries.begin());
}

}  // namespace vk
