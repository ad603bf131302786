#include "mining/PartitionedMining.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <istream>
#include <iterator>
#include <limits>
#include <ostream>
#include <queue>
#include <string>

#include "input/SequenceDatabase.h"
#include "mining/CandidateCounter.h"
#include "mining/Crc32c.h"

namespace SEQUENCE_NAMESPACE_800 {

namespace {

// File layout, all numbers little-endian: the 8-byte magic, a kind byte ('C' candidates,
// 'N' counts), the 32-bit version, the settings (minSupport f64, maxItems i32, minGap f64,
// maxGap f64, slidingWindow f64), the partition's customers (i64), the body, and a CRC-32C of
// everything before it. Candidate body: a varint count of sequences, then per sequence its number
// of sets, each set's size and its items (varints; items zigzag-coded) and its local count.
// Counts body: the partition's item sets, items, largest item set and most item sets of a
// customer (varints), the union's digest (u32), a varint count, then the counts as varints.
constexpr char kMagic[8] = {'C', 'S', 'Q', 'P', 'A', 'R', 'T', '\0'};
constexpr std::uint32_t kVersion = 1;
constexpr char kCandidateKind = 'C';
constexpr char kCountsKind = 'N';

class Encoder {
 public:
  void Bytes(const void* data, std::size_t size) {
    bytes_.append(static_cast<const char*>(data), size);
  }
  void Fixed32(std::uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8) bytes_ += static_cast<char>(value >> shift);
  }
  void Fixed64(std::uint64_t value) {
    for (int shift = 0; shift < 64; shift += 8) bytes_ += static_cast<char>(value >> shift);
  }
  void Double(double value) {
    std::uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    Fixed64(bits);
  }
  void Varint(std::uint64_t value) {
    while (value >= 0x80) {
      bytes_ += static_cast<char>(value | 0x80);
      value >>= 7;
    }
    bytes_ += static_cast<char>(value);
  }
  void Signed(std::int64_t value) {  // zigzag
    Varint((static_cast<std::uint64_t>(value) << 1) ^ static_cast<std::uint64_t>(value >> 63));
  }
  void Header(char kind, const PartitionSettings& settings, std::int64_t customers) {
    Bytes(kMagic, sizeof kMagic);
    bytes_ += kind;
    Fixed32(kVersion);
    Double(settings.minSupport);
    Fixed32(static_cast<std::uint32_t>(settings.maxItems));
    Double(settings.minGap);
    Double(settings.maxGap);
    Double(settings.slidingWindow);
    Fixed64(static_cast<std::uint64_t>(customers));
  }
  // Continues crc over the bytes so far and forgets them.
  std::uint32_t Drain(std::uint32_t crc) {
    crc = Crc32c(crc, bytes_.data(), bytes_.size());
    bytes_.clear();
    return crc;
  }
  std::size_t size() const { return bytes_.size(); }
  void WriteTo(std::ostream& out) {
    Fixed32(Crc32c(0, bytes_.data(), bytes_.size()));
    out.write(bytes_.data(), static_cast<std::streamsize>(bytes_.size()));
    out.flush();
    if (!out) throw PartitionError("cannot write the partition file");
  }

 private:
  std::string bytes_;
};

class Decoder {
 public:
  Decoder(std::istream& in, const std::string& source) : source_(source) {
    bytes_.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (in.bad()) Fail("cannot be read");
    if (bytes_.size() < sizeof kMagic + 4 || std::memcmp(bytes_.data(), kMagic, sizeof kMagic)) {
      Fail("is not a carmaseq partition file");
    }
    end_ = bytes_.size() - 4;
    std::uint32_t stored = 0;
    for (int k = 0; k < 4; ++k) {
      stored |= std::uint32_t{static_cast<unsigned char>(bytes_[end_ + k])} << (8 * k);
    }
    if (stored != Crc32c(0, bytes_.data(), end_)) Fail("is damaged (checksum mismatch)");
    pos_ = sizeof kMagic;
  }

