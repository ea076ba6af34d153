#include "platform/Text.h"

#include <charconv>
#include <limits>

namespace th {

Text T(std::string_view ascii) {
  return Text(ascii.begin(), ascii.end());
}

Text IntToText(std::int64_t value) {
  return T(std::to_string(value));
}

bool TryTextToInt(const Text& text, std::int32_t& value) {
  std::size_t i = 0;
  const std::size_t n = text.size();
  while (i < n && (text[i] == u' ' || text[i] == u'\t')) {
    ++i;
  }
  bool negative = false;
  if (i < n && (text[i] == u'-' || text[i] == u'+')) {
    negative = text[i] == u'-';
    ++i;
  }
  std::int64_t result = 0;
  std::size_t digits = 0;
  for (; i < n && text[i] >= u'0' && text[i] <= u'9'; ++i, ++digits) {
    result = result * 10 + (text[i] - u'0');
    if (result > std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1) {
      return false;
    }
  }
  while (i < n && (text[i] == u' ' || text[i] == u'\t')) {
    ++i;
  }
  if (digits == 0 || i != n) {
    return false;
  }
  if (negative) {
    result = -result;
  }
  if (result > std::numeric_limits<std::int32_t>::max() ||
      result < std::numeric_limits<std::int32_t>::min()) {
    return false;
  }
  value = static_cast<std::int32_t>(result);
  return true;
}

bool TryTextToIntStrict(const Text& text, std::int32_t& value) {
  const auto blank = [](char16_t c) { return c == u' ' || c == u'\t'; };
  if (text.empty() || blank(text.front()) || blank(text.back())) {
    return false;
  }
  return TryTextToInt(text, value);
}

std::int32_t TextToIntDef(const Text& text, std::int32_t fallback) {
  std::int32_t value = 0;
  return TryTextToInt(text, value) ? value : fallback;
}

Text AsciiUpper(Text text) {
  for (auto& c : text) {
    if (c >= u'a' && c <= u'z') {
      c = static_cast<char16_t>(c - (u'a' - u'A'));
    }
  }
  return text;
}

bool Contains(const Text& text, std::u16string_view what) {
  return std::u16string_view(text).find(what) != std::u16string_view::npos;
}

bool ContainsUpperCased(std::u16string_view text, std::u16string_view upperWhat) {
  auto upper = [](char16_t c) {
    return (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - (u'a' - u'A')) : c;
  };
  if (upperWhat.empty()) {
    return true;
  }
  for (std::size_t start = 0; start + upperWhat.size() <= text.size(); ++start) {
    std::size_t k = 0;
    while (k < upperWhat.size() && upper(text[start + k]) == upperWhat[k]) {
      ++k;
    }
    if (k == upperWhat.size()) {
      return true;
    }
  }
  return false;
}

namespace {

// Length of the valid UTF-8 sequence at bytes[i], and its code point; 0 when invalid.
std::size_t Utf8Sequence(std::string_view bytes, std::size_t i, char32_t& cp) {
  const auto b0 = static_cast<unsigned char>(bytes[i]);
  std::size_t len = 0;
  char32_t min = 0;
  if (b0 < 0x80) {
    cp = b0;
    return 1;
  }
  if ((b0 & 0xE0) == 0xC0) {
    len = 2, cp = b0 & 0x1F, min = 0x80;
  } else if ((b0 & 0xF0) == 0xE0) {
    len = 3, cp = b0 & 0x0F, min = 0x800;
  } else if ((b0 & 0xF8) == 0xF0) {
    len = 4, cp = b0 & 0x07, min = 0x10000;
  } else {
    return 0;
  }
  if (i + len > bytes.size()) {
    return 0;
  }
  for (std::size_t k = 1; k < len; ++k) {
    const auto b = static_cast<unsigned char>(bytes[i + k]);
    if ((b & 0xC0) != 0x80) {
      return 0;
    }
    cp = (cp << 6) | (b & 0x3F);
  }
  if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
    return 0;
  }
  return len;
}

void AppendCodePoint(Text& out, char32_t cp) {
  if (cp < 0x10000) {
    out.push_back(static_cast<char16_t>(cp));
  } else {
    cp -= 0x10000;
    out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
    out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
  }
}

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

}  // namespace

Text FromUtf8(std::string_view bytes) {
  Text out;
  out.reserve(bytes.size());
  for (std::size_t i = 0; i < bytes.size();) {
    char32_t cp = 0;
    const std::size_t len = Utf8Sequence(bytes, i, cp);
    if (len == 0) {
      out.push_back(static_cast<unsigned char>(bytes[i]));
      ++i;
    } else {
      AppendCodePoint(out, cp);
      i += len;
    }
  }
  return out;
}

Text BytesToText(std::string_view bytes) {
  Text out(bytes.size(), u'\0');
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    out[i] = static_cast<unsigned char>(bytes[i]);
  }
  return out;
}

void AssignBytes(Text& text, std::string_view bytes) {
  text.resize(bytes.size());
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    text[i] = static_cast<unsigned char>(bytes[i]);
  }
}

std::string TextToBytes(const Text& text) {
  std::string out(text.size(), '\0');
  for (std::size_t i = 0; i < text.size(); ++i) {
    out[i] = static_cast<char>(text[i] & 0xFF);
  }
  return out;
}

std::string ToUtf8(const Text& text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    char32_t cp = text[i];
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] <= 0xDFFF) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    } else if (cp >= 0xD800 && cp <= 0xDFFF) {
      cp = 0xFFFD;  // a lone surrogate has no UTF-8 form
    }
    AppendUtf8(out, cp);
  }
  return out;
}

}  // namespace th
