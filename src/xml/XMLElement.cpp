// XMLElement: a compact element whose tree lives in one arena.
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <new>
#include <ostream>
#include <stdexcept>

#include "xml/NumberFormat.h"
#include "xml/XMLArena.h"
#include "xml/XMLNodes.h"
#include "xml/XMLUtil.h"
#include "xml/XMLWriter.h"

namespace QxXML_940 {

// An attribute is a head unit, for some kinds followed by a value unit:
//   head: the name id in the low 24 bits and the kind in the high 8 bits, and a 32-bit payload
//   kInt      payload is the value                                       1 unit
//   kName     payload is the XMLName id of the value's text              1 unit
//   kGeneral  value unit holds a double, written with 15 digits          2 units
//   kFixed    value unit holds a double, written with 16 decimals        2 units
//   kText     payload is the length; value unit points at the bytes      2 units
struct XMLElement::Unit {
  std::uint32_t head;
  std::int32_t payload;
};

// A child list: count and capacity, then that many tagged pointers (see Tag).
struct XMLElement::ChildList {
  std::uint32_t count;
  std::uint32_t capacity;
  std::uintptr_t* items() { return reinterpret_cast<std::uintptr_t*>(this + 1); }
  const std::uintptr_t* items() const { return reinterpret_cast<const std::uintptr_t*>(this + 1); }
};

namespace {

enum Kind { kInt = 1, kName = 2, kGeneral = 3, kFixed = 4, kText = 5 };
enum Flags : std::uint32_t { kOwnsArena = 1u << 24, kUnitsMoved = 1u << 25 };
constexpr std::uint32_t kIdMask = (1u << 24) - 1;
constexpr std::size_t kMaxUnits = std::numeric_limits<std::uint16_t>::max();

// A text node in a child list carries this bit; elements and text nodes are at least 8-aligned.
constexpr std::uintptr_t kTextTag = 1;

std::uintptr_t Tag(const XMLString* text) {
  return reinterpret_cast<std::uintptr_t>(text) | kTextTag;
}
bool IsText(std::uintptr_t tagged) { return (tagged & kTextTag) != 0; }
const XMLInterface* Untag(std::uintptr_t tagged) {
  return reinterpret_cast<const XMLInterface*>(tagged & ~kTextTag);
}

int UnitsOf(int kind) { return kind == kInt || kind == kName ? 1 : 2; }

bool IsFinite(double value) {
  return -std::numeric_limits<double>::max() <= value &&
         value <= std::numeric_limits<double>::max();
}

// True iff value prints as a plain 32-bit integer ("%.15g" of such a value has no point).
bool IsSmallInteger(double value) {
  if (!(value >= std::numeric_limits<std::int32_t>::min() &&
        value <= std::numeric_limits<std::int32_t>::max())) {
    return false;
  }
  return static_cast<double>(static_cast<std::int32_t>(value)) == value &&
         (value != 0 || !std::signbit(value));
}

void AppendTabs(std::string* out, int n) {
  if (n > 0) out->append(static_cast<std::size_t>(n), '\t');
}

std::uint32_t Intern(const std::string& name) { return XMLName(name).id(); }

template <typename T>
T Load(const void* at) {
  T value;
  std::memcpy(&value, at, sizeof value);
  return value;
}

}  // namespace

// Collects the text of one serialisation. Writing to a stream, it hands the bytes on in large
// pieces; transcoding to UTF-8, it hands on every tag and text on its own, as a node would, so
// that each is converted exactly as before.
class XMLElement::Sink {
 public:
  explicit Sink(std::string* out) : out_(out) {}
  Sink(std::ostream* os, bool utf8) : out_(&buffer_), os_(os), utf8_(utf8) {}
  Sink(const Sink&) = delete;
  Sink& operator=(const Sink&) = delete;

