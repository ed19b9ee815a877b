// Blocks filled side by side, written in order: the block next in line streams, later ones wait.
#include "scan/ordered_blocks.h"

#include <utility>

namespace sysinfo {

// The writer is woken only for the block it waits for: a later block's entries wait their turn.
void OrderedBlocks::Add(std::size_t index, Entry entry) {
  const std::lock_guard lock(mutex_);
  blocks_[index].entries.push_back(std::move(entry));
  if (index == next_) changed_.notify_one();
}

void OrderedBlocks::AddText(std::size_t index, std::string text) {
  Add(index, [text = std::move(text)](BlockTarget& target) { target.WriteText(text); });
}

void OrderedBlocks::Finish(std::size_t index) {
  const std::lock_guard lock(mutex_);
  blocks_[index].finished = true;
  if (index == next_) changed_.notify_one();
}

bool OrderedBlocks::WriteReady(BlockTarget& target) {
  std::unique_lock lock(mutex_);
  while (next_ < blocks_.size()) {
    Block& block = blocks_[next_];
    // Taken out whole, and written without the lock, so the producers go on meanwhile.
    const std::vector<Entry> ready = std::exchange(block.entries, {});
    const bool finished = block.finished;  // then nothing more comes after what was taken
    if (ready.empty() && !finished) return false;
    lock.unlock();
    for (const Entry& entry : ready) {
      if (target.Failed()) return false;
      entry(target);
    }
    lock.lock();
    if (finished) ++next_;
  }
  return true;
}

bool OrderedBlocks::NextReady() const {
  return next_ == blocks_.size() || blocks_[next_].finished || !blocks_[next_].entries.empty();
}

bool OrderedBlocks::WaitForNext(std::stop_token stop) {
  std::unique_lock lock(mutex_);
  return changed_.wait(lock, stop, [this] { return NextReady(); });
}

std::size_t OrderedBlocks::HeldEntries() const {
  const std::lock_guard lock(mutex_);
  std::size_t held = 0;
  for (const Block& block : blocks_) held += block.entries.size();
  return held;
}

void BlockRecorder::Keep(std::function<void(ItemRecorder&)> call) {
  blocks_.Add(index_, [call = std::move(call)](BlockTarget& target) { call(target.Items()); });
}

void BlockRecorder::BeginCategory(std::string_view name, int number, const ReportShape& shape) {
  Keep([name = std::string(name), number, shape](ItemRecorder& items) {
    items.BeginCategory(name, number, shape);
  });
}

void BlockRecorder::EndCategory(const CategoryOutcome& outcome) {
  Keep([outcome](ItemRecorder& items) { items.EndCategory(outcome); });
}

void BlockRecorder::BeginGroup(std::string_view name) {
  Keep([name = std::string(name)](ItemRecorder& items) { items.BeginGroup(name); });
}

void BlockRecorder::EndGroup() {
  Keep([](ItemRecorder& items) { items.EndGroup(); });
}

void BlockRecorder::BeginItem() {
  Keep([](ItemRecorder& items) { items.BeginItem(); });
}

void BlockRecorder::Field(std::string_view name, const SourceValue& value) {
  Keep([name = std::string(name), value](ItemRecorder& items) { items.Field(name, value); });
}

void BlockRecorder::EndItem() {
  Keep([](ItemRecorder& items) { items.EndItem(); });
}

Status BlockSink::Write(std::string_view utf8Text) {
  blocks_.AddText(index_, std::string(utf8Text));
  return std::nullopt;
}

}  // namespace sysinfo
