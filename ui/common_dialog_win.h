// The platform's save dialog.
#pragma once

#include <windows.h>

#include "ui/common_dialog.h"

namespace sysinfo::ui {

// The platform's save dialog behind cCommonDialog.
class Win32FileDialogs final : public FileDialogs {
 public:
  FileDialogAnswer Save(const FileDialogRequest& request) override;
};

}  // namespace sysinfo::ui