  [[noreturn]] void Fail(const std::string& what) const {
    throw PartitionError(source_ + ": " + what);
  }
  void Header(char kind, PartitionSettings* settings, std::int64_t* customers) {
    const char found = static_cast<char>(Byte());
    if (found != kind) {
      Fail(kind == kCandidateKind ? "holds counts, not candidates"
                                  : "holds candidates, not counts");
    }
    const std::uint32_t version = Fixed32();
    if (version != kVersion)
      Fail("has version " + std::to_string(version) + ", not " + std::to_string(kVersion));
    settings->minSupport = Double();
    settings->maxItems = static_cast<std::int32_t>(Fixed32());
    settings->minGap = Double();
    settings->maxGap = Double();
    settings->slidingWindow = Double();
    *customers = static_cast<std::int64_t>(Fixed64());
    if (*customers < 0 || *customers > std::numeric_limits<std::int32_t>::max()) {
      Fail("records an impossible customer count");
    }
  }
  std::uint8_t Byte() {
    if (pos_ >= end_) Fail("is truncated");
    return static_cast<std::uint8_t>(bytes_[pos_++]);
  }
  std::uint32_t Fixed32() {
    std::uint32_t value = 0;
    for (int shift = 0; shift < 32; shift += 8) value |= std::uint32_t{Byte()} << shift;
    return value;
  }
  std::uint64_t Fixed64() {
    std::uint64_t value = 0;
    for (int shift = 0; shift < 64; shift += 8) value |= std::uint64_t{Byte()} << shift;
    return value;
  }
  double Double() {
    const std::uint64_t bits = Fixed64();
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
  }
  std::uint64_t Varint() {
    std::uint64_t value = 0;
    for (int shift = 0; shift < 64; shift += 7) {
      const std::uint8_t byte = Byte();
      value |= std::uint64_t{byte & 0x7Fu} << shift;
      if ((byte & 0x80u) == 0) return value;
    }
    Fail("holds a malformed number");
  }
  std::int64_t Signed() {
    const std::uint64_t value = Varint();
    return static_cast<std::int64_t>(value >> 1) ^ -static_cast<std::int64_t>(value & 1);
  }
  // A count of things each taking at least one more byte: never more than the bytes left.
  std::uint64_t Length() {
    const std::uint64_t length = Varint();
    if (length > end_ - pos_) Fail("is truncated");
    return length;
  }
  void ExpectEnd() const {
    if (pos_ != end_) Fail("has bytes after its end");
  }

 private:
  std::string source_;
  std::string bytes_;
  std::size_t pos_ = 0, end_ = 0;
};

std::int32_t ReadItem(Decoder* in) {
  const std::int64_t item = in->Signed();
  if (item < std::numeric_limits<std::int32_t>::min() ||
      item > std::numeric_limits<std::int32_t>::max()) {
    in->Fail("holds an item out of range");
  }
  return static_cast<std::int32_t>(item);
}

// Reads one sequence, checking that it is one a dictionary can hold.
void ReadSequence(Decoder* in, PatternList* patterns) {
  constexpr std::uint64_t kMaxItems = 31;
  std::int32_t items[kMaxItems], setEnds[kMaxItems];
  const std::uint64_t numSets = in->Length();
  if (numSets == 0 || numSets > kMaxItems) in->Fail("holds a sequence of impossible length");
  std::int32_t numItems = 0;
  for (std::uint64_t s = 0; s < numSets; ++s) {
    const std::uint64_t size = in->Length();
    if (size == 0 || numItems + size > kMaxItems) in->Fail("holds a sequence of impossible length");
    for (std::uint64_t i = 0; i < size; ++i, ++numItems) {
      items[numItems] = ReadItem(in);
      if (i > 0 && items[numItems] <= items[numItems - 1]) in->Fail("holds an unsorted item set");
    }
    setEnds[s] = numItems;
  }
  const std::uint64_t count = in->Varint();
  if (count > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())) {
    in->Fail("holds an impossible count");
  }
  patterns->Add(items, setEnds, static_cast<std::int32_t>(numSets),
                static_cast<std::int64_t>(count));
}

// The union of lists each strictly in the canonical order, in that order, by a k-way merge:
// linear in the candidates, where sorting them all again would not be.
void MergeCanonical(const std::vector<CandidateSet>& sets, PatternList* all) {
  struct Head {
    std::size_t set, index;
  };
  auto get = [&sets](const Head& head) { return sets[head.set].patterns.Get(head.index); };
  // std::priority_queue keeps its greatest element on top: order by "comes later".
  auto later = [&get](const Head& a, const Head& b) { return MiningOrder()(get(b), get(a)); };
  std::priority_queue<Head, std::vector<Head>, decltype(later)> heads(later);
  for (std::size_t s = 0; s < sets.size(); ++s) {
    if (!sets[s].patterns.empty()) heads.push(Head{s, 0});
  }
  while (!heads.empty()) {
    const Head head = heads.top();
    heads.pop();
    const PatternList& list = sets[head.set].patterns;
    const bool repeated = !all->empty() && !MiningOrder()(all->Get(all->size() - 1), get(head));
    if (!repeated) all->AddFrom(list, head.index);
    if (head.index + 1 < list.size()) heads.push(Head{head.set, head.index + 1});
  }
}