  std::string* out() { return out_; }
  // Called after each complete tag or text.
  void EndPiece() {
    if (os_ != nullptr && (utf8_ || buffer_.size() >= kFlushSize)) Flush();
  }
  void Flush() {
    if (os_ == nullptr || buffer_.empty()) return;
    if (utf8_) {
      WriteUTF(*os_, buffer_.data(), buffer_.size());
    } else {
      os_->write(buffer_.data(), static_cast<std::streamsize>(buffer_.size()));
    }
    buffer_.clear();
  }

 private:
  static constexpr std::size_t kFlushSize = 1 << 16;

  std::string* out_;
  std::string buffer_;
  std::ostream* os_ = nullptr;
  bool utf8_ = false;
};

static_assert(sizeof(XMLElement) == 8 + 2 * sizeof(void*), "an element should stay compact");

XMLElement::XMLElement(std::uint32_t nameId, bool ownsArena)
    : nameAndFlags_(nameId | (ownsArena ? std::uint32_t{kOwnsArena} : 0u)) {}

XMLElement::~XMLElement() = default;

XMLElement* XMLElement::Place(XMLArena& arena, std::uint32_t nameId, bool ownsArena) {
  void* memory = arena.Allocate(sizeof(XMLElement) + sizeof(Unit));
  return new (memory) XMLElement(nameId, ownsArena);
}

XMLElement* XMLElement::Create(XMLName name) {
  auto arena = std::make_unique<XMLArena>();
  XMLElement* element = Place(*arena, name.id(), true);
  arena->set_owner(element);
  arena.release();  // Deleting element deletes it.
  return element;
}

XMLElement* XMLElement::Create(std::string name) { return Create(XMLName(name)); }

void XMLElement::operator delete(void* p) {
  if (p == nullptr) return;
  XMLArena* arena = XMLArena::Of(p);
  if (arena->owner() == p) delete arena;
}

XMLArena& XMLElement::Arena() const { return *XMLArena::Of(this); }
std::uint32_t XMLElement::NameId() const { return nameAndFlags_ & kIdMask; }
const std::string& XMLElement::GetName() const { return XMLName::FromId(NameId()).text(); }

// --- Attributes

XMLElement::Unit* XMLElement::Units() {
  Unit* room = reinterpret_cast<Unit*>(this + 1);
  return (nameAndFlags_ & kUnitsMoved) != 0 ? Load<Unit*>(room) : room;
}

const XMLElement::Unit* XMLElement::Units() const { return const_cast<XMLElement*>(this)->Units(); }

// Grows the room to hold units units: in place when possible, else by moving the attributes to
// a block of twice the room.
void XMLElement::EnsureUnitRoom(std::size_t units) {
  if (units <= unitCapacity_) return;
  if (units > kMaxUnits) throw std::length_error("too many attributes on one XML element");
  Unit* current = Units();
  if (Arena().TryExtend(current, unitCapacity_ * sizeof(Unit), units * sizeof(Unit))) {
    unitCapacity_ = static_cast<std::uint16_t>(units);
    return;
  }
  const std::size_t capacity = std::min(kMaxUnits, std::max(units, 2 * std::size_t{unitCapacity_}));
  auto* moved = static_cast<Unit*>(Arena().Allocate(capacity * sizeof(Unit)));
  std::memcpy(moved, current, attributeUnits_ * sizeof(Unit));
  std::memcpy(reinterpret_cast<Unit*>(this + 1), &moved, sizeof moved);
  nameAndFlags_ |= kUnitsMoved;
  unitCapacity_ = static_cast<std::uint16_t>(capacity);
}

void XMLElement::PushAttribute(std::uint32_t nameId, int kind, std::int32_t payload,
                               const void* value) {
  const int units = UnitsOf(kind);
  EnsureUnitRoom(std::size_t{attributeUnits_} + units);
  Unit* at = Units() + attributeUnits_;
  at->head = nameId | static_cast<std::uint32_t>(kind) << 24;
  at->payload = payload;
  if (units == 2) std::memcpy(at + 1, value, sizeof(Unit));
  attributeUnits_ = static_cast<std::uint16_t>(attributeUnits_ + units);
}

void XMLElement::PushText(std::uint32_t nameId, const char* data, std::size_t size) {
  if (size > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max())) {
    throw std::length_error("XML attribute value too long");
  }
  char* copy = static_cast<char*>(Arena().Allocate(size == 0 ? 1 : size));
  if (size > 0) std::memcpy(copy, data, size);
  PushAttribute(nameId, kText, static_cast<std::int32_t>(size), &copy);
}

