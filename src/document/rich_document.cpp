#include "document/rich_document.h"

#include <algorithm>
#include <utility>

namespace scrivlet {

namespace {

// Below this many runs a walk finds a run as fast as the index would.
constexpr std::size_t kIndexedRuns = 16;

// Joins adjacent runs of the same format and drops empty ones among runs `from` to `to` - 1,
// and those with their neighbours; the other runs are left where they are. Returns the first
// run that changed.
std::size_t NormalizeBetween(std::vector<TextRun>& runs, std::size_t from, std::size_t to) {
  from = from > 0 ? from - 1 : 0;
  to = std::min(to + 1, runs.size());
  std::size_t kept = from;
  for (std::size_t r = from; r < to; ++r) {
    if (runs[r].text.empty()) {
      continue;
    }
    if (kept > from && runs[kept - 1].format == runs[r].format) {
      runs[kept - 1].text += runs[r].text;
      continue;
    }
    if (kept != r) {
      runs[kept] = std::move(runs[r]);
    }
    ++kept;
  }
  runs.erase(runs.begin() + static_cast<std::ptrdiff_t>(kept),
             runs.begin() + static_cast<std::ptrdiff_t>(to));
  return from;
}

// The text of a run split at `head`: the run keeps the part before, the part after is returned.
// The shorter part is the one copied; the run's buffer goes on with the longer one, so that a
// split near either end of a long run copies little and leaves no unused buffer behind.
std::u16string SplitText(std::u16string& text, std::size_t head) {
  if (head <= text.size() / 2) {
    std::u16string front = text.substr(0, head);
    text.erase(0, head);
    std::swap(front, text);
    return front;
  }
  std::u16string tail = text.substr(head);
  text.resize(head);
  return tail;
}

// How many runs hold text from `offset` on.
std::size_t RunsFrom(const Paragraph& paragraph, std::int32_t offset) {
  return paragraph.runs.size() - FindRun(paragraph, offset).run;
}

// Moves the text from `offset` on out of a paragraph, as runs; the index, when kept, keeps the
// runs that stay. The runs after the split are moved once, never shifted.
std::vector<TextRun> TakeRunsFrom(Paragraph& paragraph, std::int32_t offset) {
  std::vector<TextRun>& runs = paragraph.runs;
  const RunSpot spot = FindRun(paragraph, offset);
  std::vector<TextRun> taken;
  if (spot.run == runs.size()) {
    return taken;
  }
  const bool indexed = paragraph.runEnds.Kept(runs) != nullptr;
  taken.reserve(runs.size() - spot.run);
  std::size_t whole = spot.run;
  if (offset > spot.start) {
    TextRun& run = runs[spot.run];
    taken.push_back(
        {run.format, SplitText(run.text, static_cast<std::size_t>(offset - spot.start))});
    ++whole;
  }
  const auto at = runs.begin() + static_cast<std::ptrdiff_t>(whole);
  taken.insert(taken.end(), std::make_move_iterator(at), std::make_move_iterator(runs.end()));
  runs.erase(at, runs.end());
  if (indexed) {
    paragraph.runEnds.Recount(runs, spot.run);
  }
  return taken;
}

// Moves the text before `offset` out of a paragraph, as runs, and puts `replacement` in its
// place, joined at the seam. The runs after it are shifted once.
std::vector<TextRun> SwapRunsBefore(Paragraph& paragraph, std::int32_t offset,
                                    std::vector<TextRun> replacement) {
  std::vector<TextRun>& runs = paragraph.runs;
  const RunSpot spot = FindRun(paragraph, offset);
  std::vector<TextRun> taken;
  if (offset <= 0 && replacement.empty()) {
    return taken;  // nothing changes, and the index holds
  }
  taken.reserve(spot.run + 1);
  taken.insert(taken.end(), std::make_move_iterator(runs.begin()),
               std::make_move_iterator(runs.begin() + static_cast<std::ptrdiff_t>(spot.run)));
  if (spot.run < runs.size() && offset > spot.start) {
    TextRun& run = runs[spot.run];
    std::u16string tail = SplitText(run.text, static_cast<std::size_t>(offset - spot.start));
    taken.push_back({run.format, std::move(run.text)});
    run.text = std::move(tail);
  }
  std::erase_if(replacement, [](const TextRun& run) { return run.text.empty(); });
  // The first `spot.run` runs are moved from: the replacement takes as many of their places as
  // it can, and the rest go or are made.
  const std::size_t gone = spot.run;
  const std::size_t kept = std::min(gone, replacement.size());
  const auto begin = runs.begin();
  runs.erase(begin, begin + static_cast<std::ptrdiff_t>(gone - kept));
  std::move(replacement.begin(), replacement.begin() + static_cast<std::ptrdiff_t>(kept),
            runs.begin());
  runs.insert(runs.begin() + static_cast<std::ptrdiff_t>(kept),
              std::make_move_iterator(replacement.begin() + static_cast<std::ptrdiff_t>(kept)),
              std::make_move_iterator(replacement.end()));
  NormalizeBetween(runs, replacement.size(), replacement.size());
  paragraph.ForgetRunEnds();
  return taken;
}

// Gives `paragraph` the format and mark of `piece`.
void TakeFormats(Paragraph& paragraph, Paragraph& piece) {
  paragraph.format = piece.format;
  paragraph.mark = std::move(piece.mark);
}

}  // namespace

// ----- Face names -----

FaceName::FaceName(std::string_view name) {
  if (name != kDefault) {
    rep_ = new Rep{.name = std::string(name)};
  }
}

SharedParagraph::SharedParagraph(Paragraph paragraph) : node_(new Node(std::move(paragraph))) {}

SharedParagraph SharedParagraph::Share() const {
  node_->references.fetch_add(1, std::memory_order_relaxed);
  return SharedParagraph(node_);
}

Paragraph& SharedParagraph::Mutable() {
  if (node_->references.load(std::memory_order_acquire) != 1) {
    Node* own = new Node(node_->value);
    Release();
    node_ = own;
  }
  return node_->value;
}

void SharedParagraph::Release() noexcept {
  if (node_ != nullptr && node_->references.fetch_sub(1, std::memory_order_acq_rel) == 1) {
    delete node_;
  }
  node_ = nullptr;
}

void FaceName::Release() noexcept {
  if (rep_ != nullptr && rep_->references.fetch_sub(1, std::memory_order_acq_rel) == 1) {
    delete rep_;
  }
}

// ----- The run index -----

std::vector<std::int32_t>* RunEnds::Kept(const std::vector<TextRun>& runs) const {
  if (ends_ && ends_->data == runs.data() && ends_->ends.size() == runs.size()) {
    return &ends_->ends;
  }
  return nullptr;
}

const std::vector<std::int32_t>* RunEnds::Of(const std::vector<TextRun>& runs) const {
  if (runs.size() <= kIndexedRuns) {
    return nullptr;
  }
  if (std::vector<std::int32_t>* kept = Kept(runs)) {
    return kept;
  }
  if (!ends_) {
    ends_ = std::make_unique<Index>();
  }
  ends_->data = runs.data();
  ends_->ends.resize(runs.size());
  std::int32_t at = 0;
  for (std::size_t i = 0; i < runs.size(); ++i) {
    at += static_cast<std::int32_t>(runs[i].text.size());
    ends_->ends[i] = at;
  }
  return &ends_->ends;
}

void RunEnds::Shift(const std::vector<TextRun>& runs, std::size_t run, std::int32_t delta) {
  if (std::vector<std::int32_t>* ends = Kept(runs)) {
    for (std::size_t i = run; i < ends->size(); ++i) {
      (*ends)[i] += delta;
    }
  }
}

void RunEnds::Split(const std::vector<TextRun>& runs, std::size_t run, std::int32_t headEnd) {
  ends_->ends.insert(ends_->ends.begin() + static_cast<std::ptrdiff_t>(run), headEnd);
  ends_->data = runs.data();
}

void RunEnds::Recount(const std::vector<TextRun>& runs, std::size_t run) {
  std::vector<std::int32_t>& ends = ends_->ends;
  ends.resize(runs.size());
  std::int32_t at = run > 0 ? ends[run - 1] : 0;
  for (std::size_t i = run; i < runs.size(); ++i) {
    at += static_cast<std::int32_t>(runs[i].text.size());
    ends[i] = at;
  }
  ends_->data = runs.data();
}

// ----- Paragraphs -----

std::int32_t Paragraph::Length() const {
  if (const std::vector<std::int32_t>* ends = runEnds.Kept(runs)) {
    return ends->empty() ? 0 : ends->back();
  }
  std::size_t length = 0;
  for (const TextRun& run : runs) {
    length += run.text.size();
  }
  return static_cast<std::int32_t>(length);
}

RunSpot FindRun(const Paragraph& paragraph, std::int32_t offset) {
  const std::vector<TextRun>& runs = paragraph.runs;
  if (const std::vector<std::int32_t>* ends = paragraph.runEnds.Of(runs)) {
    const auto holder = std::upper_bound(ends->begin(), ends->end(), offset);
    const auto run = static_cast<std::size_t>(holder - ends->begin());
    if (run == runs.size()) {
      return {run, ends->back()};
    }
    return {run, run > 0 ? (*ends)[run - 1] : 0};
  }
  std::int32_t at = 0;
  for (std::size_t i = 0; i < runs.size(); ++i) {
    const auto length = static_cast<std::int32_t>(runs[i].text.size());
    if (offset < at + length) {
      return {i, at};
    }
    at += length;
  }
  return {runs.size(), at};
}

std::size_t SplitRunsAt(Paragraph& paragraph, std::int32_t offset) {
  std::vector<TextRun>& runs = paragraph.runs;
  const RunSpot spot = FindRun(paragraph, std::max(offset, 0));
  if (spot.run == runs.size() || offset <= spot.start) {
    return spot.run;
  }
  const bool indexed = paragraph.runEnds.Kept(runs) != nullptr;
  const auto head = static_cast<std::size_t>(offset - spot.start);
  TextRun tail{runs[spot.run].format, SplitText(runs[spot.run].text, head)};
  runs.insert(runs.begin() + static_cast<std::ptrdiff_t>(spot.run) + 1, std::move(tail));
  if (indexed) {
    paragraph.runEnds.Split(runs, spot.run, offset);
  } else {
    paragraph.ForgetRunEnds();
  }
  return spot.run + 1;
}

void ReplaceRuns(Paragraph& paragraph, std::int32_t from, std::int32_t to,
                 std::vector<TextRun> inserted) {
  std::vector<TextRun>& runs = paragraph.runs;
  const RunSpot spot = FindRun(paragraph, from);
  // The runs that may hold the change and keep text after it: at a seam, the run before it
  // first (typing goes on in the format before the caret), then the run that follows.
  const bool sameFormatText =
      inserted.empty() || (inserted.size() == 1 && !inserted.front().text.empty());
  if (sameFormatText) {
    RunSpot candidates[2];
    std::size_t count = 0;
    if (from == to && spot.start == from && spot.run > 0) {
      const auto before = static_cast<std::int32_t>(runs[spot.run - 1].text.size());
      candidates[count++] = {spot.run - 1, from - before};
    }
    if (spot.run < runs.size()) {
      candidates[count++] = spot;
    }
    for (std::size_t c = 0; c < count; ++c) {
      TextRun& run = runs[candidates[c].run];
      const std::int32_t at = candidates[c].start;
      const auto length = static_cast<std::int32_t>(run.text.size());
      const bool holds = from >= at && to <= at + length && (from == to || to - from < length);
      if (!holds || !(inserted.empty() || inserted.front().format == run.format)) {
        continue;
      }
      const std::u16string_view text =
          inserted.empty() ? std::u16string_view() : inserted.front().text;
      run.text.replace(static_cast<std::size_t>(from - at), static_cast<std::size_t>(to - from),
                       text);
      paragraph.runEnds.Shift(runs, candidates[c].run,
                              static_cast<std::int32_t>(text.size()) - (to - from));
      return;
    }
  }
  const bool indexed = paragraph.runEnds.Kept(runs) != nullptr;
  const std::size_t begin = SplitRunsAt(paragraph, from);
  const std::size_t end = SplitRunsAt(paragraph, to);
  const std::size_t count = inserted.size();
  runs.erase(runs.begin() + static_cast<std::ptrdiff_t>(begin),
             runs.begin() + static_cast<std::ptrdiff_t>(end));
  runs.insert(runs.begin() + static_cast<std::ptrdiff_t>(begin),
              std::make_move_iterator(inserted.begin()), std::make_move_iterator(inserted.end()));
  const std::size_t changed = NormalizeBetween(runs, begin, begin + count);
  if (indexed) {
    paragraph.runEnds.Recount(runs, changed);
  } else {
    paragraph.ForgetRunEnds();
  }
}

void AppendText(Paragraph& paragraph, const CharFormat& format, std::u16string_view text) {
  if (text.empty()) {
    return;
  }
  paragraph.ForgetRunEnds();
  if (!paragraph.runs.empty() && paragraph.runs.back().format == format) {
    paragraph.runs.back().text.append(text);
  } else {
    paragraph.runs.push_back({format, std::u16string(text)});
  }
}

void AppendRuns(Paragraph& paragraph, const std::vector<TextRun>& runs) {
  for (const TextRun& run : runs) {
    AppendText(paragraph, run.format, run.text);
  }
}

void AppendRuns(Paragraph& paragraph, std::vector<TextRun>&& runs) {
  std::vector<TextRun>& own = paragraph.runs;
  const bool indexed = paragraph.runEnds.Kept(own) != nullptr;
  const std::size_t changed = own.empty() ? 0 : own.size() - 1;
  MakeRoom(own, runs.size());
  for (TextRun& run : runs) {
    if (run.text.empty()) {
      continue;
    }
    if (!own.empty() && own.back().format == run.format) {
      // The shorter text is the one copied.
      std::u16string& last = own.back().text;
      if (run.text.size() > last.size()) {
        run.text.insert(0, last);
        last = std::move(run.text);
      } else {
        last += run.text;
      }
    } else {
      own.push_back(std::move(run));
    }
  }
  if (indexed) {
    paragraph.runEnds.Recount(own, changed);
  } else {
    paragraph.ForgetRunEnds();
  }
}

std::vector<Paragraph> SpliceParagraphs(ParagraphList& paragraphs, std::size_t first,
                                        std::int32_t from, std::size_t last, std::int32_t to,
                                        std::vector<Paragraph> pieces) {
  const auto at = [&paragraphs](std::size_t index) {
    return paragraphs.begin() + static_cast<std::ptrdiff_t>(index);
  };
  // The paragraphs between the first and last piece, allocated before anything changes.
  ParagraphList between;
  between.reserve(pieces.size());
  for (std::size_t i = 1; i + 1 < pieces.size(); ++i) {
    between.emplace_back(std::move(pieces[i]));
  }
  MakeRoom(paragraphs, pieces.size());
  // A paragraph shared with an equal one is made its own before anything changes.
  Paragraph& opening = paragraphs[first].Mutable();
  Paragraph& front = pieces.front();
  Paragraph& back = pieces.back();
  std::vector<Paragraph> was;
  if (first == last) {
    was.push_back(Paragraph{opening.format, RunsBetween(opening, from, to), opening.mark});
    if (pieces.size() == 1) {
      ReplaceRuns(opening, from, to, std::move(front.runs));
      TakeFormats(opening, front);
      return was;
    }
    if (to > from) {
      ReplaceRuns(opening, from, to, {});
    }
    // The shorter side of the split moves to a new paragraph; the paragraph stays with the
    // longer one (Enter at its start moves no run).
    if (FindRun(opening, from).run <= RunsFrom(opening, from)) {
      SharedParagraph head(std::move(front));
      Paragraph& made = head.Mutable();
      std::vector<TextRun> inserted = std::move(made.runs);
      made.runs = SwapRunsBefore(opening, from, std::move(back.runs));
      AppendRuns(made, std::move(inserted));
      TakeFormats(opening, back);
      between.insert(between.begin(), std::move(head));
      paragraphs.insert(at(first), std::make_move_iterator(between.begin()),
                        std::make_move_iterator(between.end()));
      return was;
    }
    SharedParagraph tail(std::move(back));
    AppendRuns(tail.Mutable(), TakeRunsFrom(opening, from));
    AppendRuns(opening, std::move(front.runs));
    TakeFormats(opening, front);
    between.push_back(std::move(tail));
    paragraphs.insert(at(first + 1), std::make_move_iterator(between.begin()),
                      std::make_move_iterator(between.end()));
    return was;
  }
  Paragraph& closing = paragraphs[last].Mutable();
  for (std::size_t i = first + 1; i < last; ++i) {
    paragraphs[i].Mutable();
  }
  was.reserve(last - first + 1);
  was.push_back(Paragraph{opening.format, TakeRunsFrom(opening, from), opening.mark});
  for (std::size_t i = first + 1; i < last; ++i) {
    was.push_back(std::move(paragraphs[i].Mutable()));
  }
  was.push_back(Paragraph{closing.format, {}, closing.mark});
  if (pieces.size() > 1) {
    AppendRuns(opening, std::move(front.runs));
    TakeFormats(opening, front);
    was.back().runs = SwapRunsBefore(closing, to, std::move(back.runs));
    TakeFormats(closing, back);
    paragraphs.erase(at(first + 1), at(last));
    paragraphs.insert(at(first + 1), std::make_move_iterator(between.begin()),
                      std::make_move_iterator(between.end()));
    return was;
  }
  // A join: the paragraph with more runs after the range stays, the other side moves into it
  // (undoing Enter at a paragraph's start moves no run).
  AppendRuns(opening, std::move(front.runs));
  if (opening.runs.size() <= RunsFrom(closing, to)) {
    was.back().runs = SwapRunsBefore(closing, to, std::move(opening.runs));
    TakeFormats(closing, front);
    paragraphs.erase(at(first), at(last));
    return was;
  }
  AppendRuns(opening, TakeRunsFrom(closing, to));
  was.back().runs = std::move(closing.runs);
  TakeFormats(opening, front);
  paragraphs.erase(at(first + 1), at(last + 1));
  return was;
}

std::vector<TextRun> RunsBetween(const Paragraph& paragraph, std::int32_t from, std::int32_t to) {
  std::vector<TextRun> runs;
  if (from >= to) {
    return runs;
  }
  const RunSpot spot = FindRun(paragraph, from);
  std::int32_t at = spot.start;
  for (std::size_t r = spot.run; r < paragraph.runs.size() && at < to; ++r) {
    const TextRun& run = paragraph.runs[r];
    const auto length = static_cast<std::int32_t>(run.text.size());
    const std::int32_t begin = std::max(from, at);
    const std::int32_t end = std::min(to, at + length);
    if (begin < end) {
      runs.push_back({run.format, run.text.substr(static_cast<std::size_t>(begin - at),
                                                  static_cast<std::size_t>(end - begin))});
    }
    at += length;
  }
  return runs;
}

char16_t UnitAt(const Paragraph& paragraph, std::int32_t offset) {
  const RunSpot spot = FindRun(paragraph, offset);
  if (spot.run == paragraph.runs.size() || offset < 0) {
    return u'\n';
  }
  return paragraph.runs[spot.run].text[static_cast<std::size_t>(offset - spot.start)];
}

}  // namespace scrivlet
