// The saved model: a mined dictionary together with its item names and a record of what it was
// mined from, in one file that detects damage.
//
// File layout. The file begins with exactly the bytes the dictionary's own writer produces
// (SequenceDictionary::writeObject, or an object-XML document around writeObjectXML), so the
// library's readObject/readObjectXML read a model file as they read any saved dictionary: both stop
// at the dictionary's end. A trailer follows, written as text: the model's metadata (one
// "key<TAB>value" line each, then one "item<TAB>id<TAB>name" line per named item; values escape
// control bytes, '\', '-', '<', '>' and '&' as \xHH) and a last line
//   carmaseq-model-end DICTIONARY_BYTES METADATA_BYTES CRC
// where CRC is the CRC-32C (hex) of every byte before that line. In an object-XML model the trailer
// is an XML comment after the root element, so the document stays well formed.
#ifndef CARMASEQ_MINING_MODELFILE_H_
#define CARMASEQ_MINING_MODELFILE_H_

#include <cstdint>
#include <iosfwd>
#include <memory>
#include <stdexcept>
#include <string>

#include "foundation/Visibility.h"
#include "input/ItemNameMap.h"

namespace SEQUENCE_NAMESPACE_800 {

class SequenceDictionary;

enum class ModelFormat { kBinary, kObjectXml };

// The format a file name suggests: object XML for a name ending in ".xml", binary otherwise.
CARMASEQ_MINING_EXPORT ModelFormat ModelFormatForName(const std::string& path);

// What a model was mined from, as the user gave it. Empty strings and zeros mean "not given".
// Copyable.
struct CARMASEQ_MINING_EXPORT ModelSource {
  std::string input;   // the transactions file as named ("-" for standard input)
  std::string format;  // "spmf" or "csv"
  std::string customerColumn, timeColumn, itemColumn;  // CSV only
  std::string delimiter;   // CSV only; empty when detected from the header
  std::string timeFormat;  // CSV only; empty for numbers and ISO 8601 dates
  double minSupport = 0;
  std::int32_t maxItems = 0;
  double minGap = 0, maxGap = 0, window = 0;  // 0 = off
};

// A model read back from a file. Movable.
struct CARMASEQ_MINING_EXPORT SavedModel {
  SavedModel();
  SavedModel(SavedModel&&) noexcept;
  SavedModel& operator=(SavedModel&&) noexcept;
  ~SavedModel();

  std::unique_ptr<SequenceDictionary> dictionary;  // never null, lattice built
  ItemNameMap names;                               // empty when the model has none
  ModelSource source;
  ModelFormat format = ModelFormat::kBinary;
};

// A model file that cannot be written or read: unreadable, not a model, damaged, or holding values
// no measure can be computed from. what() is "PATH: REASON". Copyable.
class CARMASEQ_MINING_EXPORT ModelFileError : public std::runtime_error {
 public:
  ModelFileError(const std::string& path, const std::string& reason);
  ~ModelFileError() override;

  const std::string& path() const { return path_; }
  const std::string& reason() const { return reason_; }

 private:
  std::string path_;
  std::string reason_;
};

// Writes dictionary, names and source as a model file to out, which must be open for binary
// output at its start. path names the file in errors. Throws ModelFileError when the dictionary's
// writer fails or the stream goes bad; out is then incomplete.
CARMASEQ_MINING_EXPORT void WriteModel(std::fstream& out, const std::string& path,
                                       SequenceDictionary& dictionary, const ItemNameMap& names,
                                       const ModelSource& source, ModelFormat format);

// Creates (or truncates) path and writes the model there, as WriteModel does. The file is written
// in place: callers that must not leave a partial file behind write to a temporary file instead.
CARMASEQ_MINING_EXPORT void WriteModelFile(const std::string& path, SequenceDictionary& dictionary,
                                           const ItemNameMap& names, const ModelSource& source,
                                           ModelFormat format);

// Reads a model file written by WriteModel, recognising its format. Throws ModelFileError when the
// file cannot be read, is a lattice or PMML document or has no model trailer (cut short, or not a
// model), fails its checksum, or holds a dictionary with no customers, a minimum support outside
// 0..1, or time constraints that are negative or not finite. Throws std::bad_alloc when memory
// runs out.
CARMASEQ_MINING_EXPORT SavedModel ReadModel(const std::string& path);

}  // namespace SEQUENCE_NAMESPACE_800

#endif  // CARMASEQ_MINING_MODELFILE_H_
