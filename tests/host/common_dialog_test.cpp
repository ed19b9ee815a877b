// The save dialog wrapper: the filter conversion, what reaches the platform's dialog and what
// comes back from it.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "ui/common_dialog.h"

namespace sysinfo::ui {
namespace {

using namespace std::string_literals;

TEST(CommonDialog, FilterConversion) {
  const std::pair<const char*, std::string> cases[] = {
      {"Text Files (*.txt)|*.txt", "Text Files (*.txt)\0*.txt\0\0"s},
      {"Logs: today|*.log|All|*.*", "Logs\0 today\0*.log\0All\0*.*\0\0"s},  // ":" splits too
      {"", "\0\0"s},
  };
  for (const auto& [filter, converted] : cases)
    EXPECT_EQ(ConvertFilter(filter), converted) << filter;
  const std::string two = ConvertFilter("Text|*.txt|All|*.*");
  EXPECT_EQ((std::vector<std::string>{FilterEntry(two, 0), FilterEntry(two, 1), FilterEntry(two, 2),
                                      FilterEntry(two, 3)}),
            (std::vector<std::string>{"", "Text\0*.txt"s, "All\0*.*"s, ""}));
}

// The platform dialog, answering as the test says and keeping what it was asked.
class ScriptedDialogs final : public FileDialogs {
 public:
  FileDialogAnswer answer;
  std::optional<FileDialogRequest> seen;

  FileDialogAnswer Save(const FileDialogRequest& request) override {
    seen = request;
    return answer;
  }
};

// Set up as the scan sets it up.
void SetUpForReport(cCommonDialog& dialog, std::uint32_t flags = 0) {
  dialog.DialogTitle = "Log File Save Location";
  dialog.CancelError = true;
  dialog.hWnd = 0x1234;
  dialog.Filter = "Text Files (*.txt)|*.txt";
  dialog.Filename = "C:\\Users\\ann\\Desktop\\System_Information_By_Veltrix.txt";
  dialog.flags = flags;
}

TEST(CommonDialog, SaveHandsTheSettingsToTheDialogAndTakesTheChoiceBack) {
  ScriptedDialogs dialogs;
  cCommonDialog dialog(dialogs);
  SetUpForReport(dialog, 0x1000 | kEnableTemplate);  // no template: the bit is dropped
  dialogs.answer = {true, "D:\\out.txt", "out.txt", kHideReadOnly, 1, 0};
  dialog.ShowSave();
  ASSERT_TRUE(dialogs.seen);
  const FileDialogRequest& seen = *dialogs.seen;
  EXPECT_EQ(
      seen.title + "|" + std::to_string(seen.owner) + "|" + seen.fileName + "|" +
          std::to_string(seen.filterIndex),
      "Log File Save Location|4660|C:\\Users\\ann\\Desktop\\System_Information_By_Veltrix.txt|1");
  EXPECT_EQ(seen.filter, "Text Files (*.txt)\0*.txt\0\0"s);
  // No overwrite prompt unless asked for; the read-only box is always hidden.
  EXPECT_EQ(seen.flags, kHideReadOnly);
  EXPECT_TRUE(dialog.APIReturn());
  EXPECT_EQ(dialog.Filename + "|" + dialog.FileTitle + "|" + std::to_string(dialog.FilterIndex),
            "D:\\out.txt|out.txt|1");
  EXPECT_EQ(dialog.Filter, "Text Files (*.txt)\0*.txt"s);

  SetUpForReport(dialog, kOverwritePrompt);
  dialog.ShowSave();
  EXPECT_EQ(dialogs.seen->flags, kOverwritePrompt | kHideReadOnly);
}

TEST(CommonDialog, CancelledAndFailedDialogsLeaveNoName) {
  ScriptedDialogs dialogs;
  cCommonDialog dialog(dialogs);
  // A cancel empties the name even though one was proposed; nothing is raised.
  SetUpForReport(dialog, kOverwritePrompt);
  dialog.ShowSave();
  EXPECT_FALSE(dialog.APIReturn());
  EXPECT_EQ(dialog.Filename + dialog.FileTitle + dialog.Filter, "");
  EXPECT_EQ(dialog.FilterIndex, 0);
  EXPECT_EQ(dialog.flags, 0u);
  // A failed dialog looks like a cancel and keeps the platform's reason.
  SetUpForReport(dialog);
  dialogs.answer.extendedError = 0x3003;
  dialog.ShowSave();
  EXPECT_EQ(dialog.Filename, "");
  EXPECT_EQ(dialog.ExtendedError(), 0x3003u);
}

}  // namespace
}  // namespace sysinfo::ui
