#pragma once
// The memory of one XML document's tree: nodes, texts and attribute lists are
// carved out of large blocks and released all at once, so that a document of
// many small nodes costs one allocation per block rather than several per
// node.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

class XmlArena {
 public:
  // Memory for bytes bytes aligned to alignment (a power of two, at most that
  // of std::max_align_t). Throws std::bad_alloc like operator new.
  void* Allocate(std::size_t bytes, std::size_t alignment) {
    const std::uintptr_t mask = alignment - 1;
    std::uintptr_t at = (reinterpret_cast<std::uintptr_t>(next_) + mask) & ~mask;
    if (next_ == nullptr || at > end_ || bytes > end_ - at) {
      // A large request takes a block of its own; the current one stays.
      if (bytes > kMaxBlockBytes / 4) return NewBlock(bytes);
      // Small documents take small blocks; large ones soon the largest.
      std::size_t blockBytes =
          std::max(kMinBlockBytes, std::min(kMaxBlockBytes, 2 * lastBlockBytes_));
      while (blockBytes < bytes) blockBytes *= 2;
      next_ = static_cast<unsigned char*>(NewBlock(blockBytes));
      lastBlockBytes_ = blockBytes;
      end_ = reinterpret_cast<std::uintptr_t>(next_) + blockBytes;
      at = reinterpret_cast<std::uintptr_t>(next_);  // block starts are max-aligned
    }
    next_ = reinterpret_cast<unsigned char*>(at + bytes);
    return reinterpret_cast<void*>(at);
  }

  // Frees every block; what was allocated is gone.
  void Release() {
    blocks_.clear();
    next_ = nullptr;
    end_ = 0;
    lastBlockBytes_ = 0;
  }

 private:
  static constexpr std::size_t kMinBlockBytes = 1024;
  static constexpr std::size_t kMaxBlockBytes = 64 * 1024;

  void* NewBlock(std::size_t bytes) {
    std::unique_ptr<unsigned char[]> block(new unsigned char[bytes]);
    unsigned char* start = block.get();
    blocks_.push_back(std::move(block));  // a failed push leaves the block to be freed here
    return start;
  }

  std::vector<std::unique_ptr<unsigned char[]>> blocks_;
  unsigned char* next_ = nullptr;
  std::uintptr_t end_ = 0;
  std::size_t lastBlockBytes_ = 0;
};
