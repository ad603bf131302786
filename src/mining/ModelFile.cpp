#include "mining/ModelFile.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <new>
#include <streambuf>
#include <string_view>
#include <vector>

#include "dictionary/SequenceDictionary.h"
#include "export/ExportCommon.h"
#include "foundation/Exceptions.h"
#include "mining/Crc32c.h"
#include "persist/XMLObj.h"

namespace SEQUENCE_NAMESPACE_800 {

namespace {

constexpr char kTrailerTag[] = "carmaseq-model";
constexpr char kFooterTag[] = "carmaseq-model-end";
constexpr int kTrailerVersion = 1;
constexpr char kXmlTrailerEnd[] = "-->\n";
// The footer line is short; this much of the file's end always holds it.
constexpr std::size_t kTailBytes = 160;
constexpr std::size_t kSniffBytes = 512;

// An output buffer that passes everything to another buffer while counting the bytes and
// computing their CRC.
class CrcWriteBuf : public std::streambuf {
 public:
  explicit CrcWriteBuf(std::streambuf* target) : target_(target), buffer_(1 << 16) {
    setp(buffer_.data(), buffer_.data() + buffer_.size());
  }
  ~CrcWriteBuf() override { Drain(); }

  std::uint64_t bytes() const { return bytes_; }
  std::uint32_t crc() const { return crc_; }
  bool failed() const { return failed_; }

 protected:
  int_type overflow(int_type c) override {
    if (!Drain()) return traits_type::eof();
    if (!traits_type::eq_int_type(c, traits_type::eof())) {
      *pptr() = traits_type::to_char_type(c);
      pbump(1);
    }
    return traits_type::not_eof(c);
  }
  int sync() override { return Drain() && target_->pubsync() == 0 ? 0 : -1; }

 private:
  bool Drain() {
    const std::streamsize n = pptr() - pbase();
    if (n > 0) {
      crc_ = Crc32c(crc_, pbase(), static_cast<std::size_t>(n));
      bytes_ += static_cast<std::uint64_t>(n);
      if (target_->sputn(pbase(), n) != n) failed_ = true;
      setp(buffer_.data(), buffer_.data() + buffer_.size());
    }
    return !failed_;
  }

  std::streambuf* target_;
  std::vector<char> buffer_;
  std::uint64_t bytes_ = 0;
  std::uint32_t crc_ = 0;
  bool failed_ = false;
};

// Points a stream at another buffer for the lifetime of the object; the stream's state survives
// the switch back.
class BufferSwap {
 public:
  BufferSwap(std::ios& stream, std::streambuf* buffer)
      : stream_(stream), saved_(stream.rdbuf(buffer)) {}
  ~BufferSwap() {
    const std::ios::iostate state = stream_.rdstate();
    stream_.rdbuf(saved_);
    stream_.setstate(state);
  }
  BufferSwap(const BufferSwap&) = delete;
  BufferSwap& operator=(const BufferSwap&) = delete;

 private:
  std::ios& stream_;
  std::streambuf* saved_;
};

// ---- Metadata text ----

bool NeedsEscape(unsigned char c) {
  return c < 0x20 || c == 0x7F || c == '\\' || c == '-' || c == '<' || c == '>' || c == '&';
}

std::string Escape(std::string_view text) {
  static const char kHex[] = "0123456789abcdef";
  std::string out;
  out.reserve(text.size());
  for (char ch : text) {
    const unsigned char c = static_cast<unsigned char>(ch);
    if (!NeedsEscape(c)) {
      out += ch;
      continue;
    }
    out += "\\x";
    out += kHex[c >> 4];
    out += kHex[c & 0xF];
  }
  return out;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// Returns false on a malformed escape.
bool Unescape(std::string_view text, std::string* out) {
  out->clear();
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\') {
      *out += text[i];
      continue;
    }
    if (i + 3 >= text.size()) return false;
    if (text[i + 1] != 'x') return false;
    const int high = HexDigit(text[i + 2]), low = HexDigit(text[i + 3]);
    if (high < 0 || low < 0) return false;
    *out += static_cast<char>(high * 16 + low);
    i += 3;
  }
  return true;
}

std::string NumberText(double value) {
  char buffer[64];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  return std::string(buffer, result.ptr);
}

bool ParseNumber(std::string_view text, double* value) {
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), *value);
  return ec == std::errc() && end == text.data() + text.size();
}

