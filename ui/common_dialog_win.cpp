// The platform's file, colour, font and printer dialogs behind cCommonDialog.
#include "ui/common_dialog_win.h"

#include <cderr.h>
#include <commdlg.h>

#include <algorithm>
#include <cmath>

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
  decltype(&GetOpenFileNameW) open = comdlg32.Find("GetOpenFileNameW");
  decltype(&CommDlgExtendedError) extendedError = comdlg32.Find("CommDlgExtendedError");
  decltype(&ChooseColorW) chooseColor = comdlg32.Find("ChooseColorW");
  decltype(&ChooseFontW) chooseFont = comdlg32.Find("ChooseFontW");
  decltype(&PrintDlgW) print = comdlg32.Find("PrintDlgW");
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

FileDialogAnswer RunFileDialog(const FileDialogRequest& request, bool save) {
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

  const auto show = save ? Dialogs().save : Dialogs().open;
  if (!show || !Dialogs().extendedError) {
    answer.extendedError = CDERR_INITIALIZATION;
    return answer;
  }
  if (!show(&dialog)) {
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
  return RunFileDialog(request, true);
}

FileDialogAnswer Win32FileDialogs::Open(const FileDialogRequest& request) {
  return RunFileDialog(request, false);
}

std::optional<OleColor> ShowColor(HWND owner, OleColor initial,
                                  std::array<COLORREF, 16>& customColors) {
  CHOOSECOLORW dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = owner;
  dialog.rgbResult = ToColorRef(initial);
  dialog.lpCustColors = customColors.data();
  dialog.Flags = CC_RGBINIT;
  if (!Dialogs().chooseColor || !Dialogs().chooseColor(&dialog)) return std::nullopt;
  return static_cast<OleColor>(dialog.rgbResult);
}

std::optional<FontChoice> ShowFont(HWND owner, const FontChoice& initial, int minPoints,
                                   int maxPoints) {
  const int pixelsPerInch = GetDeviceCaps(WindowDc(owner).get(), LOGPIXELSY);
  LOGFONTW font{};
  font.lfHeight = -static_cast<LONG>(std::lround(initial.font.points * pixelsPerInch / 72.0));
  font.lfWeight = initial.font.weight;
  font.lfItalic = initial.italic;
  font.lfUnderline = initial.underline;
  font.lfStrikeOut = initial.strikethru;
  font.lfCharSet = DEFAULT_CHARSET;
  lstrcpynW(font.lfFaceName, Utf8ToWide(initial.font.name).c_str(), LF_FACESIZE);

  CHOOSEFONTW dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = owner;
  dialog.lpLogFont = &font;
  dialog.rgbColors = ToColorRef(initial.color);
  dialog.Flags = CF_INITTOLOGFONTSTRUCT | CF_EFFECTS | CF_SCREENFONTS;
  if (minPoints > 0 || maxPoints > 0) {
    dialog.Flags |= CF_LIMITSIZE;
    dialog.nSizeMin = minPoints;
    dialog.nSizeMax = maxPoints;
  }
  if (!Dialogs().chooseFont || !Dialogs().chooseFont(&dialog)) return std::nullopt;
  FontChoice choice;
  choice.font = FontSpec{WideToUtf8(font.lfFaceName), dialog.iPointSize / 10.0,
                         static_cast<int>(font.lfWeight)};
  choice.italic = font.lfItalic != 0;
  choice.underline = font.lfUnderline != 0;
  choice.strikethru = font.lfStrikeOut != 0;
  choice.color = static_cast<OleColor>(dialog.rgbColors);
  return choice;
}

std::optional<PrinterChoice> ShowPrinter(HWND owner, const PrinterChoice& initial) {
  PRINTDLGW dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = owner;
  dialog.nCopies = static_cast<WORD>(initial.copies);
  dialog.nFromPage = static_cast<WORD>(initial.fromPage);
  dialog.nToPage = static_cast<WORD>(initial.toPage);
  dialog.nMinPage = 1;
  dialog.nMaxPage = 0xFFFF;
  dialog.Flags = PD_USEDEVMODECOPIESANDCOLLATE;
  if (!Dialogs().print || !Dialogs().print(&dialog)) return std::nullopt;
  PrinterChoice choice;
  choice.copies = dialog.nCopies;
  choice.fromPage = dialog.nFromPage;
  choice.toPage = dialog.nToPage;
  const UniqueGlobal devNames(dialog.hDevNames);
  const UniqueGlobal devMode(dialog.hDevMode);
  const GlobalLocked locked(devNames.get());
  if (const auto* names = static_cast<const DEVNAMES*>(locked.get())) {
    // The offsets (in characters) are the structure's own word: read no text past its block.
    const std::span<const std::uint8_t> block(reinterpret_cast<const std::uint8_t*>(names),
                                              GlobalSize(devNames.get()));
    const auto textAt = [block](WORD offset) {
      return WideToUtf8(Utf16Text(block.subspan(std::min<std::size_t>(offset * 2u, block.size()))));
    };
    choice.driver = textAt(names->wDriverOffset);
    choice.printerName = textAt(names->wDeviceOffset);
    choice.outputPort = textAt(names->wOutputOffset);
  }
  return choice;
}

bool ShowHelp(HWND owner, const std::string& helpFile, UINT command, ULONG_PTR data) {
  return WinHelpW(owner, Utf8ToWide(helpFile).c_str(), command, data) != FALSE;
}

}  // namespace sysinfo::ui
