#include "foundation/CMacFileBuffer.h"

#include "foundation/CBufferedFile.h"
#include "foundation/CMemoryMappedFile.h"
#include "foundation/CRawFile.h"

CMacFileBuffer::CMacFileBuffer(const platform::FSRef& file, const platform::HFSUniStr255& forkName,
                               bool write, bool raw) {
  if (write || !platform::isDataForkName(forkName))
    m_file = new CBufferedFile(file, forkName, write);
  else if (raw)
    m_file = new CRawFile(file, forkName, false);
  else
    m_file = new CMemoryMappedFile(file, false);
}

CMacFileBuffer::~CMacFileBuffer() {
  delete m_file;
  m_file = nullptr;
}
