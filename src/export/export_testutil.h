// Helpers for the export tests: dictionaries mined from random customers, the lines of a written
// document, and validation with xmllint.
#ifndef CARMASEQ_EXPORT_EXPORT_TESTUTIL_H_
#define CARMASEQ_EXPORT_EXPORT_TESTUTIL_H_

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "dictionary/SequenceDictionary.h"
#include "dictionary/dictionary_testutil.h"
#include "dictionary/query_testutil.h"

namespace SEQUENCE_NAMESPACE_800 {
namespace testutil {

// The lines of text, split at each line feed (a final line feed would give a last empty line).
inline std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::string::size_type begin = 0;
  for (;;) {
    const std::string::size_type end = text.find('\n', begin);
    lines.push_back(text.substr(begin, end == std::string::npos ? end : end - begin));
    if (end == std::string::npos) return lines;
    begin = end + 1;
  }
}

// The first index at or after from of a line equal to line, or lines.size().
inline size_t FindLine(const std::vector<std::string>& lines, const std::string& line,
                       size_t from = 0) {
  for (size_t i = from; i < lines.size(); ++i) {
    if (lines[i] == line) return i;
  }
  return lines.size();
}

// A customer history of 1..maxSets sets of 1..maxItemsPerSet items drawn from 0..alphabet-1.
inline SetList RandomCustomer(std::mt19937& random, int maxSets, int alphabet, int maxItemsPerSet) {
  SetList sets(std::uniform_int_distribution<int>(1, maxSets)(random));
  std::uniform_int_distribution<int> item(0, alphabet - 1);
  for (auto& set : sets) {
    const int items = std::uniform_int_distribution<int>(1, maxItemsPerSet)(random);
    for (int i = 0; i < items; ++i) set.push_back(item(random));
    std::sort(set.begin(), set.end());
    set.erase(std::unique(set.begin(), set.end()), set.end());
  }
  return sets;
}

// Mines a dictionary the way the builder does: every distinct subsequence of each customer is
// counted once (sequences too long for the levels are dropped), then the dictionary is pruned by
// minCount and its lattice built. REQUIRES: every history holds at most 16 items.
inline void MineCustomers(SequenceDictionary& dictionary, const std::vector<SetList>& customers,
                          double minCount) {
  SetTotal(dictionary, static_cast<int>(customers.size()));
  for (const SetList& customer : customers) {
    std::vector<std::pair<size_t, int>> flat;  // (set index, item)
    for (size_t s = 0; s < customer.size(); ++s) {
      for (int item : customer[s]) flat.emplace_back(s, item);
    }
    std::set<SetList> distinct;
    for (unsigned mask = 1; mask < (1u << flat.size()); ++mask) {
      std::map<size_t, std::vector<int>> bySet;
      for (size_t i = 0; i < flat.size(); ++i) {
        if (mask & (1u << i)) bySet[flat[i].first].push_back(flat[i].second);
      }
      SetList sub;
      for (auto& entry : bySet) sub.push_back(entry.second);
      distinct.insert(sub);
    }
    for (const SetList& sub : distinct) {
      Counted counted(sub);
      if (dictionary.incrementCount(counted.sets(), counted.n()) == nullptr) {
        Hold(dictionary, sub, 1);
      }
    }
  }
  dictionary.reduceAll(minCount);
  dictionary.buildLattice();
}

// Returns true iff an xmllint program can be run.
inline bool HaveXmllint() { return std::system("xmllint --version > /dev/null 2>&1") == 0; }

// The PMML 3.2 schema of the shared reference material, or empty when it is absent.
inline std::string PmmlSchemaPath() {
  const std::string path = std::string(CARMASEQ_SHARED_DIR) + "/reference/pmml-3-2.xsd";
  return std::ifstream(path).good() ? path : std::string();
}

// The lattice document type that ships with the library.
inline std::string LatticeDtdPath() {
  return std::string(CARMASEQ_SOURCE_DIR) + "/src/export/sequentiallattice.dtd";
}

// Writes each document to a file of its own in a fresh directory under the test's temporary
// directory, next to a copy of the lattice document type (so that the documents' SYSTEM
// identifier resolves), and runs "xmllint --noout <options> <files>" once over all of them.
// Returns true iff xmllint accepts every document; *report receives its output. The directory
// is removed afterwards.
inline bool Xmllint(const std::string& options, const std::vector<std::string>& documents,
                    const std::string& stem, std::string* report) {
  namespace fs = std::filesystem;
  const fs::path dir =
      fs::path(::testing::TempDir()) / ("carmaseq_" + stem + "_" + std::to_string(::getpid()));
  fs::create_directories(dir);
  fs::copy_file(LatticeDtdPath(), dir / "sequentiallattice.dtd",
                fs::copy_options::overwrite_existing);
  std::string command = "xmllint --noout " + options;
  for (size_t i = 0; i < documents.size(); ++i) {
    const fs::path path = dir / (std::to_string(i) + ".xml");
    std::ofstream(path, std::ios::binary) << documents[i];
    command += " '" + path.string() + "'";
  }
  const fs::path log = dir / "xmllint.log";
  const int rc = std::system((command + " > '" + log.string() + "' 2>&1").c_str());
  std::stringstream text;
  text << std::ifstream(log).rdbuf();
  *report = text.str();
  fs::remove_all(dir);
  return rc == 0;
}

}  // namespace testutil
}  // namespace SEQUENCE_NAMESPACE_800

#endif  // CARMASEQ_EXPORT_EXPORT_TESTUTIL_H_
