// The platform's file, colour, font and printer dialogs.
#pragma once

#include <windows.h>

#include <array>
#include <optional>
#include <string>

#include "ui/check_list_properties.h"
#include "ui/common_dialog.h"

namespace sysinfo::ui {

// The platform's open and save dialogs behind cCommonDialog.
class Win32FileDialogs final : public FileDialogs {
 public:
  FileDialogAnswer Save(const FileDialogRequest& request) override;
  FileDialogAnswer Open(const FileDialogRequest& request) override;
};

// The wrapper's other dialogs, thin calls of the platform's own. Each gives nothing when the
// user cancels or the dialog fails.
std::optional<OleColor> ShowColor(HWND owner, OleColor initial,
                                  std::array<COLORREF, 16>& customColors);

struct FontChoice {
  FontSpec font;
  bool italic = false;
  bool underline = false;
  bool strikethru = false;
  OleColor color = 0;
};
std::optional<FontChoice> ShowFont(HWND owner, const FontChoice& initial, int minPoints = 0,
                                   int maxPoints = 0);

struct PrinterChoice {
  int copies = 1;
  int fromPage = 0;
  int toPage = 0;
  std::string printerName;
  std::string driver;
  std::string outputPort;
};
std::optional<PrinterChoice> ShowPrinter(HWND owner, const PrinterChoice& initial);

// Opens a help file (WinHelp); false when help cannot be shown.
bool ShowHelp(HWND owner, const std::string& helpFile, UINT command, ULONG_PTR data);

}  // namespace sysinfo::ui