bool ParseInteger(std::string_view text, std::int64_t* value) {
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), *value);
  return ec == std::errc() && end == text.data() + text.size();
}

std::string MetadataText(const ItemNameMap& names, const ModelSource& source, ModelFormat format) {
  std::string text = format == ModelFormat::kObjectXml ? "<!--\n" : "\n";
  auto line = [&text](const char* key, const std::string& value) {
    text += key;
    text += '\t';
    text += Escape(value);
    text += '\n';
  };
  line(kTrailerTag, std::to_string(kTrailerVersion));
  line("input", source.input);
  line("format", source.format);
  line("customer-column", source.customerColumn);
  line("time-column", source.timeColumn);
  line("item-column", source.itemColumn);
  line("delimiter", source.delimiter);
  line("time-format", source.timeFormat);
  line("min-support", NumberText(source.minSupport));
  line("max-items", std::to_string(source.maxItems));
  line("min-gap", NumberText(source.minGap));
  line("max-gap", NumberText(source.maxGap));
  line("window", NumberText(source.window));
  for (std::int32_t id : names.Ids()) {
    text += "item\t" + std::to_string(id) + '\t' + Escape(*names.NameOf(id)) + '\n';
  }
  return text;
}

// Fills *model's names and source from the metadata text. Returns an empty string on success,
// else what is wrong.
std::string ParseMetadata(std::string_view text, SavedModel* model) {
  if (text.substr(0, 5) == "<!--\n") text.remove_prefix(5);
  if (text.substr(0, 1) == "\n") text.remove_prefix(1);
  ModelSource& source = model->source;
  std::string value;
  bool versionSeen = false;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    if (end == std::string_view::npos) return "metadata line without an end";
    std::string_view line = text.substr(0, end);
    text.remove_prefix(end + 1);
    const std::size_t tab = line.find('\t');
    if (tab == std::string_view::npos) return "metadata line without a value";
    const std::string key(line.substr(0, tab));
    line.remove_prefix(tab + 1);
    if (key == "item") {
      const std::size_t idEnd = line.find('\t');
      std::int64_t id = 0;
      if (idEnd == std::string_view::npos || !ParseInteger(line.substr(0, idEnd), &id) || id < 0 ||
          id > INT32_MAX || !Unescape(line.substr(idEnd + 1), &value) || value.empty() ||
          !model->names.Add(static_cast<std::int32_t>(id), value)) {
        return "malformed item name";
      }
      continue;
    }
    if (!Unescape(line, &value)) return "bad escape in metadata";
    double number = 0;
    std::int64_t integer = 0;
    bool ok = true;
    if (key == kTrailerTag) {
      versionSeen = true;
      ok = value == std::to_string(kTrailerVersion);
    } else if (key == "input") {
      source.input = value;
    } else if (key == "format") {
      source.format = value;
    } else if (key == "customer-column") {
      source.customerColumn = value;
    } else if (key == "time-column") {
      source.timeColumn = value;
    } else if (key == "item-column") {
      source.itemColumn = value;
    } else if (key == "delimiter") {
      source.delimiter = value;
    } else if (key == "time-format") {
      source.timeFormat = value;
    } else if (key == "max-items") {
      ok = ParseInteger(value, &integer) && integer >= 0 && integer <= INT32_MAX;
      source.maxItems = static_cast<std::int32_t>(integer);
    } else if (key == "min-support" || key == "min-gap" || key == "max-gap" || key == "window") {
      ok = ParseNumber(value, &number);
      double* field = key == "min-support" ? &source.minSupport
                      : key == "min-gap"   ? &source.minGap
                      : key == "max-gap"   ? &source.maxGap
                                           : &source.window;
      *field = number;
    }  // unknown keys come from newer writers and are skipped
    if (!ok) return "bad metadata value for " + key;
  }
  return versionSeen ? std::string() : "metadata without a version";
}

