#pragma once

#include <string>

#include "platform/os/PlatformConfig.h"
#include "testsupport/TempDir.h"

// A volume "Test" over a fresh folder, installed for the object's lifetime,
// so that colon paths read "Test:a:b" and land in `dir`.
class TestVolume {
 protected:
  TestVolume() : volumeConfig(MakeConfig(dir.path())), useVolume(volumeConfig) {}

  static std::u16string Colon(const std::string& relative) {
    return u"Test:" + std::u16string(relative.begin(), relative.end());
  }

  TempDir dir;

 private:
  static platform::PlatformConfig MakeConfig(const std::string& root) {
    platform::PlatformConfig config;
    config.volumes = {platform::Volume{"Test", root}};
    return config;
  }

  platform::PlatformConfig volumeConfig;
  platform::PlatformConfig::Override useVolume;
};
