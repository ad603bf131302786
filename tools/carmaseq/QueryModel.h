// What the query commands (rules, predict, search, stats) share: the saved dictionary they read
// and the item names they show.
#ifndef CARMASEQ_TOOLS_CARMASEQ_QUERYMODEL_H_
#define CARMASEQ_TOOLS_CARMASEQ_QUERYMODEL_H_

#include <memory>
#include <string>

#include "ArgParser.h"
#include "ItemText.h"
#include "dictionary/SequenceDictionary.h"
#include "input/ItemNameMap.h"
#include "mining/ModelFile.h"

namespace carmaseq_cli {

// A loaded model with the names it is shown with (its own, or those of --names). Not copyable
// (text() points into names).
struct QueryModel {
  std::unique_ptr<SEQUENCE_NAMESPACE_800::SequenceDictionary> dictionary;
  SEQUENCE_NAMESPACE_800::ItemNameMap names;
  SEQUENCE_NAMESPACE_800::ModelSource source;

  ItemText text() const { return ItemText(&names); }
};

// The option that names the item-name map of a query command.
OptionDef NamesOption();
// The sentence every query command's help ends with.
std::string ModelDetails();

// Loads the model named by the first positional argument. --names, when given, replaces the
// model's names; it must give every item the model names the same name, and name every item of a
// model saved without names. Throws CommandError for a names file that does not match or cannot
// be read, and SEQUENCE_NAMESPACE_800::ModelFileError for a model file that cannot be used.
std::unique_ptr<QueryModel> LoadQueryModel(const ParsedArgs& args);

}  // namespace carmaseq_cli

#endif  // CARMASEQ_TOOLS_CARMASEQ_QUERYMODEL_H_
