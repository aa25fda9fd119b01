#include "platform/core/StoredFormParser.h"

#include "platform/core/ClassInfo.h"

#include <charconv>

std::string PositionText(TSourcePos Pos) {
  return "line " + std::to_string(Pos.Line) + ", column " + std::to_string(Pos.Column) + ": ";
}

namespace {

bool IsLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
int HexValue(char c) {
  if (IsDigit(c))
    return c - '0';
  if (c >= 'A' && c <= 'F')
    return c - 'A' + 10;
  if (c >= 'a' && c <= 'f')
    return c - 'a' + 10;
  return -1;
}

void AppendUtf8(std::string& Out, std::uint32_t Code) {
  if (Code < 0x80) {
    Out += static_cast<char>(Code);
  } else if (Code < 0x800) {
    Out += static_cast<char>(0xC0 | (Code >> 6));
    Out += static_cast<char>(0x80 | (Code & 0x3F));
  } else if (Code < 0x10000) {
    Out += static_cast<char>(0xE0 | (Code >> 12));
    Out += static_cast<char>(0x80 | ((Code >> 6) & 0x3F));
    Out += static_cast<char>(0x80 | (Code & 0x3F));
  } else {
    Out += static_cast<char>(0xF0 | (Code >> 18));
    Out += static_cast<char>(0x80 | ((Code >> 12) & 0x3F));
    Out += static_cast<char>(0x80 | ((Code >> 6) & 0x3F));
    Out += static_cast<char>(0x80 | (Code & 0x3F));
  }
}

} // namespace

std::size_t Utf8SequenceLength(std::string_view S) {
  const auto b = [&](std::size_t i) { return static_cast<unsigned char>(S[i]); };
  const auto cont = [&](std::size_t i) { return i < S.size() && (b(i) & 0xC0) == 0x80; };
  if (S.empty())
    return 0;
  const unsigned char c = b(0);
  if (c < 0x80)
    return 1;
  if (c >= 0xC2 && c <= 0xDF)
    return cont(1) ? 2 : 0;
  if (c >= 0xE0 && c <= 0xEF) {
    if (!cont(1) || !cont(2))
      return 0;
    if ((c == 0xE0 && b(1) < 0xA0) || (c == 0xED && b(1) >= 0xA0)) // overlong or surrogate
      return 0;
    return 3;
  }
  if (c >= 0xF0 && c <= 0xF4) {
    if (!cont(1) || !cont(2) || !cont(3))
      return 0;
    if ((c == 0xF0 && b(1) < 0x90) || (c == 0xF4 && b(1) >= 0x90)) // overlong or beyond U+10FFFF
      return 0;
    return 4;
  }
  return 0;
}

namespace {

struct TToken {
  enum class TKind { Ident, Integer, Float, String, Binary, Symbol, End };
  TKind Kind = TKind::End;
  TSourcePos Pos;
  std::string Text;
  std::int64_t Integer = 0;
  bool Hex = false;
  double Float = 0;
  std::vector<std::uint8_t> Bytes;
  char Symbol = 0;
};

class TLexer {
public:
  explicit TLexer(std::string_view Text) : FText(Text) {}

  TToken Next() {
    SkipSpace();
    TToken t;
    t.Pos = Pos();
    if (AtEnd())
      return t;
    const char c = Peek();
    if (IsLetter(c)) {
      t.Kind = TToken::TKind::Ident;
      while (!AtEnd() && (IsLetter(Peek()) || IsDigit(Peek()) || Peek() == '.'))
        t.Text += Take();
    } else if (IsDigit(c) || c == '$' || ((c == '-' || c == '+') && (IsDigit(Peek(1)) || Peek(1) == '$'))) {
      ReadNumber(t);
    } else if (c == '\'' || c == '#') {
      ReadString(t);
    } else if (c == '{') {
      ReadBinary(t);
    } else if (std::string_view("=:[],<>()+").find(c) != std::string_view::npos) {
      t.Kind = TToken::TKind::Symbol;
      t.Symbol = Take();
    } else {
      Fail(t.Pos, "unexpected character " + Describe(c));
    }
    return t;
  }

  [[noreturn]] static void Fail(TSourcePos At, const std::string& Message) {
    throw EReadError(PositionText(At) + Message);
  }

private:
  bool AtEnd() const { return FOffset >= FText.size(); }
  char Peek(std::size_t Ahead = 0) const {
    return FOffset + Ahead < FText.size() ? FText[FOffset + Ahead] : '\0';
  }
  TSourcePos Pos() const { return {FLine, FColumn}; }
  char Take() {
    const char c = FText[FOffset++];
    if (c == '\n') {
      ++FLine;
      FColumn = 1;
    } else if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) {
      ++FColumn;
    }
    return c;
  }

