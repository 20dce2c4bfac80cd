#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "foundation/CFile.h"

class CString;

namespace platform {
class TextConversion;
}

// A file of text in one text encoding (a Mac TextEncoding value). It reads
// and writes UTF-16 text, converting it to and from the file's bytes; lines
// it writes end in a single carriage return.
class CZorbFile : public CFile {
 public:
  explicit CZorbFile(uint32_t encoding);
  ~CZorbFile() override;

  [[nodiscard]] bool Open(const char16_t* path, unsigned int flags, bool raw = false) override;
  void Close() override;

  // Converts length units of UTF-16 text (0: up to the terminator) to the
  // encoding and writes all of it; 0 or the first failing write's status.
  [[nodiscard]] int Write(const void* text, unsigned int length) override;
  // Reads size / 2 bytes and decodes them into at most size / 2 units of
  // out; returns the units. A character cut by the block's end is kept for
  // the next read.
  [[nodiscard]] unsigned int Read(void* out, unsigned int size) override;

  virtual void SetScriptCode(uint32_t encoding);
  virtual uint32_t GetScriptCode() const;

  // Raw bytes, as CFile reads and writes them.
  [[nodiscard]] virtual unsigned int ReadBytes(void* buffer, unsigned int count);
  // From the start, past a byte-order mark, the whole rest decoded into
  // out (in the mark's encoding when there is one); returns its units (0
  // and empty out when the file cannot be read whole).
  [[nodiscard]] virtual uint32_t ReadFile(CString& out);
  // Up to size - 1 raw bytes of the next line, terminated, without its line
  // end (CR, LF, CR LF or LF CR). A longer line comes in pieces. False for a
  // null buffer, a size below 2 or at the end of the file.
  [[nodiscard]] virtual bool ReadLineRaw(char* buffer, unsigned int size);
  [[nodiscard]] virtual bool ReadLine(char16_t* buffer, unsigned int size);
  // The next whole line decoded into buffer (size units, terminator
  // included). A line that does not fit is cut at a whole character and
  // its rest comes with the next call. False only at the end of the file.
  [[nodiscard]] virtual bool ReadLineDecode(char16_t* buffer, unsigned int size);
  // The next block of at most 4096 raw bytes (with any character cut at
  // the previous block's end) decoded into buffer; end is set once the
  // file is used up.
  [[nodiscard]] virtual uint32_t ReadFileDecode(char16_t* buffer, unsigned int size,
                                                bool* end = nullptr);
  [[nodiscard]] virtual int WriteBytes(const void* bytes, unsigned int count);
  // The bytes of a C string, without a line end.
  [[nodiscard]] virtual int WriteLineRaw(const char* text);
  [[nodiscard]] virtual int WriteLine(const char16_t* text, unsigned int length,
                                      bool lineEnd = true);
  // Writes the text with every line end in it (CR LF, LF CR, CR or LF)
  // turned into a single carriage return; with lineEnd, the text ends in
  // exactly one. A null text or length 0 writes only that carriage return.
  [[nodiscard]] virtual int WriteLineEncode(const char16_t* text, unsigned int length,
                                            bool lineEnd = true);
  [[nodiscard]] virtual int WriteString(const char16_t* text);
  // The buffer after ReadLineDecode, or null at the end of the file.
  [[nodiscard]] virtual char16_t* ReadString(char16_t* buffer, unsigned int size);
  // The next whole line, whatever its length; false at the end of the file.
  [[nodiscard]] virtual bool ReadString(CString& line);
  // The mark of the encoding (none for most); returns the bytes written.
  [[nodiscard]] virtual uint32_t WriteByteOrderMark();
  // At the start of the file: moves past a byte-order mark.
  virtual void ReadPastByteOrderMark();
  [[nodiscard]] virtual bool SetEncodingFromByteOrderMark();
  [[nodiscard]] virtual bool SetEncodingFromXMLDecl();

  // A mark among the first 10 bytes (a shorter file has none); the
  // position does not move.
  [[nodiscard]] static bool FileGetEncodingFromByteOrderMark(CFile& file, uint32_t& encoding);
  // The XML declaration at the start of the file (at most size - 1 bytes
  // are looked at) as UTF-16 units in buffer, terminated when there is
  // room; returns its length, 0 when there is none.
  [[nodiscard]] static uint32_t FileGetXMLDecl(CFile& file, char16_t* buffer, uint32_t size);
  [[nodiscard]] static bool FileGetEncodingFromXMLDecl(CFile& file, uint32_t& encoding);
  // Up to count bytes from the start (or from the current position) of the
  // file; the position does not move. Returns the count read.
  [[nodiscard]] static uint32_t FilePeekStartBytes(CFile& file, void* buffer, uint32_t count);
  [[nodiscard]] static uint32_t FilePeekBytes(CFile& file, void* buffer, uint32_t count);

 private:
  // Bytes per code unit of the encoding: 2 for UTF-16, 4 for UTF-32,
  // else 1. Line ends are found on whole units.
  unsigned UnitWidth() const;
  // Reads up to the next line end, appending at most maxBytes (0: all) of
  // the line to out; ended tells whether a line end was consumed. False at
  // the end of the file.
  [[nodiscard]] bool ReadRawLine(std::string& out, size_t maxBytes, unsigned width, bool& ended);
  [[nodiscard]] bool ReadDecodedLine(std::u16string& line);
  [[nodiscard]] uint32_t DecodeBlock(size_t rawBytes, char16_t* out, size_t units, bool* end);
  [[nodiscard]] int WriteEncoded(const char16_t* text, size_t length);
  void ForgetReadState();

  uint32_t m_encoding;
  // The rest of a decoded line that did not fit the caller's buffer, valid
  // while the position stays at m_pendingPosition.
  std::u16string m_pending;
  int64_t m_pendingPosition = -1;
  // Bytes of a character cut by the end of the last decoded block, and the
  // decoder with its shift state, valid while the position stays at
  // m_carryPosition.
  std::string m_carry;
  std::unique_ptr<platform::TextConversion> m_blockDecoder;
  int64_t m_carryPosition = -1;
};
