// Test helper: switches the C++ global and C locales and restores both on destruction.
#ifndef CARMASEQ_XML_XML_TESTUTIL_H_
#define CARMASEQ_XML_XML_TESTUTIL_H_

#include <clocale>
#include <locale>
#include <stdexcept>
#include <string>

namespace QxXML_940 {

class ScopedLocale {
 public:
  ScopedLocale() : c_(std::setlocale(LC_ALL, nullptr)) {}
  ~ScopedLocale() {
    std::locale::global(cpp_);
    std::setlocale(LC_ALL, c_.c_str());
  }
  // Returns true iff name is installed and now the global locale of both C and C++.
  bool Switch(const char* name) try {
    std::locale::global(std::locale(name));
    return std::setlocale(LC_ALL, name) != nullptr;
  } catch (const std::runtime_error&) {
    return false;
  }

 private:
  std::string c_;
  std::locale cpp_;
};

}  // namespace QxXML_940

#endif  // CARMASEQ_XML_XML_TESTUTIL_H_
