#pragma once

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "conversion/markers.h"
#include "platform/rich_text_box.h"

// The document model the surfaces share: paragraphs of runs. The RTF reader builds it and the
// RTF writer writes it, for the headless surface and for any other surface that maps its own
// document onto it.
namespace scrivlet {

// A face name as the formats hold it: a pointer to one immutable copy of the name that every
// format with the face shares (the RTF reader gives all runs of one font-table entry the same
// copy), so a format is not a string wider than its other fields together. The default face,
// Arial, is the null pointer and allocates nothing. Copies share the name, counted atomically:
// a copy of a document may go to another thread. Compares by name, whatever the copy.
class FaceName {
 public:
  static constexpr std::string_view kDefault = "Arial";

  FaceName() noexcept = default;
  // A copy of `name`; "Arial" allocates nothing.
  FaceName(std::string_view name);  // NOLINT(google-explicit-constructor): a face is its name
  FaceName(const FaceName& other) noexcept : rep_(other.rep_) {
    if (rep_ != nullptr) {
      rep_->references.fetch_add(1, std::memory_order_relaxed);
    }
  }
  FaceName(FaceName&& other) noexcept : rep_(std::exchange(other.rep_, nullptr)) {}
  FaceName& operator=(FaceName other) noexcept {
    std::swap(rep_, other.rep_);
    return *this;
  }
  FaceName& operator=(std::string_view name) { return *this = FaceName(name); }
  ~FaceName() { Release(); }

  std::string_view view() const noexcept { return rep_ != nullptr ? rep_->name : kDefault; }
  std::string str() const { return std::string(view()); }

  friend bool operator==(const FaceName& a, const FaceName& b) noexcept {
    return a.rep_ == b.rep_ || a.view() == b.view();
  }
  friend bool operator==(const FaceName& a, std::string_view b) noexcept { return a.view() == b; }

 private:
  struct Rep {
    std::atomic<std::size_t> references{1};
    const std::string name;
  };
  void Release() noexcept;

  Rep* rep_ = nullptr;
};

struct CharFormat {
  FaceName face;
  std::int32_t halfPoints = 24;
  std::int32_t color = 0;  // platform order 0x00BBGGRR
  bool bold = false;
  bool italic = false;
  bool underline = false;

  bool operator==(const CharFormat&) const = default;
};

struct ParaFormat {
  Alignment alignment = Alignment::kLeft;
  std::int32_t indent = 0;       // twips, left, not counting the bullet's indent
  std::int32_t rightIndent = 0;  // twips
  bool bullet = false;

  bool operator==(const ParaFormat&) const = default;
};

struct TextRun {
  CharFormat format;
  std::u16string text;  // never empty in a document; no paragraph breaks
};

// Where each run of a paragraph ends: an index that a paragraph of many runs builds when it is
// first searched (FindRun), so that finding the run at an offset is a binary search instead of a
// walk of the runs. The functions below that change runs keep it; code that changes `runs`
// itself calls Paragraph::ForgetRunEnds (the index also notices when the runs were reallocated
// or their count changed). A copy of a paragraph starts without it. Building it changes a const
// paragraph: one paragraph is not searched from two threads at once.
class RunEnds {
 public:
  RunEnds() = default;
  RunEnds(const RunEnds&) {}
  RunEnds& operator=(const RunEnds&) {
    Forget();
    return *this;
  }
  RunEnds(RunEnds&&) noexcept = default;
  RunEnds& operator=(RunEnds&&) noexcept = default;
  ~RunEnds() = default;

  // The index of `runs`, built when missing or out of date; null for a paragraph of a few runs,
  // which a walk finds as fast.
  const std::vector<std::int32_t>* Of(const std::vector<TextRun>& runs) const;
  // The index when it is kept for `runs`, else null (nothing is built).
  std::vector<std::int32_t>* Kept(const std::vector<TextRun>& runs) const;
  // Run `run` grew by `delta` characters, the runs' count the same.
  void Shift(const std::vector<TextRun>& runs, std::size_t run, std::int32_t delta);
  // Run `run` of an index that was kept was split in two; `headEnd` is where its first part
  // ends now.
  void Split(const std::vector<TextRun>& runs, std::size_t run, std::int32_t headEnd);
  // Runs from `run` on of an index that was kept changed: counted again from the runs (after
  // runs were dropped from the end, `run` is the count left).
  void Recount(const std::vector<TextRun>& runs, std::size_t run);
  void Forget() { ends_.reset(); }

 private:
  struct Index {
    std::vector<std::int32_t> ends;
    const TextRun* data = nullptr;  // the runs it was built for
  };
  mutable std::unique_ptr<Index> ends_;
};

struct Paragraph {
  ParaFormat format;
  std::vector<TextRun> runs;  // adjacent runs always differ in format
  // The format of the paragraph mark: what the caret takes in an empty paragraph.
  CharFormat mark;
  RunEnds runEnds = {};