void CheckSettings(const PartitionSettings& expected, const PartitionSettings& found,
                   const std::string& what) {
  if (expected != found) {
    throw PartitionError(what +
                         " were mined with other settings (support, items or time "
                         "constraints) than the rest of the run");
  }
}

}  // namespace

std::vector<SequenceDatabase> SplitCustomers(const SequenceDatabase& db, std::int32_t parts) {
  const std::int32_t customers = db.NumCustomers();
  auto items = [&db](std::int32_t c) {
    return db.setBegin(db.customerBegin(c + 1)) - db.setBegin(db.customerBegin(c));
  };
  std::vector<std::int32_t> byLength(static_cast<std::size_t>(customers));
  for (std::int32_t c = 0; c < customers; ++c) byLength[c] = c;
  std::stable_sort(byLength.begin(), byLength.end(),
                   [&items](std::int32_t a, std::int32_t b) { return items(a) > items(b); });
  std::vector<std::int32_t> partOf(byLength.size());
  for (std::size_t rank = 0; rank < byLength.size(); ++rank) {
    partOf[byLength[rank]] = static_cast<std::int32_t>(rank % static_cast<std::size_t>(parts));
  }
  std::vector<SequenceDatabase> split(parts);
  for (std::int32_t c = 0; c < customers; ++c) {
    SequenceDatabase& part = split[partOf[c]];
    part.StartCustomer();
    for (std::uint32_t set = db.customerBegin(c); set < db.customerBegin(c + 1); ++set) {
      part.AddItemSet(db.items() + db.setBegin(set), db.setBegin(set + 1) - db.setBegin(set),
                      db.setTime(set));
    }
  }
  return split;
}

PartitionSettings PartitionSettings::From(const MiningOptions& options) {
  PartitionSettings settings;
  settings.minSupport = options.minSupport;
  settings.maxItems = options.maxItems;
  settings.minGap = std::max(0.0, options.minGap);
  settings.maxGap = std::max(0.0, options.maxGap);
  settings.slidingWindow = std::max(0.0, options.slidingWindow);
  return settings;
}

bool PartitionSettings::operator==(const PartitionSettings& other) const {
  return minSupport == other.minSupport && maxItems == other.maxItems && minGap == other.minGap &&
         maxGap == other.maxGap && slidingWindow == other.slidingWindow;
}

CandidateSet MineCandidates(const SequenceDatabase& partition, const MiningOptions& options) {
  CandidateSet set;
  set.settings = PartitionSettings::From(options);
  set.customers = partition.NumCustomers();
  // The miner's threshold here is the partition's own, ceil(minSupport * N_i) for its N_i
  // customers. That is what makes the two passes exact: a sequence whose count is below
  // minSupport * N_i in every partition has a total below minSupport * N, so each sequence
  // frequent over all N customers is frequent in at least one partition and so is a candidate.
  // The miner reports in MiningOrder, so the list is in the canonical order as it fills.
  const MiningSummary summary = SequenceMiner(options).Mine(
      partition, [&set](const MinedSequence& found) { set.patterns.Add(found); });
  if (summary.cancelled) throw PartitionError("cancelled");
  if (summary.memoryLimitReached) {
    throw PartitionError("pass 1 stopped at the memory limit after " +
                         std::to_string(summary.sequences) + " candidates of " +
                         std::to_string(set.customers) +
                         " customers; use more or larger partitions, or a smaller item limit");
  }
  return set;
}

