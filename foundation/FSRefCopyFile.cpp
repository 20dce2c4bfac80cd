#include "foundation/FSRefCopyFile.h"

#include <memory>
#include <mutex>

#include "foundation/CString.h"
#include "foundation/CZorbOSFileHelpers.h"
#include "platform/os/Catalog.h"
#include "platform/os/MacStatus.h"

namespace {

constexpr uint32_t kCopyBufferSize = 131072;
constexpr uint32_t kCopyBlock = 4096;

// A drop box: the user may make changes there but sees neither its folders
// nor its files.
constexpr uint8_t kAccessBits =
    platform::kNoSeeFolders | platform::kNoSeeFiles | platform::kNoMakeChanges;
constexpr uint8_t kDropBoxAccess = platform::kNoSeeFolders | platform::kNoSeeFiles;

// One buffer serves every copy; the lock keeps two copies from sharing it.
uint8_t gCopyFileBuffer[kCopyBufferSize];
std::mutex gCopyFileBufferLock;

}  // namespace

uint64_t FSCopyBlocksNeeded(uint64_t size, uint64_t blockSize, uint64_t clumpBytes) {
  if (blockSize == 0) return 0;
  uint64_t blocks = size / blockSize + (size % blockSize ? 1 : 0);
  // A clump smaller than a block would count as no block at all.
  uint64_t clumpBlocks = clumpBytes / blockSize;
  if (clumpBlocks == 0) clumpBlocks = 1;
  const uint64_t clumps = blocks / clumpBlocks + (blocks % clumpBlocks ? 1 : 0);
  return clumps * clumpBlocks;
}

int32_t FSCopyFork(platform::Fork& sourceFork, platform::Fork& destFork, void* buffer,
                   uint32_t bufferSize) {
  if (!buffer || bufferSize == 0) return platform::paramErr;
  int64_t size = 0;
  if (int32_t status = sourceFork.getSize(size)) return status;
  if (int32_t status = destFork.setSize(size)) return status;
  if (int32_t status = sourceFork.setPosition(0)) return status;
  if (int32_t status = destFork.setPosition(0)) return status;
  // Whole blocks, once the buffer holds at least one.
  if (bufferSize >= kCopyBlock && bufferSize % kCopyBlock != 0)
    bufferSize -= bufferSize % kCopyBlock;

  sourceFork.setNoCache(true);
  for (;;) {
    uint32_t got = 0;
    const int32_t readStatus = sourceFork.read(buffer, bufferSize, got);
    if (got > 0) {
      if (int32_t writeStatus = destFork.write(buffer, got)) return writeStatus;
    }
    if (readStatus == platform::eofErr) return platform::noErr;
    if (readStatus) return readStatus;
  }
}

int32_t FSCopyFileMgrAttributes(const platform::FSRef& source, const platform::FSRef& dest,
                                bool copyLockBit) {
  platform::CatalogInfo info;
  if (int32_t status = platform::getCatalogInfo(source, info)) return status;
  platform::setFinderInfoFlags(
      info.finderInfo, platform::finderInfoFlags(info.finderInfo) & ~platform::kFinderFlagInited);
  if (!copyLockBit) {
    info.nodeFlags &= ~platform::kNodeLocked;
    info.mode |= platform::kModeOwnerWrite;
  }
  return platform::setCatalogInfo(dest, platform::kCatSettable, info);
}

int32_t FSRefCopyFile(const platform::FSRef& source, const platform::FSRef& destFolder,
                      const platform::HFSUniStr255& newName) {
  using namespace platform;

  // Room on the destination volume. Linux has no allocation clumps: a fork
  // takes whole blocks.
  uint64_t blockSize = 0, freeBlocks = 0;
  if (int32_t status = getVolumeSizes(destFolder, blockSize, freeBlocks)) return status;
  CatalogInfo sourceInfo;
  if (int32_t status = getCatalogInfo(source, sourceInfo)) return status;
  const uint64_t dataSize = sourceInfo.dataLogicalSize;
  const uint64_t rsrcSize = sourceInfo.rsrcLogicalSize;
  if (blockSize > 0) {
    const uint64_t needed = FSCopyBlocksNeeded(dataSize, blockSize, blockSize) +
                            FSCopyBlocksNeeded(rsrcSize, blockSize, blockSize);
    if (needed > freeBlocks) return dskFulErr;
  }

  CatalogInfo folderInfo;
  if (int32_t status = getCatalogInfo(destFolder, folderInfo)) return status;
  if (!(folderInfo.nodeFlags & kNodeIsDirectory)) return dirNFErr;
  uint8_t privileges = 0;
  if (int32_t status = getUserPrivileges(destFolder, privileges)) return status;
  const bool dropBox = (privileges & kAccessBits) == kDropBoxAccess;

  std::string name;
  if (!hfsNameToPosix(newName, name)) return bdNamErr;

  std::lock_guard<std::mutex> lock(gCopyFileBufferLock);
  std::unique_ptr<Fork> sourceData;
  if (int32_t status = Fork::open(source, Fork::Kind::Data, false, sourceData)) return status;

  FSRef created;
  if (int32_t status = createFile(destFolder, name, nullptr, created)) return status;

  std::unique_ptr<Fork> newData, newRsrc, sourceRsrc;
  auto step = [&]() -> int32_t {
    if (dropBox) {
      if (int32_t status = FSCopyFileMgrAttributes(source, created, false)) return status;
    }
    if (dataSize > 0) {
      if (int32_t status = Fork::open(created, Fork::Kind::Data, true, newData)) return status;
    }
    if (rsrcSize > 0) {
      if (int32_t status = Fork::open(created, Fork::Kind::Resource, true, newRsrc)) return status;
    }
    if (dataSize > 0) {
      if (int32_t status = FSCopyFork(*sourceData, *newData, gCopyFileBuffer, kCopyBufferSize))
        return status;
      if (int32_t status = newData->close()) return status;
    }
    sourceData.reset();
    if (rsrcSize > 0) {
      if (int32_t status = Fork::open(source, Fork::Kind::Resource, false, sourceRsrc))
        return status;
      if (int32_t status = FSCopyFork(*sourceRsrc, *newRsrc, gCopyFileBuffer, kCopyBufferSize))
        return status;
      if (int32_t status = newRsrc->close()) return status;
      sourceRsrc.reset();
    }
    return noErr;
  };

  if (int32_t status = step()) {
    // Close whatever is open, then remove the partial copy with its sidecar.
    sourceData.reset();
    sourceRsrc.reset();
    newData.reset();
    newRsrc.reset();
    // The copy's own failure is what the caller must hear; a partial copy
    // that cannot be removed is only logged.
    if (const int32_t removed = deleteObject(created)) {
      CString message;
      message.Format(u"A partial copy stays at %ls : %d", zorbos::PosixToColon(created.path).Get(),
                     removed);
      zorbos::LogDebug(message, __FILE__, __LINE__);
    }
    return status;
  }

  // The copy stands even when some attribute cannot be set.
  (void)FSCopyFileMgrAttributes(source, created, true);
  return noErr;
}
