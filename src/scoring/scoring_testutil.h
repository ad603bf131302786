// Helpers for the scoring tests and fuzz targets: access to the model's text parser, a parser
// set up for untrusted documents, lattice documents written from a compact description, the
// model's listing and a capture of the trace lines.
#ifndef CARMASEQ_SCORING_SCORING_TESTUTIL_H_
#define CARMASEQ_SCORING_SCORING_TESTUTIL_H_

#include <cstdio>
#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <utility>
#include <vector>
#include <xercesc/dom/DOMDocument.hpp>
#include <xercesc/dom/DOMException.hpp>
#include <xercesc/framework/MemBufInputSource.hpp>
#include <xercesc/parsers/XercesDOMParser.hpp>
#include <xercesc/sax/SAXException.hpp>
#include <xercesc/util/OutOfMemoryException.hpp>
#include <xercesc/util/SecurityManager.hpp>
#include <xercesc/util/XMLException.hpp>

#include "ScoringLog.h"
#include "scoring/SequentialAssocModel.h"
#include "scoring/SequentialTranslator.h"
#include "sequence/Sequence.h"

namespace QxQuorvis_940 {

struct SequentialAssocModelTestPeer {
  static SEQUENCE_NAMESPACE_800::Sequence GetSequence(std::string text) {
    return SequentialAssocModel::GetSequence(std::move(text));
  }
};

namespace testutil {

// Parses XML text the way a careful host does: no external DTD or entity is fetched and entity
// expansion is bounded. The document lives as long as the parser. REQUIRES: Xerces initialised.
class DocumentParser {
 public:
  DocumentParser() {
    security_.setEntityExpansionLimit(1000);
    parser_.setLoadExternalDTD(false);
    parser_.setDisableDefaultEntityResolution(true);
    parser_.setSecurityManager(&security_);
    parser_.setErrorHandler(nullptr);
  }

  // The document, or null when the text is not well-formed or Xerces refuses it.
  xercesc::DOMDocument* Parse(const std::string& text) {
    return Parse(reinterpret_cast<const XMLByte*>(text.data()), text.size());
  }
  xercesc::DOMDocument* Parse(const XMLByte* data, size_t size) {
    parser_.resetDocumentPool();
    const xercesc::MemBufInputSource source(data, size, "document");
    try {
      parser_.parse(source);
    } catch (const xercesc::XMLException&) {
      return nullptr;
    } catch (const xercesc::DOMException&) {
      return nullptr;
    } catch (const xercesc::SAXException&) {
      return nullptr;
    } catch (const xercesc::OutOfMemoryException&) {
      return nullptr;
    }
    if (parser_.getErrorCount() != 0) return nullptr;
    return parser_.getDocument();
  }

 private:
  xercesc::SecurityManager security_;
  xercesc::XercesDOMParser parser_;
};

// Models from lattice document text, through a SequentialTranslator. REQUIRES: Xerces stays
// initialised while the loader lives.
class ModelLoader {
 public:
  // The model, or null when the text is not well-formed or the translator rejects it.
  std::unique_ptr<SequentialAssocModel> Load(const std::string& text,
                                             std::string encoding = "UTF-8") {
    xercesc::DOMDocument* document = parser_.Parse(text);
    if (document == nullptr) return nullptr;
    ScoreModel* model = translator_.ParseFromTree(document, encoding);
    return std::unique_ptr<SequentialAssocModel>(static_cast<SequentialAssocModel*>(model));
  }
  SequentialTranslator& translator() { return translator_; }

 private:
  DocumentParser parser_;
  SequentialTranslator translator_;
};

// Sends the plug-in's trace lines (level 1) to a temporary file while it lives. One at a time.
class TraceCapture {
 public:
  TraceCapture() {
    Open();
    ScoringLog::GetInstance().SetTraceLevel(1);
  }
  ~TraceCapture() {
    ScoringLog::GetInstance().SetTraceLevel(0);
    ScoringLog::GetInstance().SetOutput(nullptr);
    if (file_ != nullptr) std::fclose(file_);
  }
  TraceCapture(const TraceCapture&) = delete;
  TraceCapture& operator=(const TraceCapture&) = delete;

  // The lines written since the last call; clears them.
  std::string Take() {
    std::string text;
    if (file_ == nullptr) return text;
    std::rewind(file_);
    for (int c = std::fgetc(file_); c != EOF; c = std::fgetc(file_)) text.push_back(c);
    std::fclose(file_);
    Open();
    return text;
  }

