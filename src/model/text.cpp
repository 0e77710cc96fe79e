#include "model/text.hpp"

#include <utf8proc.h>

namespace corvane::model::text {
namespace {

constexpr utf8proc_int32_t kReplacement = 0xFFFD;

// Decodes one code point at s[i]; advances i. Invalid bytes decode as U+FFFD, one byte each.
utf8proc_int32_t next(std::string_view s, std::size_t& i) {
  utf8proc_int32_t cp = 0;
  auto n = utf8proc_iterate(reinterpret_cast<const utf8proc_uint8_t*>(s.data() + i),
                            static_cast<utf8proc_ssize_t>(s.size() - i), &cp);
  if (n <= 0) {
    i += 1;
    return kReplacement;
  }
  i += static_cast<std::size_t>(n);
  return cp;
}

void append(std::string& out, utf8proc_int32_t cp) {
  utf8proc_uint8_t buf[4];
  auto n = utf8proc_encode_char(cp, buf);
  out.append(reinterpret_cast<const char*>(buf), static_cast<std::size_t>(n));
}

bool isWhite(utf8proc_int32_t cp) {
  if (cp == '\t' || cp == '\n' || cp == '\r' || cp == 0x0B || cp == 0x0C || cp == 0x85) return true;
  auto cat = utf8proc_category(cp);
  return cat == UTF8PROC_CATEGORY_ZS || cat == UTF8PROC_CATEGORY_ZL || cat == UTF8PROC_CATEGORY_ZP;
}

bool isLetterOrDigit(utf8proc_int32_t cp) {
  switch (utf8proc_category(cp)) {
    case UTF8PROC_CATEGORY_LU:
    case UTF8PROC_CATEGORY_LL:
    case UTF8PROC_CATEGORY_LT:
    case UTF8PROC_CATEGORY_LM:
    case UTF8PROC_CATEGORY_LO:
    case UTF8PROC_CATEGORY_MN:
    case UTF8PROC_CATEGORY_MC:
    case UTF8PROC_CATEGORY_ME:
    case UTF8PROC_CATEGORY_ND:
    case UTF8PROC_CATEGORY_NL:
    case UTF8PROC_CATEGORY_NO:
      return true;
    default:
      return false;
  }
}

bool isLetter(utf8proc_int32_t cp) {
  auto cat = utf8proc_category(cp);
  return cat >= UTF8PROC_CATEGORY_LU && cat <= UTF8PROC_CATEGORY_LO;
}

template <typename Map>
std::string mapEach(std::string_view s, Map map) {
  std::string out;
  out.reserve(s.size());
  for (std::size_t i = 0; i < s.size();) append(out, map(next(s, i)));
  return out;
}

bool isAscii(std::string_view s) {
  for (unsigned char c : s) {
    if (c >= 0x80) return false;
  }
  return true;
}

}  // namespace

std::size_t graphemeCount(std::string_view s) {
  // Printable ASCII never joins into clusters (CR LF aside, which is not printable).
  if (isAscii(s) && s.find('\r') == std::string_view::npos) return s.size();
  std::size_t count = 0;
  utf8proc_int32_t previous = -1;
  utf8proc_int32_t state = 0;
  for (std::size_t i = 0; i < s.size();) {
    auto cp = next(s, i);
    if (previous < 0 || utf8proc_grapheme_break_stateful(previous, cp, &state)) ++count;
    previous = cp;
  }
  return count;
}

std::size_t utf16Length(std::string_view s) {
  std::size_t n = 0;
  for (std::size_t i = 0; i < s.size();) n += next(s, i) > 0xFFFF ? 2 : 1;
  return n;
}

std::string upper(std::string_view s) {
  if (isAscii(s)) {
    std::string out(s);
    for (auto& c : out) {
      if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return out;
  }
  return mapEach(s, [](utf8proc_int32_t cp) { return utf8proc_toupper(cp); });
}

std::string lower(std::string_view s) {
  if (isAscii(s)) {
    std::string out(s);
    for (auto& c : out) {
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return out;
  }
  return mapEach(s, [](utf8proc_int32_t cp) { return utf8proc_tolower(cp); });
}

std::string capitalized(std::string_view s) {
  std::string out;
  bool wordStart = true;
  for (std::size_t i = 0; i < s.size();) {
    auto cp = next(s, i);
    if (isLetterOrDigit(cp)) {
      append(out, wordStart ? utf8proc_toupper(cp) : utf8proc_tolower(cp));
      wordStart = false;
    } else {
      append(out, cp);
      wordStart = true;
    }
  }
  return out;
}

std::string upperFirst(std::string_view s) {
  if (s.empty()) return {};
  std::size_t i = 0;
  auto cp = next(s, i);
  std::string out;
  append(out, isLetter(cp) ? utf8proc_toupper(cp) : cp);
  out.append(s.substr(i));
  return out;
}

std::string_view trimmedView(std::string_view s) {
  // ASCII ends are the common case; anything else goes through the Unicode classes.
  std::size_t begin = 0;
  std::size_t end = s.size();
  while (begin < end) {
    unsigned char c = static_cast<unsigned char>(s[begin]);
    if (c < 0x80) {
      if (c == ' ' || (c >= 0x09 && c <= 0x0D)) {
        ++begin;
        continue;
      }
      break;
    }
    std::size_t i = begin;
    if (!isWhite(next(s, i))) break;
    begin = i;
  }
  while (end > begin) {
    unsigned char c = static_cast<unsigned char>(s[end - 1]);
    if (c < 0x80) {
      if (c == ' ' || (c >= 0x09 && c <= 0x0D)) {
        --end;
        continue;
      }
      break;
    }
    // Step back to the start of the last code point.
    std::size_t start = end - 1;
    while (start > begin && (static_cast<unsigned char>(s[start]) & 0xC0) == 0x80) --start;
    std::size_t i = start;
    auto cp = next(s, i);
    if (i != end || !isWhite(cp)) break;
    end = start;
  }
  return s.substr(begin, end - begin);
}

std::string trim(std::string_view s) { return std::string(trimmedView(s)); }

std::string repairUtf8(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  for (std::size_t i = 0; i < s.size();) append(out, next(s, i));
  return out;
}

std::string lettersAndDigits(std::string_view s) {
  std::string out;
  for (std::size_t i = 0; i < s.size();) {
    auto cp = next(s, i);
    if (isLetterOrDigit(cp)) append(out, cp);
  }
  return out;
}

std::vector<std::string> split(std::string_view s, std::string_view separator) {
  std::vector<std::string> parts;
  forEachPiece(s, separator, [&](std::string_view piece) { parts.emplace_back(piece); });
  return parts;
}

std::string join(const std::vector<std::string>& parts, std::string_view separator) {
  std::string out;
  for (std::size_t i = 0; i < parts.size(); ++i) {
    if (i > 0) out.append(separator);
    out.append(parts[i]);
  }
  return out;
}

std::string replaceAll(std::string_view s, std::string_view from, std::string_view to) {
  if (from.empty()) return std::string(s);
  std::string out;
  std::size_t start = 0;
  while (true) {
    auto pos = s.find(from, start);
    if (pos == std::string_view::npos) break;
    out.append(s.substr(start, pos - start));
    out.append(to);
    start = pos + from.size();
  }
  out.append(s.substr(start));
  return out;
}

std::string abbreviated(std::string_view s, std::size_t maxBytes) {
  if (s.size() <= maxBytes) return std::string(s);
  // Never cut inside a character: back up over continuation bytes.
  std::size_t cut = maxBytes;
  while (cut > 0 && (static_cast<unsigned char>(s[cut]) & 0xC0) == 0x80) --cut;
  return std::string(s.substr(0, cut)) + "…";
}

std::string firstCharacter(std::string_view s) {
  utf8proc_int32_t previous = -1;
  utf8proc_int32_t state = 0;
  std::size_t end = 0;
  for (std::size_t i = 0; i < s.size();) {
    std::size_t before = i;
    auto cp = next(s, i);
    if (previous >= 0 && utf8proc_grapheme_break_stateful(previous, cp, &state)) return std::string(s.substr(0, before));
    previous = cp;
    end = i;
  }
  return std::string(s.substr(0, end));
}

bool isDigitCharacter(std::string_view character) {
  if (character.empty()) return false;
  std::size_t i = 0;
  return utf8proc_category(next(character, i)) == UTF8PROC_CATEGORY_ND;
}

}  // namespace corvane::model::text
