#include "product/version_resource.h"

#include <string>

namespace krv::branding {
namespace {

// Text values (type 1) count their length in 16-bit characters, binary ones
// in bytes.
constexpr uint16_t kTextValue = 1;
constexpr size_t kHeaderBytes = 6;

size_t Align4(size_t offset) { return (offset + 3) & ~static_cast<size_t>(3); }

uint16_t Word(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

char16_t FoldAscii(char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c; }

bool EqualsIgnoringCase(const std::u16string& text, const char16_t* word) {
  size_t i = 0;
  for (; word[i] != 0; ++i)
    if (i >= text.size() || FoldAscii(text[i]) != FoldAscii(word[i])) return false;
  return i == text.size();
}

bool ContainsIgnoringCase(const std::u16string& text, const std::u16string& word) {
  for (size_t start = 0; start + word.size() <= text.size(); ++start) {
    size_t i = 0;
    while (i < word.size() && FoldAscii(text[start + i]) == FoldAscii(word[i])) ++i;
    if (i == word.size()) return true;
  }
  return false;
}

// One block of the version resource: [begin, end) within the whole data.
struct Block {
  size_t begin;
  size_t end;
  std::u16string key;
  size_t value_begin;
  size_t value_end;
  size_t children_begin;
};

// Reads the block at `offset` below a parent that ends at `limit`; false
// when it does not fit.
bool ReadBlock(const uint8_t* data, size_t offset, size_t limit, Block* out) {
  if (offset > limit || limit - offset < kHeaderBytes) return false;
  const size_t length = Word(data + offset);
  const size_t value_length = Word(data + offset + 2);
  const uint16_t type = Word(data + offset + 4);
  if (length < kHeaderBytes || length > limit - offset) return false;
  Block b;
  b.begin = offset;
  b.end = offset + length;
  size_t p = offset + kHeaderBytes;
  for (;; p += 2) {
    if (b.end - p < 2) return false;
    const char16_t c = Word(data + p);
    if (c == 0) break;
    b.key += c;
  }
  b.value_begin = Align4(p + 2);
  const size_t value_bytes = type == kTextValue ? value_length * 2 : value_length;
  if (b.value_begin > b.end || value_bytes > b.end - b.value_begin) {
    // A value that does not fit leaves the block without value or children.
    b.value_begin = b.value_end = b.children_begin = b.end;
  } else {
    b.value_end = b.value_begin + value_bytes;
    b.children_begin = Align4(b.value_end);
  }
  *out = b;
  return true;
}

// Calls `visit` for each child of `parent`; stops at a child that does not
// fit or when `visit` returns a brand.
template <class Visit>
Brand ForEachChild(const uint8_t* data, const Block& parent, Visit visit) {
  for (size_t offset = parent.children_begin; offset < parent.end;) {
    Block child;
    if (!ReadBlock(data, offset, parent.end, &child)) return Brand::Invalid;
    const Brand found = visit(child);
    if (found != Brand::Invalid) return found;
    offset = Align4(child.end);
  }
  return Brand::Invalid;
}

Brand BrandOfCompany(const uint8_t* data, const Block& string) {
  std::u16string value;
  for (size_t p = string.value_begin; p + 1 < string.value_end; p += 2) {
    const char16_t c = Word(data + p);
    if (c == 0) break;
    value += c;
  }
  if (ContainsIgnoringCase(value, u"Orvane")) return Brand::Orvane;
  if (ContainsIgnoringCase(value, u"KESTIL")) return Brand::Kestil;
  return Brand::Invalid;
}

}  // namespace

Brand BrandFromVersionBlock(const uint8_t* data, size_t size) {
  if (data == nullptr) return Brand::Invalid;
  Block root;
  if (!ReadBlock(data, 0, size, &root)) return Brand::Invalid;
  return ForEachChild(data, root, [&](const Block& info) {
    if (!EqualsIgnoringCase(info.key, u"StringFileInfo")) return Brand::Invalid;
    return ForEachChild(data, info, [&](const Block& table) {
      return ForEachChild(data, table, [&](const Block& string) {
        return EqualsIgnoringCase(string.key, u"CompanyName") ? BrandOfCompany(data, string) : Brand::Invalid;
      });
    });
  });
}

}  // namespace krv::branding
