#pragma once

#include "base/date_time.h"

#include <QtGlobal>
#include <cstddef>
#include <memory>
#include <vector>

// State of an index entry.
enum TPacketState : quint8 {
  psOpen = 0,       // a generation packet whose end has not arrived yet
  psComplete = 1,   // a received chunk, or a closed packet its decoder did not recognise
  psRecognised = 2, // a closed packet its decoder accepted
  psSent = 255      // bytes the program sent
};

// One index entry: a stretch of the traffic log.
struct TPacket {
  TDateTime Time = 0;
  qint64 Position = 0;
  qint64 Size = 0;
  quint8 State = psOpen;

  qint64 End() const { return Position + Size; }
};

// Storage of the packet indexes. A log fed in small chunks grows its index by an entry per chunk,
// hundreds of megabytes over a long session: blocks from kLargeIndexBlock up ask the system for
// huge pages, so that a growing index does not fault on every 4 KB it first touches.
namespace PacketStorage {
inline constexpr std::size_t kLargeIndexBlock = std::size_t(1) << 20;
void* AllocateLarge(std::size_t aBytes);
void FreeLarge(void* aBlock) noexcept;
// Asks for huge pages for the whole 2 MB pages inside a big block already allocated (a hint). With
// aPopulate the block's pages are made present at once too, in one call rather than a fault per
// page: for a block about to be written whole.
void AdviseHugePages(void* aBlock, std::size_t aBytes, bool aPopulate = false) noexcept;
} // namespace PacketStorage

template <typename T> struct TIndexAllocator {
  using value_type = T;
  TIndexAllocator() noexcept = default;
  template <typename U> TIndexAllocator(const TIndexAllocator<U>&) noexcept {}
  T* allocate(std::size_t aCount) {
    if (aCount * sizeof(T) >= PacketStorage::kLargeIndexBlock)
      return static_cast<T*>(PacketStorage::AllocateLarge(aCount * sizeof(T)));
    return std::allocator<T>().allocate(aCount);
  }
  void deallocate(T* aBlock, std::size_t aCount) noexcept {
    if (aCount * sizeof(T) >= PacketStorage::kLargeIndexBlock)
      PacketStorage::FreeLarge(aBlock);
    else
      std::allocator<T>().deallocate(aBlock, aCount);
  }
  template <typename U> bool operator==(const TIndexAllocator<U>&) const noexcept { return true; }
};

using TPacketArray = std::vector<TPacket, TIndexAllocator<TPacket>>;

// Protocol generation of the selected port.
enum TVersionType { vtDetect, vtVersion0, vtVersion1, vtVersion2, vtVersion3 };
