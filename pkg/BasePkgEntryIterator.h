#pragma once

#include <memory>
#include <string>

#include "pkg/IPackage.h"
#include "pkg/IPkgEntry.h"

namespace pkg {

// The public entry iterator: a shared handle of the package's iterator.
class BasePkgEntryIterator {
 public:
  // An invalid iterator (the end).
  BasePkgEntryIterator();
  // Every entry of the package; only an empty filter is supported.
  explicit BasePkgEntryIterator(std::shared_ptr<IPackage> package,
                                const std::string& filter = std::string());

  bool isValid() const;
  // Code 24 on an invalid iterator.
  SPRefType<IPkgEntry> operator*() const;
  BasePkgEntryIterator& operator++();
  // Valid iterators are equal when they share one implementation; all
  // invalid ones are equal.
  bool operator==(const BasePkgEntryIterator& other) const;
  bool operator!=(const BasePkgEntryIterator& other) const { return !(*this == other); }

 private:
  std::shared_ptr<IPackage> m_package;
  std::shared_ptr<IPkgEntryIteratorImpl> m_impl;
};

}  // namespace pkg
