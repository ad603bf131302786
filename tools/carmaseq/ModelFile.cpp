#include "ModelFile.h"

#include <cerrno>
#include <cstring>
#include <fstream>

#include "Errors.h"
#include "dictionary/SequenceDictionary.h"
#include "export/ExportCommon.h"
#include "foundation/Exceptions.h"
#include "persist/XMLObj.h"

namespace carmaseq_cli {

namespace seq = SEQUENCE_NAMESPACE_800;

namespace {

constexpr std::size_t kSniffBytes = 512;

std::string ReadPrefix(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw CommandError("cannot open " + path + ": " + std::strerror(errno));
  std::string prefix(kSniffBytes, '\0');
  in.read(&prefix[0], static_cast<std::streamsize>(prefix.size()));
  prefix.resize(static_cast<std::size_t>(in.gcount()));
  return prefix;
}

bool LooksLikeXml(const std::string& prefix) {
  const std::size_t first = prefix.find_first_not_of(" \t\r\n\xEF\xBB\xBF");
  return first != std::string::npos && prefix.compare(first, 5, "<?xml") == 0;
}

// Runs a persistence reader, turning its exception into a CommandError.
template <typename Read>
void RunReader(const std::string& path, Read read) {
  try {
    read();
  } catch (SeqExceptions::IOException* error) {
    delete error;
    throw CommandError(path + ": damaged or not a saved dictionary");
  } catch (const SeqExceptions::DictionaryFailure&) {
    throw CommandError(path + ": out of memory while loading");
  }
}

void LoadObjectXml(const std::string& path, seq::SequenceDictionary* dictionary) {
  std::ifstream in(path, std::ios::binary);
  if (!QxXML_940::ParseStartXML(in)) {
    throw CommandError(path + ": not a saved dictionary (no object-XML header)");
  }
  RunReader(path, [&] { dictionary->readObjectXML(in); });
}

void LoadBinary(const std::string& path, seq::SequenceDictionary* dictionary) {
  std::fstream in(path, std::ios::in | std::ios::binary);
  RunReader(path, [&] { dictionary->readObject(in); });
}

}  // namespace

SaveFormat SaveFormatForName(const std::string& path) {
  const std::string suffix = ".xml";
  const bool xml = path.size() >= suffix.size() &&
                   path.compare(path.size() - suffix.size(), suffix.size(), suffix) == 0;
  return xml ? SaveFormat::kObjectXml : SaveFormat::kBinary;
}

void SaveDictionary(seq::SequenceDictionary& dictionary, SaveFormat format, std::fstream& out) {
  try {
    if (format == SaveFormat::kBinary) {
      dictionary.writeObject(out);
    } else {
      out << "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\n<!DOCTYPE QxXMLRoot SYSTEM \""
          << QxXML_940::kObjectXMLSystemId << "\">\n";
      QxXML_940::WriteHeader(out, seq::kExportCopyright);
      dictionary.writeObjectXML(out);
      QxXML_940::EndHeader(out);
      out << "\n";
    }
  } catch (SeqExceptions::IOException* error) {
    delete error;
    throw CommandError("cannot write the dictionary");
  }
}

std::unique_ptr<seq::SequenceDictionary> LoadDictionary(const std::string& path) {
  const std::string prefix = ReadPrefix(path);
  auto dictionary = std::make_unique<seq::SequenceDictionary>();
  if (!LooksLikeXml(prefix)) {
    LoadBinary(path, dictionary.get());
  } else if (prefix.find("SequentialAssociationLattice") != std::string::npos) {
    throw CommandError(path +
                       " is a lattice document: score it with carmaseq-score, or query a "
                       "dictionary saved with 'carmaseq mine --save'");
  } else if (prefix.find("<PMML") != std::string::npos) {
    throw CommandError(path + " is a PMML rules document, not a saved dictionary");
  } else {
    LoadObjectXml(path, dictionary.get());
  }
  if (dictionary->getNumberOfLevels() < 1) throw CommandError(path + ": empty dictionary");
  if (!dictionary->isLatticeBuilt() && !dictionary->buildLattice().IsOK()) {
    throw CommandError(path + ": out of memory while linking the lattice");
  }
  return dictionary;
}

}  // namespace carmaseq_cli
