#pragma once

#include <cstdint>
#include <string>

namespace pkg {

// Bytes and integers as upper-case hexadecimal text and back.
class IPkgHexStrings {
 public:
  virtual std::string encodeHexString(const void* data, uint32_t length) = 0;
  // Returns the number of bytes the text holds; with a buffer, decodes up to
  // count of them and sets count to the number written. Non-hex digits in
  // the decoded part are refused with PackageException 22.
  virtual uint32_t decodeHexString(const std::string& text, void* buffer, uint32_t& count) = 0;

  virtual std::string iToHexString(char value) = 0;
  virtual std::string iToHexString(unsigned char value) = 0;
  virtual std::string iToHexString(short value) = 0;
  virtual std::string iToHexString(unsigned short value) = 0;
  virtual std::string iToHexString(int value) = 0;
  virtual std::string iToHexString(unsigned int value) = 0;
  virtual std::string iToHexString(long long value) = 0;
  virtual std::string iToHexString(unsigned long long value) = 0;

  // A text holding anything but the digits 0-9 and A-F is
  // refused with PackageException 22; out is then 0.
  virtual void hexStringToI(const std::string& text, unsigned long long& out) = 0;
  virtual void hexStringToI(const std::string& text, long long& out) = 0;
  virtual void hexStringToI(const std::string& text, unsigned int& out) = 0;
  virtual void hexStringToI(const std::string& text, int& out) = 0;
  virtual void hexStringToI(const std::string& text, unsigned short& out) = 0;
  virtual void hexStringToI(const std::string& text, short& out) = 0;
  virtual void hexStringToI(const std::string& text, unsigned char& out) = 0;
  virtual void hexStringToI(const std::string& text, char& out) = 0;

 protected:
  ~IPkgHexStrings() = default;
};

}  // namespace pkg