void XMLElement::PushNumber(std::uint32_t nameId, double value, bool fixed) {
  if (!fixed && IsSmallInteger(value)) {
    PushAttribute(nameId, kInt, static_cast<std::int32_t>(value), nullptr);
  } else {
    PushAttribute(nameId, fixed ? kFixed : kGeneral, 0, &value);
  }
}

// Calls visit(nameId, kind, head unit) for each attribute in order.
template <typename Visit>
void XMLElement::ForEachAttribute(Visit visit) const {
  const Unit* units = Units();
  for (std::size_t at = 0; at < attributeUnits_;) {
    const int kind = static_cast<int>(units[at].head >> 24);
    visit(units[at].head & kIdMask, kind, units + at);
    at += UnitsOf(kind);
  }
}

void XMLElement::AddAttribute(XMLAttribute* attribute) {
  const std::unique_ptr<XMLAttribute> owned(attribute);
  if (owned == nullptr) return;
  PushText(Intern(owned->GetName()), owned->GetValue().data(), owned->GetValue().size());
}

void XMLElement::AddAttribute(std::string name, std::string value) {
  PushText(Intern(name), value.data(), value.size());
}

void XMLElement::AddAttribute(XMLName name, std::string_view value) {
  PushText(name.id(), value.data(), value.size());
}

void XMLElement::AddAttribute(XMLName name, XMLName value) {
  PushAttribute(name.id(), kName, static_cast<std::int32_t>(value.id()), nullptr);
}

void XMLElement::AddAttribute(std::string name, double value) {
  if (IsFinite(value)) PushNumber(Intern(name), value, false);
}

void XMLElement::AddAttribute(std::string name, double value, bool fixed) {
  if (IsFinite(value)) PushNumber(Intern(name), value, fixed);
}

void XMLElement::AddAttribute(XMLName name, double value) {
  if (IsFinite(value)) PushNumber(name.id(), value, false);
}

void XMLElement::AddAttribute(XMLName name, double value, bool fixed) {
  if (IsFinite(value)) PushNumber(name.id(), value, fixed);
}

namespace {

// Appends the value of an attribute as written, escaped when it is text.
void AppendValue(std::string* out, int kind, const void* head) {
  const auto payload = Load<std::int32_t>(static_cast<const char*>(head) + 4);
  const char* value = static_cast<const char*>(head) + 8;
  switch (kind) {
    case kInt: {
      char buffer[16];
      out->append(buffer, std::to_chars(buffer, buffer + sizeof buffer, payload).ptr);
      break;
    }
    case kName: {
      const std::string& text = XMLName::FromId(static_cast<std::uint32_t>(payload)).text();
      XMLUtil::AppendEscaped(out, text.data(), text.size());
      break;
    }
    case kGeneral:
      AppendClassic(out, Load<double>(value));
      break;
    case kFixed:
      out->append(ReplaceSep(Load<double>(value)));
      break;
    default:
      XMLUtil::AppendEscaped(out, Load<const char*>(value), static_cast<std::size_t>(payload));
      break;
  }
}

// The unescaped value of an attribute.
std::string ValueText(int kind, const void* head) {
  const auto payload = Load<std::int32_t>(static_cast<const char*>(head) + 4);
  if (kind == kName) return XMLName::FromId(static_cast<std::uint32_t>(payload)).text();
  if (kind == kText) {
    return std::string(Load<const char*>(static_cast<const char*>(head) + 8),
                       static_cast<std::size_t>(payload));
  }
  std::string text;
  AppendValue(&text, kind, head);
  return text;
}

}  // namespace

