#include "libs/suppcore/JSON.h"

#include "libs/suppcore/BsonEncoder.h"
#include "libs/suppcore/EjsonEncoder.h"
#include "libs/suppcore/JsonEncoder.h"
#include "libs/suppcore/WriteBuffer.h"

struct JSON::Impl {
  enum class State { kUnbound, kReady, kInArray, kDone };

  WriteBuffer out;
  std::unique_ptr<DocumentEncoder> encoder;  // made when the array begins
  State state = State::kUnbound;
  bool bson = false;
  bool jsonLines = false;
  bool extendedJson = false;
  bool rowsOnly = false;  // the array is another writer's: no beginning, no end
  std::size_t rows = 0;
};

JSON::JSON() : m_impl(std::make_unique<Impl>()) {}

JSON::~JSON() = default;

BOOL JSON::Open(CFile* file, int /*flags*/) {
  Impl& impl = *m_impl;
  impl.encoder.reset();
  impl.state = file ? Impl::State::kReady : Impl::State::kUnbound;
  impl.rows = 0;
  impl.rowsOnly = false;
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

void JSON::SetExtendedJson(int extended) {
  if (m_impl->state <= Impl::State::kReady)
    m_impl->extendedJson = extended != 0;
}

void JSON::Array(int open, int /*newLine*/) {
  Impl& impl = *m_impl;
  if (open && impl.state == Impl::State::kReady) {
    MakeEncoder();
    impl.encoder->BeginArray();
    impl.state = Impl::State::kInArray;
  } else if (!open && impl.state == Impl::State::kInArray) {
    if (!impl.rowsOnly)
      impl.encoder->EndArray();
    impl.state = Impl::State::kDone;
  }
}

void JSON::ContinueArray(std::size_t rowsBefore) {
  Impl& impl = *m_impl;
  if (impl.state != Impl::State::kReady)
    return;
  impl.out.WriteHere();
  MakeEncoder();
  impl.rowsOnly = true;
  impl.rows = rowsBefore;
  impl.state = Impl::State::kInArray;
}

void JSON::WriteHere() {
  m_impl->out.WriteHere();
}

void JSON::AddEncodedRows(std::string_view bytes, std::size_t rows) {
  Impl& impl = *m_impl;
  if (impl.state != Impl::State::kInArray)
    return;
  impl.out.AppendEncoded(bytes);
  impl.rows += rows;
}

void JSON::MakeEncoder() {
  Impl& impl = *m_impl;
  if (impl.extendedJson)
    impl.encoder = std::make_unique<EjsonEncoder>(impl.out);
  else if (impl.bson)
    impl.encoder = std::make_unique<BsonEncoder>(impl.out);
  else
    impl.encoder = std::make_unique<JsonEncoder>(
        impl.out, impl.jsonLines ? JsonEncoder::Layout::kLines : JsonEncoder::Layout::kIndented);
}

void JSON::AddObjectUtf8(const ObjectNames& names, const std::string_view* valuesUtf8) {
  Impl& impl = *m_impl;
  if (impl.state != Impl::State::kInArray)
    return;
  impl.encoder->Row(impl.rows, names, valuesUtf8);
  ++impl.rows;
}

void JSON::AddWideObjectUtf8(const ObjectNames& names, const RowWindows& row) {
  Impl& impl = *m_impl;
  if (impl.state != Impl::State::kInArray)
    return;
  impl.encoder->WideRow(impl.rows, names, row);
  ++impl.rows;
}

void JSON::AddPlannedObjectUtf8(const ObjectNames& names, const std::string_view* valuesUtf8,
                                const TypedValue* cells) {
  Impl& impl = *m_impl;
  if (impl.state != Impl::State::kInArray)
    return;
  impl.encoder->PlannedRow(impl.rows, names, valuesUtf8, cells);
  ++impl.rows;
}

void JSON::AddNestedObjectUtf8(const ObjectShape& shape, const std::string_view* valuesUtf8,
                               const TypedValue* cells) {
  Impl& impl = *m_impl;
  if (impl.state != Impl::State::kInArray)
    return;
  impl.encoder->NestedRow(impl.rows, shape, valuesUtf8, cells);
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