PatternList UnionCandidates(const std::vector<CandidateSet>& sets) {
  if (sets.empty()) throw PartitionError("no candidate files to unite");
  bool allCanonical = true;
  for (const CandidateSet& set : sets) {
    CheckSettings(sets.front().settings, set.settings, "candidate files");
    allCanonical = allCanonical && set.patterns.IsCanonical();
  }
  PatternList all;
  if (allCanonical) {
    MergeCanonical(sets, &all);
  } else {  // written by some other producer: sort
    for (const CandidateSet& set : sets) {
      for (std::size_t i = 0; i < set.patterns.size(); ++i) all.AddFrom(set.patterns, i);
    }
    all.SortCanonical(/*mergeDuplicates=*/true);
  }
  for (std::size_t i = 0; i < all.size(); ++i) all.set_count(i, 0);
  return all;
}

std::uint32_t CandidateDigest(const PatternList& candidates) {
  // Over the encoded sequences a piece at a time: a union can hold millions.
  Encoder encoder;
  std::uint32_t digest = 0;
  for (std::size_t i = 0; i < candidates.size(); ++i) {
    const MinedSequence sequence = candidates.Get(i);
    encoder.Varint(static_cast<std::uint64_t>(sequence.numSets));
    for (std::int32_t s = 0; s < sequence.numSets; ++s) {
      encoder.Varint(static_cast<std::uint64_t>(sequence.setEnds[s]));
    }
    for (std::int32_t k = 0; k < sequence.numItems; ++k) encoder.Signed(sequence.items[k]);
    if (encoder.size() >= 1 << 16) digest = encoder.Drain(digest);
  }
  return encoder.Drain(digest);
}

PartitionCounts CountPartition(const SequenceDatabase& partition, const PatternList& candidates,
                               const MiningOptions& options, int threads) {
  PartitionCounts counts;
  counts.settings = PartitionSettings::From(options);
  const DatabaseStats stats = partition.Stats();
  counts.customers = stats.customers;
  counts.itemSets = stats.itemSets;
  counts.items = stats.items;
  counts.maxItemsPerSet = stats.maxItemsPerSet;
  counts.maxSetsPerCustomer = stats.maxSetsPerCustomer;
  counts.unionDigest = CandidateDigest(candidates);
  counts.counts = CountCandidates(partition, candidates, options, threads);
  if (counts.counts.size() != candidates.size()) throw PartitionError("cancelled");
  return counts;
}

BuildResult MergeCounts(const PatternList& candidates, const std::vector<PartitionCounts>& counts,
                        const MiningOptions& options,
                        const SeqDictionarySettings& dictionarySettings,
                        std::int32_t candidateItems) {
  if (counts.empty()) throw PartitionError("no count files to merge");
  if (candidateItems <= 0 || candidateItems > options.maxItems) candidateItems = options.maxItems;
  const PartitionSettings settings = PartitionSettings::From(options);
  const std::uint32_t digest = CandidateDigest(candidates);
  std::int64_t customers = 0;
  std::vector<std::int64_t> total(candidates.size());
  for (const PartitionCounts& part : counts) {
    CheckSettings(settings, part.settings, "count files");
    if (part.unionDigest != digest || part.counts.size() != candidates.size()) {
      throw PartitionError("count files were taken of other candidates than the ones merged");
    }
    customers += part.customers;
    for (std::size_t i = 0; i < total.size(); ++i) total[i] += part.counts[i];
  }
  if (customers > std::numeric_limits<std::int32_t>::max()) {
    throw PartitionError("the partitions hold more customers than a dictionary can count");
  }
  const auto n = static_cast<std::int32_t>(customers);
  const std::int32_t threshold = SequenceMiner::CountThreshold(options.minSupport, n);
  PatternList frequent;
  for (std::size_t i = 0; i < candidates.size(); ++i) {
    if (total[i] > n) throw PartitionError("count files hold more customers than they record");
    if (total[i] >= threshold && candidates.NumItems(i) <= options.maxItems) {
      frequent.AddFrom(candidates, i);
      frequent.set_count(frequent.size() - 1, total[i]);
      if (candidates.NumItems(i) == candidateItems && candidateItems < options.maxItems) {
        throw PartitionError("pass 1 looked for sequences of at most " +
                             std::to_string(candidateItems) + " items, but sequences of " +
                             std::to_string(candidateItems) +
                             " items are frequent: longer ones may be missing; run pass 1 with "
                             "a larger item limit");
      }
    }
  }
  return BuildDictionaryFromPatterns(frequent, n, options, dictionarySettings);
}

