// The strongest held sequences of a dictionary and their lattice links, gathered for the report
// and drawn as inline SVG.
#ifndef CARMASEQ_TOOLS_CARMASEQ_LATTICEDRAWING_H_
#define CARMASEQ_TOOLS_CARMASEQ_LATTICEDRAWING_H_

#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <string>
#include <vector>

namespace SEQUENCE_NAMESPACE_800 {
class ItemNameMap;
class SequenceDictionary;
}  // namespace SEQUENCE_NAMESPACE_800

namespace carmaseq_cli {

// One drawn sequence. Copyable.
struct LatticeNode {
  std::string text;                   // as SequenceLabel writes it
  std::int32_t count;                 // customers holding it
  int items;                          // number of items
  int extensions;                     // its held one-item extensions in the whole dictionary
  std::vector<std::size_t> children;  // indices of the drawn nodes among those extensions
};

// Returns the `top` held non-empty sequences with the highest counts (ties: fewer items first,
// then key order), in that order, each with its links to the returned sequences that extend it
// by one item. names may be null (items are then shown as ids). REQUIRES: the dictionary's
// lattice is built.
std::vector<LatticeNode> StrongestSequences(SEQUENCE_NAMESPACE_800::SequenceDictionary& dictionary,
                                            const SEQUENCE_NAMESPACE_800::ItemNameMap* names,
                                            std::size_t top);

// Writes an <svg> with one column per number of items, each node a box holding the sequence's
// text (shortened when long; the full text and its counts are in its <title>), and a line from
// each node to each of its children. customers turns counts into supports. Text is escaped.
void WriteLatticeDrawing(const std::vector<LatticeNode>& nodes, double customers,
                         std::ostream& out);

}  // namespace carmaseq_cli

#endif  // CARMASEQ_TOOLS_CARMASEQ_LATTICEDRAWING_H_
