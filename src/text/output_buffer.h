#pragma once

#include <sys/mman.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace scrivlet {

// Takes the finished front of a converter's output while the conversion goes on, so that the
// caller can write it out meanwhile (the command-line tool does, on a second thread). The pieces
// come in order and together are a prefix of the text the conversion returns.
class OutputSink {
 public:
  virtual ~OutputSink() = default;
  // `done` stays readable and unchanged until the next Settle returns.
  virtual void Take(std::string_view done) = 0;
  // Returns once every piece taken is dealt with; the buffer calls it before its memory moves
  // or is freed.
  virtual void Settle() = 0;
};

// The text a converter writes, appended through a cursor into a buffer sized ahead. Through
// std::string every append is a call into the library, whose growth code is compiled there, and
// the converters make several appends for every tag and control word; here an append of a known
// length is a few moves. `append` and `+=` are named as std::string's, so that helpers written
// for either take both.
class OutputBuffer {
 public:
  // Reserves `expected` bytes; past them the capacity doubles, as a std::string's would.
  // `sink`, if any, is handed what is written in steps of four megabytes (few hand-overs, each
  // a wake-up of the caller's writer), up to a Hold; it must outlive the buffer.
  explicit OutputBuffer(std::size_t expected, OutputSink* sink = nullptr) : sink_(sink) {
    buffer_.reserve(expected);
    AdviseHugePages();
  }
  ~OutputBuffer() {
    if (sink_ != nullptr) {
      sink_->Settle();
    }
  }
  OutputBuffer(const OutputBuffer&) = delete;
  OutputBuffer& operator=(const OutputBuffer&) = delete;

  void append(const char* text, std::size_t size) { std::memcpy(Room(size), text, size); }
  void append(std::string_view text) { append(text.data(), text.size()); }
  OutputBuffer& operator+=(std::string_view text) {
    append(text);
    return *this;
  }
  OutputBuffer& operator+=(char c) {
    *Room(1) = c;
    return *this;
  }

  // append() for a short text that has at least 32 bytes readable from `text` (`readable`), as
  // a piece of a converter's input mostly has: copied by a move of 32 bytes, or of 64 for a piece
  // up to that long, without a call.
  void AppendShort(const char* text, std::size_t size, std::size_t readable) {
    const std::size_t room = buffer_.size() - used_;
    if (size <= kShort && readable >= kShort && room >= kShort) {
      std::memcpy(buffer_.data() + used_, text, kShort);
      used_ += size;
    } else if (size <= 2 * kShort && readable >= 2 * kShort && room >= 2 * kShort) {
      std::memcpy(buffer_.data() + used_, text, 2 * kShort);
      used_ += size;
    } else {
      append(text, size);
    }
  }

  // `value` in decimal, with a minus sign when negative: what AppendDecimal writes.
  void AppendDecimal(std::int64_t value) {
    if (value >= 0 && value < 10) {
      *Room(1) = static_cast<char>('0' + value);
      return;
    }
    char text[24];
    char* const end = text + sizeof text;
    char* at = end;
    std::uint64_t magnitude =
        value < 0 ? 0 - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
    do {
      *--at = static_cast<char>('0' + magnitude % 10);
      magnitude /= 10;
    } while (magnitude != 0);
    if (value < 0) {
      *--at = '-';
    }
    append(at, static_cast<std::size_t>(end - at));
  }

  std::size_t size() const { return used_; }
  // What was written from `from` on.
  std::string_view From(std::size_t from) const {
    return std::string_view(buffer_.data() + from, used_ - from);
  }
  // What is written from `from` on may still change (Erase): the sink gets none of it until
  // Release. One hold at a time.
  void Hold(std::size_t from) { hold_ = from; }
  void Release() { hold_ = kNoHold; }

  // Takes back what was written from `from` to `to`; `from` lies at or after a Hold.
  void Erase(std::size_t from, std::size_t to) {
    std::memmove(buffer_.data() + from, buffer_.data() + to, used_ - to);
    used_ -= to - from;
  }

  // Hands over the text written, the buffer's unused end cut off; the buffer is empty after.
  std::string Take() {
    buffer_.resize(used_);
    used_ = 0;
    return std::move(buffer_);
  }

 private:
  char* Room(std::size_t size) {
    if (buffer_.size() - used_ < size) [[unlikely]] {
      Grow(size);
    }
    char* const at = buffer_.data() + used_;
    used_ += size;
    return at;
  }

  // The string's size runs a step ahead of the writes, so that the zeroing a resize does finds
  // the bytes in the cache; past the capacity the string reallocates and doubles it.
  [[gnu::noinline]] void Grow(std::size_t size) {
    const std::size_t wanted = std::max(used_ + size, buffer_.size() + kStep);
    if (sink_ != nullptr) {
      HandFinished();
      if (wanted > buffer_.capacity()) {
        sink_->Settle();  // the text handed over is about to move
      }
    }
    const char* const before = buffer_.data();
    buffer_.resize(wanted);
    if (buffer_.data() != before) {
      AdviseHugePages();
    }
  }

  // Hands the sink what is written and not held, once a step of it has gathered.
  void HandFinished() {
    const std::size_t finished = std::min(used_, hold_);
    if (finished >= handed_ + kHandStep) {
      sink_->Take(std::string_view(buffer_.data() + handed_, finished - handed_));
      handed_ = finished;
    }
  }

  // Asks for huge pages under a large buffer: written into fresh memory a page at a time, a
  // 10 MB page costs some 3,000 page faults, as much time as the conversion itself, and the
  // kernel gives huge pages only where asked. Only the 2 MB-aligned middle qualifies; a refusal
  // changes nothing.
  void AdviseHugePages() {
    constexpr std::uintptr_t kHugePage = std::uintptr_t{2} << 20;
    if (buffer_.capacity() < 2 * kHugePage) {
      return;
    }
    const auto start = reinterpret_cast<std::uintptr_t>(buffer_.data());
    const std::uintptr_t first = (start + kHugePage - 1) & ~(kHugePage - 1);
    const std::uintptr_t last = (start + buffer_.capacity()) & ~(kHugePage - 1);
    if (last > first) {
      madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
    }
  }

  static constexpr std::size_t kShort = 32;
  static constexpr std::size_t kStep = 16384;
  static constexpr std::size_t kHandStep = std::size_t{4} << 20;
  static constexpr std::size_t kNoHold = static_cast<std::size_t>(-1);

  std::string buffer_;  // its size is how far it is zeroed, `used_` how far written
  std::size_t used_ = 0;
  OutputSink* sink_ = nullptr;
  std::size_t handed_ = 0;  // how much of the text the sink has
  std::size_t hold_ = kNoHold;
};

// AppendDecimal and AppendSmallDecimal (text_codec.h) for an OutputBuffer, so that helpers
// written for a std::string take one too.
inline void AppendDecimal(OutputBuffer& out, std::int64_t value) {
  out.AppendDecimal(value);
}
inline void AppendSmallDecimal(OutputBuffer& out, std::int64_t value) {
  out.AppendDecimal(value);
}

}  // namespace scrivlet