// ---- Writing ----

void WriteDictionary(std::ostream& out, SequenceDictionary& dictionary, ModelFormat format) {
  if (format == ModelFormat::kBinary) {
    // The binary writer takes a file stream; its buffer has been switched by the caller.
    dictionary.writeObject(static_cast<std::fstream&>(out));
    return;
  }
  out << "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\n<!DOCTYPE QxXMLRoot SYSTEM \""
      << QxXML_940::kObjectXMLSystemId << "\">\n";
  QxXML_940::WriteHeader(out, kExportCopyright);
  dictionary.writeObjectXML(out);
  QxXML_940::EndHeader(out);
  out << "\n";
}

// ---- Reading ----

struct Footer {
  std::uint64_t dictionaryBytes = 0;
  std::uint64_t metadataBytes = 0;
  std::uint32_t crc = 0;
  std::uint64_t footerStart = 0;  // offset of the footer line
};

[[noreturn]] void Fail(const std::string& path, const std::string& reason) {
  throw ModelFileError(path, reason);
}

std::string ReadAt(std::ifstream& in, std::uint64_t offset, std::size_t n) {
  std::string bytes(n, '\0');
  in.clear();
  in.seekg(static_cast<std::streamoff>(offset));
  in.read(&bytes[0], static_cast<std::streamsize>(n));
  bytes.resize(static_cast<std::size_t>(in.gcount()));
  return bytes;
}

bool LooksLikeXml(const std::string& prefix) {
  const std::size_t first = prefix.find_first_not_of(" \t\r\n\xEF\xBB\xBF");
  return first != std::string::npos && prefix.compare(first, 5, "<?xml") == 0;
}

// Names the documents that are often mistaken for a model.
void RefuseOtherDocuments(const std::string& path, const std::string& prefix) {
  if (!LooksLikeXml(prefix)) return;
  if (prefix.find("SequentialAssociationLattice") != std::string::npos) {
    Fail(path, "a lattice document, not a saved model: score it with carmaseq-score");
  }
  if (prefix.find("<PMML") != std::string::npos) {
    Fail(path, "a PMML rules document, not a saved model");
  }
}

Footer ReadFooter(const std::string& path, std::ifstream& in, std::uint64_t size, bool xml) {
  const std::uint64_t start = size > kTailBytes ? size - kTailBytes : 0;
  std::string tail = ReadAt(in, start, static_cast<std::size_t>(size - start));
  const std::string end = xml ? kXmlTrailerEnd : "";
  const std::string noTrailer = "no model trailer (cut short, or not saved as a model)";
  if (tail.size() < end.size() + 1 ||
      tail.compare(tail.size() - end.size(), end.size(), end) != 0 ||
      tail[tail.size() - end.size() - 1] != '\n') {
    Fail(path, noTrailer);
  }
  tail.resize(tail.size() - end.size() - 1);
  const std::size_t lineStart = tail.rfind('\n');
  if (lineStart == std::string::npos) Fail(path, noTrailer);
  // "TAG DICTIONARY_BYTES METADATA_BYTES CRC", single blanks.
  const std::string_view line = std::string_view(tail).substr(lineStart + 1);
  std::vector<std::string_view> fields;
  for (std::size_t at = 0; at <= line.size();) {
    const std::size_t blank = std::min(line.find(' ', at), line.size());
    fields.push_back(line.substr(at, blank - at));
    at = blank + 1;
  }
  Footer footer;
  std::int64_t dictionaryBytes = 0, metadataBytes = 0;
  if (fields.size() != 4 || fields[0] != kFooterTag || !ParseInteger(fields[1], &dictionaryBytes) ||
      !ParseInteger(fields[2], &metadataBytes) || dictionaryBytes < 0 || metadataBytes < 0 ||
      fields[3].size() != 8 ||
      fields[3].find_first_not_of("0123456789abcdef") != std::string_view::npos) {
    Fail(path, noTrailer);
  }
  const auto parsed = std::from_chars(fields[3].data(), fields[3].data() + 8, footer.crc, 16);
  if (parsed.ec != std::errc() || parsed.ptr != fields[3].data() + 8) Fail(path, noTrailer);
  footer.dictionaryBytes = static_cast<std::uint64_t>(dictionaryBytes);
  footer.metadataBytes = static_cast<std::uint64_t>(metadataBytes);
  footer.footerStart = start + lineStart + 1;
  if (footer.dictionaryBytes + footer.metadataBytes != footer.footerStart) {
    Fail(path, "damaged (the trailer does not match the file's size)");
  }
  return footer;
}

