// Blocks of a report filled side by side and written one after the other, in their order.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <functional>
#include <mutex>
#include <optional>
#include <stop_token>
#include <string>
#include <string_view>
#include <vector>

#include "report/item_recorder.h"
#include "report/report.h"

namespace sysinfo {

// Where the blocks go: the report's finished text (lines as a report writer made them, CR LF and
// all) and the listener of its recorded items.
class BlockTarget {
 public:
  virtual ~BlockTarget() = default;
  virtual void WriteText(std::string_view text) = 0;
  virtual ItemRecorder& Items() = 0;
  // Once the target cannot take more (the report's file failed), nothing more is written to it.
  virtual bool Failed() const { return false; }
};

// A fixed number of blocks, each filled by one producer on a thread of its own, written to one
// target by one writer strictly in index order. The block written next streams straight through:
// what its producer adds is written as soon as the writer gets to it, so a process ended from
// outside loses no line of a block already begun on disk. A later block is held whole until every
// block before it is written; what is written is held no longer, so memory holds only the blocks
// still waiting for their turn.
class OrderedBlocks {
 public:
  // One step of a block: text to write, or a call on the item listener.
  using Entry = std::function<void(BlockTarget&)>;

  explicit OrderedBlocks(std::size_t count) : blocks_(count) {}

  // The producers' side. Nothing may be added to a block after its Finish.
  void Add(std::size_t index, Entry entry);
  void AddText(std::size_t index, std::string text);
  void Finish(std::size_t index);

  // The writer's side, one thread. Writes, in order, every entry that may be written now; true
  // once every block is finished and written, false as soon as the target has failed.
  bool WriteReady(BlockTarget& target);
  // Returns when the block written next has something to write or is finished (true), or when a
  // stop is requested (false).
  bool WaitForNext(std::stop_token stop);
  // How many entries are held, written by nobody yet.
  std::size_t HeldEntries() const;

 private:
  struct Block {
    std::vector<Entry> entries;  // added and not yet written
    bool finished = false;
  };
  bool NextReady() const;

  mutable std::mutex mutex_;
  std::condition_variable_any changed_;
  std::vector<Block> blocks_;
  std::size_t next_ = 0;  // the block being written; blocks_.size() once all are
};

// The item calls of one block, kept as entries for the writer to replay on the target's listener.
class BlockRecorder final : public ItemRecorder {
 public:
  BlockRecorder(OrderedBlocks& blocks, std::size_t index) : blocks_(blocks), index_(index) {}

  void BeginCategory(std::string_view name, int number, const ReportShape& shape) override;
  void EndCategory(const CategoryOutcome& outcome) override;
  void BeginGroup(std::string_view name) override;
  void EndGroup() override;
  void BeginItem() override;
  void Field(std::string_view name, const SourceValue& value) override;
  void EndItem() override;

 private:
  void Keep(std::function<void(ItemRecorder&)> call);

  OrderedBlocks& blocks_;
  std::size_t index_;
};

// The report text of one block, as the sink of the report writer its producer writes with: each
// piece the writer hands on (a finished line, or a piece of a very long one) becomes an entry.
class BlockSink final : public ReportSink {
 public:
  BlockSink(OrderedBlocks& blocks, std::size_t index) : blocks_(blocks), index_(index) {}
  Status Write(std::string_view utf8Text) override;
  Status Close() override { return std::nullopt; }

 private:
  OrderedBlocks& blocks_;
  std::size_t index_;
};

}  // namespace sysinfo
