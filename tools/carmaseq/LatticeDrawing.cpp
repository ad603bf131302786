#include "LatticeDrawing.h"

#include <algorithm>
#include <map>
#include <memory>
#include <ostream>
#include <set>

#include "HtmlText.h"
#include "SequenceLabel.h"
#include "dictionary/SequenceDictionary.h"
#include "sequence/HashtableSQPair.h"
#include "sequence/NTSequence.h"
#include "sequence/Sequence.h"
#include "sequence/SequenceCounter.h"

namespace carmaseq_cli {

namespace seq = SEQUENCE_NAMESPACE_800;

namespace {

constexpr double kNodeHeight = 22, kRowGap = 8, kColumnGap = 56, kMargin = 6;
constexpr std::size_t kMaxLabel = 44;  // characters shown in a box
constexpr double kCharWidth = 6.6;     // average width of a character of the node font

bool Stronger(const seq::ISQCPair& a, const seq::ISQCPair& b) {
  if (a.value->getCount() != b.value->getCount()) return a.value->getCount() > b.value->getCount();
  if (a.key->size() != b.key->size()) return a.key->size() < b.key->size();
  return *a.key < *b.key;
}

std::vector<seq::ISQCPair> HeldEntries(const seq::SequenceDictionary& dictionary) {
  std::vector<seq::ISQCPair> entries;
  for (int level = 1; level < dictionary.getNumberOfLevels(); ++level) {
    const seq::HashtableSQPair* table = dictionary.getLevelTable(level);
    if (table == nullptr) continue;
    for (auto it = table->begin(); it != table->end(); ++it) {
      if (it->key != nullptr && it->value != nullptr) entries.push_back(*it);
    }
  }
  return entries;
}

// The distinct held one-item extensions of key, by the links the lattice stored on counter.
std::set<seq::NTSequence> HeldExtensions(seq::SequenceDictionary& dictionary,
                                         const seq::NTSequence& key,
                                         const seq::SequenceCounter& counter) {
  std::set<seq::NTSequence> extensions;
  const seq::AdjacentItemSet* links = counter.getAdjacentItems();
  if (links == nullptr) return extensions;
  for (const auto& [item, slot] : *links) {
    seq::NTSequence extension(key, item, slot);
    if (dictionary.getDescriptor(&extension) != nullptr) extensions.insert(std::move(extension));
  }
  return extensions;
}

std::string Label(const std::string& text) {
  // Cut on a character boundary: never inside a UTF-8 sequence.
  if (text.size() <= kMaxLabel) return text;
  std::size_t cut = kMaxLabel - 1;
  while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
  return text.substr(0, cut) + "\xE2\x80\xA6";
}

// Where each node's box sits: its column's left edge and width, and its row's top.
struct Box {
  double x, y, width;
};

std::vector<Box> Layout(const std::vector<LatticeNode>& nodes, double* width, double* height) {
  std::map<int, std::vector<std::size_t>> columns;  // items -> nodes, strongest first
  for (std::size_t i = 0; i < nodes.size(); ++i) columns[nodes[i].items].push_back(i);
  std::vector<Box> boxes(nodes.size());
  double x = kMargin, bottom = kMargin;
  for (const auto& [items, members] : columns) {
    std::size_t longest = 0;
    for (const std::size_t i : members) longest = std::max(longest, Label(nodes[i].text).size());
    const double columnWidth = std::clamp(longest * kCharWidth + 14, 70.0, 320.0);
    double y = kMargin;
    for (const std::size_t i : members) {
      boxes[i] = {x, y, columnWidth};
      y += kNodeHeight + kRowGap;
    }
    bottom = std::max(bottom, y);
    x += columnWidth + kColumnGap;
  }
  *width = x - kColumnGap + kMargin;
  *height = bottom - kRowGap + kMargin;
  return boxes;
}

}  // namespace

std::vector<LatticeNode> StrongestSequences(seq::SequenceDictionary& dictionary,
                                            const seq::ItemNameMap* names, std::size_t top) {
  std::vector<seq::ISQCPair> entries = HeldEntries(dictionary);
  const std::size_t kept = std::min(top, entries.size());
  std::partial_sort(entries.begin(), entries.begin() + kept, entries.end(), Stronger);
  entries.resize(kept);

  std::map<seq::NTSequence, std::size_t> drawn;
  std::vector<LatticeNode> nodes;
  for (const seq::ISQCPair& entry : entries) {
    drawn.emplace(*entry.key, nodes.size());
    const std::unique_ptr<seq::Sequence> sequence(entry.key->createSequence());
    nodes.push_back(
        {SequenceLabel(*sequence, names), entry.value->getCount(), entry.key->size(), 0, {}});
  }
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const auto extensions = HeldExtensions(dictionary, *entries[i].key, *entries[i].value);
    nodes[i].extensions = static_cast<int>(extensions.size());
    for (const seq::NTSequence& extension : extensions) {
      const auto found = drawn.find(extension);
      if (found != drawn.end()) nodes[i].children.push_back(found->second);
    }
    std::sort(nodes[i].children.begin(), nodes[i].children.end());
  }
  return nodes;
}

void WriteLatticeDrawing(const std::vector<LatticeNode>& nodes, double customers,
                         std::ostream& out) {
  double width = 0, height = 0;
  const std::vector<Box> boxes = Layout(nodes, &width, &height);
  out << "<svg id=\"lattice\" role=\"img\" aria-labelledby=\"lattice-title\" width=\""
      << Fixed(width, 0) << "\" height=\"" << Fixed(height, 0) << "\" viewBox=\"0 0 "
      << Fixed(width, 0) << ' ' << Fixed(height, 0) << "\">\n";
  for (std::size_t i = 0; i < nodes.size(); ++i) {
    for (const std::size_t child : nodes[i].children) {
      const Box& a = boxes[i];
      const Box& b = boxes[child];
      const double x1 = a.x + a.width, y1 = a.y + kNodeHeight / 2, x2 = b.x,
                   y2 = b.y + kNodeHeight / 2, middle = (x1 + x2) / 2;
      out << "<path class=\"link\" d=\"M" << Fixed(x1, 1) << ' ' << Fixed(y1, 1) << " C"
          << Fixed(middle, 1) << ' ' << Fixed(y1, 1) << ' ' << Fixed(middle, 1) << ' '
          << Fixed(y2, 1) << ' ' << Fixed(x2, 1) << ' ' << Fixed(y2, 1) << "\"/>\n";
    }
  }
  for (std::size_t i = 0; i < nodes.size(); ++i) {
    const LatticeNode& node = nodes[i];
    const Box& box = boxes[i];
    out << "<g class=\"node\"><title>" << EscapeHtml(node.text) << ": " << node.count
        << " customers (support " << Fixed(customers > 0 ? node.count / customers : 0, 4) << "), "
        << node.extensions << " held one-item extensions</title><rect x=\"" << Fixed(box.x, 1)
        << "\" y=\"" << Fixed(box.y, 1) << "\" width=\"" << Fixed(box.width, 1) << "\" height=\""
        << Fixed(kNodeHeight, 0) << "\" rx=\"4\"/><text x=\"" << Fixed(box.x + 7, 1) << "\" y=\""
        << Fixed(box.y + 15, 1) << "\">" << EscapeHtml(Label(node.text)) << "</text></g>\n";
  }
  out << "</svg>\n";
}

}  // namespace carmaseq_cli
