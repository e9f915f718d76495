#include "libs/suppcore/JSON.h"

#include <vector>

#include "libs/suppcore/BsonEncoder.h"
#include "libs/suppcore/JsonEncoder.h"
#include "libs/suppcore/TextEncode.h"
#include "libs/suppcore/WriteBuffer.h"

// The writer keeps the document's structure itself: a call that does not fit what is open
// (a pair outside an object, a second top value, a close with nothing to close) is ignored,
// and Close() ends whatever is still open, so the output is always one well-formed
// document. The layout follows from the structure: SwitchIndent chooses indented or
// compact text, while SetIndent, WriteIndent and the newLine argument of Array only say
// where the caller expects line breaks, which the structure already gives.
struct JSON::Impl {
  struct Frame {
    bool object;
    size_t count;  // members written so far
  };

  WriteBuffer out;
  std::unique_ptr<DocumentEncoder> encoder;  // chosen when the document begins
  std::vector<Frame> open;
  bool bson = false;
  bool indent = true;
  bool topWritten = false;

  bool Bound() const { return out.File() != nullptr; }

  DocumentEncoder& Encoder() {
    if (!encoder) {
      if (bson)
        encoder = std::make_unique<BsonEncoder>(out);
      else
        encoder = std::make_unique<JsonEncoder>(out, indent);
    }
    return *encoder;
  }

  bool CanBeginTop() const { return open.empty() && !topWritten; }

  void CloseInnermost() {
    Frame frame = open.back();
    open.pop_back();
    if (frame.object)
      Encoder().EndObject(open.size());
    else
      Encoder().EndArray();
    if (open.empty()) {
      topWritten = true;
      Encoder().EndDocument();
    }
  }
};

JSON::JSON() : m_impl(std::make_unique<Impl>()) {}

JSON::~JSON() = default;

void JSON::SwitchIndent(int on) {
  if (!m_impl->encoder)
    m_impl->indent = on != 0;
}

BOOL JSON::Open(CFile* file, int /*flags*/) {
  Impl& impl = *m_impl;
  impl.out.Bind(file);
  impl.encoder.reset();
  impl.open.clear();
  impl.topWritten = false;
  return file ? TRUE : FALSE;
}

void JSON::SetBSON(int bson) {
  if (!m_impl->encoder)
    m_impl->bson = bson != 0;
}

void JSON::Array(int open, int /*newLine*/) {
  Impl& impl = *m_impl;
  if (!impl.Bound())
    return;
  if (open) {
    // Only the top value can be an array: BSON has no place for an array of arrays.
    if (!impl.CanBeginTop())
      return;
    impl.Encoder().BeginArray();
    impl.open.push_back({false, 0});
    return;
  }
  if (impl.open.empty() || impl.open.front().object)
    return;
  while (!impl.open.empty())
    impl.CloseInnermost();
}

void JSON::EndOfPair() {
  // Separators follow from the structure (see JsonEncoder::BeginMember).
}

void JSON::SetIndent(int /*level*/) {}

void JSON::BeginValue(LPCWSTR name) {
  Impl& impl = *m_impl;
  if (!impl.Bound())
    return;
  if (impl.open.empty()) {
    if (!impl.CanBeginTop())
      return;
    impl.Encoder().BeginObject(0, 0, false, {});
  } else {
    Impl::Frame& parent = impl.open.back();
    std::u16string_view memberName = name ? std::u16string_view(name) : std::u16string_view();
    impl.Encoder().BeginObject(impl.open.size(), parent.count, parent.object, memberName);
    ++parent.count;
  }
  impl.open.push_back({true, 0});
}

void JSON::EndValue() {
  Impl& impl = *m_impl;
  if (!impl.Bound() || impl.open.empty() || !impl.open.back().object)
    return;
  impl.CloseInnermost();
}

void JSON::WriteIndent() {}

void JSON::AddPair(const CString& name, const CString& value) {
  AddPair(name.View(), value.View());
}

void JSON::AddPair(std::u16string_view name, std::u16string_view value) {
  Impl& impl = *m_impl;
  if (!impl.Bound() || impl.open.empty() || !impl.open.back().object)
    return;
  Impl::Frame& object = impl.open.back();
  impl.Encoder().Pair(impl.open.size(), object.count, name, value);
  ++object.count;
}

void JSON::AddPairUtf8(std::u16string_view name, std::string_view valueUtf8) {
  Impl& impl = *m_impl;
  if (!impl.Bound() || impl.open.empty() || !impl.open.back().object)
    return;
  Impl::Frame& object = impl.open.back();
  impl.Encoder().PairUtf8(impl.open.size(), object.count, name, valueUtf8);
  ++object.count;
}

void JSON::AddObjectUtf8(const ObjectNames& names, const std::string_view* valuesUtf8) {
  static_assert(kValueSlack >= DocumentEncoder::kValueSlack && kValueSlack >= kTextSlack);
  Impl& impl = *m_impl;
  if (!impl.Bound())
    return;
  if (impl.open.empty() || impl.open.back().object) {
    // The top value, or a member of an object: rare enough to go step by step.
    BeginValue(nullptr);
    for (size_t k = 0; k < names.size(); ++k)
      AddPairUtf8(names[k], valuesUtf8[k]);
    EndValue();
    return;
  }
  Impl::Frame& array = impl.open.back();
  impl.Encoder().ObjectUtf8(impl.open.size(), array.count, names, valuesUtf8);
  ++array.count;
}

void JSON::Close() {
  Impl& impl = *m_impl;
  if (!impl.Bound())
    return;
  try {
    while (!impl.open.empty())
      impl.CloseInnermost();
  } catch (...) {
    impl.out.Detach();
    throw;
  }
  impl.out.Finish();
}