DatabaseStats MergedStats(const std::vector<PartitionCounts>& counts) {
  DatabaseStats stats;
  std::int64_t customers = 0;
  for (const PartitionCounts& part : counts) {
    customers += part.customers;
    stats.itemSets += part.itemSets;
    stats.items += part.items;
    stats.maxItemsPerSet = std::max(stats.maxItemsPerSet, part.maxItemsPerSet);
    stats.maxSetsPerCustomer = std::max(stats.maxSetsPerCustomer, part.maxSetsPerCustomer);
  }
  stats.customers = static_cast<std::int32_t>(
      std::min<std::int64_t>(customers, std::numeric_limits<std::int32_t>::max()));
  if (stats.itemSets > 0) {
    stats.avgItemsPerSet = static_cast<double>(stats.items) / static_cast<double>(stats.itemSets);
  }
  return stats;
}

void WriteCandidateSet(const CandidateSet& set, std::ostream& out) {
  Encoder encoder;
  encoder.Header(kCandidateKind, set.settings, set.customers);
  encoder.Varint(set.patterns.size());
  for (std::size_t i = 0; i < set.patterns.size(); ++i) {
    const MinedSequence sequence = set.patterns.Get(i);
    encoder.Varint(static_cast<std::uint64_t>(sequence.numSets));
    std::int32_t begin = 0;
    for (std::int32_t s = 0; s < sequence.numSets; ++s) {
      encoder.Varint(static_cast<std::uint64_t>(sequence.setEnds[s] - begin));
      for (; begin < sequence.setEnds[s]; ++begin) encoder.Signed(sequence.items[begin]);
    }
    encoder.Varint(static_cast<std::uint64_t>(set.patterns.count(i)));
  }
  encoder.WriteTo(out);
}

CandidateSet ReadCandidateSet(std::istream& in, const std::string& source) {
  Decoder decoder(in, source);
  CandidateSet set;
  decoder.Header(kCandidateKind, &set.settings, &set.customers);
  const std::uint64_t size = decoder.Length();
  for (std::uint64_t i = 0; i < size; ++i) ReadSequence(&decoder, &set.patterns);
  decoder.ExpectEnd();
  return set;
}

void WritePartitionCounts(const PartitionCounts& counts, std::ostream& out) {
  Encoder encoder;
  encoder.Header(kCountsKind, counts.settings, counts.customers);
  encoder.Varint(static_cast<std::uint64_t>(counts.itemSets));
  encoder.Varint(static_cast<std::uint64_t>(counts.items));
  encoder.Varint(static_cast<std::uint64_t>(counts.maxItemsPerSet));
  encoder.Varint(static_cast<std::uint64_t>(counts.maxSetsPerCustomer));
  encoder.Fixed32(counts.unionDigest);
  encoder.Varint(counts.counts.size());
  for (const std::int64_t count : counts.counts) encoder.Varint(static_cast<std::uint64_t>(count));
  encoder.WriteTo(out);
}

PartitionCounts ReadPartitionCounts(std::istream& in, const std::string& source) {
  Decoder decoder(in, source);
  PartitionCounts counts;
  decoder.Header(kCountsKind, &counts.settings, &counts.customers);
  counts.itemSets = static_cast<std::int64_t>(decoder.Varint());
  counts.items = static_cast<std::int64_t>(decoder.Varint());
  const std::uint64_t maxItemsPerSet = decoder.Varint(), maxSetsPerCustomer = decoder.Varint();
  if (counts.itemSets < 0 || counts.items < counts.itemSets || maxItemsPerSet > 1u << 30 ||
      maxSetsPerCustomer > 1u << 30) {
    decoder.Fail("records impossible input figures");
  }
  counts.maxItemsPerSet = static_cast<std::int32_t>(maxItemsPerSet);
  counts.maxSetsPerCustomer = static_cast<std::int32_t>(maxSetsPerCustomer);
  counts.unionDigest = decoder.Fixed32();
  const std::uint64_t size = decoder.Length();
  counts.counts.reserve(size);
  for (std::uint64_t i = 0; i < size; ++i) {
    const std::uint64_t count = decoder.Varint();
    if (count > static_cast<std::uint64_t>(counts.customers)) {
      decoder.Fail("holds a count above its customers");
    }
    counts.counts.push_back(static_cast<std::int64_t>(count));
  }
  decoder.ExpectEnd();
  return counts;
}

}  // namespace SEQUENCE_NAMESPACE_800