// Checks the CRC of everything before the footer and returns the metadata text.
std::string CheckedMetadata(const std::string& path, std::ifstream& in, const Footer& footer) {
  in.clear();
  in.seekg(0);
  std::vector<char> chunk(1 << 16);
  std::uint32_t crc = 0;
  std::uint64_t left = footer.footerStart;
  while (left > 0 && in) {
    const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(left, chunk.size()));
    in.read(chunk.data(), static_cast<std::streamsize>(n));
    const std::size_t got = static_cast<std::size_t>(in.gcount());
    crc = Crc32c(crc, chunk.data(), got);
    left -= got;
  }
  if (left != 0) Fail(path, std::string("cannot read: ") + std::strerror(errno));
  if (crc != footer.crc) Fail(path, "damaged (checksum mismatch)");
  return ReadAt(in, footer.dictionaryBytes, static_cast<std::size_t>(footer.metadataBytes));
}

// Runs a persistence reader, turning its exceptions into ModelFileError.
template <typename Read>
void RunReader(const std::string& path, Read read) {
  try {
    read();
  } catch (SeqExceptions::IOException* error) {
    delete error;
    Fail(path, "damaged (the dictionary does not read back)");
  } catch (const SeqExceptions::DictionaryFailure&) {
    throw std::bad_alloc();
  }
}

void ReadDictionary(const std::string& path, const Footer& footer, ModelFormat format,
                    SequenceDictionary* dictionary) {
  if (format == ModelFormat::kObjectXml) {
    std::ifstream in(path, std::ios::binary);
    if (!QxXML_940::ParseStartXML(in)) Fail(path, "damaged (no object-XML header)");
    RunReader(path, [&] { dictionary->readObjectXML(in); });
    return;
  }
  std::fstream in(path, std::ios::in | std::ios::binary);
  RunReader(path, [&] { dictionary->readObject(in); });
  const std::streampos end = in.tellg();
  if (end == std::streampos(-1) || static_cast<std::uint64_t>(end) != footer.dictionaryBytes) {
    Fail(path, "damaged (the dictionary's length differs from the trailer's)");
  }
}

bool FiniteTime(double value) { return std::isfinite(value) && value >= 0; }

// The values every measure divides by or compares with.
void CheckValues(const std::string& path, SequenceDictionary& dictionary) {
  if (dictionary.getNumberOfLevels() < 1) Fail(path, "damaged (no levels)");
  if (dictionary.getTotalCount() < 1) Fail(path, "no customers");
  const double support = dictionary.getMinimumSupport();
  if (!(support >= 0 && support <= 1)) Fail(path, "minimum support outside 0..1");
  if (!FiniteTime(dictionary.getMinGap()) || !FiniteTime(dictionary.getMaxGap()) ||
      !FiniteTime(dictionary.getSlidingWindow())) {
    Fail(path, "time constraints negative or not finite");
  }
  if (!dictionary.isLatticeBuilt() && !dictionary.buildLattice().IsOK()) throw std::bad_alloc();
}

}  // namespace

