#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// The system's open-file dialog.
namespace scrivlet {

// One entry of the dialog's type list: the text shown and the patterns it selects, separated
// by ";" ("GIF and JPEG (*.gif, *.jpg)", "*.GIF;*.JPG"). Patterns match without regard to
// letter case.
struct FileFilter {
  std::string Description;
  std::string Patterns;
};

// Whether the dialog offers a read-only check box.
enum class ReadOnlyBox { kHidden, kShown };

struct OpenFileRequest {
  std::string Title;
  std::vector<FileFilter> Filters;
  // 1-based entry of Filters selected when the dialog opens.
  std::int32_t FilterIndex = 1;
  // The folder the dialog opens in; empty leaves the choice to the dialog.
  std::string InitialDirectory;
  // The file name the dialog proposes; empty proposes none.
  std::string FileName;
  ReadOnlyBox ReadOnly = ReadOnlyBox::kHidden;
};

class FileDialog {
 public:
  virtual ~FileDialog() = default;

  // Shows the dialog and waits for the user. Returns the full path of the file chosen, or
  // nothing when the user cancels.
  virtual std::optional<std::string> GetOpenFileName(const OpenFileRequest& request) = 0;
};

}  // namespace scrivlet
