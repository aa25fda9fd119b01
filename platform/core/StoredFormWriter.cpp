#include "platform/core/Collection.h"
#include "platform/core/StoredForm.h"
#include "platform/core/StoredFormParser.h"

#include <charconv>
#include <cmath>
#include <set>

namespace {

constexpr int BinaryBytesPerLine = 32;

// Printable text goes inside quotes as UTF-8; control characters, and bytes that are not UTF-8,
// as #codes.
std::string StringLiteral(std::string_view s) {
  std::string out;
  bool quoted = false;
  const auto open = [&] {
    if (!quoted)
      out += '\'';
    quoted = true;
  };
  const auto close = [&] {
    if (quoted)
      out += '\'';
    quoted = false;
  };
  for (std::size_t i = 0; i < s.size();) {
    const auto c = static_cast<unsigned char>(s[i]);
    if (c < 0x20 || c == 0x7F) {
      close();
      out += '#' + std::to_string(c);
      ++i;
      continue;
    }
    const std::size_t length = Utf8SequenceLength(s.substr(i));
    if (length == 0) {
      close();
      out += '#' + std::to_string(c);
      ++i;
      continue;
    }
    open();
    if (c == '\'')
      out += "''";
    else
      out.append(s.substr(i, length));
    i += length;
  }
  close();
  return out.empty() ? "''" : out;
}

std::string FloatLiteral(double v, const TPropInfo& Prop) {
  if (!std::isfinite(v))
    throw EWriteError("property '" + Prop.Name + "' holds a value that cannot be stored");
  char buffer[64];
  const auto r = std::to_chars(buffer, buffer + sizeof buffer, v);
  return std::string(buffer, r.ptr);
}

class TStoredFormWriter {
public:
  explicit TStoredFormWriter(const TComponent& Root) : FRoot(Root) {}

  std::string Write() {
    WriteObject(FRoot, 0);
    return std::move(FOut);
  }

private:
  void Line(int Indent, std::string_view Text) {
    FOut.append(static_cast<std::size_t>(Indent), ' ');
    FOut += Text;
    FOut += '\n';
  }

  void Enter() {
    if (++FDepth > TStoredFormLimits::MaxDepth)
      throw EWriteError("components and collections nested deeper than a stored form allows");
  }

  void WriteObject(const TComponent& c, int Indent) {
    if (!FWritten.insert(&c).second)
      throw EWriteError("component '" + c.Name() + "' is listed twice among the children");
    Enter();
    Line(Indent, "object " + (c.Name().empty() ? std::string() : c.Name() + ": ") + std::string(c.ClassName()));
    WriteProperties(c, "", Indent + 2, 0);
    c.GetChildren([&](TComponent* child) { WriteObject(*child, Indent + 2); }, &FRoot);
    Line(Indent, "end");
    --FDepth;
  }

  void WriteProperties(const TObject& Instance, const std::string& Prefix, int Indent, int Depth) {
    if (Depth >= TStoredFormLimits::MaxPathSegments)
      throw EWriteError("sub-objects nested deeper than a stored form allows at " + Prefix);
    for (const TPropInfo* p : Instance.ClassInfo().Properties()) {
      if (!IsStoredProp(Instance, *p))
        continue;
      const std::string name = Prefix + p->Name;
      switch (p->Kind) {
      case TPropKind::Object:
        WriteProperties(*p->GetObj(Instance), name + ".", Indent, Depth + 1);
        break;
      case TPropKind::Collection:
        WriteCollection(*p->GetObj(Instance), name, Indent);
        break;
      case TPropKind::Binary:
        WriteBinary(p->GetBinary(Instance), name, Indent);
        break;
      case TPropKind::Event:
        if (const auto binding = p->GetEventBinding(Instance); binding && binding->Instance == &FRoot)
          Line(Indent, name + " = " + binding->MethodName);
        break;
      case TPropKind::Component:
        if (const auto* ref = dynamic_cast<const TComponent*>(p->GetObj(Instance)); ref && IsNameable(*ref))
          Line(Indent, name + " = " + ref->Name());
        break;
      default:
        Line(Indent, name + " = " + ValueText(Instance, *p));
        break;
      }
    }
  }

  // Only components of this form can be found again by name when it is read.
  bool IsNameable(const TComponent& c) const {
    return !c.Name().empty() && (&c == &FRoot || c.Owner() == &FRoot);
  }

  std::string ValueText(const TObject& Instance, const TPropInfo& p) const {
    switch (p.Kind) {
    case TPropKind::String:
      return StringLiteral(p.GetStr(Instance));
    case TPropKind::Float:
      return FloatLiteral(p.GetFloat(Instance), p);
    case TPropKind::Boolean:
    case TPropKind::Enumeration:
      return p.Enum->Name(p.GetOrd(Instance));
    case TPropKind::Set: {
      const auto bits = static_cast<std::uint64_t>(p.GetOrd(Instance));
      std::string text = "[";
      for (int i = 0; i < 64; ++i)
        if (bits & (std::uint64_t{1} << i)) {
          if (text.size() > 1)
            text += ", ";
          text += p.Enum->Name(i);
        }
      return text + "]";
    }
    default: {
      const std::int64_t v = p.GetOrd(Instance);
      if (!p.IdentKind.empty())
        if (auto ident = IntToIdent(p.IdentKind, v))
          return *ident;
      return std::to_string(v);
    }
    }
  }

  void WriteCollection(const TObject& Object, const std::string& Name, int Indent) {
    const auto* collection = dynamic_cast<const TCollection*>(&Object);
    if (collection == nullptr)
      throw EWriteError("property '" + Name + "' does not hold a collection");
    if (collection->Count() == 0) {
      Line(Indent, Name + " = <>");
      return;
    }
    Enter();
    Line(Indent, Name + " = <");
    for (int i = 0; i < collection->Count(); ++i) {
      Line(Indent + 2, "item");
      WriteProperties(*collection->Items(i), "", Indent + 4, 0);
      Line(Indent + 2, i + 1 == collection->Count() ? "end>" : "end");
    }
    --FDepth;
  }

  void WriteBinary(const std::vector<std::uint8_t>& Bytes, const std::string& Name, int Indent) {
    static const char Hex[] = "0123456789ABCDEF";
    if (Bytes.empty()) {
      Line(Indent, Name + " = {}");
      return;
    }
    Line(Indent, Name + " = {");
    for (std::size_t i = 0; i < Bytes.size(); i += BinaryBytesPerLine) {
      std::string text;
      const std::size_t end = std::min(Bytes.size(), i + BinaryBytesPerLine);
      for (std::size_t j = i; j < end; ++j) {
        text += Hex[Bytes[j] >> 4];
        text += Hex[Bytes[j] & 15];
      }
      if (end == Bytes.size())
        text += '}';
      Line(Indent + 2, text);
    }
  }

  const TComponent& FRoot;
  std::string FOut;
  int FDepth = 0;
  std::set<const TComponent*> FWritten;
};

} // namespace

std::string WriteStoredForm(const TComponent& Root) { return TStoredFormWriter(Root).Write(); }
