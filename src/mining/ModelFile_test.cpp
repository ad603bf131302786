#include "mining/ModelFile.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <fstream>
#include <iterator>
#include <string>

#include "dictionary/SequenceDictionary.h"
#include "input/input_testutil.h"
#include "mining/DictionaryBuilder.h"
#include "persist/XMLObj.h"

namespace SEQUENCE_NAMESPACE_800 {
namespace {

std::string TempPath(const std::string& name) {
  return ::testing::TempDir() + "/modelfile-" + std::to_string(getpid()) + "-" + name;
}

std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

std::unique_ptr<SequenceDictionary> Mine(const std::vector<testutil::CustomerSpec>& customers) {
  MiningOptions options;
  options.minSupport = 0.5;
  return BuildDictionary(testutil::MakeDatabase(customers), options).dictionary;
}

std::unique_ptr<SequenceDictionary> SmallDictionary() {
  return Mine({{{{1, 2}, {3}}}, {{{1}, {3}, {2}}}, {{{2}, {3}}}});
}

ItemNameMap Names() {
  ItemNameMap names;
  names.Add(1, "flower (seeds)");
  names.Add(2, "whole--milk <2%>");
  names.Add(3, "tab\tand\\back");
  return names;
}

std::string ErrorOf(const std::string& path) {
  try {
    ReadModel(path);
  } catch (const ModelFileError& error) {
    EXPECT_EQ(error.path(), path);
    return error.reason();
  }
  return "accepted";
}

class ModelFileTest : public ::testing::TestWithParam<ModelFormat> {};

// Names and source come back as written, and the library's own reader still reads the file.
TEST_P(ModelFileTest, RoundTripsAndStaysReadableByTheLibrary) {
  const std::string path = TempPath("roundtrip");
  ModelSource source;
  source.input = "shop.csv";
  source.format = "csv";
  source.itemColumn = "product-name";
  source.minSupport = 0.5;
  source.maxGap = 2.5;
  source.maxItems = 9;
  WriteModelFile(path, *SmallDictionary(), Names(), source, GetParam());

  const SavedModel model = ReadModel(path);
  EXPECT_EQ(model.format, GetParam());
  EXPECT_EQ(model.dictionary->getTotalCount(), 3);
  EXPECT_EQ(*model.names.NameOf(2), "whole--milk <2%>");
  EXPECT_EQ(*model.names.NameOf(3), "tab\tand\\back");
  EXPECT_EQ(model.source.itemColumn, "product-name");
  EXPECT_EQ(model.source.maxGap, 2.5);
  EXPECT_EQ(model.source.maxItems, 9);

  SequenceDictionary plain;
  if (GetParam() == ModelFormat::kBinary) {
    std::fstream in(path, std::ios::in | std::ios::binary);
    plain.readObject(in);
  } else {
    std::ifstream in(path, std::ios::binary);
    ASSERT_TRUE(QxXML_940::ParseStartXML(in));
    plain.readObjectXML(in);
  }
  EXPECT_EQ(plain.getTotalCount(), 3);
  EXPECT_EQ(plain.NumberOfSequences(), model.dictionary->NumberOfSequences());
  std::remove(path.c_str());
}

// A changed byte and a cut are refused wherever they fall: bytes spread over the whole file, and
// every byte of the trailer's last line.
TEST_P(ModelFileTest, RefusesFlippedBytesAndCuts) {
  const std::string path = TempPath("damage");
  WriteModelFile(path, *SmallDictionary(), Names(), ModelSource(), GetParam());
  const std::string good = ReadBytes(path);
  const std::size_t footer = good.rfind("carmaseq-model-end");
  for (std::size_t at = 0; at < good.size(); at += at < footer ? good.size() / 97 : 1) {
    std::string bad = good;
    bad[at] = static_cast<char>(bad[at] ^ (1 << (at % 8)));
    WriteBytes(path, bad);
    EXPECT_NE(ErrorOf(path), "accepted") << "flipped byte " << at << " of " << good.size();
  }
  for (std::size_t cut : {std::size_t{1}, std::size_t{4}, std::size_t{60}, good.size() / 2}) {
    WriteBytes(path, good.substr(0, good.size() - cut));
    EXPECT_NE(ErrorOf(path), "accepted") << "cut " << cut;
  }
  std::remove(path.c_str());
}

INSTANTIATE_TEST_SUITE_P(Formats, ModelFileTest,
                         ::testing::Values(ModelFormat::kBinary, ModelFormat::kObjectXml));

// Intact files whose values no measure can use, and documents that are not models.
TEST(ModelFileValues, RefusesWhatNoMeasureCanUse) {
  const std::string path = TempPath("values");
  const ItemNameMap none;
  WriteModelFile(path, *Mine({}), none, ModelSource(), ModelFormat::kBinary);
  EXPECT_EQ(ErrorOf(path), "no customers");

  auto dictionary = SmallDictionary();
  dictionary->setMaxGap(std::nan(""));
  WriteModelFile(path, *dictionary, none, ModelSource(), ModelFormat::kObjectXml);
  EXPECT_EQ(ErrorOf(path), "time constraints negative or not finite");

  std::ofstream bare(path, std::ios::binary | std::ios::trunc);
  std::fstream plain(path, std::ios::in | std::ios::out | std::ios::binary);
  SmallDictionary()->writeObject(plain);
  plain.close();
  EXPECT_EQ(ErrorOf(path), "no model trailer (cut short, or not saved as a model)");

  WriteBytes(path, "<?xml version=\"1.0\"?>\n<SequentialAssociationLattice>");
  EXPECT_NE(ErrorOf(path).find("lattice document"), std::string::npos);
  EXPECT_NE(ErrorOf(TempPath("missing")).find("cannot open"), std::string::npos);
  std::remove(path.c_str());
}

}  // namespace
}  // namespace SEQUENCE_NAMESPACE_800
