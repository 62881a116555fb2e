#include "core/packet.h"

#include <cstdint>
#include <cstdlib>
#include <new>
#ifdef __linux__
#include <sys/mman.h>
#endif

namespace {
constexpr std::size_t kHugePage = std::size_t(2) << 20;
} // namespace

void* PacketStorage::AllocateLarge(std::size_t aBytes) {
  // Whole huge pages, aligned to them, so that every page of the block can be one.
  const std::size_t bytes = (aBytes + kHugePage - 1) / kHugePage * kHugePage;
  void* block = std::aligned_alloc(kHugePage, bytes);
  if (!block)
    throw std::bad_alloc();
#ifdef __linux__
  // A hint only: without transparent huge pages the block is plain memory.
  madvise(block, bytes, MADV_HUGEPAGE);
#endif
  return block;
}

void PacketStorage::FreeLarge(void* aBlock) noexcept {
  std::free(aBlock);
}

void PacketStorage::AdviseHugePages(void* aBlock, std::size_t aBytes, bool aPopulate) noexcept {
#ifdef __linux__
  if (aBytes < kLargeIndexBlock)
    return;
  const auto begin = reinterpret_cast<std::uintptr_t>(aBlock);
  const std::uintptr_t from = (begin + kHugePage - 1) / kHugePage * kHugePage;
  const std::uintptr_t to = (begin + aBytes) / kHugePage * kHugePage;
  if (to > from)
    madvise(reinterpret_cast<void*>(from), to - from, MADV_HUGEPAGE);
#ifdef MADV_POPULATE_WRITE
  // Whole small pages only; a kernel before 5.14 refuses, and the pages come by faults as ever.
  constexpr std::uintptr_t kPage = 4096;
  const std::uintptr_t first = (begin + kPage - 1) / kPage * kPage;
  const std::uintptr_t last = (begin + aBytes) / kPage * kPage;
  if (aPopulate && last > first)
    madvise(reinterpret_cast<void*>(first), last - first, MADV_POPULATE_WRITE);
#endif
#else
  Q_UNUSED(aBlock);
  Q_UNUSED(aBytes);
  Q_UNUSED(aPopulate);
#endif
}