std::size_t XMLElement::GetAttributeCount() const {
  std::size_t count = 0;
  ForEachAttribute([&count](std::uint32_t, int, const Unit*) { ++count; });
  return count;
}

XMLAttribute XMLElement::GetAttribute(std::size_t i) const {
  XMLAttribute attribute;
  std::size_t seen = 0;
  ForEachAttribute([&](std::uint32_t nameId, int kind, const Unit* head) {
    if (seen++ != i) return;
    attribute.name_ = XMLName::FromId(nameId).text();
    attribute.value_ = ValueText(kind, head);
  });
  return attribute;
}

// --- Children

std::size_t XMLElement::GetChildCount() const {
  return children_ == nullptr ? 0 : children_->count;
}

const XMLInterface& XMLElement::GetChild(std::size_t i) const {
  return *Untag(children_->items()[i]);
}

// Grows the child list to hold children entries: in place when possible, else by copying it.
void XMLElement::EnsureChildRoom(std::size_t children) {
  const std::size_t capacity = children_ == nullptr ? 0 : children_->capacity;
  if (children <= capacity) return;
  if (children > std::numeric_limits<std::uint32_t>::max()) {
    throw std::length_error("too many children of one XML element");
  }
  const auto bytes = [](std::size_t n) { return sizeof(ChildList) + n * sizeof(std::uintptr_t); };
  if (children_ != nullptr && Arena().TryExtend(children_, bytes(capacity), bytes(children))) {
    children_->capacity = static_cast<std::uint32_t>(children);
    return;
  }
  auto* list = static_cast<ChildList*>(Arena().Allocate(bytes(children)));
  list->count = 0;
  list->capacity = static_cast<std::uint32_t>(children);
  if (children_ != nullptr) {
    std::memcpy(list->items(), children_->items(), children_->count * sizeof(std::uintptr_t));
    list->count = children_->count;
  }
  children_ = list;
}

void XMLElement::PushChild(std::uintptr_t tagged) {
  const std::size_t count = GetChildCount();
  if (children_ == nullptr || count == children_->capacity) {
    EnsureChildRoom(count < 2 ? 4 : 2 * count);
  }
  children_->items()[children_->count++] = tagged;
}

// The parent's list grows before the child is placed, so that the child is the latest block of
// the arena and its attributes grow in place.
XMLElement* XMLElement::AddChild(XMLName name) {
  const std::size_t count = GetChildCount();
  if (children_ == nullptr || count == children_->capacity) {
    EnsureChildRoom(count < 2 ? 4 : 2 * count);
  }
  XMLElement* child = Place(Arena(), name.id(), false);
  children_->items()[children_->count++] = reinterpret_cast<std::uintptr_t>(child);
  return child;
}

// Each hand-over registers the node with the arena first, so that it is deleted, not leaked, if
// appending throws.
void XMLElement::TakeOver(XMLInterface* node, std::uintptr_t tagged) {
  std::unique_ptr<XMLInterface> owned(node);
  Arena().ReserveAdoption();
  PushChild(tagged);
  Arena().Adopt(owned.release());
}

int XMLElement::AddElement(XMLString* child) {
  if (child != nullptr) TakeOver(child, Tag(child));
  return static_cast<int>(GetChildCount());
}

int XMLElement::AddElement(XMLElement* child) {
  if (child != nullptr) TakeOver(child, reinterpret_cast<std::uintptr_t>(child));
  return static_cast<int>(GetChildCount());
}

void XMLElement::Reserve(std::size_t attributes, std::size_t children) {
  EnsureUnitRoom(std::min(attributes, kMaxUnits));
  EnsureChildRoom(children);
}

// --- Copies

