#include "QueryModel.h"

#include "Errors.h"
#include "InputFiles.h"
#include "sequence/HashtableSQPair.h"
#include "sequence/NTSequence.h"

namespace carmaseq_cli {

namespace seq = SEQUENCE_NAMESPACE_800;

namespace {

// Throws CommandError unless names (read from path) fits the model: the same name for every item
// the model names, and a name for every item of a model that has none.
void CheckNames(const seq::ItemNameMap& names, const std::string& path, const QueryModel& model) {
  const seq::HashtableSQPair* level1 = model.dictionary->getLevelTable(1);
  if (level1 == nullptr) return;
  for (auto it = level1->begin(); it != level1->end(); ++it) {
    if (it->key == nullptr || it->key->size() != 1) continue;
    const std::int32_t id = it->key->items()[0];
    const std::string* own = model.names.NameOf(id);
    const std::string* given = names.NameOf(id);
    if (own != nullptr && (given == nullptr || *given != *own)) {
      throw CommandError(path + " does not match the model's item names: item " +
                         std::to_string(id) + " is " + Quoted(*own) + " in the model, " +
                         (given == nullptr ? "unnamed" : Quoted(*given)) + " in " + path);
    }
    if (own == nullptr && given == nullptr) {
      throw CommandError(path + " does not match the model: it names no item " +
                         std::to_string(id));
    }
  }
}

}  // namespace

OptionDef NamesOption() {
  return {"names", "FILE",
          "item-name map (id<TAB>name) to show instead of the model's own; must match it"};
}

std::string ModelDetails() {
  return "MODEL is a model saved by 'carmaseq mine --save' (binary or object XML); it keeps\n"
         "the item names it was mined with. Lattice documents (mine --lattice) are scored with\n"
         "carmaseq-score.\n";
}

std::unique_ptr<QueryModel> LoadQueryModel(const ParsedArgs& args) {
  seq::SavedModel saved = seq::ReadModel(args.positional()[0]);
  auto model = std::make_unique<QueryModel>();
  model->dictionary = std::move(saved.dictionary);
  model->names = std::move(saved.names);
  model->source = std::move(saved.source);
  if (args.Has("names")) {
    const std::string path = args.Get("names");
    seq::ItemNameMap names = LoadNames(path);
    CheckNames(names, path, *model);
    model->names = std::move(names);
  }
  return model;
}

}  // namespace carmaseq_cli
