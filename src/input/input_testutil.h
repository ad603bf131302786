// Small helpers shared by the input tests and the mining tests.
#ifndef CARMASEQ_INPUT_INPUT_TESTUTIL_H_
#define CARMASEQ_INPUT_INPUT_TESTUTIL_H_

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "input/InputError.h"
#include "input/SequenceDatabase.h"

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

#endif  // CARMASEQ_INPUT_INPUT_TESTUTIL_H_
