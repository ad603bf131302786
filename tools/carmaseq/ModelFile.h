// Saving a mined dictionary to a file and loading it back for the query commands.
#ifndef CARMASEQ_TOOLS_CARMASEQ_MODELFILE_H_
#define CARMASEQ_TOOLS_CARMASEQ_MODELFILE_H_

#include <iosfwd>
#include <memory>
#include <string>

namespace SEQUENCE_NAMESPACE_800 {
class SequenceDictionary;
}  // namespace SEQUENCE_NAMESPACE_800

namespace carmaseq_cli {

enum class SaveFormat { kBinary, kObjectXml };

// The format a file name suggests: object XML for a name ending in ".xml", binary otherwise.
SaveFormat SaveFormatForName(const std::string& path);

// Writes the whole saved form of dictionary to out: the binary stream, or an object-XML document
// (declaration, document type, root element and the dictionary). Throws CommandError when the
// stream goes bad.
void SaveDictionary(SEQUENCE_NAMESPACE_800::SequenceDictionary& dictionary, SaveFormat format,
                    std::fstream& out);

// Loads a dictionary saved by SaveDictionary, recognising the format by the file's first bytes.
// Throws CommandError for a file that cannot be read, is not a saved dictionary (a lattice or
// PMML document is named as such), or is damaged.
std::unique_ptr<SEQUENCE_NAMESPACE_800::SequenceDictionary> LoadDictionary(const std::string& path);

}  // namespace carmaseq_cli

#endif  // CARMASEQ_TOOLS_CARMASEQ_MODELFILE_H_