  std::int32_t Length() const;
  void ForgetRunEnds() { runEnds.Forget(); }
};

// A document: at least one paragraph; paragraph i ends with a break unless it is the last.
struct RichDocument {
  std::vector<Paragraph> paragraphs;
};

// A paragraph of a ParagraphList, one to an allocation. Equal paragraphs that the RTF reader
// finds close together (a page's empty lines, or a hostile page's million copies of one line)
// share one object until one of them changes: 2 M one-word paragraphs hold one paragraph and
// 2 M pointers, not 2 M paragraphs. Reading goes through * and ->, which never unshare;
// changing goes through Mutable, which copies a shared paragraph first, so that a change never
// reaches the paragraphs it was shared with. Move-only; Share makes another handle. A handle
// moved from holds nothing and is only assigned to or destroyed.
class SharedParagraph {
 public:
  explicit SharedParagraph(Paragraph paragraph);
  SharedParagraph(SharedParagraph&& other) noexcept : node_(std::exchange(other.node_, nullptr)) {}
  SharedParagraph& operator=(SharedParagraph&& other) noexcept {
    std::swap(node_, other.node_);
    return *this;
  }
  SharedParagraph(const SharedParagraph&) = delete;
  SharedParagraph& operator=(const SharedParagraph&) = delete;
  ~SharedParagraph() { Release(); }

  // Another handle on the same paragraph.
  SharedParagraph Share() const;

  const Paragraph& operator*() const { return node_->value; }
  const Paragraph* operator->() const { return &node_->value; }
  // The paragraph to change, made this handle's own first when it is shared.
  Paragraph& Mutable();
  // Whether the handle holds a paragraph (one moved from does not).
  explicit operator bool() const { return node_ != nullptr; }
  // Whether another handle holds the same paragraph.
  bool Shared() const { return node_->references.load(std::memory_order_acquire) != 1; }

 private:
  struct Node {
    explicit Node(Paragraph paragraph) : value(std::move(paragraph)) {}
    std::atomic<std::size_t> references{1};
    Paragraph value;
  };
  explicit SharedParagraph(Node* node) : node_(node) {}
  void Release() noexcept;

  Node* node_ = nullptr;
};

// Paragraphs one to a handle: inserting or erasing one moves the pointers after it, not the
// paragraphs (Enter at the start of a page of many paragraphs). Never holds an empty handle.
using ParagraphList = std::vector<SharedParagraph>;

// Room for `more` items in a vector, grown by doubling as an insertion would grow it, but taken
// before the first change of an edit: running out of memory then leaves the list as it was.
template <typename List>
void MakeRoom(List& list, std::size_t more) {
  if (list.capacity() - list.size() < more) {
    list.reserve(std::max(list.size() + more, 2 * list.capacity()));
  }
}

// Which marker run text in this format belongs to.
inline MarkerKind MarkerKindOf(const CharFormat& format) {
  return ClassifyMarker(format.italic, format.underline, format.color);
}

// A run of a paragraph and the offset it starts at.
struct RunSpot {
  std::size_t run;  // the run count past the text
  std::int32_t start;
};

// The run holding the character at `offset`; past the text, the run count and the length.
RunSpot FindRun(const Paragraph& paragraph, std::int32_t offset);

// Splits a paragraph's runs so that a run begins at `offset`; returns that run's index (the run
// count when the offset is the paragraph's end).
std::size_t SplitRunsAt(Paragraph& paragraph, std::int32_t offset);

// Replaces the characters between two offsets of a paragraph by `inserted` (runs without a
// paragraph break), in place, joining equal formats at the seams. A replacement inside a run of
// its own format changes that run's text alone.
void ReplaceRuns(Paragraph& paragraph, std::int32_t from, std::int32_t to,
                 std::vector<TextRun> inserted);

// Appends text in a format to a paragraph, joining the last run when the format is the same.
void AppendText(Paragraph& paragraph, const CharFormat& format, std::u16string_view text);

// Appends runs, joining equal formats at the seam and dropping empty runs.
void AppendRuns(Paragraph& paragraph, const std::vector<TextRun>& runs);
// The same, moving the runs in (the paragraph's index, when kept, is extended, not rebuilt).
void AppendRuns(Paragraph& paragraph, std::vector<TextRun>&& runs);

// Replaces the text between offset `from` of paragraph `first` and offset `to` of paragraph
// `last` (the breaks between them included) by `pieces`, at least one: the first piece's runs go
// on after the text before `from`, in a paragraph that takes the first piece's format and mark;
// the last piece's runs go before the text after `to`, in a paragraph that takes the last
// piece's format and mark (one piece: one paragraph, that piece's); the pieces between are
// paragraphs of their own. Equal formats are joined at the seams. Returns what the range held in
// the same form, which spliced back restores the paragraphs exactly.
//
// Runs are moved, never copied, and a paragraph that keeps its place keeps its object: splitting
// a paragraph costs the runs after the split (at its start, nothing), joining two the runs of the
// second (the first empty, nothing), whatever the paragraphs' length.
std::vector<Paragraph> SpliceParagraphs(ParagraphList& paragraphs, std::size_t first,
                                        std::int32_t from, std::size_t last, std::int32_t to,
                                        std::vector<Paragraph> pieces);

// Copies of the runs of a paragraph between two offsets, cut at them.
std::vector<TextRun> RunsBetween(const Paragraph& paragraph, std::int32_t from, std::int32_t to);

// The code unit at `offset` of a paragraph's text; u'\n' (its break) past the text.
char16_t UnitAt(const Paragraph& paragraph, std::int32_t offset);

}  // namespace scrivlet
