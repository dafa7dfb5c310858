#pragma once

// What random editing sessions check about hyperlinks and pictures after every step, written
// apart from the surface's own rules so that it can judge them: text the user types lands in a
// marker run only where the caret stood inside one, and every anchor of the page is closed and
// holds something.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "document/rich_document.h"

namespace scrivlet::checks {

namespace detail {

struct Neighbours {
  const CharFormat* before = nullptr;
  const CharFormat* after = nullptr;
};

// The formats of the characters either side of `caret` in its paragraph.
inline Neighbours At(const ParagraphList& paragraphs, std::int32_t caret) {
  std::int32_t start = 0;
  for (const SharedParagraph& held : paragraphs) {
    const Paragraph& paragraph = *held;
    const std::int32_t length = paragraph.Length();
    if (caret <= start + length) {
      Neighbours found;
      std::int32_t at = start;
      for (const TextRun& run : paragraph.runs) {
        const auto runLength = static_cast<std::int32_t>(run.text.size());
        if (caret > at && caret <= at + runLength) {
          found.before = &run.format;
        }
        if (caret >= at && caret < at + runLength) {
          found.after = &run.format;
        }
        at += runLength;
      }
      return found;
    }
    start += length + 1;
  }
  return {};
}

}  // namespace detail

// Whether text typed at `caret` may join a marker run: the caret stands between two characters
// of one URL, link text or raw tag, or at the seam between a URL and its link text.
inline bool AimsIntoMarker(const ParagraphList& paragraphs, std::int32_t caret) {
  const detail::Neighbours n = detail::At(paragraphs, caret);
  if (n.before == nullptr || n.after == nullptr) {
    return false;
  }
  const MarkerKind before = MarkerKindOf(*n.before);
  const MarkerKind after = MarkerKindOf(*n.after);
  return (before != MarkerKind::kNone && *n.before == *n.after) ||
         (before == MarkerKind::kUrl && after == MarkerKind::kLinkText);
}

// Whether any of the characters between two positions is in a marker's format.
inline bool HasMarkerText(const ParagraphList& paragraphs, std::int32_t from, std::int32_t to) {
  std::int32_t start = 0;
  for (const SharedParagraph& held : paragraphs) {
    const Paragraph& paragraph = *held;
    std::int32_t at = start;
    for (const TextRun& run : paragraph.runs) {
      const auto runLength = static_cast<std::int32_t>(run.text.size());
      if (at < to && at + runLength > from && MarkerKindOf(run.format) != MarkerKind::kNone) {
        return true;
      }
      at += runLength;
    }
    start = at + 1;
  }
  return false;
}

// The first fault of the anchors in `html` - an <A> never closed, one opened inside another,
// or one with nothing but formatting inside - or the empty string.
inline std::string AnchorFault(std::string_view html) {
  const auto lower = [](std::string_view text) {
    std::string folded(text);
    for (char& c : folded) {
      if (c >= 'A' && c <= 'Z') {
        c = static_cast<char>(c - 'A' + 'a');
      }
    }
    return folded;
  };
  const std::string page = lower(html);
  std::size_t at = 0;
  for (;;) {
    const std::size_t open = page.find("<a ", at);
    if (open == std::string::npos) {
      return {};
    }
    const std::size_t openEnd = page.find('>', open);
    const std::size_t close = page.find("</a>", open);
    if (openEnd == std::string::npos || close == std::string::npos) {
      return "an <A> is never closed: " + std::string(html.substr(open, 80));
    }
    const std::size_t nested = page.find("<a ", openEnd);
    if (nested < close) {
      return "an <A> opens inside another: " + std::string(html.substr(open, 80));
    }
    // What the anchor shows: its text and pictures, without the formatting tags around them.
    std::string inside = page.substr(openEnd + 1, close - openEnd - 1);
    for (const std::string_view tag : {"<u>", "</u>", "<i>", "</i>", "<b>", "</b>", "</font>"}) {
      for (std::size_t found; (found = inside.find(tag)) != std::string::npos;) {
        inside.erase(found, tag.size());
      }
    }
    for (std::size_t font; (font = inside.find("<font")) != std::string::npos;) {
      const std::size_t end = inside.find('>', font);
      inside.erase(font, end == std::string::npos ? std::string::npos : end - font + 1);
    }
    if (inside.empty()) {
      return "an <A> holds nothing: " + std::string(html.substr(open, close + 4 - open));
    }
    at = close + 4;
  }
}

}  // namespace scrivlet::checks
