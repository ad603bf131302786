#include "scoring/SequentialTranslator.h"

#include <climits>
#include <cstdint>
#include <memory>
#include <new>
#include <string>
#include <utility>
#include <vector>
#include <xercesc/dom/DOMDocument.hpp>
#include <xercesc/dom/DOMElement.hpp>
#include <xercesc/dom/DOMNodeList.hpp>

#include "QuorvisTranscoder.h"
#include "ScoreDictVar.h"
#include "ScoreDictionary.h"
#include "ScoreVersionInfo.h"
#include "ScoringLog.h"
#include "scoring/Failure.h"
#include "scoring/SequentialAssocModel.h"
#include "sequence/HashtableSQPair.h"
#include "sequence/NTSequence.h"
#include "sequence/Sequence.h"
#include "sequence/SequenceCounter.h"
#include "sequence/TimedItemSet.h"

namespace QxQuorvis_940 {

namespace {

using SEQUENCE_NAMESPACE_800::AdjacentItemSet;
using SEQUENCE_NAMESPACE_800::HashtableSQPair;
using SEQUENCE_NAMESPACE_800::NTSequence;
using SEQUENCE_NAMESPACE_800::Sequence;
using SEQUENCE_NAMESPACE_800::SequenceCounter;
using SEQUENCE_NAMESPACE_800::TimedItemSet;
using xercesc::DOMElement;
using Elements = std::vector<DOMElement*>;

constexpr char kParseName[] = "QxQuorvis_940::SequentialTranslator::ParseFromTree";
// Keys hold at most 31 items, so a lattice has at most 32 levels.
constexpr int kMaxKeyItems = 31;
// Attribute values quoted in a trace line are cut to this many characters.
constexpr size_t kQuotedLength = 40;

// Trace lines must not throw out of the handlers that write them.
void Trace(const char* format, const char* text) noexcept {
  try {
    ScoringLog::GetInstance().TraceText(1, format, text);
  } catch (...) {
  }
}

// Why a document was rejected. Thrown inside the reader only; ParseFromTree catches it.
struct Rejection {
  std::string reason;
};

[[noreturn]] void Reject(std::string reason) { throw Rejection{std::move(reason)}; }

std::string Range(long long low, long long high) {
  return std::to_string(low) + ".." + std::to_string(high);
}

// Where an element stands, for messages: "LatticeLevel 2, Sequence 5, AdjacentItem 1". Cheap to
// make; the text is only built for a rejection.
struct Where {
  const char* element;
  size_t number;  // 1-based position in its run or among its siblings; 0 for none
  const Where* parent;

  std::string Text() const {
    std::string text = parent == nullptr ? std::string() : parent->Text() + ", ";
    text += element;
    if (number > 0) text += " " + std::to_string(number);
    return text;
  }
};

// Reads one lattice document into level tables. Everything it allocates is owned by it until
// TakeModel hands the tables to a new model, so a rejection frees all of it.
class LatticeReader {
 public:
  // Stores the statistics' numberOfSequences and maxSequenceSize in the two outputs as soon as
  // they are read.
  LatticeReader(xercesc::DOMDocument* document, const QuorvisTranscoder& transcoder,
                std::int32_t* numberOfSequences, std::int32_t* maxSequenceSize)
      : document_(document),
        transcoder_(transcoder),
        numberOfSequencesOut_(numberOfSequences),
        maxSequenceSizeOut_(maxSequenceSize) {}

  // Reads the whole document. Throws Rejection.
  void Read();
  // A new model over the tables read, with the item dictionary and version info.
  std::unique_ptr<SequentialAssocModel> TakeModel(HashtableSQPair*** tablesOut);

 private:
  void ReadStatistics();
  void ReadItems();
  void ReadItemSets();
  void ReadLevels();
  void ReadLevel(DOMElement* element, const Where& where);
  void ReadSequence(DOMElement* element, HashtableSQPair* table, const Where& where);

  // The first element named tag in the document.
  DOMElement* FirstElement(const char* tag) const;
  // `first` and its next count - 1 sibling elements.
  static Elements Run(DOMElement* first, long long count, const char* what);
  // The first count child elements of parent, into *children (its old content dropped; its
  // room is kept, so that a vector reused from sequence to sequence allocates once).
  static void Children(const DOMElement* parent, long long count, const Where& where,
                       Elements* children);
  // The attribute `name` of element as an integer.
  int Int(const DOMElement* element, const char* name, const Where& where) const;
  // The same, within low..high.
  int IntIn(const DOMElement* element, const char* name, long long low, long long high,
            const Where& where) const;
  std::string Quoted(const XMLCh* value) const;

