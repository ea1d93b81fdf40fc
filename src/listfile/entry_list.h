// The guarded folders in list order, held as one block: every entry's
// characters followed by a NUL, one after the other, and where each entry
// starts. Loading a list of any length takes two allocations, and an entry is
// read as a view into the block whose data() is NUL-terminated (an entry may
// itself hold a NUL read from a damaged file: its size() is the truth).
// Copies share the block until one of them changes: a copy handed to another
// thread costs the starts alone, and that thread may read it while this one
// changes its own.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <iterator>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vk {

class EntryList {
 public:
  EntryList() = default;
  EntryList(std::initializer_list<std::wstring_view> entries);
  EntryList(const EntryList& other);
  EntryList& operator=(const EntryList& other);
  EntryList(EntryList&& other) noexcept { *this = std::move(other); }
  EntryList& operator=(EntryList&& other) noexcept {
    if (this == &other) return *this;
    text_ = std::move(other.text_);
    size_ = std::exchange(other.size_, 0);
    capacity_ = std::exchange(other.capacity_, 0);
    starts_ = std::move(other.starts_);
    other.starts_.clear();
    return *this;
  }

  size_t size() const { return starts_.size(); }
  bool empty() const { return starts_.empty(); }
  std::wstring_view operator[](size_t index) const {
    const size_t begin = starts_[index];
    const size_t end = index + 1 < starts_.size() ? starts_[index + 1] : size_;
    return std::wstring_view(text_.get() + begin, end - begin - 1);
  }
  std::wstring_view back() const { return (*this)[size() - 1]; }
  // Characters held, each entry's NUL included.
  size_t characters() const { return size_; }

  void reserve(size_t entries, size_t characters);
  void push_back(std::wstring_view entry);
  // For a reader that fills the list in one pass: the list becomes
  // `characters` characters (every entry's NUL included) for the caller to
  // write, with room for `entries` entries, each then marked by push_start
  // in order.
  wchar_t* assign_uninitialized(size_t characters, size_t entries);
  // Empties the list and gives memory for `bytes` bytes at the end of that
  // of its first `bytes` characters: ASCII read there can be widened in
  // place by assign_uninitialized and a front-to-back pass, without another
  // buffer.
  char* byte_room(size_t bytes);
  void push_start(size_t at) { starts_.push_back(static_cast<uint32_t>(at)); }
  // Then writes each entry's NUL: the character before the next entry's
  // start, and the last one.
  void end_entries();
  void insert(size_t index, std::wstring_view entry);
  void erase(size_t index);
  // Keeps the first `count` entries (never more than there are).
  void resize(size_t count);
  void clear();

  class const_iterator {
   public:
    using iterator_category = std::forward_iterator_tag;
    using value_type = std::wstring_view;
    using difference_type = std::ptrdiff_t;
    using pointer = void;
    using reference = std::wstring_view;

    const_iterator(const EntryList* list, size_t index) : list_(list), index_(index) {}
    std::wstring_view operator*() const { return (*list_)[index_]; }
    const_iterator& operator++() {
      ++index_;
      return *this;
    }
    const_iterator operator++(int) {
      const_iterator before = *this;
      ++index_;
      return before;
    }
    bool operator==(const const_iterator& other) const { return index_ == other.index_; }
    bool operator!=(const const_iterator& other) const { return index_ != other.index_; }

   private:
    const EntryList* list_;
    size_t index_;
  };
  const_iterator begin() const { return {this, 0}; }
  const_iterator end() const { return {this, size()}; }

  friend bool operator==(const EntryList& a, const EntryList& b);
  friend bool operator!=(const EntryList& a, const EntryList& b) { return !(a == b); }

 private:
  // Room for an entry of `length` characters at the end, to be written by the
  // caller; its NUL is already there.
  wchar_t* push_back_uninitialized(size_t length);
  // Makes room for `more` characters past size_, in a block of this list's own.
  void Grow(size_t more);

  std::shared_ptr<wchar_t[]> text_;  // size_ characters in use of capacity_
  size_t size_ = 0;
  size_t capacity_ = 0;
  std::vector<uint32_t> starts_;  // where each entry begins in text_
};

bool operator==(const EntryList& list, const std::vector<std::wstring>& entries);
inline bool operator==(const std::vector<std::wstring>& entries, const EntryList& list) {
  return list == entries;
}

}  // namespace vk
