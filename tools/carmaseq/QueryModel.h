// What the query commands (rules, predict, search, stats) share: the saved dictionary they read
// and the item names they show.
#ifndef CARMASEQ_TOOLS_CARMASEQ_QUERYMODEL_H_
#define CARMASEQ_TOOLS_CARMASEQ_QUERYMODEL_H_

#include <memory>
#include <string>

#include "ArgParser.h"
#include "ItemText.h"
#include "input/ItemNameMap.h"
#include "dictionary/SequenceDictionary.h"

namespace carmaseq_cli {

// A loaded dictionary with its optional names. Not copyable (text() points into names).
struct QueryModel {
  std::unique_ptr<SEQUENCE_NAMESPACE_800::SequenceDictionary> dictionary;
  SEQUENCE_NAMESPACE_800::ItemNameMap names;

  ItemText text() const { return ItemText(&names); }
};

// The option that names the item-name map of a query command.
OptionDef NamesOption();
// The sentence every query command's help ends with.
std::string ModelDetails();

// Loads the dictionary named by the first positional argument and the map of --names.
// Throws CommandError as LoadDictionary and LoadNames do.
std::unique_ptr<QueryModel> LoadQueryModel(const ParsedArgs& args);

}  // namespace carmaseq_cli

#endif  // CARMASEQ_TOOLS_CARMASEQ_QUERYMODEL_H_
