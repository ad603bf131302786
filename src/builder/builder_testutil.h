// Small helpers shared by the builder's tests.
#ifndef CARMASEQ_BUILDER_BUILDER_TESTUTIL_H_
#define CARMASEQ_BUILDER_BUILDER_TESTUTIL_H_

#include <cstdint>
#include <initializer_list>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "builder/InputError.h"
#include "builder/SequenceDatabase.h"
#include "builder/SequenceMiner.h"

namespace SEQUENCE_NAMESPACE_800 {
namespace testutil {

// One customer as item sets; set k gets time k unless times are given.
struct CustomerSpec {
  CustomerSpec() = default;
  CustomerSpec(std::vector<std::vector<std::int32_t>> sets_, std::vector<double> times_ = {})
      : sets(std::move(sets_)), times(std::move(times_)) {}

  std::vector<std::vector<std::int32_t>> sets;
  std::vector<double> times;
};

inline SequenceDatabase MakeDatabase(const std::vector<CustomerSpec>& customers) {
  SequenceDatabase db;
  for (const CustomerSpec& customer : customers) {
    db.StartCustomer();
    for (std::size_t k = 0; k < customer.sets.size(); ++k) {
      db.AddItemSet(customer.sets[k],
                    customer.times.empty() ? static_cast<double>(k) : customer.times[k]);
    }
  }
  return db;
}

// "(1 2)(3)" for item sets.
inline std::string SetsText(const std::vector<std::vector<std::int32_t>>& sets) {
  std::string text;
  for (const auto& set : sets) {
    text += "(";
    for (std::size_t i = 0; i < set.size(); ++i)
      text += (i > 0 ? " " : "") + std::to_string(set[i]);
    text += ")";
  }
  return text;
}

// "(1 2)(3)" for a mined sequence.
inline std::string PatternText(const MinedSequence& found) {
  std::string text;
  std::int32_t i = 0;
  for (std::int32_t k = 0; k < found.numSets; ++k) {
    text += "(";
    for (; i < found.setEnds[k]; ++i) {
      text += std::to_string(found.items[i]);
      if (i + 1 < found.setEnds[k]) text += " ";
    }
    text += ")";
  }
  return text;
}

// Every mined sequence's text with its count; a sequence reported twice maps to -1.
inline std::map<std::string, std::int32_t> MineAll(const SequenceDatabase& db,
                                                   const MiningOptions& options,
                                                   MiningSummary* summary = nullptr) {
  std::map<std::string, std::int32_t> found;
  const MiningSummary result =
      SequenceMiner(options).Mine(db, [&found](const MinedSequence& sequence) {
        const auto inserted = found.emplace(PatternText(sequence), sequence.count);
        if (!inserted.second) inserted.first->second = -1;
      });
  if (summary != nullptr) *summary = result;
  return found;
}

// "source:line: reason" of the InputError that read() throws, or "accepted".
template <typename F>
std::string InputErrorOf(F read) {
  try {
    read();
  } catch (const SeqExceptions::InputError& error) {
    return error.source() + ":" + std::to_string(error.line()) + ": " + error.reason();
  }
  return "accepted";
}

}  // namespace testutil
}  // namespace SEQUENCE_NAMESPACE_800

#endif  // CARMASEQ_BUILDER_BUILDER_TESTUTIL_H_
