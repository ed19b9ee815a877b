// The save dialog wrapper: filter conversion, settings passed on, chosen and cancelled results.
#include <gtest/gtest.h>

#include <optional>

#include "ui/common_dialog.h"

namespace sysinfo::ui {
namespace {

using namespace std::string_literals;

TEST(CommonDialog, FilterConversion) {
  struct Case {
    const char* filter;
    std::string converted;
  };
  const Case cases[] = {
      {"Text Files (*.txt)|*.txt", "Text Files (*.txt)\0*.txt\0\0"s},
      {"Logs: today|*.log|All|*.*", "Logs\0 today\0*.log\0All\0*.*\0\0"s},  // ":" splits too
      {"", "\0\0"s},
  };
  for (const Case& c : cases) EXPECT_EQ(ConvertFilter(c.filter), c.converted) << c.filter;

  const std::string two = ConvertFilter("Text|*.txt|All|*.*");
  EXPECT_EQ(FilterEntry(two, 1), "Text\0*.txt"s);
  EXPECT_EQ(FilterEntry(two, 2), "All\0*.*"s);
  EXPECT_EQ(FilterEntry(two, 3), "");
  EXPECT_EQ(FilterEntry(two, 0), "");
}

// The platform dialog, answering as the test says and keeping what it was given.
class ScriptedDialogs final : public FileDialogs {
 public:
  FileDialogAnswer answer;
  std::optional<FileDialogRequest> seen;
  int saves = 0;
  int opens = 0;

  FileDialogAnswer Save(const FileDialogRequest& request) override {
    ++saves;
    seen = request;
    return answer;
  }
  FileDialogAnswer Open(const FileDialogRequest& request) override {
    ++opens;
    seen = request;
    return answer;
  }
};

// Set up as the scan sets it up.
void SetUpForReport(cCommonDialog& dialog) {
  dialog.DialogTitle = "Log File Save Location";
  dialog.CancelError = true;
  dialog.hWnd = 0x1234;
  dialog.Filter = "Text Files (*.txt)|*.txt";
  dialog.Filename = "C:\\Users\\ann\\Desktop\\System_Information_By_Veltrix.txt";
}

TEST(CommonDialog, SaveHandsTheSettingsToTheDialog) {
  ScriptedDialogs dialogs;
  cCommonDialog dialog(dialogs);
  SetUpForReport(dialog);
  dialog.flags = 0x1000 | kEnableTemplate;  // no template: the bit is dropped
  dialog.ShowSave();
  ASSERT_TRUE(dialogs.seen);
  EXPECT_EQ(dialogs.saves, 1);
  EXPECT_EQ(dialogs.seen->title, "Log File Save Location");
  EXPECT_EQ(dialogs.seen->owner, 0x1234u);
  EXPECT_EQ(dialogs.seen->fileName, "C:\\Users\\ann\\Desktop\\System_Information_By_Veltrix.txt");
  EXPECT_EQ(dialogs.seen->filter, "Text Files (*.txt)\0*.txt\0\0"s);
  EXPECT_EQ(dialogs.seen->filterIndex, 1);
  // No overwrite prompt unless asked for; the read-only box is always hidden.
  EXPECT_EQ(dialogs.seen->flags, kHideReadOnly);

  dialog.flags = kOverwritePrompt;
  dialog.ShowSave();
  EXPECT_EQ(dialogs.seen->flags, kOverwritePrompt | kHideReadOnly);
}

TEST(CommonDialog, ChosenAndCancelledResults) {
  ScriptedDialogs dialogs;
  cCommonDialog dialog(dialogs);
  SetUpForReport(dialog);
  dialogs.answer = {true, "D:\\out.txt", "out.txt", kHideReadOnly, 1, 0};
  dialog.ShowSave();
  EXPECT_TRUE(dialog.APIReturn());
  EXPECT_EQ(dialog.Filename, "D:\\out.txt");
  EXPECT_EQ(dialog.FileTitle, "out.txt");
  EXPECT_EQ(dialog.FilterIndex, 1);
  EXPECT_EQ(dialog.Filter, "Text Files (*.txt)\0*.txt"s);

  // A cancel empties the name even though one was proposed; nothing is raised.
  SetUpForReport(dialog);
  dialogs.answer = FileDialogAnswer{};
  dialog.ShowSave();
  EXPECT_FALSE(dialog.APIReturn());
  EXPECT_EQ(dialog.Filename, "");
  EXPECT_EQ(dialog.FileTitle, "");
  EXPECT_EQ(dialog.Filter, "");
  EXPECT_EQ(dialog.FilterIndex, 0);
  EXPECT_EQ(dialog.flags, 0u);

  // A failed dialog looks like a cancel and keeps the platform's reason.
  SetUpForReport(dialog);
  dialogs.answer = FileDialogAnswer{};
  dialogs.answer.extendedError = 0x3003;
  dialog.ShowOpen();
  EXPECT_EQ(dialogs.opens, 1);
  EXPECT_EQ(dialog.Filename, "");
  EXPECT_EQ(dialog.ExtendedError(), 0x3003u);
}

}  // namespace
}  // namespace sysinfo::ui