 private:
  void Open() {
    file_ = std::tmpfile();
    ScoringLog::GetInstance().SetOutput(file_);
  }
  std::FILE* file_ = nullptr;
};

// The model's listing of its levels: every key with its count and links.
inline std::string Listing(const SequentialAssocModel& model) {
  std::ostringstream out;
  model.Display(out);
  return out.str();
}

// {{1, 2}, {3}} is <(1 2)(3)>.
using Sets = std::vector<std::vector<int>>;

// One held sequence of a lattice document: its item sets, its count and its adjacent items as
// (item id, position) pairs.
struct LatticeEntry {
  Sets sets;
  int occurrence;
  std::vector<std::pair<int, int>> adjacent;
};

// A lattice document as the lattice export writes it (without DOCTYPE): items numbered in
// ascending order, item sets in their sorted order, and one level per size from 0 to the largest
// entry's, each listing its entries in the order given. total is N. Items named in mapped get
// that mappedValue.
inline std::string LatticeDocument(const std::vector<LatticeEntry>& entries, int total,
                                   const std::map<int, std::string>& mapped = {}) {
  std::set<int> items;
  std::set<std::vector<int>> sets;
  std::map<int, std::vector<const LatticeEntry*>> levels;
  int largest = 0;
  for (const LatticeEntry& entry : entries) {
    int size = 0;
    for (const auto& set : entry.sets) {
      items.insert(set.begin(), set.end());
      sets.insert(set);
      size += static_cast<int>(set.size());
    }
    for (const auto& pair : entry.adjacent) items.insert(pair.first);
    levels[size].push_back(&entry);
    if (size > largest) largest = size;
  }
  std::map<int, int> itemNumber;
  for (int item : items) itemNumber.emplace(item, static_cast<int>(itemNumber.size()) + 1);
  std::map<std::vector<int>, int> setNumber;
  for (const auto& set : sets) setNumber.emplace(set, static_cast<int>(setNumber.size()) + 1);

  const auto attribute = [](const char* name, const std::string& value) {
    return std::string(" ") + name + "=\"" + value + "\"";
  };
  const auto number = [&](const char* name, long long value) {
    return attribute(name, std::to_string(value));
  };
  std::string doc = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
  doc += "<SequentialAssociationLattice version=\"1.2.1\">\n";
  doc += "<SeqAssociationLattice>\n<SeqInputStats" + number("numberOfTransactions", total) +
         number("maxSequenceSize", largest) + number("numberOfItems", items.size()) +
         number("numberOfSets", sets.size()) + number("numberOfSequences", entries.size()) + "/>\n";
  for (const auto& [item, id] : itemNumber) {
    doc += "<Item" + number("id", id) + number("value", item);
    const auto name = mapped.find(item);
    if (name != mapped.end()) doc += attribute("mappedValue", name->second);
    doc += "/>\n";
  }
  for (const auto& [set, id] : setNumber) {
    doc += "<Itemset" + number("id", id) + number("numberOfItems", set.size()) + ">\n";
    for (int item : set) doc += "<ItemRef" + number("itemRef", itemNumber[item]) + "/>\n";
    doc += "</Itemset>\n";
  }
  int sequenceId = 0;
  for (int level = 0; level <= largest; ++level) {
    const auto& held = levels[level];
    doc +=
        "<LatticeLevel" + number("level", level) + number("numberOfSequences", held.size()) + ">\n";
    for (const LatticeEntry* entry : held) {
      doc += "<Sequence" + number("id", ++sequenceId) + number("occurrence", entry->occurrence) +
             number("numberOfSets", entry->sets.size()) + ">\n";
      for (const auto& set : entry->sets) {
        doc += "<ItemsetRef" + number("itemsetRef", setNumber[set]) + "/>\n";
      }
      doc += "<SeqAdjacentList" + number("numberOfAdjacentItems", entry->adjacent.size()) + ">\n";
      for (const auto& [item, position] : entry->adjacent) {
        doc += "<AdjacentItem" + number("itemRef", itemNumber[item]) +
               number("position", position) + "/>\n";
      }
      doc += "</SeqAdjacentList>\n</Sequence>\n";
    }
    doc += "</LatticeLevel>\n";
  }
  doc += "</SeqAssociationLattice>\n</SequentialAssociationLattice>\n";
  return doc;
}

// N = 4; <(1)> 3, <(2)> 3, <(1 2)> 2, <(1)(2)> 2, with the links lattice construction gives.
inline std::string ExampleLatticeDocument() {
  return LatticeDocument({{{}, 4, {{1, 1}, {2, 1}}},
                          {{{1}}, 3, {{2, 0}, {2, 3}}},
                          {{{2}}, 3, {{1, 0}, {1, 1}}},
                          {{{1, 2}}, 2, {}},
                          {{{1}, {2}}, 2, {}}},
                         4);
}

}  // namespace testutil
}  // namespace QxQuorvis_940

#endif  // CARMASEQ_SCORING_SCORING_TESTUTIL_H_
