// Uses the installed package through its umbrella header only: mines a tiny data set, predicts,
// and writes the lattice document.
#include <carmaseq/carmaseq_mining.h>

#include <cstdio>
#include <sstream>
#include <vector>

namespace cs = SEQUENCE_NAMESPACE_800;

int main() {
  cs::SequenceDatabase db;
  const std::int32_t bread_milk[] = {1, 2}, butter[] = {3};
  for (int customer = 0; customer < 4; ++customer) {
    db.StartCustomer();
    db.AddItemSet(bread_milk, 2, 1.0);
    if (customer < 3) db.AddItemSet(butter, 1, 2.0);
  }
  cs::MiningOptions options;
  options.minSupport = 0.5;
  cs::BuildResult built = cs::BuildDictionary(db, options);
  if (built.dictionary == nullptr) {
    std::puts("consumer: mining failed");
    return 1;
  }
  cs::Sequence history;
  cs::TimedItemSet set;
  set.AddItem(1);
  history.AddTimedItemSet(&set);
  std::vector<cs::SeqConsequentDescriptor> predictions;
  std::ostringstream lattice;
  if (!built.dictionary->GetFutureItems(predictions, &history, 5, true).IsOK() ||
      !built.dictionary->ExportLatticeXML(lattice, 0.5).IsOK() || predictions.empty() ||
      predictions[0].GetItem() != 3 ||
      lattice.str().find("SequentialAssociationLattice") == std::string::npos) {
    std::puts("consumer: unexpected result");
    return 1;
  }
  return 0;
}
