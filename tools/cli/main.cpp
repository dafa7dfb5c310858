// scrivlet: the converters on the command line.
//
//   scrivlet html2rtf --body [OPTIONS] [FILE]      HtmlToRtf of the input
//   scrivlet html2rtf --document [OPTIONS] [FILE]  the document a TextHTML assignment loads
//   scrivlet rtf2html --direct [OPTIONS] [FILE]    RtfToHtml of the input
//   scrivlet rtf2rtf [OPTIONS] [FILE]              the RTF loaded into the headless surface and
//                                                  written back in the surface's own dialect
//   scrivlet html2rtf [OPTIONS] [FILE]             TextHTML assigned to a headless control, its
//                                                  TextRTF printed
//   scrivlet rtf2html [OPTIONS] [FILE]             TextRTF assigned, TextHTML printed
//   scrivlet roundtrip [OPTIONS] [FILE]            TextHTML assigned, TextHTML printed
//   --html-import auto|dialect|html5 and --html-output classic|html5 set the control's HtmlImport
//   and HtmlOutput for the commands through the control.
//   scrivlet script [FILE]                         a scripted session (see script_session.h)
//
// Input comes from FILE or standard input, read in one piece: RTF as it is, HTML by its byte
// order mark or <meta charset> (DecodeHtmlFile); the result goes to standard output byte for
// byte, in one write (rtf2html --direct of 4 MB or more into a file: in pieces while it
// converts, the file cut back if the conversion fails). Exit status: 0 success, 1 conversion
// error, 2 usage or I/O error.

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <deque>
#include <exception>
#include <fstream>
#include <future>
#include <iostream>
#include <iterator>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <thread>
#include <vector>

#include "conversion/color_lib.h"
#include "conversion/conversion_context.h"
#include "conversion/conversion_error.h"
#include "conversion/html_file.h"
#include "conversion/html_to_rtf.h"
#include "conversion/rtf_to_html.h"
#include "hosts/headless/headless_host.h"
#include "hosts/headless/memory_rich_text_box.h"
#include "script_session.h"
#include "settings/wddx.h"
#include "text/output_buffer.h"

namespace {

constexpr int kExitConversionError = 1;
constexpr int kExitUsage = 2;

constexpr std::string_view kUsage =
    "usage: scrivlet html2rtf [--body|--document] | rtf2html [--direct] | rtf2rtf | roundtrip "
    "[--fore-color N] [--font-name NAME] [--wddx FILE] [--html-import auto|dialect|html5] "
    "[--html-output classic|html5] [FILE] | script [FILE]";

enum class Command {
  kHtmlToRtfBody,
  kHtmlToRtfDocument,
  kRtfToHtmlDirect,
  kRtfToRtf,
  kControlHtmlToRtf,
  kControlRtfToHtml,
  kControlRoundTrip,
  kScript,
};

struct Options {
  std::optional<Command> command;
  std::string verb;
  std::int32_t foreColor = 0;  // platform order, as the ForeColor property takes it
  std::string fontName = "Arial";
  std::optional<std::string> wddxFile;
  std::optional<std::string> inputFile;
  // The control's HtmlImport and HtmlOutput properties, for the commands through the control.
  std::string htmlImport = "Auto";
  std::string htmlOutput = "Classic";
};

// A usage or I/O problem, reported with the usage line.
struct UsageError {
  std::string message;
};

std::int32_t ParseColorNumber(std::string_view text) {
  int base = 10;
  if (text.starts_with("0x") || text.starts_with("0X")) {
    base = 16;
    text.remove_prefix(2);
  }
  const std::string digits(text);
  char* end = nullptr;
  const long long value = digits.empty() ? -1 : std::strtoll(digits.c_str(), &end, base);
  if (digits.empty() || *end != '\0' || value < 0 || value > 0xFFFFFFFFLL) {
    throw UsageError{"--fore-color needs a number from 0 to 0xFFFFFFFF, not \"" + digits + "\""};
  }
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
}

// An open file descriptor, closed when destroyed.
class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  ~FileDescriptor() {
    if (fd_ >= 0) {
      close(fd_);
    }
  }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  int Get() const { return fd_; }

 private:
  int fd_;
};