ModelFormat ModelFormatForName(const std::string& path) {
  const std::string suffix = ".xml";
  const bool xml = path.size() >= suffix.size() &&
                   path.compare(path.size() - suffix.size(), suffix.size(), suffix) == 0;
  return xml ? ModelFormat::kObjectXml : ModelFormat::kBinary;
}

SavedModel::SavedModel() = default;
SavedModel::SavedModel(SavedModel&&) noexcept = default;
SavedModel& SavedModel::operator=(SavedModel&&) noexcept = default;
SavedModel::~SavedModel() = default;

ModelFileError::ModelFileError(const std::string& path, const std::string& reason)
    : std::runtime_error(path + ": " + reason), path_(path), reason_(reason) {}
ModelFileError::~ModelFileError() = default;

void WriteModel(std::fstream& out, const std::string& path, SequenceDictionary& dictionary,
                const ItemNameMap& names, const ModelSource& source, ModelFormat format) {
  std::uint64_t dictionaryBytes = 0, totalBytes = 0;
  std::uint32_t crc = 0;
  bool failed = false;
  {
    CrcWriteBuf counted(out.rdbuf());
    BufferSwap swap(out, &counted);
    try {
      WriteDictionary(out, dictionary, format);
    } catch (SeqExceptions::IOException* error) {
      delete error;
      Fail(path, "cannot write the dictionary");
    }
    out.flush();
    dictionaryBytes = counted.bytes();
    out << MetadataText(names, source, format);
    out.flush();
    totalBytes = counted.bytes();
    crc = counted.crc();
    failed = counted.failed();
  }
  // Integers through to_string: the stream's locale might group digits.
  char crcText[9];
  std::snprintf(crcText, sizeof crcText, "%08x", static_cast<unsigned>(crc));
  std::string footer = std::string(kFooterTag) + ' ' + std::to_string(dictionaryBytes) + ' ' +
                       std::to_string(totalBytes - dictionaryBytes) + ' ' + crcText + '\n';
  if (format == ModelFormat::kObjectXml) footer += kXmlTrailerEnd;
  out.write(footer.data(), static_cast<std::streamsize>(footer.size()));
  out.flush();
  if (failed || !out) Fail(path, std::string("cannot write: ") + std::strerror(errno));
}

void WriteModelFile(const std::string& path, SequenceDictionary& dictionary,
                    const ItemNameMap& names, const ModelSource& source, ModelFormat format) {
  std::fstream out(path, std::ios::out | std::ios::trunc | std::ios::binary);
  if (!out) Fail(path, std::string("cannot create: ") + std::strerror(errno));
  WriteModel(out, path, dictionary, names, source, format);
  out.close();
  if (out.fail()) Fail(path, std::string("cannot write: ") + std::strerror(errno));
}

SavedModel ReadModel(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) Fail(path, std::string("cannot open: ") + std::strerror(errno));
  const std::string prefix = ReadAt(in, 0, kSniffBytes);
  RefuseOtherDocuments(path, prefix);
  in.clear();
  in.seekg(0, std::ios::end);
  const std::streampos size = in.tellg();
  if (size == std::streampos(-1)) Fail(path, "not a regular file");
  SavedModel model;
  model.format = LooksLikeXml(prefix) ? ModelFormat::kObjectXml : ModelFormat::kBinary;
  const Footer footer = ReadFooter(path, in, static_cast<std::uint64_t>(size),
                                   model.format == ModelFormat::kObjectXml);
  const std::string metadata = CheckedMetadata(path, in, footer);
  const std::string problem = ParseMetadata(metadata, &model);
  if (!problem.empty()) Fail(path, "damaged (" + problem + ")");
  model.dictionary = std::make_unique<SequenceDictionary>();
  ReadDictionary(path, footer, model.format, model.dictionary.get());
  CheckValues(path, *model.dictionary);
  return model;
}

}  // namespace SEQUENCE_NAMESPACE_800
