#include "cli/json.h"

#include <cstdint>

namespace tessellux::cli {
namespace {

class Parser {
 public:
  explicit Parser(std::string_view text) : s_(text) {}

  std::optional<JsonObject> Object(std::string* error) {
    JsonObject object;
    SkipSpace();
    if (!Take('{')) return Fail(error, "expected '{'");
    SkipSpace();
    if (!Take('}')) {
      for (;;) {
        SkipSpace();
        std::string key;
        if (!String(&key)) return Fail(error, problem_.empty() ? "expected a key in double quotes" : problem_);
        SkipSpace();
        if (!Take(':')) return Fail(error, "expected ':' after \"" + key + "\"");
        SkipSpace();
        JsonScalar value;
        if (!Scalar(&value)) return Fail(error, problem_.empty() ? "bad value of \"" + key + "\"" : problem_);
        if (!object.emplace(key, std::move(value)).second) return Fail(error, "key \"" + key + "\" given twice");
        SkipSpace();
        if (Take('}')) break;
        if (!Take(',')) return Fail(error, "expected ',' or '}'");
      }
    }
    SkipSpace();
    if (at_ != s_.size()) return Fail(error, "text after the object");
    return object;
  }

 private:
  std::optional<JsonObject> Fail(std::string* error, const std::string& why) {
    if (error) *error = why + " at column " + std::to_string(at_ + 1);
    return std::nullopt;
  }
  bool Take(char c) {
    if (at_ < s_.size() && s_[at_] == c) return ++at_, true;
    return false;
  }
  bool TakeWord(std::string_view word) {
    if (s_.substr(at_, word.size()) != word) return false;
    at_ += word.size();
    return true;
  }
  void SkipSpace() {
    while (at_ < s_.size() && (s_[at_] == ' ' || s_[at_] == '\t' || s_[at_] == '\r' || s_[at_] == '\n')) ++at_;
  }
  bool Digits() {
    const std::size_t from = at_;
    while (at_ < s_.size() && s_[at_] >= '0' && s_[at_] <= '9') ++at_;
    return at_ > from;
  }

  bool Scalar(JsonScalar* value) {
    using Kind = JsonScalar::Kind;
    if (at_ < s_.size() && s_[at_] == '"') return value->kind = Kind::kString, String(&value->text);
    if (TakeWord("true")) return value->kind = Kind::kTrue, true;
    if (TakeWord("false")) return value->kind = Kind::kFalse, true;
    if (TakeWord("null")) return value->kind = Kind::kNull, true;
    if (at_ < s_.size() && (s_[at_] == '{' || s_[at_] == '[')) {
      problem_ = "values are strings, numbers, true, false or null, not objects or arrays";
      return false;
    }
    const std::size_t from = at_;
    Take('-');
    if (!Take('0') && !Digits()) return false;
    if (Take('.') && !Digits()) return false;
    if ((Take('e') || Take('E')) && (Take('+') || Take('-') || true) && !Digits()) return false;
    value->kind = Kind::kNumber;
    value->text = std::string(s_.substr(from, at_ - from));
    return true;
  }

  bool Hex4(std::uint32_t* out) {
    if (s_.size() - at_ < 4) return false;
    *out = 0;
    for (int i = 0; i < 4; ++i) {
      const char c = s_[at_++];
      const int digit = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
      if (digit < 0) return false;
      *out = *out << 4 | static_cast<std::uint32_t>(digit);
    }
    return true;
  }

  static void AppendUtf8(std::uint32_t cp, std::string* out) {
    if (cp < 0x80) {
      out->push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
      out->push_back(static_cast<char>(0xC0 | cp >> 6));
      out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
      out->push_back(static_cast<char>(0xE0 | cp >> 12));
      out->push_back(static_cast<char>(0x80 | (cp >> 6 & 0x3F)));
      out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
      out->push_back(static_cast<char>(0xF0 | cp >> 18));
      out->push_back(static_cast<char>(0x80 | (cp >> 12 & 0x3F)));
      out->push_back(static_cast<char>(0x80 | (cp >> 6 & 0x3F)));
      out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
  }

  bool Escape(std::string* out) {
    if (at_ >= s_.size()) return false;
    const char c = s_[at_++];
    switch (c) {
      case '"': case '\\': case '/': out->push_back(c); return true;
      case 'b': out->push_back('\b'); return true;
      case 'f': out->push_back('\f'); return true;
      case 'n': out->push_back('\n'); return true;
      case 'r': out->push_back('\r'); return true;
      case 't': out->push_back('\t'); return true;
      case 'u': break;
      default: problem_ = "unknown escape \\" + std::string(1, c); return false;
    }
    std::uint32_t cp = 0;
    if (!Hex4(&cp)) return problem_ = "bad \\u escape", false;
    if (cp >= 0xD800 && cp < 0xDC00) {
      std::uint32_t low = 0;
      if (!TakeWord("\\u") || !Hex4(&low) || low < 0xDC00 || low > 0xDFFF) {
        return problem_ = "a lone surrogate in a \\u escape", false;
      }
      cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
    } else if (cp >= 0xDC00 && cp < 0xE000) {
      return problem_ = "a lone surrogate in a \\u escape", false;
    }
    AppendUtf8(cp, out);
    return true;
  }

  bool String(std::string* out) {
    if (!Take('"')) return false;
    for (;;) {
      if (at_ >= s_.size()) return problem_ = "unterminated string", false;
      const char c = s_[at_++];
      if (c == '"') return true;
      if (static_cast<unsigned char>(c) < 0x20) return problem_ = "a control character inside a string", false;
      if (c != '\\') {
        out->push_back(c);
      } else if (!Escape(out)) {
        return false;
      }
    }
  }

  std::string_view s_;
  std::size_t at_ = 0;
  std::string problem_;
};

}  // namespace

std::optional<JsonObject> ParseFlatObject(std::string_view line, std::string* error) {
  return Parser(line).Object(error);
}

}  // namespace tessellux::cli
