#pragma once

#include <atomic>

#include "pkg/IPkgHexStrings.h"
#include "pkg/PkgMutualExclusion.h"

namespace pkg {

// The hex-string converter singleton. Integers are written as their
// little-endian byte image: the 16-bit value 0x1234 gives "3412".
class BasePkgHexStrings : public IPkgHexStrings {
 public:
  static BasePkgHexStrings* getInstance();

  std::string encodeHexString(const void* data, uint32_t length) override;
  uint32_t decodeHexString(const std::string& text, void* buffer, uint32_t& count) override;

  std::string iToHexString(char value) override;
  std::string iToHexString(unsigned char value) override;
  std::string iToHexString(short value) override;
  std::string iToHexString(unsigned short value) override;
  std::string iToHexString(int value) override;
  std::string iToHexString(unsigned int value) override;
  std::string iToHexString(long long value) override;
  std::string iToHexString(unsigned long long value) override;

  void hexStringToI(const std::string& text, unsigned long long& out) override;
  void hexStringToI(const std::string& text, long long& out) override;
  void hexStringToI(const std::string& text, unsigned int& out) override;
  void hexStringToI(const std::string& text, int& out) override;
  void hexStringToI(const std::string& text, unsigned short& out) override;
  void hexStringToI(const std::string& text, short& out) override;
  void hexStringToI(const std::string& text, unsigned char& out) override;
  void hexStringToI(const std::string& text, char& out) override;

  BasePkgHexStrings();
  virtual ~BasePkgHexStrings();
  BasePkgHexStrings(const BasePkgHexStrings&) = delete;
  BasePkgHexStrings& operator=(const BasePkgHexStrings&) = delete;

 private:
  static std::atomic<BasePkgHexStrings*> s_instance;
  static PkgMutualExclusion s_mutex;
};

}  // namespace pkg