// A file mapped into memory, read-only, unmapped when destroyed.
class Mapping {
 public:
  Mapping(int fd, std::size_t size)
      : data_(mmap(nullptr, size, PROT_READ, MAP_PRIVATE | MAP_POPULATE, fd, 0)), size_(size) {}
  ~Mapping() {
    if (IsMapped()) {
      munmap(data_, size_);
    }
  }
  Mapping(const Mapping&) = delete;
  Mapping& operator=(const Mapping&) = delete;
  bool IsMapped() const { return data_ != MAP_FAILED; }
  std::string_view Bytes() const { return {static_cast<const char*>(data_), size_}; }

 private:
  void* data_;
  std::size_t size_;
};

// The whole input: a regular file mapped (its size known, nothing copied), anything else read
// into memory.
class Input {
 public:
  explicit Input(const std::optional<std::string>& file);
  std::string_view Bytes() const { return mapping_ ? mapping_->Bytes() : std::string_view(data_); }

 private:
  std::unique_ptr<Mapping> mapping_;
  std::string data_;
};

// Standard input that is a pipe is read in pieces this large.
constexpr std::size_t kReadChunk = std::size_t{1} << 20;

// Everything `fd` holds: a regular file of known size in one read (and one more that finds its
// end), a pipe in large chunks.
std::string ReadAll(int fd, const std::string& name) {
  struct stat info {};
  std::size_t expected = 0;
  if (fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_size > 0) {
    expected = static_cast<std::size_t>(info.st_size);
  }
  std::string data(expected + 1, '\0');  // one byte more: the read that finds the end has room
  std::size_t used = 0;
  while (true) {
    if (used == data.size()) {
      data.resize(data.size() + std::max(kReadChunk, data.size() / 2));
    }
    const ssize_t got = read(fd, data.data() + used, data.size() - used);
    if (got < 0 && errno == EINTR) {
      continue;
    }
    if (got < 0) {
      throw UsageError{"cannot read " + name + ": " + std::strerror(errno)};
    }
    if (got == 0) {
      break;
    }
    used += static_cast<std::size_t>(got);
  }
  data.resize(used);
  return data;
}

std::string ReadInput(const std::optional<std::string>& file) {
  if (!file || *file == "-") {
    return ReadAll(STDIN_FILENO, "standard input");
  }
  const FileDescriptor fd(open(file->c_str(), O_RDONLY | O_CLOEXEC));
  if (fd.Get() < 0) {
    throw UsageError{"cannot open " + *file + ": " + std::strerror(errno)};
  }
  return ReadAll(fd.Get(), *file);
}

// Writes all of `data` to standard output: one write, more only when the pipe takes less.
bool WriteOutput(std::string_view data) {
  while (!data.empty()) {
    const ssize_t put = write(STDOUT_FILENO, data.data(), data.size());
    if (put < 0 && errno == EINTR) {
      continue;
    }
    if (put <= 0) {
      return false;
    }
    data.remove_prefix(static_cast<std::size_t>(put));
  }
  return true;
}

// Writes the finished front of RtfToHtml's output to standard output on a second thread while
// the conversion goes on: copying 12 MB of HTML into the page cache is some 3 ms of the tool's
// time on a 10 MB document, which a second core then spends instead. Only for standard output
// that is a regular file written at its end, not appended to: a conversion that fails half-way
// cuts the file back to where it stood, and the tool leaves it as it did without the thread.
class BackgroundWriter final : public scrivlet::OutputSink {
 public:
  // The writer for standard output, or null when it is no such file or no thread starts.
  static std::unique_ptr<BackgroundWriter> ForStandardOutput() {
    struct stat info {};
    if (fstat(STDOUT_FILENO, &info) != 0 || !S_ISREG(info.st_mode)) {
      return nullptr;
    }
    const int flags = fcntl(STDOUT_FILENO, F_GETFL);
    const off_t at = lseek(STDOUT_FILENO, 0, SEEK_CUR);
    if (flags < 0 || (flags & O_APPEND) != 0 || at != info.st_size) {
      return nullptr;  // appending, or text after the position the output would overwrite
    }
    try {
      return std::unique_ptr<BackgroundWriter>(new BackgroundWriter(at));
    } catch (const std::system_error&) {
      return nullptr;
    }
  }

