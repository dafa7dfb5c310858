#pragma once

#include <cstddef>

// The C library's iconv, owned: the code pages and charsets of documents are converted by it
// rather than by tables of our own.
namespace scrivlet {

// One iconv conversion descriptor, from the charset `from` to the charset `to` (iconv's names,
// "CP932", "UTF-8"). Closed when destroyed; movable, not copyable; not shared between threads.
// Opening fails quietly: IsOpen() tells, and Convert on a closed converter reports kInvalid.
class CharsetConverter {
 public:
  CharsetConverter(const char* to, const char* from);
  ~CharsetConverter();
  CharsetConverter(CharsetConverter&& other) noexcept;
  CharsetConverter& operator=(CharsetConverter&& other) noexcept;
  CharsetConverter(const CharsetConverter&) = delete;
  CharsetConverter& operator=(const CharsetConverter&) = delete;

  bool IsOpen() const;

  enum class Outcome {
    kDone,        // all input converted
    kOutputFull,  // the output buffer is full; call again with more room
    kIncomplete,  // the input ends inside a character
    kInvalid,     // the input holds a byte sequence the charset does not define
  };

  // Converts from `*in` (`*inLeft` bytes) into `*out` (`*outLeft` bytes of room), advancing both
  // past what was converted, as iconv does.
  Outcome Convert(const char** in, std::size_t* inLeft, char** out, std::size_t* outLeft);

  // Writes what a stateful charset holds back (1258 keeps a base letter waiting for a combining
  // mark) and returns to the initial state.
  void Finish(char** out, std::size_t* outLeft);

  // Returns to the initial state, dropping anything held back.
  void Reset();

 private:
  void* handle_;  // an iconv_t, or (void*)-1 when closed
};

}  // namespace scrivlet