  xercesc::DOMDocument* document_;
  const QuorvisTranscoder& transcoder_;
  std::int32_t* numberOfSequencesOut_;
  std::int32_t* maxSequenceSizeOut_;
  std::string version_;
  std::int32_t numberOfSets_ = 0;
  std::int32_t maxSequenceSize_ = 0;
  std::int32_t numberOfItems_ = 0;
  // By item number - 1. A number that no Item element gives stands for item 0.
  std::vector<std::int32_t> items_;
  // By item-set number - 1. A number that no Itemset element gives stands for an empty set.
  std::vector<std::unique_ptr<TimedItemSet>> itemSets_;
  std::vector<std::unique_ptr<HashtableSQPair>> tables_;  // by level
  std::unique_ptr<BaseDictionary> itemDictionary_;        // null until an item has a mapped value
  // Scratch of ReadSequence: a sequence's child elements and its adjacent items.
  Elements setRefs_;
  Elements adjacentItems_;
};

void LatticeReader::Read() {
  if (document_ == nullptr) Reject("no document");
  const DOMElement* root = document_->getDocumentElement();
  if (root == nullptr) Reject("no document element");
  const XMLCh* version = BaseTranslator::GetAttribute(root, "version");
  if (version == nullptr) Reject("the document element has no version");
  version_ = transcoder_.transcodeTo(version);
  ReadStatistics();
  ReadItems();
  ReadItemSets();
  ReadLevels();
  // The tables are no longer needed once the levels hold their own keys.
  itemSets_.clear();
  items_.clear();
}

void LatticeReader::ReadStatistics() {
  const DOMElement* stats = FirstElement("SeqInputStats");
  const Where where{"SeqInputStats", 0, nullptr};
  *numberOfSequencesOut_ = Int(stats, "numberOfSequences", where);
  numberOfSets_ = IntIn(stats, "numberOfSets", 0, INT_MAX, where);
  // A negative size leaves the lattice without levels; a dictionary holds at most 32.
  maxSequenceSize_ = IntIn(stats, "maxSequenceSize", INT_MIN, kMaxKeyItems, where);
  *maxSequenceSizeOut_ = maxSequenceSize_;
  numberOfItems_ = IntIn(stats, "numberOfItems", 0, INT_MAX, where);
}

void LatticeReader::ReadItems() {
  if (numberOfItems_ == 0) return;
  const Elements run = Run(FirstElement("Item"), numberOfItems_, "Item");
  items_.assign(run.size(), 0);
  for (size_t i = 0; i < run.size(); ++i) {
    const DOMElement* element = run[i];
    const Where where{"Item", i + 1, nullptr};
    // An id given twice names the later element's item.
    const int id = IntIn(element, "id", 1, numberOfItems_, where);
    items_[id - 1] = Int(element, "value", where);
    const XMLCh* mapped = BaseTranslator::GetAttribute(element, "mappedValue");
    if (mapped == nullptr || *mapped == 0) continue;
    if (itemDictionary_ == nullptr) itemDictionary_ = std::make_unique<BaseDictionary>();
    const std::string name =
        transcoder_.transcodeTo(BaseTranslator::GetAttribute(element, "value"));
    auto variable = std::make_unique<DictVar>(name, ScoreDictVar::kItem);
    variable->SetMappedValue(transcoder_.transcodeTo(mapped));
    itemDictionary_->AddVariable(name, variable.get());
    variable.release();
  }
}

void LatticeReader::ReadItemSets() {
  if (numberOfSets_ == 0) return;
  const Elements run = Run(FirstElement("Itemset"), numberOfSets_, "Itemset");
  itemSets_.resize(run.size());
  for (size_t i = 0; i < run.size(); ++i) {
    const DOMElement* element = run[i];
    const Where where{"Itemset", i + 1, nullptr};
    // An id given twice names the later element's set; a count of 0 or less gives an empty set.
    const int id = IntIn(element, "id", 1, numberOfSets_, where);
    const int count = Int(element, "numberOfItems", where);
    auto set = std::make_unique<TimedItemSet>(0, 0.0);
    Elements refs;
    Children(element, count, where, &refs);
    for (size_t r = 0; r < refs.size(); ++r) {
      const Where refWhere{"ItemRef", r + 1, &where};
      set->AddItem(items_[IntIn(refs[r], "itemRef", 1, numberOfItems_, refWhere) - 1]);
    }
    itemSets_[id - 1] = std::move(set);
  }
}

void LatticeReader::ReadLevels() {
  if (maxSequenceSize_ < 0) return;
  const Elements run = Run(FirstElement("LatticeLevel"), maxSequenceSize_ + 1LL, "LatticeLevel");
  tables_.resize(run.size());
  for (size_t i = 0; i < run.size(); ++i) {
    ReadLevel(run[i], Where{"LatticeLevel", i + 1, nullptr});
  }
  // A level that no element gives (another one given twice in its place) stays empty, so that
  // the dictionary has a table at every level.
  for (size_t level = 0; level < tables_.size(); ++level) {
    if (tables_[level] == nullptr) tables_[level] = std::make_unique<HashtableSQPair>(2);
  }
}

void LatticeReader::ReadLevel(DOMElement* element, const Where& where) {
  // A level given twice is the later element's. Level 0 may list any number of sequences, also
  // none; the count of its first entry is the total count.
  const int level = IntIn(element, "level", 0, maxSequenceSize_, where);
  const int count = Int(element, "numberOfSequences", where);
  Elements sequences;
  Children(element, count, where, &sequences);
  // A level's table starts large enough to stay below its load factor.
  const long long capacity = level == 0 ? 2 : static_cast<long long>(count * 1.5);
  if (capacity < 1 || capacity > INT_MAX) {
    Reject(where.Text() + ": numberOfSequences " + std::to_string(count) +
           " gives table capacity " + std::to_string(capacity));
  }
  tables_[level] = std::make_unique<HashtableSQPair>(static_cast<int>(capacity));
  for (size_t j = 0; j < sequences.size(); ++j) {
    ReadSequence(sequences[j], tables_[level].get(), Where{"Sequence", j + 1, &where});
  }
}

// A sequence is stored in the table of the level that lists it, whatever its number of items:
// look-ups find keys by their size, so one in another level's table is never matched. Adjacent
// items are stored as given; the dictionary's look-ups never match an extension that cannot
// exist (a position beyond the sequence, an item already in its set, a level above the highest).
void LatticeReader::ReadSequence(DOMElement* element, HashtableSQPair* table, const Where& where) {
  const int setCount = IntIn(element, "numberOfSets", 0, INT_MAX, where);
  const int occurrence = Int(element, "occurrence", where);
  Elements& children = setRefs_;
  Children(element, setCount + 1LL, where, &children);
  Sequence sequence;
  int size = 0;
  for (int k = 0; k < setCount; ++k) {
    const Where refWhere{"ItemsetRef", static_cast<size_t>(k) + 1, &where};
    const TimedItemSet* set =
        itemSets_[IntIn(children[k], "itemsetRef", 1, numberOfSets_, refWhere) - 1].get();
    if (set == nullptr) continue;  // a number no Itemset gives: an empty set, left out of keys
    size += set->Size();
    if (size > kMaxKeyItems) {
      Reject(where.Text() + ": more than " + std::to_string(kMaxKeyItems) + " items");
    }
    sequence.AddTimedItemSet(set);
  }
  auto key =
      setCount == 0 ? std::make_unique<NTSequence>() : std::make_unique<NTSequence>(&sequence);

  const DOMElement* list = children[setCount];
  Elements& adjacent = adjacentItems_;
  Children(list, Int(list, "numberOfAdjacentItems", where), where, &adjacent);
  auto counter = std::make_unique<SequenceCounter>(0, occurrence, nullptr);
  std::vector<AdjacentItemSet::value_type> pairs;  // in document order: sorted once below
  pairs.reserve(adjacent.size());
  for (size_t a = 0; a < adjacent.size(); ++a) {
    const Where pairWhere{"AdjacentItem", a + 1, &where};
    const std::int32_t item =
        items_[IntIn(adjacent[a], "itemRef", 1, numberOfItems_, pairWhere) - 1];
    pairs.emplace_back(item, Int(adjacent[a], "position", pairWhere));
  }
  if (!pairs.empty()) {
    auto links = std::make_unique<AdjacentItemSet>();
    links->assign(std::move(pairs));
    counter->setAdjacentItems(links.release());
  }
  // A sequence given twice in a level keeps its first entry.
  if (table->put(key.get(), counter.get())) {
    key.release();
    counter.release();
  }
}

std::unique_ptr<SequentialAssocModel> LatticeReader::TakeModel(HashtableSQPair*** tablesOut) {
  const int levelCount = static_cast<int>(tables_.size());
  // Allocate everything that can fail before the tables leave the reader's ownership.
  std::unique_ptr<HashtableSQPair*[]> tables(new HashtableSQPair*[levelCount]);
  auto versionInfo = std::make_unique<VersionInfo>(version_);
  void* memory = ::operator new(sizeof(SequentialAssocModel));
  for (int level = 0; level < levelCount; ++level) tables[level] = tables_[level].release();
  *tablesOut = tables.get();
  std::unique_ptr<SequentialAssocModel> model;
  try {
    // The model's constructor releases the tables itself when it fails.
    model.reset(new (memory) SequentialAssocModel(tables.release(), levelCount));
  } catch (...) {
    ::operator delete(memory);
    throw;
  }
  model->SetScoreDictionary(itemDictionary_.release());
  model->SetVersionInfo(versionInfo.release());
  return model;
}

DOMElement* LatticeReader::FirstElement(const char* tag) const {
  const xercesc::DOMNodeList* list = BaseTranslator::GetElementsByTagName(document_, tag);
  // item(0) scans only up to the first match; getLength would scan the whole document.
  xercesc::DOMNode* first = list == nullptr ? nullptr : list->item(0);
  if (first == nullptr) Reject(std::string("no ") + tag + " element");
  return static_cast<DOMElement*>(first);
}

Elements LatticeReader::Run(DOMElement* first, long long count, const char* what) {
  Elements run;
  for (DOMElement* element = first;
       element != nullptr && static_cast<long long>(run.size()) < count;
       element = BaseTranslator::GetNextSiblingElt(element)) {
    run.push_back(element);
  }
  if (static_cast<long long>(run.size()) < count) {
    Reject("count " + std::to_string(count) + " but only " + std::to_string(run.size()) + " " +
           what + " elements");
  }
  return run;
}

void LatticeReader::Children(const DOMElement* parent, long long count, const Where& where,
                             Elements* children) {
  children->clear();
  for (DOMElement* child = BaseTranslator::GetFirstChildElt(parent);
       child != nullptr && static_cast<long long>(children->size()) < count;
       child = BaseTranslator::GetNextSiblingElt(child)) {
    children->push_back(child);
  }
  if (static_cast<long long>(children->size()) < count) {
    Reject(where.Text() + ": count " + std::to_string(count) + " but only " +
           std::to_string(children->size()) + " child elements");
  }
}

int LatticeReader::Int(const DOMElement* element, const char* name, const Where& where) const {
  const XMLCh* value = BaseTranslator::GetAttribute(element, name);
  if (value == nullptr) Reject(where.Text() + ": no " + name);
  int number = 0;
  if (!BaseTranslator::VerifyInt(value, &number)) {
    Reject(where.Text() + ": " + name + " " + Quoted(value) + " is no integer");
  }
  return number;
}

int LatticeReader::IntIn(const DOMElement* element, const char* name, long long low, long long high,
                         const Where& where) const {
  const int number = Int(element, name, where);
  if (number < low || number > high) {
    Reject(where.Text() + ": " + name + " " + std::to_string(number) + " outside " +
           Range(low, high));
  }
  return number;
}

std::string LatticeReader::Quoted(const XMLCh* value) const {
  std::string text = transcoder_.transcodeTo(value);
  if (text.size() > kQuotedLength) text = text.substr(0, kQuotedLength) + "...";
  return "\"" + text + "\"";
}

}  // namespace

SequentialTranslator::SequentialTranslator() = default;

SequentialTranslator::~SequentialTranslator() = default;

ScoreModel* SequentialTranslator::ParseFromTree(xercesc::DOMDocument* document,
                                                std::string& encoding) {
  Trace("Enter:%s", kParseName);
  model_ = nullptr;
  levelTables_ = nullptr;
  numberOfSequences_ = 0;
  maxSequenceSize_ = 0;
  try {
    CreateTranscoder(encoding);
    LatticeReader reader(document, *GetTranscoder(), &numberOfSequences_, &maxSequenceSize_);
    reader.Read();
    model_ = reader.TakeModel(&levelTables_).release();
  } catch (const Rejection& rejection) {
    Trace("QxQuorvis_940::SequentialTranslator: document rejected: %s", rejection.reason.c_str());
  } catch (...) {
    // The document may be sound: say what stopped the reading.
    Trace("QxQuorvis_940::SequentialTranslator: document not read: %s", CurrentFailure());
  }
  if (model_ == nullptr) levelTables_ = nullptr;
  Trace("Exit:%s", kParseName);
  return model_;
}

}  // namespace QxQuorvis_940

QxQuorvis_940::ScoreTranslator* GiveMyTranslator() {
  try {
    return new QxQuorvis_940::SequentialTranslator();
  } catch (...) {
    return nullptr;
  }
}
