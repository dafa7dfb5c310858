// Typing in the Qt widget (ScrivletWidget over QtRichTextBox), offscreen, on large documents:
// from a key press until the editor has processed it and repainted, the events it leaves
// processed inside the timed region.
//   open            the page assigned to TextHTML until the first screen is painted, and until
//                   the rest is laid out (Qt lays a large page out lazily, between events);
//   key             one character typed;
//   backspace       Backspace deleting the character before the caret;
//   enter           Enter breaking the paragraph;
//   paste           Ctrl+V of 80 characters of plain text from the clipboard;
// each at the start, the middle and the end of the document, reported as the median and the
// 99th percentile in microseconds of wall clock, and the same of the process's CPU time, which
// holds better when other work shares the machine. The document stays the same size: a typed
// character is taken back by the timed Backspace, a paragraph break and a paste by untimed keys.
//
// Shapes: doc_1M.html and doc_10M.html from bench/gen_docs.py as they are, and "1M-para": the
// 1 MB page with every block tag dropped, one paragraph of about 270 000 characters.
//
// Usage: widget_typing_bench --docs=DIR [--shapes=1M,10M,1M-para] [--repeat=N (0: open only)]
#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "qt/scrivlet_widget.h"

namespace {

using scrivlet::ScrivletWidget;

std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream stream(path, std::ios::binary);
  std::ostringstream text;
  text << stream.rdbuf();
  return text.str();
}

double MicrosecondsSince(const QElapsedTimer& timer) {
  return static_cast<double>(timer.nsecsElapsed()) / 1e3;
}

double CpuMicroseconds() {
  timespec now{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) * 1e6 + static_cast<double>(now.tv_nsec) / 1e3;
}

// Wall-clock and CPU microseconds of one operation.
struct Sample {
  double wall = 0;
  double cpu = 0;
};

// The page with its block tags left out: one paragraph of the same runs.
std::string OneParagraph(std::string_view html) {
  static constexpr std::string_view kBlockTags[] = {"P", "BR", "DIV", "BLOCKQUOTE", "UL", "LI"};
  std::string out;
  out.reserve(html.size());
  std::size_t at = 0;
  const std::size_t bodyStart = html.find("<BODY>");
  if (bodyStart != std::string_view::npos) {
    out.append(html.substr(0, bodyStart + 6));
    at = bodyStart + 6;
  }
  while (at < html.size()) {
    const std::size_t open = html.find('<', at);
    if (open == std::string_view::npos) {
      out.append(html.substr(at));
      break;
    }
    out.append(html.substr(at, open - at));
    const std::size_t close = html.find('>', open);
    if (close == std::string_view::npos) {
      out.append(html.substr(open));
      break;
    }
    std::string_view tag = html.substr(open + 1, close - open - 1);
    if (tag.starts_with('/')) {
      tag.remove_prefix(1);
    }
    tag = tag.substr(0, tag.find(' '));
    const bool block =
        std::find(std::begin(kBlockTags), std::end(kBlockTags), tag) != std::end(kBlockTags);
    if (block) {
      out.push_back(' ');
    } else {
      out.append(html.substr(open, close + 1 - open));
    }
    at = close + 1;
  }
  return out;
}

struct Percentiles {
  double median = 0;
  double p99 = 0;
};

Percentiles Of(std::vector<double> samples) {
  std::sort(samples.begin(), samples.end());
  const auto at = [&](double fraction) {
    const auto index = static_cast<std::size_t>(fraction * static_cast<double>(samples.size() - 1));
    return samples[index];
  };
  return {at(0.5), at(0.99)};
}

class Page {
 public:
  Page() {
    widget_.resize(800, 600);
    widget_.show();
    Settle();
    Editor()->setFocus();
  }

  static void Settle() { QCoreApplication::processEvents(); }
  QTextEdit* Editor() const { return widget_.Editor(); }

  // Seconds until the first screen is painted, the same in CPU time, and seconds until the whole
  // page is laid out.
  struct Opening {
    double assigned = 0;  // the assignment returned
    double firstScreen = 0;
    double firstScreenCpu = 0;
    double laidOut = 0;
  };
  Opening Open(const QString& html) {
    QElapsedTimer timer;
    timer.start();
    const double cpu = CpuMicroseconds();
    widget_.setTextHTML(html);
    const double assigned = static_cast<double>(timer.nsecsElapsed()) / 1e9;
    // Painting lays out what is in view; Qt lays the rest out later, between events.
    Editor()->viewport()->repaint();
    const double firstScreen = static_cast<double>(timer.nsecsElapsed()) / 1e9;
    const double firstScreenCpu = (CpuMicroseconds() - cpu) / 1e6;
    Settle();
    QTextDocument* document = Editor()->document();
    document->documentLayout()->blockBoundingRect(document->lastBlock());
    Settle();
    return {assigned, firstScreen, firstScreenCpu, static_cast<double>(timer.nsecsElapsed()) / 1e9};
  }