void XMLElement::CopyContentTo(XMLElement* target) const {
  ForEachAttribute([target](std::uint32_t nameId, int kind, const Unit* head) {
    if (kind == kText) {
      target->PushText(nameId, Load<const char*>(head + 1),
                       static_cast<std::size_t>(head->payload));
    } else {
      target->PushAttribute(nameId, kind, head->payload, head + 1);
    }
  });
  const std::size_t count = GetChildCount();
  if (count > 0) target->EnsureChildRoom(count);
  for (std::size_t i = 0; i < count; ++i) {
    const std::uintptr_t tagged = children_->items()[i];
    if (IsText(tagged)) {
      target->AddElement(static_cast<const XMLString*>(Untag(tagged))->Clone());
    } else {
      const auto* child = static_cast<const XMLElement*>(Untag(tagged));
      child->CopyContentTo(target->AddChild(XMLName::FromId(child->NameId())));
    }
  }
}

XMLElement* XMLElement::Clone() const {
  std::unique_ptr<XMLElement> copy(Create(XMLName::FromId(NameId())));
  CopyContentTo(copy.get());
  return copy.release();
}

// --- Writing

// The start tag with its attributes and, for an element without children, the closing "/>".
void XMLElement::AppendStartTag(std::string* out, const ExportFormat& fmt) const {
  if (fmt.format) {
    if (fmt.newParagraph) out->push_back(XMLUtil::ROWSEP[0]);
    if (fmt.indentation) AppendTabs(out, fmt.tabLevel);
  }
  out->push_back(XMLUtil::BEGIN_ELEMENT[0]);
  out->append(GetName());
  const int attributeLevel = fmt.HasIndentation() ? fmt.tabLevel + 1 : 0;
  ForEachAttribute([&](std::uint32_t nameId, int kind, const Unit* head) {
    out->push_back(XMLUtil::SPACE[0]);
    AppendTabs(out, attributeLevel);
    out->append(XMLName::FromId(nameId).text());
    out->push_back(XMLUtil::EQUAL[0]);
    out->push_back(XMLUtil::QUOTE[0]);
    AppendValue(out, kind, head);
    out->push_back(XMLUtil::QUOTE[0]);
  });
  if (GetChildCount() == 0) out->push_back(XMLUtil::BEGIN_END_ELEMENT[0]);
  out->push_back(XMLUtil::END_ELEMENT[0]);
}

// The end tag of an element with children; entryLevel is the tab level of its start tag.
void XMLElement::AppendEndTag(std::string* out, const ExportFormat& fmt, int entryLevel) const {
  if (fmt.format) {
    if (fmt.newParagraph) out->push_back(XMLUtil::ROWSEP[0]);
    if (fmt.indentation) AppendTabs(out, entryLevel);
  }
  out->push_back(XMLUtil::BEGIN_ELEMENT[0]);
  out->push_back(XMLUtil::BEGIN_END_ELEMENT[0]);
  out->append(GetName());
  out->push_back(XMLUtil::END_ELEMENT[0]);
}

void XMLElement::Write(Sink& sink, ExportFormat& fmt) const {
  const int entryLevel = fmt.tabLevel;
  AppendStartTag(sink.out(), fmt);
  sink.EndPiece();
  const std::size_t count = GetChildCount();
  if (count > 0) {
    ++fmt.tabLevel;
    for (std::size_t i = 0; i < count; ++i) {
      const std::uintptr_t tagged = children_->items()[i];
      if (IsText(tagged)) {
        const std::string& text = static_cast<const XMLString*>(Untag(tagged))->GetText();
        XMLUtil::AppendEscapedText(sink.out(), text.data(), text.size());
        fmt.newParagraph = false;
        sink.EndPiece();
      } else {
        static_cast<const XMLElement*>(Untag(tagged))->Write(sink, fmt);
      }
    }
    --fmt.tabLevel;
    AppendEndTag(sink.out(), fmt, entryLevel);
    sink.EndPiece();
  }
  fmt.newParagraph = true;
}

int XMLElement::ToString(std::string& out, ExportFormat& fmt) const {
  Sink sink(&out);
  Write(sink, fmt);
  return 0;
}

int XMLElement::ToStream(std::ostream& os, ExportFormat& fmt, bool utf8) const {
  Sink sink(&os, utf8);
  Write(sink, fmt);
  sink.Flush();
  return 0;
}

}  // namespace QxXML_940
