#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/document/rich_document.h"
#include "platform/rich_text_box.h"

namespace scrivlet {

// The reference editing surface: the document in memory, no display. Every operation has the
// semantics the RichTextBox interface documents; hosts without a display, the command-line tool
// and the tests use it.
//
// Cost: an edit or a formatting change rebuilds only the paragraphs it touches, and finding a
// position walks paragraph lengths, never the characters of other paragraphs.
class MemoryRichTextBox final : public RichTextBox {
 public:
  MemoryRichTextBox();

  std::string TextRTF() const override;
  void SetTextRTF(std::string_view rtf) override;
  std::u16string Text() const override;

  std::int32_t SelStart() const override { return selStart_; }
  void SetSelStart(std::int32_t start) override;
  std::int32_t SelLength() const override { return selLength_; }
  void SetSelLength(std::int32_t length) override;
  std::u16string SelText() const override;
  void SetSelText(std::u16string_view text) override;
  std::string SelRTF() const override;
  void SetSelRTF(std::string_view rtf) override;

  std::optional<bool> SelBold() const override;
  void SetSelBold(bool bold) override;
  std::optional<bool> SelItalic() const override;
  void SetSelItalic(bool italic) override;
  std::optional<bool> SelUnderline() const override;
  void SetSelUnderline(bool underline) override;
  std::optional<std::int32_t> SelColor() const override;
  void SetSelColor(std::int32_t color) override;
  std::optional<std::string> SelFontName() const override;
  void SetSelFontName(std::string_view face) override;
  std::optional<double> SelFontSize() const override;
  void SetSelFontSize(double points) override;

  std::optional<bool> SelBullet() const override;
  void SetSelBullet(bool bullet) override;
  std::optional<Alignment> SelAlignment() const override;
  void SetSelAlignment(Alignment alignment) override;
  std::optional<std::int32_t> SelIndent() const override;
  void SetSelIndent(std::int32_t twips) override;
  std::optional<std::int32_t> SelRightIndent() const override;
  void SetSelRightIndent(std::int32_t twips) override;

  std::string FontName() const override { return fontName_; }
  void SetFontName(std::string_view face) override;
  double FontSize() const override { return fontSize_; }
  void SetFontSize(double points) override;
  std::int32_t BackColor() const override { return backColor_; }
  void SetBackColor(std::int32_t color) override { backColor_ = color; }
  std::int32_t BulletIndent() const override { return bulletIndent_; }
  void SetBulletIndent(std::int32_t twips) override { bulletIndent_ = twips; }

  std::int32_t Width() const override { return width_; }
  void Move(std::int32_t left, std::int32_t top, std::int32_t width, std::int32_t height) override;

  bool CanUndo() const override { return undo_.has_value(); }
  void Undo() override;
  void EmptyUndoBuffer() override { undo_.reset(); }

  void SetFocus() override;
  void SetSelChangeHandler(std::function<void()> handler) override {
    selChange_ = std::move(handler);
  }
  void SetGotFocusHandler(std::function<void()> handler) override {
    gotFocus_ = std::move(handler);
  }

  // The placement last given to Move, in twips.
  std::int32_t Left() const { return left_; }
  std::int32_t Top() const { return top_; }
  std::int32_t Height() const { return height_; }
  // The document as the surface holds it.
  const RichDocument& Document() const { return document_; }

 private:
  struct Location {
    std::size_t paragraph;
    std::int32_t offset;  // within the paragraph; its length means "at the break"
  };
  struct UndoRecord {
    std::size_t first;  // first paragraph replaced
    std::size_t count;  // paragraphs that replaced them
    std::vector<Paragraph> old;
    std::int32_t selStart;
    std::int32_t selLength;
  };
  using CharChange = std::function<void(CharFormat&)>;
  using ParaChange = std::function<void(ParaFormat&)>;

  std::int32_t ParagraphStart(std::size_t index) const;
  std::int32_t TextLength() const;
  Location Locate(std::int32_t position) const;
  std::int32_t AdjustBoundary(std::int32_t position) const;
  char16_t UnitAt(const Paragraph& paragraph, std::int32_t offset) const;
  const CharFormat& FormatAt(const Paragraph& paragraph, std::int32_t offset) const;
  CharFormat InsertionFormat() const;
  CharFormat DefaultFormat() const;
  std::pair<std::size_t, std::size_t> TouchedParagraphs() const;

  RichDocument Slice(std::int32_t from, std::int32_t to) const;
  std::int32_t Splice(std::int32_t from, std::int32_t to, RichDocument fragment);
  void ReplaceParagraphs(std::size_t first, std::size_t last, std::vector<Paragraph> replacement);
  void ChangeCharacters(const CharChange& change);
  void ChangeParagraphs(const ParaChange& change);

  template <typename T, typename Get>
  std::optional<T> ReadCharacters(Get get) const;
  template <typename T, typename Get>
  std::optional<T> ReadParagraphs(Get get) const;

  void SetSelection(std::int32_t start, std::int32_t length);
  void RaiseSelChange();

  RichDocument document_;
  // Start positions of the paragraphs; the first `validStarts_` are up to date.
  mutable std::vector<std::int32_t> starts_;
  mutable std::size_t validStarts_ = 0;

  std::int32_t selStart_ = 0;
  std::int32_t selLength_ = 0;
  std::optional<CharFormat> typingFormat_;
  std::optional<UndoRecord> undo_;

  std::string fontName_ = "Arial";
  double fontSize_ = 12.0;
  std::int32_t backColor_ = 0xFFFFFF;
  std::int32_t bulletIndent_ = 360;
  std::int32_t left_ = 0;
  std::int32_t top_ = 0;
  std::int32_t width_ = 9600;
  std::int32_t height_ = 4800;

  std::function<void()> selChange_;
  std::function<void()> gotFocus_;
};

}  // namespace scrivlet