  ~BackgroundWriter() override {
    {
      const std::lock_guard lock(mutex_);
      stopping_ = true;
    }
    wake_.notify_one();
    thread_.join();
  }
  BackgroundWriter(const BackgroundWriter&) = delete;
  BackgroundWriter& operator=(const BackgroundWriter&) = delete;

  void Take(std::string_view done) override {
    {
      const std::lock_guard lock(mutex_);
      queue_.push_back(done);
      taken_ += done.size();
    }
    wake_.notify_one();
  }

  void Settle() override {
    std::unique_lock lock(mutex_);
    settled_.wait(lock, [this] { return queue_.empty() && !busy_; });
  }

  // After Settle: how much of the output the thread took, and the errno of a failed write (0
  // for none; the pieces after a failure are dropped).
  std::size_t Taken() {
    const std::lock_guard lock(mutex_);
    return taken_;
  }
  int Error() {
    const std::lock_guard lock(mutex_);
    return error_;
  }

  // Cuts standard output back to where it stood before the first piece.
  void Undo() {
    Settle();
    if (ftruncate(STDOUT_FILENO, start_) == 0) {
      lseek(STDOUT_FILENO, start_, SEEK_SET);
    }
  }

 private:
  explicit BackgroundWriter(off_t start) : start_(start), thread_([this] { Run(); }) {}

  void Run() {
    std::unique_lock lock(mutex_);
    while (true) {
      wake_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
      if (queue_.empty()) {
        return;
      }
      const std::string_view piece = queue_.front();
      queue_.pop_front();
      busy_ = true;
      const bool failedBefore = error_ != 0;
      lock.unlock();
      int error = 0;
      errno = 0;
      if (!failedBefore && !WriteOutput(piece)) {
        error = errno != 0 ? errno : EIO;
      }
      lock.lock();
      busy_ = false;
      if (error != 0) {
        error_ = error;
      }
      settled_.notify_all();
    }
  }

  const off_t start_;
  std::mutex mutex_;
  std::condition_variable wake_;     // a piece or the stop is waiting
  std::condition_variable settled_;  // a piece is done
  std::deque<std::string_view> queue_;
  bool busy_ = false;
  bool stopping_ = false;
  std::size_t taken_ = 0;
  int error_ = 0;
  std::thread thread_;  // last: it starts on the members above
};

// From this input size on, rtf2html --direct writes its output while converting.
constexpr std::size_t kWriteBeside = std::size_t{4} << 20;

Input::Input(const std::optional<std::string>& file) {
  const bool standardInput = !file || *file == "-";
  const FileDescriptor opened(standardInput ? -1 : open(file->c_str(), O_RDONLY | O_CLOEXEC));
  if (!standardInput && opened.Get() < 0) {
    throw UsageError{"cannot open " + *file + ": " + std::strerror(errno)};
  }
  const int fd = standardInput ? STDIN_FILENO : opened.Get();
  struct stat info {};
  if (fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_size > 0) {
    auto mapping = std::make_unique<Mapping>(fd, static_cast<std::size_t>(info.st_size));
    if (mapping->IsMapped()) {
      mapping_ = std::move(mapping);
      return;
    }
  }
  data_ = ReadAll(fd, standardInput ? "standard input" : *file);
}

bool ReadsHtml(Command command) {
  return command == Command::kHtmlToRtfBody || command == Command::kHtmlToRtfDocument ||
         command == Command::kControlHtmlToRtf || command == Command::kControlRoundTrip;
}

