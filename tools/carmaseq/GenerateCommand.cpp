// carmaseq generate: seeded synthetic customer histories with planted sequential patterns.
#include <cstdio>
#include <iostream>
#include <memory>
#include <stdexcept>
#include <string>

#include "Commands.h"
#include "Errors.h"
#include "ItemText.h"
#include "OutputFiles.h"
#include "RuleText.h"
#include "input/ItemNameMap.h"
#include "input/SequenceDatabase.h"
#include "input/SequenceGenerator.h"
#include "input/SpmfFormat.h"

namespace carmaseq_cli {

namespace seq = SEQUENCE_NAMESPACE_800;

namespace {

constexpr const char* kProducts[] = {
    "bread",  "milk",    "butter",  "eggs",    "cheese",    "coffee",    "tea",      "sugar",
    "apples", "bananas", "oranges", "grapes",  "tomatoes",  "onions",    "potatoes", "carrots",
    "rice",   "pasta",   "flour",   "yogurt",  "cereal",    "honey",     "jam",      "juice",
    "water",  "soda",    "beer",    "wine",    "chicken",   "beef",      "pork",     "fish",
    "salad",  "soup",    "chips",   "cookies", "chocolate", "ice cream", "nuts",     "olive oil",
    "salt",   "pepper",  "ketchup", "mustard", "napkins",   "soap",      "shampoo",  "toothpaste",
};
constexpr const char* kKinds[] = {"",         "organic ", "large ", "small ", "frozen ",
                                  "premium ", "budget ",  "local ", "spicy ", "low-fat "};
constexpr int kProductCount = sizeof kProducts / sizeof kProducts[0];
constexpr int kKindCount = sizeof kKinds / sizeof kKinds[0];

// A readable, unique name for generated item id (1-based): the plain products first, then the
// same products with a qualifier, then "item N".
std::string ProductName(std::int32_t id) {
  const std::int64_t index = static_cast<std::int64_t>(id) - 1;
  if (index < 0 || index >= kProductCount * kKindCount) return "item " + std::to_string(id);
  return std::string(kKinds[index / kProductCount]) + kProducts[index % kProductCount];
}

seq::ItemNameMap ProductNames(std::int32_t distinctItems) {
  seq::ItemNameMap names;
  for (std::int32_t id = 1; id <= distinctItems; ++id) names.Add(id, ProductName(id));
  return names;
}

seq::GeneratorOptions ReadGeneratorOptions(const ParsedArgs& args) {
  seq::GeneratorOptions g;
  g.customers = static_cast<std::int32_t>(args.GetInt("customers", g.customers, 1, 100000000));
  g.avgSetsPerCustomer = args.GetDouble("sets", g.avgSetsPerCustomer, 1, 10000);
  g.avgItemsPerSet = args.GetDouble("items", g.avgItemsPerSet, 1, 10000);
  g.distinctItems =
      static_cast<std::int32_t>(args.GetInt("distinct-items", g.distinctItems, 1, 10000000));
  g.patterns = static_cast<std::int32_t>(args.GetInt("patterns", g.patterns, 1, 1000000));
  g.avgPatternItems = args.GetDouble("pattern-items", g.avgPatternItems, 1, 31);
  g.seed = static_cast<std::uint32_t>(args.GetInt("seed", g.seed, 0, UINT32_MAX));
  return g;
}

std::string TimeText(double time) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%.17g", time);
  return buffer;
}

// One row per item: customer, time, item name.
void WriteCsv(const seq::SequenceDatabase& db, const seq::ItemNameMap& names, std::ostream& out) {
  out << "customer,time,item\n";
  for (std::int32_t c = 0; c < db.NumCustomers(); ++c) {
    for (std::uint32_t s = db.customerBegin(c); s < db.customerBegin(c + 1); ++s) {
      const std::string prefix = std::to_string(c + 1) + "," + TimeText(db.setTime(s)) + ",";
      for (std::uint32_t i = db.setBegin(s); i < db.setBegin(s + 1); ++i) {
        out << prefix << CsvField(names.Label(db.items()[i])) << "\n";
      }
    }
  }
}

void PrintPatterns(const seq::SequenceGenerator& generator, const seq::ItemNameMap& names,
                   std::ostream& out) {
  const ItemText text(&names);
  out << "most planted patterns:\n";
  const auto& patterns = generator.patterns();
  for (std::size_t p = 0; p < patterns.size() && p < 5; ++p) {
    std::string line;
    for (const auto& set : patterns[p].sets) {
      line += "(";
      for (std::size_t i = 0; i < set.size(); ++i) line += (i ? ", " : "") + text.Item(set[i]);
      line += ")";
    }
    char weight[32];
    std::snprintf(weight, sizeof weight, "  %5.1f%%  ", 100 * patterns[p].weight);
    out << weight << line << "\n";
  }
}

}  // namespace

CommandDef GenerateDef() {
  CommandDef def;
  def.name = "generate";
  def.synopsis = "OUTPUT [options]";
  def.summary =
      "Writes synthetic customer histories with planted sequential patterns, the same for the "
      "same options on every machine. OUTPUT '-' writes to standard output.";
  def.minPositional = 1;
  def.maxPositional = 1;
  def.options = {
      {"format", "spmf|csv",
       "spmf: item ids; csv: customer,time,item with product names "
       "(default: csv for .csv names, else spmf)"},
      {"customers", "N", "number of customers (default 1000)"},
      {"sets", "AVG", "item sets per customer on average (default 8)"},
      {"items", "AVG", "items per item set on average (default 2.5)"},
      {"distinct-items", "N", "item ids 1..N (default 200)"},
      {"patterns", "N", "planted patterns (default 50)"},
      {"pattern-items", "AVG", "items per pattern on average (default 4)"},
      {"seed", "N", "random seed (default 1)"},
      {"with-times", "", "spmf: write each item set's time as <t>"},
      {"item-map", "FILE", "write the product names of the item ids (id<TAB>name)"},
      {"quiet", "", "print nothing but errors"},
  };
  return def;
}

int RunGenerate(const ParsedArgs& args, const Console& console) {
  const std::string output = args.positional()[0];
  const std::string byName =
      output.size() > 4 && output.substr(output.size() - 4) == ".csv" ? "csv" : "spmf";
  const bool csv = args.GetChoice("format", {"spmf", "csv"}, byName) == "csv";
  const seq::GeneratorOptions options = ReadGeneratorOptions(args);
  OutputFiles files;
  if (output != "-") files.Declare(output);
  if (args.Has("item-map")) files.Declare(args.Get("item-map"));
  std::unique_ptr<seq::SequenceGenerator> generator;
  try {
    generator = std::make_unique<seq::SequenceGenerator>(options);
  } catch (const std::invalid_argument& error) {
    throw UsageError(error.what());
  }
  seq::SequenceDatabase db;
  generator->Generate(&db);
  const seq::ItemNameMap names = ProductNames(options.distinctItems);

  std::ostream& out = output != "-" ? files.Open(output) : console.out;
  if (csv) {
    WriteCsv(db, names, out);
  } else {
    seq::WriteSpmf(db, out, args.Has("with-times"));
  }
  if (args.Has("item-map")) names.Save(files.Open(args.Get("item-map")));
  files.CommitAll();
  if (output != "-" && !args.Has("quiet")) {
    console.out << "wrote " << db.NumCustomers() << " customers, " << db.NumItemSets()
                << " item sets, " << db.NumItems() << " items to " << output << "\n";
    PrintPatterns(*generator, names, console.out);
  }
  return kExitOk;
}

}  // namespace carmaseq_cli