  // Puts the caret at `position` without timing it, its scrolling and layout done.
  void PlaceCaret(int position) {
    QTextCursor cursor(Editor()->document());
    cursor.setPosition(position);
    Editor()->setTextCursor(cursor);
    Editor()->ensureCursorVisible();
    Editor()->viewport()->repaint();
    Settle();
  }

  // A key pressed and released, processed and painted.
  Sample Press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier,
               const QString& text = QString()) {
    QElapsedTimer timer;
    timer.start();
    const double cpu = CpuMicroseconds();
    QKeyEvent press(QEvent::KeyPress, key, modifiers, text);
    QKeyEvent release(QEvent::KeyRelease, key, modifiers, text);
    QApplication::sendEvent(Editor(), &press);
    QApplication::sendEvent(Editor(), &release);
    Editor()->viewport()->repaint();
    Settle();
    return {MicrosecondsSince(timer), CpuMicroseconds() - cpu};
  }

  int Length() const { return Editor()->document()->characterCount() - 1; }

 private:
  ScrivletWidget widget_;
};

struct Results {
  std::vector<Sample> key, backspace, enter, paste;
};

void TypeAt(Page& page, int position, int repeat, Results& results) {
  const QString paste(80, QLatin1Char('p'));
  for (int i = 0; i < repeat; ++i) {
    page.PlaceCaret(position);
    results.key.push_back(page.Press(Qt::Key_X, Qt::NoModifier, QStringLiteral("x")));
    results.backspace.push_back(page.Press(Qt::Key_Backspace));
    page.PlaceCaret(position);
    results.enter.push_back(page.Press(Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r")));
    page.Press(Qt::Key_Backspace);
    page.PlaceCaret(position);
    QGuiApplication::clipboard()->setText(paste);
    results.paste.push_back(page.Press(Qt::Key_V, Qt::ControlModifier));
    QTextCursor selection(page.Editor()->document());
    selection.setPosition(position);
    selection.setPosition(position + static_cast<int>(paste.size()), QTextCursor::KeepAnchor);
    page.Editor()->setTextCursor(selection);
    page.Press(Qt::Key_Delete);
  }
}

void Print(const char* shape, const char* where, const Results& results) {
  const auto line = [&](const char* what, const std::vector<Sample>& samples) {
    std::vector<double> wall;
    std::vector<double> cpu;
    for (const Sample& sample : samples) {
      wall.push_back(sample.wall);
      cpu.push_back(sample.cpu);
    }
    const Percentiles w = Of(wall);
    const Percentiles c = Of(cpu);
    std::printf(
        "typing %-8s %-6s %-9s median_us=%.0f p99_us=%.0f cpu_median_us=%.0f "
        "cpu_p99_us=%.0f\n",
        shape, where, what, w.median, w.p99, c.median, c.p99);
  };
  line("key", results.key);
  line("backspace", results.backspace);
  line("enter", results.enter);
  line("paste80", results.paste);
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
  }
  QApplication app(argc, argv);
  std::filesystem::path docs = "docs";
  std::string shapes = "1M,10M,1M-para";
  int repeat = 30;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg.starts_with("--docs=")) {
      docs = std::string(arg.substr(7));
    } else if (arg.starts_with("--shapes=")) {
      shapes = arg.substr(9);
    } else if (arg.starts_with("--repeat=")) {
      repeat = std::max(0, std::atoi(argv[i] + 9));  // 0: opening only
    } else {
      std::fprintf(stderr,
                   "usage: widget_typing_bench --docs=DIR [--shapes=1M,10M,1M-para] "
                   "[--repeat=N]\n");
      return 2;
    }
  }
  shapes += ',';
  for (std::size_t start = 0, comma; (comma = shapes.find(',', start)) != std::string::npos;
       start = comma + 1) {
    const std::string shape = shapes.substr(start, comma - start);
    if (shape.empty()) {
      continue;
    }
    const bool paragraph = shape.ends_with("-para");
    const std::string size = paragraph ? shape.substr(0, shape.size() - 5) : shape;
    const std::filesystem::path file = docs / ("doc_" + size + ".html");
    if (!std::filesystem::exists(file)) {
      std::fprintf(stderr, "no %s: run bench/gen_docs.py --sizes %s first\n", file.c_str(),
                   size.c_str());
      return 2;
    }
    std::string html = ReadFile(file);
    if (paragraph) {
      html = OneParagraph(html);
    }
    Page page;
    const Page::Opening opening = page.Open(QString::fromStdString(html));
    std::printf(
        "open %-8s assigned_s=%.3f first_screen_s=%.3f first_screen_cpu_s=%.3f laid_out_s=%.3f "
        "characters=%d\n",
        shape.c_str(), opening.assigned, opening.firstScreen, opening.firstScreenCpu,
        opening.laidOut, page.Length());
    if (repeat == 0) {
      continue;
    }
    const int length = page.Length();
    const std::pair<const char*, int> places[] = {
        {"start", 1}, {"middle", length / 2}, {"end", length - 1}};
    for (const auto& [where, position] : places) {
      Results results;
      TypeAt(page, position, repeat, results);
      Print(shape.c_str(), where, results);
      std::fflush(stdout);
    }
  }
  return 0;
}