  static std::string Describe(char c) {
    if (c > ' ' && c < 0x7F)
      return "'" + std::string(1, c) + "'";
    static const char Hex[] = "0123456789ABCDEF";
    const auto u = static_cast<unsigned char>(c);
    return std::string("0x") + Hex[u >> 4] + Hex[u & 15];
  }

  void SkipSpace() {
    while (!AtEnd() && (Peek() == ' ' || Peek() == '\t' || Peek() == '\r' || Peek() == '\n'))
      Take();
  }

  void ReadNumber(TToken& t) {
    bool negative = false;
    if (Peek() == '-' || Peek() == '+')
      negative = Take() == '-';
    if (Peek() == '$') {
      Take();
      std::uint64_t value = 0;
      int digits = 0;
      for (; !AtEnd() && HexValue(Peek()) >= 0; ++digits) {
        if (value > (std::numeric_limits<std::uint64_t>::max() >> 4))
          Fail(t.Pos, "integer out of range");
        value = (value << 4) | static_cast<std::uint64_t>(HexValue(Take()));
      }
      if (digits == 0)
        Fail(t.Pos, "expected hexadecimal digits after '$'");
      if (value > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()))
        Fail(t.Pos, "integer out of range");
      t.Kind = TToken::TKind::Integer;
      t.Hex = true;
      t.Integer = negative ? -static_cast<std::int64_t>(value) : static_cast<std::int64_t>(value);
      RejectTrailing(t);
      return;
    }
    std::string text = negative ? "-" : "";
    bool isFloat = false;
    while (!AtEnd() && IsDigit(Peek()))
      text += Take();
    if (Peek() == '.' && IsDigit(Peek(1))) {
      isFloat = true;
      text += Take();
      while (!AtEnd() && IsDigit(Peek()))
        text += Take();
    }
    if ((Peek() == 'e' || Peek() == 'E') &&
        (IsDigit(Peek(1)) || ((Peek(1) == '+' || Peek(1) == '-') && IsDigit(Peek(2))))) {
      isFloat = true;
      text += Take();
      if (Peek() == '+' || Peek() == '-')
        text += Take();
      while (!AtEnd() && IsDigit(Peek()))
        text += Take();
    }
    RejectTrailing(t);
    const char* first = text.data();
    const char* last = text.data() + text.size();
    if (isFloat) {
      t.Kind = TToken::TKind::Float;
      const auto r = std::from_chars(first, last, t.Float);
      if (r.ec != std::errc() || r.ptr != last)
        Fail(t.Pos, "number out of range");
    } else {
      t.Kind = TToken::TKind::Integer;
      const auto r = std::from_chars(first, last, t.Integer);
      if (r.ec != std::errc() || r.ptr != last)
        Fail(t.Pos, "integer out of range");
    }
  }

  void RejectTrailing(const TToken& t) {
    if (!AtEnd() && (IsLetter(Peek()) || IsDigit(Peek()) || Peek() == '.'))
      Fail(t.Pos, "invalid number");
  }

  void ReadString(TToken& t) {
    t.Kind = TToken::TKind::String;
    while (Peek() == '\'' || Peek() == '#') {
      if (Take() == '\'') {
        for (;;) {
          if (AtEnd() || Peek() == '\n' || Peek() == '\r')
            Fail(t.Pos, "unterminated string");
          if (Peek() == '\'') {
            Take();
            if (Peek() != '\'')
              break;
            Take();
            t.Text += '\'';
            continue;
          }
          const TSourcePos at = Pos();
          const std::size_t length = Utf8SequenceLength(FText.substr(FOffset));
          if (length == 0)
            Fail(at, "invalid UTF-8 in string");
          for (std::size_t i = 0; i < length; ++i)
            t.Text += Take();
          CheckStringSize(t);
        }
      } else {
        const TSourcePos at = Pos();
        std::uint32_t code = ReadCharCode(at);
        if (code >= 0xD800 && code <= 0xDBFF) {
          // A character beyond the first plane is written as two codes, high then low half.
          if (Peek() != '#')
            Fail(at, "invalid character code " + std::to_string(code));
          Take();
          const std::uint32_t low = ReadCharCode(at);
          if (low < 0xDC00 || low > 0xDFFF)
            Fail(at, "invalid character code " + std::to_string(low));
          code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
        } else if (code >= 0xDC00 && code <= 0xDFFF) {
          Fail(at, "invalid character code " + std::to_string(code));
        }
        AppendUtf8(t.Text, code);
        CheckStringSize(t);
      }
    }
  }

  std::uint32_t ReadCharCode(TSourcePos At) {
    const bool hex = Peek() == '$';
    if (hex)
      Take();
    std::uint32_t code = 0;
    int digits = 0;
    while (!AtEnd() && (hex ? HexValue(Peek()) >= 0 : IsDigit(Peek()))) {
      code = code * (hex ? 16 : 10) + static_cast<std::uint32_t>(hex ? HexValue(Take()) : Take() - '0');
      if (code > 0x10FFFF)
        Fail(At, "invalid character code");
      ++digits;
    }
    if (digits == 0)
      Fail(At, "expected a character code after '#'");
    return code;
  }

  void CheckStringSize(const TToken& t) {
    if (t.Text.size() > TStoredFormLimits::MaxStringBytes)
      Fail(t.Pos, "string longer than " + std::to_string(TStoredFormLimits::MaxStringBytes) + " bytes");
  }

  void ReadBinary(TToken& t) {
    t.Kind = TToken::TKind::Binary;
    Take();
    int high = -1;
    for (;;) {
      if (AtEnd())
        Fail(t.Pos, "unterminated binary data");
      const char c = Peek();
      if (c == '}') {
        Take();
        break;
      }
      if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
        Take();
        continue;
      }
      const int v = HexValue(c);
      if (v < 0)
        Fail(Pos(), "invalid character " + Describe(c) + " in binary data");
      Take();
      if (high < 0) {
        high = v;
      } else {
        if (t.Bytes.size() >= TStoredFormLimits::MaxBinaryBytes)
          Fail(t.Pos, "binary data longer than " + std::to_string(TStoredFormLimits::MaxBinaryBytes) + " bytes");
        t.Bytes.push_back(static_cast<std::uint8_t>((high << 4) | v));
        high = -1;
      }
    }
    if (high >= 0)
      Fail(t.Pos, "odd number of hexadecimal digits in binary data");
  }

  std::string_view FText;
  std::size_t FOffset = 0;
  int FLine = 1;
  int FColumn = 1;
};

