#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>

namespace scrivlet {

// A text handed over a piece at a time, so that a large text need never exist whole: its writer
// makes the next piece when the reader asks for it. The pieces in order are the text; where one
// ends is the writer's choice and changes nothing the reader makes of the text.
class PieceSource {
 public:
  virtual ~PieceSource() = default;

  // The next piece, valid until the next call of Next or Rewind; empty once the text has ended
  // (no piece before the end is empty).
  virtual std::string_view Next() = 0;
  // Starts the text again at its first piece: a reader that finds it cannot go on a piece at a
  // time reads the whole text again.
  virtual void Rewind() = 0;
  // The whole text's size in bytes, known before its pieces are made (a reader sizes its output
  // by it); 0 when unknown.
  virtual std::size_t Size() const = 0;
};

// A text a reader takes either whole, as one piece, or from a PieceSource. It refers to the text
// or the source it is made from, which must outlive it.
class TextPieces {
 public:
  TextPieces(std::string_view whole) : whole_(whole) {}    // NOLINT: a text is its one piece
  TextPieces(const std::string& whole) : whole_(whole) {}  // NOLINT
  TextPieces(const char* whole) : whole_(whole) {}         // NOLINT
  TextPieces(PieceSource& source) : source_(&source) {}    // NOLINT

  // The source, or null for a text given whole.
  PieceSource* Source() const { return source_; }
  // The text given whole; empty for a source.
  std::string_view Whole() const { return whole_; }

 private:
  std::string_view whole_;
  PieceSource* source_ = nullptr;
};

// A text held as one string, owned: a PieceSource of one piece.
class OwnedTextSource final : public PieceSource {
 public:
  explicit OwnedTextSource(std::string text) : text_(std::move(text)) {}

  std::string_view Next() override {
    const bool first = !given_;
    given_ = true;
    return first ? std::string_view(text_) : std::string_view();
  }
  void Rewind() override { given_ = false; }
  std::size_t Size() const override { return text_.size(); }

 private:
  std::string text_;
  bool given_ = false;
};

}  // namespace scrivlet
