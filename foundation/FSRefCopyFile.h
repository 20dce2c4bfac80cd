#pragma once

#include <cstdint>

#include "platform/os/FileRef.h"
#include "platform/os/Fork.h"

// Copies one file with both forks and its settable attributes into a folder
// under a new name, which must not exist yet. The destination volume's room
// is checked first; a copy that fails after the new file was created removes
// it again. Returns 0 or a negative status (dskFulErr when the copy cannot
// fit, dirNFErr when the destination is not a folder).
[[nodiscard]] int32_t FSRefCopyFile(const platform::FSRef& source,
                                    const platform::FSRef& destFolder,
                                    const platform::HFSUniStr255& newName);

// Copies the whole of one open fork onto another, through the given buffer.
[[nodiscard]] int32_t FSCopyFork(platform::Fork& sourceFork, platform::Fork& destFork, void* buffer,
                                 uint32_t bufferSize);

// Gives dest the settable attributes of source: permissions, locked flag
// (only with copyLockBit), Finder info (without its "inited" flag) and dates.
[[nodiscard]] int32_t FSCopyFileMgrAttributes(const platform::FSRef& source,
                                              const platform::FSRef& dest, bool copyLockBit);

// Blocks of the volume that a fork of `size` bytes takes when space is
// allocated in clumps of `clumpBytes` (rounded up to whole clumps). A clump
// smaller than a block counts as one block.
uint64_t FSCopyBlocksNeeded(uint64_t size, uint64_t blockSize, uint64_t clumpBytes);