class TParser {
public:
  explicit TParser(std::string_view Text) : FLexer(Text) { Advance(); }

  TObjectNode ParseRoot() {
    TObjectNode root = ParseObject();
    if (FToken.Kind != TToken::TKind::End)
      Fail("expected end of text after the last 'end'");
    return root;
  }

private:
  using TKind = TToken::TKind;

  void Advance() { FToken = FLexer.Next(); }
  // A description cut short fails wherever the parser happens to be: that it ended is the news.
  [[noreturn]] void Fail(const std::string& Message) const {
    TLexer::Fail(FToken.Pos, FToken.Kind == TKind::End ? "the file ended; " + Message : Message);
  }

  bool IsKeyword(std::string_view Word) const { return FToken.Kind == TKind::Ident && SameText(FToken.Text, Word); }
  bool IsSymbol(char c) const { return FToken.Kind == TKind::Symbol && FToken.Symbol == c; }

  void Count() {
    if (++FElements > TStoredFormLimits::MaxElements)
      Fail("more than " + std::to_string(TStoredFormLimits::MaxElements) + " elements");
  }

  void Enter() {
    if (++FDepth > TStoredFormLimits::MaxDepth)
      Fail("nested deeper than " + std::to_string(TStoredFormLimits::MaxDepth) + " levels");
  }

  std::string TakeName(const char* What) {
    if (FToken.Kind != TKind::Ident || FToken.Text.find('.') != std::string::npos)
      Fail(std::string("expected ") + What);
    std::string name = std::move(FToken.Text);
    Advance();
    return name;
  }

