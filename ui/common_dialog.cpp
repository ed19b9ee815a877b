// cCommonDialog: filter conversion, dialog error texts, and the file dialogs it shows.
#include "ui/common_dialog.h"

namespace sysinfo::ui {

std::string ConvertFilter(std::string_view filter) {
  std::string converted;
  converted.reserve(filter.size() + 2);
  for (char c : filter) converted += (c == '|' || c == ':') ? '\0' : c;
  converted.append(2, '\0');
  return converted;
}

std::string FilterEntry(std::string_view converted, int index) {
  std::size_t at = 0;
  for (int entry = 1; at < converted.size() && converted[at] != '\0'; ++entry) {
    const std::size_t descriptionEnd = converted.find('\0', at);
    if (descriptionEnd == std::string_view::npos) break;
    std::size_t patternEnd = converted.find('\0', descriptionEnd + 1);
    if (patternEnd == std::string_view::npos) patternEnd = converted.size();
    if (entry == index) return std::string(converted.substr(at, patternEnd - at));
    at = patternEnd + 1;
  }
  return {};
}

std::string FileDialogErrorText(std::uint32_t code) {
  switch (code) {
    case 0x3002:  // FNERR_INVALIDFILENAME
      return "The file name is not valid.";
    case 0x3003:  // FNERR_BUFFERTOOSMALL
      return "The file name is too long.";
    case 0x0009:  // CDERR_MEMALLOCFAILURE
    case 0x000A:  // CDERR_MEMLOCKFAILURE
      return "There is not enough memory to show the dialog.";
    default: break;
  }
  return "The dialog failed (error " + std::to_string(code) + ").";
}

void cCommonDialog::ShowSave() {
  apiReturn_ = false;
  extendedError_ = 0;
  // A template bit without a template would make the dialog fail.
  if ((flags & kEnableTemplate) && TemplateName < 1) flags &= ~kEnableTemplate;

  FileDialogRequest request;
  request.fileName = Filename;
  request.fileTitle = FileTitle;
  request.filter = ConvertFilter(Filter);
  request.filterIndex = FilterIndex;
  request.initialDir = InitDir;
  request.title = DialogTitle;
  request.defaultExt = DefaultExt;
  request.owner = hWnd;
  // Of the caller's flags only the overwrite prompt and a real template reach the dialog; the
  // read-only box is always hidden.
  request.flags = (flags & kOverwritePrompt) | kHideReadOnly;
  if ((flags & kEnableTemplate) && TemplateName > 0) {
    request.flags |= kEnableTemplate;
    request.templateId = TemplateName;
    request.instance = hInstance;
  }

  const FileDialogAnswer answer = dialogs_.Save(request);
  apiReturn_ = answer.chosen;
  extendedError_ = answer.extendedError;
  if (answer.chosen) {
    Filename = answer.fileName;
    FileTitle = answer.fileTitle;
    flags = answer.flags;
    FilterIndex = answer.filterIndex;
    Filter = FilterEntry(request.filter, answer.filterIndex);
  } else {
    Filename.clear();
    FileTitle.clear();
    Filter.clear();
    flags = 0;
    FilterIndex = 0;
  }
}

}  // namespace sysinfo::ui
