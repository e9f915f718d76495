#include "engine/source/IconvDecoder.h"

#include <cerrno>
#include <cstring>
#include <stdexcept>

#include "platform/core/Simd.h"

namespace {

constexpr char kReplacementUtf8[] = "\xEF\xBF\xBD";

bool NameHas(const std::string& name, const char* part) {
  std::string upper;
  for (const char c : name)
    if (c != '-' && c != '_')
      upper += static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
  return upper.find(part) != std::string::npos;
}

// A wide encoding read byte by byte after a bad unit would lose step with its units.
std::size_t UnitOf(const std::string& name) {
  if (NameHas(name, "UTF32") || NameHas(name, "UCS4"))
    return 4;
  if (NameHas(name, "UTF16") || NameHas(name, "UCS2"))
    return 2;
  return 1;
}

}  // namespace

CIconvDecoder::CIconvDecoder(const std::string& name)
    : m_cd(iconv_open("UTF-8", name.c_str())), m_unit(UnitOf(name)) {
  if (m_cd == reinterpret_cast<iconv_t>(-1))
    throw std::invalid_argument("unknown encoding " + name);
}

CIconvDecoder::~CIconvDecoder() {
  iconv_close(m_cd);
}

void CIconvDecoder::Replace(std::size_t bytes, std::string& out, std::size_t& used) {
  if (out.size() < used + 3 + kSimdPadding)
    out.resize(2 * out.size() + 3 + kSimdPadding);
  std::memcpy(out.data() + used, kReplacementUtf8, 3);
  used += 3;
  m_undecodable += bytes;
}

std::string_view CIconvDecoder::Decode(std::string_view block, bool atEnd, std::string& out) {
  m_in.assign(m_pending);
  m_in.append(block);
  m_pending.clear();
  // Most encodings take no more than 3 bytes of UTF-8 a byte; more room is made when not.
  if (out.size() < 3 * m_in.size() + 16 + kSimdPadding)
    out.resize(3 * m_in.size() + 16 + kSimdPadding);
  std::size_t used = 0;
  char* in = m_in.data();
  std::size_t inLeft = m_in.size();
  for (;;) {
    char* outAt = out.data() + used;
    std::size_t outLeft = out.size() - used - kSimdPadding;
    // At the end, a null input asks the converter to return to its initial state.
    const bool flush = inLeft == 0 && atEnd;
    const std::size_t result =
        iconv(m_cd, flush ? nullptr : &in, flush ? nullptr : &inLeft, &outAt, &outLeft);
    used = static_cast<std::size_t>(outAt - out.data());
    if (result != static_cast<std::size_t>(-1)) {
      if (flush || inLeft == 0) {
        if (atEnd && !flush)
          continue;
        break;
      }
      continue;
    }
    if (errno == E2BIG) {
      out.resize(2 * out.size() + kSimdPadding);
    } else if (errno == EINVAL && !atEnd) {
      m_pending.assign(in, inLeft);  // a character the block's end cut
      break;
    } else {
      // Undecodable (EILSEQ), or cut short by the end of the input (EINVAL).
      const std::size_t bad = std::min(inLeft, errno == EINVAL ? inLeft : m_unit);
      Replace(bad, out, used);
      in += bad;
      inLeft -= bad;
    }
  }
  return {out.data(), used};
}

bool IsKnownEncoding(const std::string& name) {
  if (name.empty())
    return false;
  const iconv_t cd = iconv_open("UTF-8", name.c_str());
  if (cd == reinterpret_cast<iconv_t>(-1))
    return false;
  iconv_close(cd);
  return true;
}
