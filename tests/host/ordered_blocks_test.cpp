// Blocks filled side by side and written in order: what reaches the report, and when.
#include "scan/ordered_blocks.h"

#include <gtest/gtest.h>

#include <random>
#include <thread>

#include "tests/fakes/memory_report.h"

namespace sysinfo {
namespace {

// Every item call as a line of text, so a test compares whole sequences.
class LoggingRecorder final : public ItemRecorder {
 public:
  explicit LoggingRecorder(std::string& log) : log_(log) {}
  void BeginCategory(std::string_view name, int number, const ReportShape& shape) override {
    Log("category " + std::string(name) + " " + std::to_string(number) + " " +
        std::string(shape.list) + "/" + std::string(shape.holds));
  }
  void EndCategory(const CategoryOutcome& o) override {
    Log("end " + std::string(CategoryStatusName(o.status)) + " " + o.error);
  }
  void BeginItem() override { Log("item"); }
  void Field(std::string_view name, const SourceValue& value) override {
    Log(std::string(name) + "=" + ValueText(value).value_or("?"));
  }
  void EndItem() override { Log("item end"); }
  void BeginGroup(std::string_view name) override { Log("group " + std::string(name)); }
  void EndGroup() override { Log("group end"); }

 private:
  void Log(const std::string& text) { log_ += "[" + text + "]"; }
  std::string& log_;
};

// The report's text, and its items as a log.
class LogTarget final : public BlockTarget {
 public:
  void WriteText(std::string_view written) override { text += written; }
  ItemRecorder& Items() override { return recorder_; }
  std::string text, items;

 private:
  LoggingRecorder recorder_{items};
};

// Block 0 streams while it is filled; blocks after it are held, however early they finish, and
// follow in order once their turn comes. What is written is held no longer.
TEST(OrderedBlocks, TheNextBlockStreamsAndLaterOnesWaitTheirTurn) {
  enum Op { Add, Finish };
  struct Step {
    Op op;
    std::size_t block;
    const char* text;
    const char* written;  // everything on the target after WriteReady
    bool allWritten;
    std::size_t held;
  };
  // clang-format off
  const Step steps[] = {
      {Add, 1, "b1 ", "", false, 1},
      {Add, 0, "a1 ", "a1 ", false, 1},
      {Add, 2, "c1 ", "a1 ", false, 2},
      {Finish, 2, "", "a1 ", false, 2},
      {Add, 0, "a2 ", "a1 a2 ", false, 2},
      {Finish, 0, "", "a1 a2 b1 ", false, 1},
      {Add, 1, "b2 ", "a1 a2 b1 b2 ", false, 1},
      {Finish, 1, "", "a1 a2 b1 b2 c1 ", true, 0},
  };
  // clang-format on
  OrderedBlocks blocks(3);
  LogTarget target;
  for (const Step& step : steps) {
    if (step.op == Add) blocks.AddText(step.block, step.text);
    if (step.op == Finish) blocks.Finish(step.block);
    EXPECT_EQ(blocks.WriteReady(target), step.allWritten) << step.block << step.text;
    EXPECT_EQ(target.text, step.written) << step.block << step.text;
    EXPECT_EQ(blocks.HeldEntries(), step.held) << step.block << step.text;
  }
  EXPECT_TRUE(blocks.WaitForNext({}));
}

// A block's lines, made by a report writer into the block's sink, and its item calls reach the
// target exactly as they would have reached it directly.
TEST(OrderedBlocks, ABlockReplaysItsWriterAndItsItemsUnchanged) {
  const auto produce = [](ReportWriter& writer) {
    writer.BeginCategory("A Category", 2, {.list = "parts", .holds = "lines"}, {});
    writer.BeginItem();
    writer.WriteField("Caption: ", "a\x1B-b", "Caption", SourceValue{std::string("a\x1B-b")});
    writer.RecordField("Size", SourceValue{std::uint64_t{1} << 40});
    writer.EndItem();
    writer.BeginGroup("HKCU\\Software");
    writer.EndGroup();
    writer.WriteLinePart(std::string(70'000, 'x'));
    writer.WriteReportLine("");
    writer.SourceEnded(Error{ErrorKind::TimedOut, "no answer"});
    writer.EndCategory(3);
  };
  std::string directText, directItems;
  LoggingRecorder direct(directItems);
  {
    ReportWriter writer(std::make_unique<testing::MemorySink>(directText));
    writer.SetItemRecorder(&direct);
    produce(writer);
  }

  OrderedBlocks blocks(2);
  BlockRecorder recorder(blocks, 1);
  {
    ReportWriter writer(std::make_unique<BlockSink>(blocks, 1));
    writer.SetItemRecorder(&recorder);
    produce(writer);
  }
  blocks.Finish(1);
  blocks.Finish(0);
  LogTarget target;
  ASSERT_TRUE(blocks.WriteReady(target));
  EXPECT_EQ(target.text, directText);
  EXPECT_EQ(target.items, directItems);
}

// Producers on threads of their own, finishing in any order, each with text and items: the
// report holds every block whole, in index order, and ThreadSanitizer sees no race.
TEST(OrderedBlocks, ConcurrentProducersAreWrittenInIndexOrder) {
  constexpr std::size_t kBlocks = 8;
  constexpr int kLines = 200;
  OrderedBlocks blocks(kBlocks);
  std::string expectedText, expectedItems;
  for (std::size_t b = 0; b < kBlocks; ++b) {
    for (int line = 0; line < kLines; ++line) {
      expectedText += std::to_string(b) + "." + std::to_string(line) + "\r\n";
      expectedItems += "[item][n=" + std::to_string(line) + "][item end]";
    }
  }
  std::vector<std::jthread> producers;
  for (std::size_t b = 0; b < kBlocks; ++b) {
    producers.emplace_back([&blocks, b] {
      std::mt19937 random(static_cast<unsigned>(b));
      BlockRecorder items(blocks, b);
      for (int line = 0; line < kLines; ++line) {
        blocks.AddText(b, std::to_string(b) + "." + std::to_string(line) + "\r\n");
        items.BeginItem();
        items.Field("n", SourceValue{std::int64_t{line}});
        items.EndItem();
        if (random() % 8 == 0) std::this_thread::yield();
      }
      blocks.Finish(b);
    });
  }
  LogTarget target;
  while (!blocks.WriteReady(target)) blocks.WaitForNext({});
  producers.clear();
  EXPECT_EQ(target.text, expectedText);
  EXPECT_EQ(target.items, expectedItems);
  EXPECT_EQ(blocks.HeldEntries(), 0u);
}

}  // namespace
}  // namespace sysinfo
