#pragma once

#include <cstddef>
#include <string_view>

namespace scrivlet {

// Finds a needle at or after a position that only moves forward, remembering the last answer:
// when the next search starts at or before that answer, the answer still holds. Scanners that
// ask "where is the next X" at every token stay linear even when X is far away or absent.
class ForwardFinder {
 public:
  ForwardFinder(std::string_view text, std::string_view needle) : text_(text), needle_(needle) {}

  // 0-based position of the first occurrence at or after `from`, or npos.
  std::size_t Find(std::size_t from) {
    if (!valid_ || from < from_ || (found_ != std::string_view::npos && found_ < from)) {
      // A one-character needle, as most are, goes to memchr without the general search's loop.
      found_ = needle_.size() == 1 ? text_.find(needle_[0], from) : text_.find(needle_, from);
      from_ = from;
      valid_ = true;
    }
    return found_;
  }

 private:
  std::string_view text_;
  std::string_view needle_;
  std::size_t from_ = 0;
  std::size_t found_ = std::string_view::npos;
  bool valid_ = false;
};

}  // namespace scrivlet
