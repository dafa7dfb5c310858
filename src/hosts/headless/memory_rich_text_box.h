#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "document/paragraph_surface.h"
#include "document/rich_document.h"

namespace scrivlet {

// The reference editing surface: the document in memory, no display. Every operation has the
// semantics the RichTextBox interface documents; hosts without a display, the command-line tool
// and the tests use it.
//
// Cost: an edit or a formatting change rebuilds only the paragraphs it touches; typing, Enter and
// a paste of lines edit a paragraph in place or split it by moving the runs of its shorter side;
// finding a position is a binary search of the paragraphs' starts, which every write keeps up to
// date.
class MemoryRichTextBox final : public ParagraphSurface {
 public:
  MemoryRichTextBox();

  std::string TextRTF() const override;
  std::unique_ptr<PieceSource> TextRTFPieces() const override;
  void SetTextRTF(std::string_view rtf) override;
  std::u16string Text() const override;

  std::int32_t SelStart() const override { return selStart_; }
  std::int32_t SelLength() const override { return selLength_; }

  void SetFontName(std::string_view face) override;
  void SetFontSize(double points) override;
  void SetBackColor(std::int32_t color) override { backColor_ = color; }
  void SetBulletIndent(std::int32_t twips) override { bulletIndent_ = twips; }

  std::int32_t Width() const override { return width_; }
  void Move(std::int32_t left, std::int32_t top, std::int32_t width, std::int32_t height) override;

  void SetFocus() override { RaiseGotFocus(); }

  // The placement last given to Move, in twips.
  std::int32_t Left() const { return left_; }
  std::int32_t Top() const { return top_; }
  std::int32_t Height() const { return height_; }
  // The paragraphs as the surface holds them.
  const ParagraphList& Paragraphs() const { return paragraphs_; }

 private:
  std::size_t ParagraphCount() const override { return paragraphs_.size(); }
  std::int32_t ParagraphStart(std::size_t index) const override { return starts_[index]; }
  std::int32_t ParagraphLength(std::size_t index) const override;
  Location Locate(std::int32_t position) const override;
  char16_t UnitAt(std::int32_t position) const override;
  CharFormat FormatAt(std::size_t paragraph, std::int32_t offset) const override;
  ParaFormat ParagraphFormat(std::size_t index) const override {
    return paragraphs_[index]->format;
  }
  CharFormat ParagraphMark(std::size_t index) const override { return paragraphs_[index]->mark; }
  void VisitRunFormats(std::int32_t from, std::int32_t to,
                       const std::function<bool(const CharFormat&)>& visit) const override;
  std::vector<Paragraph> ReadParagraphs(std::size_t first, std::size_t last) const override;
  void WriteParagraphs(std::size_t first, const std::vector<Paragraph>& old,
                       std::vector<Paragraph> replacement) override;
  void EditParagraph(std::size_t index, const std::function<void(Paragraph&)>& edit) override;
  std::vector<Paragraph> SpliceRange(std::size_t first, std::int32_t from, std::size_t last,
                                     std::int32_t to, std::vector<Paragraph> pieces) override;
  FormatRun RunInParagraph(std::size_t paragraph, std::int32_t offset) const override {
    return StretchAt(*paragraphs_[paragraph], offset);
  }
  void ShowSelection(std::int32_t start, std::int32_t length) override {
    selStart_ = start;
    selLength_ = length;
  }

  // Counts `starts_` and `textLength_` again from the paragraphs (after a load).
  void CountStarts();

  // Behind pointers: Enter at the start of a page of many paragraphs moves the pointers after
  // it, not the paragraphs.
  ParagraphList paragraphs_;
  // Start positions of the paragraphs, kept up to date by every write: a keystroke shifts the
  // later ones by what it added (one pass over integers) instead of summing every later
  // paragraph's runs again.
  std::vector<std::int32_t> starts_;
  std::int32_t textLength_ = 0;

  std::int32_t selStart_ = 0;
  std::int32_t selLength_ = 0;
  std::int32_t left_ = 0;
  std::int32_t top_ = 0;
  std::int32_t width_ = 9600;
  std::int32_t height_ = 4800;
};

}  // namespace scrivlet
