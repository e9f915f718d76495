#include "libs/suppcore/JSON.h"

#include <algorithm>
#include <string>
#include <vector>

#include "libs/suppcore/BsonEncoder.h"
#include "libs/suppcore/JsonEncoder.h"
#include "libs/suppcore/WriteBuffer.h"

struct JSON::Impl {
  enum class State { kUnbound, kReady, kInArray, kInObject, kDone };

  WriteBuffer out;
  std::unique_ptr<DocumentEncoder> encoder;  // made when the array begins
  State state = State::kUnbound;
  bool bson = false;
  bool jsonLines = false;
  bool typedValues = false;
  std::size_t rows = 0;

  // The object being gathered: its first pairs names, its values in UTF-8, each followed
  // by kSimdPadding bytes, and their places in values.
  std::vector<std::u16string> names;  // reused from row to row
  std::size_t pairs = 0;
  std::string values;
  std::vector<std::pair<std::size_t, std::size_t>> places;  // offset, size
  std::vector<std::string_view> views;                      // of values, at EndValue
  // The names of the objects gathered so far, as one ObjectNames while they stay the same,
  // so that the encoders' caches hold.
  std::vector<std::u16string> lastNames;
  std::unique_ptr<ObjectNames> objectNames;

  const ObjectNames& GatheredNames() {
    const bool same = objectNames && lastNames.size() == pairs &&
                      std::equal(lastNames.begin(), lastNames.end(), names.begin());
    if (!same) {
      lastNames.assign(names.begin(), names.begin() + static_cast<std::ptrdiff_t>(pairs));
      objectNames = std::make_unique<ObjectNames>(lastNames);
    }
    return *objectNames;
  }
};

JSON::JSON() : m_impl(std::make_unique<Impl>()) {}

JSON::~JSON() = default;

void JSON::SwitchIndent(int /*on*/) {}

BOOL JSON::Open(CFile* file, int /*flags*/) {
  Impl& impl = *m_impl;
  impl.encoder.reset();
  impl.state = file ? Impl::State::kReady : Impl::State::kUnbound;
  impl.rows = 0;
  if (file)
    impl.out.Bind(file);
  else
    impl.out.Abandon();
  return file ? TRUE : FALSE;
}

void JSON::SetBSON(int bson) {
  if (m_impl->state <= Impl::State::kReady)
    m_impl->bson = bson != 0;
}

void JSON::SetJsonLines(int lines) {
  if (m_impl->state <= Impl::State::kReady)
    m_impl->jsonLines = lines != 0;
}

void JSON::SetTypedValues(int typed) {
  if (m_impl->state <= Impl::State::kReady)
    m_impl->typedValues = typed != 0;
}

void JSON::Array(int open, int /*newLine*/) {
  Impl& impl = *m_impl;
  if (open && impl.state == Impl::State::kReady) {
    if (impl.bson)
      impl.encoder = std::make_unique<BsonEncoder>(impl.out, impl.typedValues);
    else
      impl.encoder = std::make_unique<JsonEncoder>(
          impl.out, impl.jsonLines ? JsonEncoder::Layout::kLines : JsonEncoder::Layout::kIndented,
          impl.typedValues);
    impl.encoder->BeginArray();
    impl.state = Impl::State::kInArray;
  } else if (!open &&
             (impl.state == Impl::State::kInArray || impl.state == Impl::State::kInObject)) {
    EndValue();
    impl.encoder->EndArray();
    impl.state = Impl::State::kDone;
  }
}

void JSON::EndOfPair() {}

void JSON::SetIndent(int /*level*/) {}

void JSON::BeginValue(LPCWSTR /*name*/) {
  Impl& impl = *m_impl;
  if (impl.state != Impl::State::kInArray)
    return;
  impl.state = Impl::State::kInObject;
  impl.pairs = 0;
  impl.values.clear();
  impl.places.clear();
}

void JSON::EndValue() {
  Impl& impl = *m_impl;
  if (impl.state != Impl::State::kInObject)
    return;
  impl.state = Impl::State::kInArray;
  // The views are taken once the values no longer move.
  impl.views.clear();
  for (const auto& [offset, size] : impl.places)
    impl.views.emplace_back(impl.values.data() + offset, size);
  AddObjectUtf8(impl.GatheredNames(), impl.views.data());
}

void JSON::WriteIndent() {}

void JSON::AddPair(const CString& name, const CString& value) {
  Impl& impl = *m_impl;
  if (impl.state != Impl::State::kInObject)
    return;
  if (impl.pairs == impl.names.size())
    impl.names.emplace_back(name.View());
  else
    impl.names[impl.pairs].assign(name.View());
  ++impl.pairs;
  const std::size_t offset = impl.values.size();
  AppendUtf8(impl.values, value.View());
  impl.places.emplace_back(offset, impl.values.size() - offset);
  impl.values.append(kSimdPadding, '\0');
}

void JSON::AddObjectUtf8(const ObjectNames& names, const std::string_view* valuesUtf8) {
  Impl& impl = *m_impl;
  if (impl.state != Impl::State::kInArray)
    return;
  impl.encoder->Row(impl.rows, names, valuesUtf8);
  ++impl.rows;
}

void JSON::Close() {
  Impl& impl = *m_impl;
  if (impl.state == Impl::State::kUnbound)
    return;
  if (impl.state == Impl::State::kReady) {
    impl.state = Impl::State::kUnbound;
    return;
  }
  // Also when ending the array throws: a block still queued never reaches the file.
  struct LetGo {
    Impl& impl;
    ~LetGo() {
      impl.out.Abandon();
      impl.state = Impl::State::kUnbound;
    }
  } letGo{impl};
  Array(0, 1);
  impl.out.Finish();
}
