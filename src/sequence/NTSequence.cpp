#include "sequence/NTSequence.h"

#include <array>
#include <cstring>
#include <ostream>

#include "sequence/KeyItemSets.h"
#include "sequence/Sequence.h"
#include "sequence/TimedItemSet.h"

namespace SEQUENCE_NAMESPACE_800 {

namespace {

// Multipliers of the hash of keys with three or more items. The repeated 9619 and 9623 belong to
// the table: changing them changes every stored hash and so every table's visiting order.
constexpr std::uint32_t kPrimes[39] = {9587, 9601, 9613, 9619, 9623, 9619, 9623, 9629, 9631, 9643,
                                       9649, 9661, 9677, 9679, 9689, 9697, 9719, 9721, 9733, 9739,
                                       9743, 9749, 9767, 9769, 9781, 9787, 9791, 9803, 9811, 9817,
                                       9829, 9833, 9839, 9851, 9857, 9859, 9871, 9883, 9887};
constexpr int kNumPrimes = 39;

// kPairs[i] = T[i] * T[i+1]. The last entry wraps to T[0]: only keys of 39 or more items read
// it, and those are look-up keys whose hash is never used.
constexpr std::array<std::uint32_t, kNumPrimes> MakePairs() {
  std::array<std::uint32_t, kNumPrimes> pairs{};
  for (int i = 0; i < kNumPrimes; ++i) pairs[i] = kPrimes[i] * kPrimes[(i + 1) % kNumPrimes];
  return pairs;
}
constexpr std::array<std::uint32_t, kNumPrimes> kPairs = MakePairs();

// Absolute value in 32-bit two's complement; the most negative value stays itself.
inline std::int32_t Abs32(std::uint32_t v) {
  if (static_cast<std::int32_t>(v) < 0) v = 0u - v;
  return static_cast<std::int32_t>(v);
}

// The end bit of flat position i in a key of size items: bit size-1-i of the pattern, or 0 when
// that bit lies beyond the pattern's 32 bits.
inline bool EndBit(std::uint32_t pattern, std::int32_t size, std::int32_t i) {
  const std::uint32_t shift = static_cast<std::uint32_t>(size - 1 - i);
  return shift < 32 && ((pattern >> shift) & 1u) != 0;
}

// Inserts `bit` into pattern with `low` pattern bits below it, keeping 32 bits.
inline std::uint32_t InsertBit(std::uint32_t pattern, std::int32_t low, bool bit) {
  if (low >= 32) return pattern;
  const std::uint64_t p = pattern;
  const std::uint64_t mask = (std::uint64_t{1} << low) - 1;
  const std::uint64_t result = ((p >> low) << (low + 1)) | (std::uint64_t{bit} << low) | (p & mask);
  return static_cast<std::uint32_t>(result);
}

// Copies n items front to back, so dst may overlap src from below. Keys are short: a plain
// loop costs less than a library call.
inline void MoveItems(std::int32_t* dst, const std::int32_t* src, std::int32_t n) {
  for (std::int32_t i = 0; i < n; ++i) dst[i] = src[i];
}

// The number of one bits (no library call where the target lacks a population count).
inline std::int32_t CountBits(std::uint32_t bits) {
  bits = bits - ((bits >> 1) & 0x55555555u);
  bits = (bits & 0x33333333u) + ((bits >> 2) & 0x33333333u);
  bits = (bits + (bits >> 4)) & 0x0F0F0F0Fu;
  return static_cast<std::int32_t>((bits * 0x01010101u) >> 24);
}

// NTSequence::ComputeHashCode, inlined where the lattice builder makes keys.
inline std::int32_t HashOf(const std::int32_t* items, std::int32_t size, std::int32_t pattern) {
  if (size <= 0) return 0;
  if (size == 1) return items[0];
  const std::uint32_t bits = static_cast<std::uint32_t>(pattern);
  if (size == 2) {
    const std::uint32_t v =
        static_cast<std::uint32_t>(items[1]) * 9817u + static_cast<std::uint32_t>(items[0]) * 9829u;
    // The unsigned remainder by 32 is the pattern's floor modulus: never a negative shift.
    return Abs32((v << (bits % 32u)) + v + 1u);
  }
  std::uint32_t h = 0;
  if (size <= 32) {
    // The sum of kPairs[i] * items[i] * 2^(size-1-i): what the doubling loop below computes,
    // in terms that do not wait for each other.
    for (std::int32_t i = 0; i < size; ++i) {
      h += (kPairs[i] * static_cast<std::uint32_t>(items[i])) << (size - 1 - i);
    }
    return Abs32(bits * h);
  }
  const std::int32_t direct = size < kNumPrimes ? size : kNumPrimes;
  std::int32_t i = 0;
  for (; i < direct; ++i) h = kPairs[i] * static_cast<std::uint32_t>(items[i]) + 2u * h;
  for (; i < size; ++i) {
    h = kPairs[i % kNumPrimes] * static_cast<std::uint32_t>(items[i]) + 2u * h;
  }
  return Abs32(bits * h);
}

inline void CopyItems(std::int32_t* dst, const std::int32_t* src, std::int32_t n) {
  if (n > 0) std::memcpy(dst, src, static_cast<size_t>(n) * sizeof(std::int32_t));
}

}  // namespace

std::int32_t NTSequence::ComputeHashCode(const std::int32_t* items, std::int32_t size,
                                         std::int32_t pattern) {
  return HashOf(items, size, pattern);
}

NTSequence::NTSequence() : items_(new std::int32_t[32]), capacity_(32) {}

NTSequence::NTSequence(const Sequence* s) { buildFromSequence(*s, s->Length()); }

NTSequence::NTSequence(const Sequence& s, int drop) {
  const std::int32_t kept = s.Length() - drop;
  if (kept > 0) buildFromSequence(s, kept);
}

NTSequence::NTSequence(int** sets, int n) { buildFromCountedSets(sets, n); }

NTSequence::NTSequence(int* set) { buildFromCountedSets(&set, 1); }

NTSequence::NTSequence(const NTSequence& base, int item, int slot) {
  const std::int32_t n = base.size_ + 1;
  items_.reset(new std::int32_t[n]);
  capacity_ = n;
  const std::int32_t* src = base.items_.get();
  const std::int32_t k = slot < 0 ? 0 : slot / 2;
  std::int32_t begin = base.size_;
  std::int32_t end = base.size_;
  const bool inSet = slot >= 0 && slot % 2 == 0 && base.findSet(k, &begin, &end);
  std::int32_t insertAt;
  if (inSet) {
    // Into set k, before its first greater item. The set's bits stay 0...01, one longer.
    insertAt = begin;
    while (insertAt < end && src[insertAt] <= item) ++insertAt;
    pattern_ = static_cast<std::int32_t>(
        InsertBit(static_cast<std::uint32_t>(base.pattern_), base.size_ - begin, false));
    nSets_ = base.nSets_;
  } else {
    // A new one-item set in front of set k (after the last set when k is beyond it).
    if (!base.findSet(k, &begin, &end)) begin = base.size_;
    insertAt = begin;
    pattern_ = static_cast<std::int32_t>(
        InsertBit(static_cast<std::uint32_t>(base.pattern_), base.size_ - begin, true));
    nSets_ = base.nSets_ + 1;
  }
  CopyItems(items_.get(), src, insertAt);
  items_[insertAt] = item;
  CopyItems(items_.get() + insertAt + 1, src + insertAt, base.size_ - insertAt);
  size_ = n;
  computeHashCode();
}

NTSequence::NTSequence(const NTSequence& other)
    : size_(other.size_),
      nSets_(other.nSets_),
      hashCode_(other.hashCode_),
      pattern_(other.pattern_),
      items_(new std::int32_t[other.size_]),
      capacity_(other.size_) {
  CopyItems(items_.get(), other.items_.get(), size_);
}

NTSequence& NTSequence::operator=(const NTSequence& other) {
  if (this == &other) return *this;
  std::unique_ptr<std::int32_t[]> fresh(new std::int32_t[other.size_]);
  CopyItems(fresh.get(), other.items_.get(), other.size_);
  adoptItems(std::move(fresh), other.size_);
  size_ = other.size_;
  nSets_ = other.nSets_;
  hashCode_ = other.hashCode_;
  pattern_ = other.pattern_;
  return *this;
}

NTSequence::NTSequence(const NTSequence& source, std::int32_t* storage)
    : size_(source.size_),
      nSets_(source.nSets_),
      hashCode_(source.hashCode_),
      pattern_(source.pattern_),
      items_(storage),
      capacity_(source.size_),
      borrowed_(true) {
  CopyItems(storage, source.items_.get(), size_);
}

NTSequence::~NTSequence() {
  if (borrowed_) static_cast<void>(items_.release());
}

void NTSequence::adoptItems(std::unique_ptr<std::int32_t[]> items, std::int32_t capacity) {
  if (borrowed_) static_cast<void>(items_.release());
  borrowed_ = false;
  items_ = std::move(items);
  capacity_ = capacity;
}

void NTSequence::resizeItems(std::int32_t n) {
  if (n == size_) return;
  // The new array is allocated before the old one is released, so a reallocation always
  // yields a different array.
  std::unique_ptr<std::int32_t[]> fresh(new std::int32_t[n]);
  adoptItems(std::move(fresh), n);
  size_ = n;
}

void NTSequence::reserveItems(std::int32_t n) {
  if (capacity_ >= n) return;
  std::unique_ptr<std::int32_t[]> fresh(new std::int32_t[n]);
  CopyItems(fresh.get(), items_.get(), size_);
  adoptItems(std::move(fresh), n);
}

void NTSequence::buildFromCountedSets(int** sets, int n) {
  std::int32_t total = 0;
  for (int k = 0; k < n; ++k) {
    if (sets[k][0] > 0) total += sets[k][0];
  }
  resizeItems(total);
  std::uint32_t pattern = 0;
  std::int32_t nSets = 0;
  std::int32_t pos = 0;
  for (int k = 0; k < n; ++k) {
    const int count = sets[k][0];
    if (count <= 0) continue;
    for (int j = 1; j <= count; ++j) {
      items_[pos++] = sets[k][j];
      pattern <<= 1;
    }
    pattern |= 1u;
    ++nSets;
  }
  nSets_ = nSets;
  pattern_ = static_cast<std::int32_t>(pattern);
  computeHashCode();
}

void NTSequence::buildFromSequence(const Sequence& s, std::int32_t nSets) {
  std::int32_t total = 0;
  for (std::int32_t k = 0; k < nSets; ++k) total += s[k].Size();
  resizeItems(total);
  std::uint32_t pattern = 0;
  std::int32_t held = 0;
  std::int32_t pos = 0;
  for (std::int32_t k = 0; k < nSets; ++k) {
    const TimedItemSet& set = s[k];
    if (set.Size() == 0) continue;
    for (auto it = set.Begin(); it != set.End(); ++it) {
      items_[pos++] = *it;
      pattern <<= 1;
    }
    pattern |= 1u;
    ++held;
  }
  nSets_ = held;
  pattern_ = static_cast<std::int32_t>(pattern);
  computeHashCode();
}

void NTSequence::reuseAs(int** sets, int n) { buildFromCountedSets(sets, n); }

void NTSequence::reuseAs(const Sequence* s) { buildFromSequence(*s, s->Length()); }

void NTSequence::reuseAs(const PackedSequence* packed) {
  resizeItems(packed->size);
  CopyItems(items_.get(), packed->items, packed->size);
  nSets_ = packed->nSets;
  hashCode_ = packed->hashCode;
  pattern_ = packed->pattern;
}

bool NTSequence::removeItem(int index, const NTSequence* source) {
  const std::int32_t srcSize = source->size_;
  const std::uint32_t srcPattern = static_cast<std::uint32_t>(source->pattern_);
  const std::int32_t needed = index < srcSize ? srcSize - 1 : srcSize;
  if (source != this && capacity_ < needed) {
    adoptItems(std::unique_ptr<std::int32_t[]>(new std::int32_t[needed]), needed);
  }
  const std::int32_t* src = source->items_.get();
  std::int32_t* dst = items_.get();
  if (index < srcSize && srcSize <= 32) {
    // Every end bit is in the pattern: split it around the removed item's bit b. The item
    // before the removed one sits at bit b of the result and, when the removed item ended its
    // set, now ends that set unless the set held the removed item alone.
    const std::int32_t b = srcSize - 1 - index;
    const std::uint64_t bits = srcPattern & ((std::uint64_t{2} << (srcSize - 1)) - 1);
    const std::uint64_t below = bits & ((std::uint64_t{1} << b) - 1);
    const std::uint64_t above = bits >> (b + 1);
    const std::uint64_t ends = (bits >> b) & 1u;
    const bool hasPrevious = index > 0;
    const bool setRemoved = ends != 0 && (!hasPrevious || (above & 1u) != 0);
    const auto pattern =
        static_cast<std::uint32_t>(((above | (hasPrevious ? ends : 0u)) << b) | below);
    MoveItems(dst, src, index);
    MoveItems(dst + index, src + index + 1, b);
    size_ = srcSize - 1;
    nSets_ = CountBits(pattern);
    pattern_ = static_cast<std::int32_t>(pattern);
    hashCode_ = HashOf(dst, size_, pattern_);
    return setRemoved;
  }
  // Writing position j never passes reading position i, so source may be this key.
  std::uint32_t pattern = 0;
  std::int32_t nSets = 0;
  std::int32_t j = 0;
  bool setRemoved = false;
  for (std::int32_t i = 0; i < srcSize; ++i) {
    const bool ends = EndBit(srcPattern, srcSize, i);
    if (i == index) {
      if (!ends) continue;
      if (i > 0 && !EndBit(srcPattern, srcSize, i - 1)) {
        pattern |= 1u;  // the previous item, already copied, now ends the set
        ++nSets;
      } else {
        setRemoved = true;
      }
      continue;
    }
    dst[j++] = src[i];
    pattern = (pattern << 1) | (ends ? 1u : 0u);
    if (ends) ++nSets;
  }
  size_ = j;
  nSets_ = nSets;
  pattern_ = static_cast<std::int32_t>(pattern);
  computeHashCode();
  return setRemoved;
}

void NTSequence::addItemAfterLast(int item) {
  reserveItems(size_ + 1);
  items_[size_] = item;
  ++size_;
  ++nSets_;
  pattern_ = static_cast<std::int32_t>((static_cast<std::uint32_t>(pattern_) << 1) | 1u);
  computeHashCode();
}

void NTSequence::addItemToSet(int item, int setIndex) {
  std::int32_t begin;
  std::int32_t end;
  if (!findSet(setIndex, &begin, &end)) {
    addItemAfterLast(item);
    return;
  }
  reserveItems(size_ + 1);
  std::int32_t at = begin;
  while (at < end && items_[at] <= item) ++at;
  std::memmove(items_.get() + at + 1, items_.get() + at,
               static_cast<size_t>(size_ - at) * sizeof(std::int32_t));
  items_[at] = item;
  pattern_ = static_cast<std::int32_t>(
      InsertBit(static_cast<std::uint32_t>(pattern_), size_ - begin, false));
  ++size_;
  computeHashCode();
}

bool NTSequence::findSet(int setIndex, std::int32_t* begin, std::int32_t* end) const {
  if (setIndex < 0 || setIndex >= nSets_) return false;
  const std::uint32_t pattern = static_cast<std::uint32_t>(pattern_);
  std::int32_t set = 0;
  std::int32_t start = 0;
  for (std::int32_t i = 0; i < size_; ++i) {
    if (!EndBit(pattern, size_, i)) continue;
    if (set == setIndex) {
      *begin = start;
      *end = i + 1;
      return true;
    }
    ++set;
    start = i + 1;
  }
  return false;
}

int NTSequence::getItemIndex(int item) const {
  for (std::int32_t i = 0; i < size_; ++i) {
    if (items_[i] == item) return i;
  }
  return -1;
}

int NTSequence::getSizeOfSet(int setIndex) const {
  std::int32_t begin;
  std::int32_t end;
  return findSet(setIndex, &begin, &end) ? end - begin : 0;
}

int NTSequence::getItemInSet(int position, int setIndex) const {
  std::int32_t begin;
  std::int32_t end;
  if (!findSet(setIndex, &begin, &end) || position < 0 || position >= end - begin) return 0;
  return items_[begin + position];
}

void NTSequence::getSetAsArray(int setIndex, int* out) const {
  std::int32_t begin;
  std::int32_t end;
  if (findSet(setIndex, &begin, &end)) CopyItems(out, items_.get() + begin, end - begin);
}

Sequence* NTSequence::createSequence() const {
  std::unique_ptr<Sequence> sequence(new Sequence(nSets_));
  double time = 1.0;
  ForEachItemSet(*this, [&](ItemSpan items) {
    TimedItemSet set;
    set.AddAllItems(items.items, items.count, time);
    sequence->AddTimedItemSet(&set);
    time += 1.0;
  });
  return sequence.release();
}

bool NTSequence::operator==(const NTSequence& other) const {
  return hashCode_ == other.hashCode_ && pattern_ == other.pattern_ && size_ == other.size_ &&
         (size_ == 0 || std::memcmp(items_.get(), other.items_.get(),
                                    static_cast<size_t>(size_) * sizeof(std::int32_t)) == 0);
}

bool NTSequence::operator<(const NTSequence& other) const {
  const std::uint32_t pa = static_cast<std::uint32_t>(pattern_);
  const std::uint32_t pb = static_cast<std::uint32_t>(other.pattern_);
  const std::int32_t* a = items_.get();
  const std::int32_t* b = other.items_.get();
  for (std::int32_t i = 0; i < size_ && i < other.size_; ++i) {
    const bool endA = EndBit(pa, size_, i);
    const bool endB = EndBit(pb, other.size_, i);
    if (endA == endB) {
      if (a[i] != b[i]) return a[i] < b[i];
      continue;
    }
    // A set that ends here is a proper prefix of one that continues, unless its item is greater.
    return endA ? a[i] <= b[i] : a[i] < b[i];
  }
  // Equal so far: a is less iff b still has items (this also covers an empty a).
  return size_ < other.size_;
}

void NTSequence::display(std::ostream& os) const {
  os << "HashCode  " << hashCode_ << "\n"
     << "Pattern  " << pattern_ << "\n"
     << "<";
  ForEachItemSet(*this, [&os](ItemSpan set) {
    for (std::int32_t i = 0; i < set.count; ++i) os << (i == 0 ? "(" : " ") << set.items[i];
    os << ")";
  });
  os << ">\n";
}

}  // namespace SEQUENCE_NAMESPACE_800