Options ParseArguments(const std::vector<std::string_view>& args) {
  if (args.empty()) {
    throw UsageError{"no command given"};
  }
  Options options;
  options.verb = args[0];
  const std::pair<std::string_view, Command> verbs[] = {{"html2rtf", Command::kControlHtmlToRtf},
                                                        {"rtf2html", Command::kControlRtfToHtml},
                                                        {"rtf2rtf", Command::kRtfToRtf},
                                                        {"roundtrip", Command::kControlRoundTrip},
                                                        {"script", Command::kScript}};
  for (const auto& [verb, command] : verbs) {
    if (options.verb == verb) {
      options.command = command;
    }
  }
  if (!options.command) {
    throw UsageError{"unknown command \"" + options.verb + "\""};
  }
  for (std::size_t i = 1; i < args.size(); ++i) {
    const std::string_view arg = args[i];
    const auto value = [&]() -> std::string {
      if (i + 1 >= args.size()) {
        throw UsageError{std::string(arg) + " needs a value"};
      }
      return std::string(args[++i]);
    };
    if (arg == "--body" && options.verb == "html2rtf") {
      options.command = Command::kHtmlToRtfBody;
    } else if (arg == "--document" && options.verb == "html2rtf") {
      options.command = Command::kHtmlToRtfDocument;
    } else if (arg == "--direct" && options.verb == "rtf2html") {
      options.command = Command::kRtfToHtmlDirect;
    } else if (arg == "--fore-color") {
      options.foreColor = ParseColorNumber(value());
    } else if (arg == "--font-name") {
      options.fontName = value();
    } else if (arg == "--wddx") {
      options.wddxFile = value();
    } else if (arg == "--html-import") {
      options.htmlImport = value();
    } else if (arg == "--html-output") {
      options.htmlOutput = value();
    } else if (arg.starts_with("--") || options.inputFile) {
      throw UsageError{"unexpected argument \"" + std::string(arg) + "\""};
    } else {
      options.inputFile = std::string(arg);
    }
  }
  if (options.command == Command::kScript &&
      (options.wddxFile || options.foreColor != 0 || options.fontName != "Arial" ||
       options.htmlImport != "Auto" || options.htmlOutput != "Classic")) {
    throw UsageError{"script takes no options; a script sets properties itself"};
  }
  return options;
}

// The conversions a host sees: through the properties of a headless control.
std::string ConvertThroughControl(const Options& options, std::string_view input) {
  scrivlet::HeadlessHost host;
  host.StartNew();
  scrivlet::Scrivlet& control = host.Control;
  control.SetFontName(options.fontName);
  control.SetForeColor(options.foreColor);
  try {
    control.SetHtmlImport(options.htmlImport);
    control.SetHtmlOutput(options.htmlOutput);
  } catch (const scrivlet::PropertyValueError& error) {
    throw UsageError{error.what()};
  }
  if (options.wddxFile) {
    control.SetWDDX(ReadInput(options.wddxFile));
  }
  if (*options.command == Command::kControlRtfToHtml) {
    control.SetTextRTF(input);
    return control.TextHTML();
  }
  control.SetTextHTML(input);
  return *options.command == Command::kControlHtmlToRtf ? control.TextRTF() : control.TextHTML();
}

// The converters called directly, with the settings the options give: the default colour and
// the face lists of the WDDX packet.
scrivlet::ConversionContext DirectContext(const Options& options) {
  scrivlet::ConversionContext context;
  context.DefaultColor = scrivlet::OleColorToRgb(options.foreColor);
  if (options.wddxFile) {
    scrivlet::FieldSettings fields;
    scrivlet::ParseWddx(ReadInput(options.wddxFile), fields);
    context.FontFaceLists = std::move(fields.FontFaceLists);
  }
  return context;
}

// `sink`: takes the finished front of RtfToHtml's output as it is made (rtf2html --direct).
std::string Convert(const Options& options, std::string_view input,
                    scrivlet::OutputSink* sink = nullptr) {
  switch (*options.command) {
    case Command::kHtmlToRtfBody: {
      scrivlet::ConversionContext context = DirectContext(options);
      return scrivlet::HtmlToRtf(input, context);
    }
    case Command::kHtmlToRtfDocument: {
      scrivlet::ConversionContext context = DirectContext(options);
      return scrivlet::BuildHtmlDocument(options.fontName, scrivlet::HtmlToRtf(input, context));
    }
    case Command::kRtfToHtmlDirect: {
      scrivlet::ConversionContext context = DirectContext(options);
      context.Sink = sink;
      return scrivlet::RtfToHtml(input, context);
    }
    case Command::kControlHtmlToRtf:
    case Command::kControlRtfToHtml:
    case Command::kControlRoundTrip:
      return ConvertThroughControl(options, input);
    case Command::kScript:
      return {};
    case Command::kRtfToRtf: {
      scrivlet::MemoryRichTextBox surface;
      surface.SetFontName(options.fontName);
      surface.SetTextRTF(input);
      return surface.TextRTF();
    }
  }
  return {};
}

