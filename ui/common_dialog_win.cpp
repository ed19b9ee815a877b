// The platform's save dialog behind cCommonDialog.
#include "ui/common_dialog_win.h"

#include <cderr.h>
#include <commdlg.h>

#include "base/text.h"
#include "base/handles_win.h"
#include "base/system_library_win.h"
#include "base/unicode_win.h"
#include "ui/window_win.h"

namespace sysinfo::ui {
namespace {

// The common dialogs, loaded when a dialog is first shown rather than imported: comdlg32 imports
// the common controls (no KnownDLL), and an import is resolved before the program has limited
// where DLLs come from. A dialog that cannot be had fails as one that cannot open.
struct DialogApi {
  SystemLibrary comdlg32{L"comdlg32.dll"};
  decltype(&GetSaveFileNameW) save = comdlg32.Find("GetSaveFileNameW");
  decltype(&CommDlgExtendedError) extendedError = comdlg32.Find("CommDlgExtendedError");
};

const DialogApi& Dialogs() {
  static const DialogApi api;
  return api;
}

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

  if (!Dialogs().save || !Dialogs().extendedError) {
    answer.extendedError = CDERR_INITIALIZATION;
    return answer;
  }
  if (!Dialogs().save(&dialog)) {
    answer.extendedError = Dialogs().extendedError();
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
