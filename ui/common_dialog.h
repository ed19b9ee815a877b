// cCommonDialog: the file dialog wrapper's settings and results, and the platform behind it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace sysinfo::ui {

// File dialog flags the wrapper looks at (the platform's OFN_ values).
inline constexpr std::uint32_t kOverwritePrompt = 0x2;
inline constexpr std::uint32_t kHideReadOnly = 0x4;
inline constexpr std::uint32_t kEnableTemplate = 0x40;

// The file-name and file-title buffers hold this many characters, the terminating NUL included:
// the longest path the platform knows, so a long proposed name still opens the dialog.
inline constexpr std::size_t kFileBufferChars = 32768;

// Why a file dialog failed, in words, from the platform's extended error code.
std::string FileDialogErrorText(std::uint32_t code);

// "Text Files (*.txt)|*.txt" -> "Text Files (*.txt)\0*.txt\0\0": every "|" and every ":" ends a
// piece, and two NULs end the list.
std::string ConvertFilter(std::string_view filter);

// Entry `index` (1 = the first) of a converted filter: its description, a NUL and its pattern.
// Empty text when there is no such entry.
std::string FilterEntry(std::string_view converted, int index);

// What the wrapper hands to the platform's file dialog.
struct FileDialogRequest {
  std::string fileName;  // the proposed path
  std::string fileTitle;
  std::string filter;  // already converted
  int filterIndex = 1;
  std::string initialDir;
  std::string title;
  std::string defaultExt;
  std::uintptr_t owner = 0;
  std::uint32_t flags = 0;  // only the bits the dialog is meant to see
  int templateId = 0;
  std::uintptr_t instance = 0;
};

struct FileDialogAnswer {
  bool chosen = false;  // false: cancelled, or the dialog failed
  std::string fileName;
  std::string fileTitle;
  std::uint32_t flags = 0;
  int filterIndex = 0;
  std::uint32_t extendedError = 0;  // the platform's reason when the dialog failed
};

// The platform's save dialog.
class FileDialogs {
 public:
  virtual ~FileDialogs() = default;
  virtual FileDialogAnswer Save(const FileDialogRequest& request) = 0;
};

// The file-dialog part of the common dialog wrapper: settings as properties, one dialog per
// Show call, results written back into the properties. A cancel (or a failed dialog) leaves
// Filename, FileTitle and Filter empty and FilterIndex and flags 0; it raises nothing, whatever
// CancelError says.
class cCommonDialog {
 public:
  explicit cCommonDialog(FileDialogs& dialogs) : dialogs_(dialogs) {}

  std::string Filename;
  std::string FileTitle;
  std::string Filter;
  int FilterIndex = 1;
  std::uint32_t flags = 0;
  std::string InitDir;
  std::string DialogTitle;
  std::string DefaultExt;
  std::uintptr_t hWnd = 0;
  bool CancelError = false;  // kept for callers that set it; no dialog reads it
  int TemplateName = 0;
  std::uintptr_t hInstance = 0;

  void ShowSave();

  // The last dialog's outcome: whether a file was chosen, and the platform's extended error.
  bool APIReturn() const { return apiReturn_; }
  std::uint32_t ExtendedError() const { return extendedError_; }

 private:
  FileDialogs& dialogs_;
  bool apiReturn_ = false;
  std::uint32_t extendedError_ = 0;
};

}  // namespace sysinfo::ui
