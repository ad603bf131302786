#include "QueryModel.h"

#include "InputFiles.h"
#include "ModelFile.h"

namespace carmaseq_cli {

OptionDef NamesOption() {
  return {"names", "FILE", "item-name map written by 'mine --item-map'; shows and reads names"};
}

std::string ModelDetails() {
  return "MODEL is a dictionary saved by 'carmaseq mine --save' (binary or object XML).\n"
         "Lattice documents (mine --lattice) are scored with carmaseq-score.\n";
}

std::unique_ptr<QueryModel> LoadQueryModel(const ParsedArgs& args) {
  auto model = std::make_unique<QueryModel>();
  model->dictionary = LoadDictionary(args.positional()[0]);
  if (args.Has("names")) model->names = LoadNames(args.Get("names"));
  return model;
}

}  // namespace carmaseq_cli