// A page's first bytes: its byte order mark and charset declaration, and most often a first
// byte a page in another charset has outside ASCII.
constexpr std::size_t kHtmlHead = std::size_t{64} << 10;
// From this size on, the check of the whole page runs beside the conversion.
constexpr std::size_t kCheckBeside = std::size_t{1} << 20;

// The converters read UTF-8. Whether an HTML file may be taken as it is needs a pass over all of
// it, a tenth of the conversion's time on a large page. Once a large page's head passes, that
// pass runs on a second thread while the conversion goes ahead on the bytes as they are; a page
// the pass refuses is decoded and converted again, the first result dropped. A head that does not
// pass (a byte order mark, another charset declared and used) sends the page to the decoder at
// once, which takes a page that is UTF-8 after all (a character cut at the head's end) as it is.
std::string ConvertHtml(const Options& options, std::string_view bytes) {
  const auto convertDecoded = [&options, bytes] {
    return Convert(options, scrivlet::DecodeHtmlFile(bytes));
  };
  if (bytes.size() < kCheckBeside) {
    return scrivlet::IsUtf8HtmlFile(bytes) ? Convert(options, bytes) : convertDecoded();
  }
  if (!scrivlet::IsUtf8HtmlFile(bytes.substr(0, kHtmlHead))) {
    return convertDecoded();
  }
  std::future<bool> utf8 =
      std::async(std::launch::async, [bytes] { return scrivlet::IsUtf8HtmlFile(bytes); });
  std::string output;
  std::exception_ptr failure;
  try {
    output = Convert(options, bytes);
  } catch (...) {
    failure = std::current_exception();  // counts only if the bytes are what it converted
  }
  if (!utf8.get()) {
    return convertDecoded();
  }
  if (failure) {
    std::rethrow_exception(failure);
  }
  return output;
}

int RunScript(const Options& options) {
  std::ifstream file;
  if (options.inputFile && *options.inputFile != "-") {
    file.open(*options.inputFile, std::ios::binary);
    if (!file) {
      throw UsageError{"cannot open " + *options.inputFile};
    }
  }
  std::istream& script = file.is_open() ? static_cast<std::istream&>(file) : std::cin;
  try {
    scrivlet::ScriptSession session(std::cout);
    session.Run(script);
  } catch (const scrivlet::ScriptError& error) {
    std::cout.flush();
    std::cerr << "scrivlet: script " << error.what() << '\n';
    return kExitConversionError;
  }
  std::cout.flush();
  return 0;
}

int Run(const std::vector<std::string_view>& args) {
  try {
    const Options options = ParseArguments(args);
    if (options.command == Command::kScript) {
      return RunScript(options);
    }
    const Input input(options.inputFile);
    std::unique_ptr<BackgroundWriter> writer;
    if (*options.command == Command::kRtfToHtmlDirect && input.Bytes().size() >= kWriteBeside) {
      writer = BackgroundWriter::ForStandardOutput();
    }
    std::string output;
    try {
      output = ReadsHtml(*options.command) ? ConvertHtml(options, input.Bytes())
                                           : Convert(options, input.Bytes(), writer.get());
    } catch (...) {
      if (writer) {
        writer->Undo();
      }
      throw;
    }
    std::size_t written = 0;
    int error = 0;
    if (writer) {
      writer->Settle();
      written = writer->Taken();
      error = writer->Error();
    }
    errno = 0;
    if (error == 0 && !WriteOutput(std::string_view(output).substr(written))) {
      error = errno != 0 ? errno : EIO;
    }
    if (error != 0) {
      std::cerr << "scrivlet: cannot write standard output: " << std::strerror(error) << '\n';
      return kExitUsage;
    }
    return 0;
  } catch (const UsageError& error) {
    std::cerr << "scrivlet: " << error.message << '\n' << kUsage << '\n';
    return kExitUsage;
  } catch (const scrivlet::ConversionError& error) {
    std::cerr << "scrivlet: " << error.what() << '\n';
    return kExitConversionError;
  }
}

}  // namespace

int main(int argc, char** argv) {
  std::ios::sync_with_stdio(false);
  return Run(std::vector<std::string_view>(argv + 1, argv + argc));
}