  TObjectNode ParseObject() {
    if (!IsKeyword("object"))
      Fail("expected 'object'");
    Enter();
    Count();
    TObjectNode node;
    node.Pos = FToken.Pos;
    Advance();
    node.ClassPos = FToken.Pos;
    std::string first = TakeName("a component name or a class name");
    if (IsSymbol(':')) {
      Advance();
      node.Name = std::move(first);
      node.ClassPos = FToken.Pos;
      node.ClassName = TakeName("a class name after ':'");
    } else {
      node.ClassName = std::move(first);
    }
    for (;;) {
      if (IsKeyword("end")) {
        Advance();
        break;
      }
      if (IsKeyword("object"))
        node.Children.push_back(ParseObject());
      else if (FToken.Kind == TKind::Ident)
        node.Properties.push_back(ParseProperty());
      else if (FToken.Kind == TKind::End)
        TLexer::Fail(FToken.Pos, "the file ended inside 'object " + (node.Name.empty() ? "" : node.Name + ": ") +
                                     node.ClassName + "' of line " + std::to_string(node.Pos.Line) +
                                     ", which needs its 'end'");
      else
        Fail("expected a property, 'object' or 'end'");
    }
    --FDepth;
    return node;
  }

  TPropertyNode ParseProperty() {
    Count();
    TPropertyNode prop;
    prop.Pos = FToken.Pos;
    prop.Name = std::move(FToken.Text);
    int segments = 1;
    for (std::size_t i = 0; i < prop.Name.size(); ++i)
      if (prop.Name[i] == '.') {
        ++segments;
        if (i + 1 == prop.Name.size() || prop.Name[i + 1] == '.' || !IsLetter(prop.Name[i + 1]))
          TLexer::Fail(prop.Pos, "invalid property name '" + prop.Name + "'");
      }
    if (segments > TStoredFormLimits::MaxPathSegments)
      TLexer::Fail(prop.Pos, "property path '" + prop.Name + "' has too many parts");
    Advance();
    if (!IsSymbol('='))
      Fail("expected '=' after '" + prop.Name + "'");
    Advance();
    prop.Value = ParseValue();
    return prop;
  }

  TValueNode ParseValue() {
    TValueNode value;
    value.Pos = FToken.Pos;
    switch (FToken.Kind) {
    case TKind::Integer:
      value.Kind = TValueNode::TKind::Integer;
      value.Integer = FToken.Integer;
      value.Hex = FToken.Hex;
      Advance();
      return value;
    case TKind::Float:
      value.Kind = TValueNode::TKind::Float;
      value.Float = FToken.Float;
      Advance();
      return value;
    case TKind::String:
      value.Kind = TValueNode::TKind::String;
      value.Text = std::move(FToken.Text);
      Advance();
      while (IsSymbol('+')) {
        Advance();
        if (FToken.Kind != TKind::String)
          Fail("expected a string after '+'");
        value.Text += FToken.Text;
        if (value.Text.size() > TStoredFormLimits::MaxStringBytes)
          Fail("string longer than " + std::to_string(TStoredFormLimits::MaxStringBytes) + " bytes");
        Advance();
      }
      return value;
    case TKind::Ident:
      value.Kind = TValueNode::TKind::Ident;
      value.Text = std::move(FToken.Text);
      Advance();
      return value;
    case TKind::Binary:
      value.Kind = TValueNode::TKind::Binary;
      value.Bytes = std::move(FToken.Bytes);
      Advance();
      return value;
    default:
      break;
    }
    if (IsSymbol('[')) {
      value.Kind = TValueNode::TKind::Set;
      Advance();
      if (!IsSymbol(']'))
        for (;;) {
          Count();
          const TSourcePos at = FToken.Pos;
          value.Elements.push_back({TakeName("a set element"), at});
          if (IsSymbol(']'))
            break;
          if (!IsSymbol(','))
            Fail("expected ',' or ']' in a set");
          Advance();
        }
      Advance();
      return value;
    }
    if (IsSymbol('<')) {
      value.Kind = TValueNode::TKind::Collection;
      Enter();
      Advance();
      while (!IsSymbol('>')) {
        if (!IsKeyword("item"))
          Fail("expected 'item' or '>'");
        Count();
        TItemNode item;
        item.Pos = FToken.Pos;
        Advance();
        while (!IsKeyword("end")) {
          if (FToken.Kind != TKind::Ident)
            Fail("expected a property or 'end'");
          item.Properties.push_back(ParseProperty());
        }
        Advance();
        value.Items.push_back(std::move(item));
      }
      Advance();
      --FDepth;
      return value;
    }
    Fail("expected a value");
  }

  TLexer FLexer;
  TToken FToken;
  int FDepth = 0;
  std::size_t FElements = 0;
};

} // namespace

TObjectNode ParseStoredForm(std::string_view Text) {
  if (Text.size() > TStoredFormLimits::MaxTextBytes)
    throw EReadError("stored form larger than " + std::to_string(TStoredFormLimits::MaxTextBytes) + " bytes");
  return TParser(Text).ParseRoot();
}
