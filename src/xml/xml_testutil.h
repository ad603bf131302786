// Test helper: switches the process's locale (C++ global and C, all categories) and restores it.
#ifndef CARMASEQ_XML_XML_TESTUTIL_H_
#define CARMASEQ_XML_XML_TESTUTIL_H_

#include <clocale>
#include <locale>
#include <stdexcept>
#include <string>

namespace QxXML_940 {

// Restores, on destruction, the locales in force at construction.
class ScopedLocale {
 public:
  ScopedLocale() : cLocale_(std::setlocale(LC_ALL, nullptr)), cppLocale_() {}
  ScopedLocale(const ScopedLocale&) = delete;
  ScopedLocale& operator=(const ScopedLocale&) = delete;
  ~ScopedLocale() {
    std::locale::global(cppLocale_);
    std::setlocale(LC_ALL, cLocale_.c_str());
  }

  // Returns true iff name is installed and is now the global locale of both C and C++.
  bool Switch(const char* name) {
    try {
      std::locale::global(std::locale(name));
    } catch (const std::runtime_error&) {
      return false;
    }
    return std::setlocale(LC_ALL, name) != nullptr;
  }

 private:
  std::string cLocale_;
  std::locale cppLocale_;
};

}  // namespace QxXML_940

#endif  // CARMASEQ_XML_XML_TESTUTIL_H_
