// The platform's save dialog behind cCommonDialog.
#include "ui/common_dialog_win.h"

#include <cderr.h>
#include <commdlg.h>

#include "base/text.h"
#include "base/handles_win.h"
#include "base/unicode_win.h"
#include "ui/window_win.h"

namespace sysinfo::ui {
namespace {

// The text in a fixed dialog buffer, padded with NULs; nothing when it does not fit with its NUL.
std::optional<std::wstring> DialogBuffer(const std::string& text) {
  std::wstring buffer = Utf8ToWide(text);
  if (buffer.size() >= kFileBufferChars) return std::nullopt;
  buffer.resize(kFileBufferChars, L'\0');
  return buffer;
}

std::string FromBuffer(const std::wstring& buffer) {
  return WideToUtf8(std::wstring_view(buffer.c_str()));
}

FileDialogAnswer RunSaveDialog(const FileDialogRequest& request) {
  FileDialogAnswer answer;
  auto file = DialogBuffer(request.fileName);
  auto title = DialogBuffer(request.fileTitle);
  if (!file || !title) {
    // A proposed name that does not fit fails like a dialog that cannot open.
    answer.extendedError = FNERR_BUFFERTOOSMALL;
    return answer;
  }
  const std::wstring filter = Utf8ToWide(request.filter);
  const std::wstring initialDir = Utf8ToWide(request.initialDir);
  const std::wstring dialogTitle = Utf8ToWide(request.title);
  const std::wstring defaultExt = Utf8ToWide(request.defaultExt);

  OPENFILENAMEW dialog{};
  dialog.lStructSize = sizeof dialog;
  if (request.owner != static_cast<std::uintptr_t>(-1)) {
    dialog.hwndOwner = reinterpret_cast<HWND>(request.owner);
  }
  dialog.hInstance = reinterpret_cast<HINSTANCE>(request.instance);
  dialog.lpstrFilter = filter.c_str();
  dialog.nFilterIndex = static_cast<DWORD>(request.filterIndex);
  dialog.lpstrFile = file->data();
  dialog.nMaxFile = static_cast<DWORD>(kFileBufferChars);
  dialog.lpstrFileTitle = title->data();
  dialog.nMaxFileTitle = static_cast<DWORD>(kFileBufferChars);
  dialog.lpstrInitialDir = initialDir.c_str();
  dialog.lpstrTitle = dialogTitle.c_str();
  dialog.lpstrDefExt = defaultExt.c_str();
  dialog.Flags = request.flags;
  if (request.flags & kEnableTemplate) dialog.lpTemplateName = MAKEINTRESOURCEW(request.templateId);

  if (!GetSaveFileNameW(&dialog)) {
    answer.extendedError = CommDlgExtendedError();
    return answer;
  }
  answer.chosen = true;
  answer.fileName = FromBuffer(*file);
  answer.fileTitle = FromBuffer(*title);
  answer.flags = dialog.Flags;
  answer.filterIndex = static_cast<int>(dialog.nFilterIndex);
  return answer;
}

}  // namespace

FileDialogAnswer Win32FileDialogs::Save(const FileDialogRequest& request) {
  return RunSaveDialog(request);
}

}  // namespace sysinfo::ui
