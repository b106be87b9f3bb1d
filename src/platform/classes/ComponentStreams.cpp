#include "platform/classes/ComponentStreams.h"

#include "platform/classes/FormStreaming.h"
#include "platform/classes/PropertyRegistry.h"
#include "platform/rtl/Exceptions.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>

namespace {

// Objects inside objects beyond this depth are not written (a property cycle would never end).
constexpr int MaxWriteDepth = 32;

std::string FloatText(double value)
{
    if (!std::isfinite(value)) {
        return "0";
    }
    char buffer[64];
    auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value);
    return error == std::errc() ? std::string(buffer, end) : std::string("0");
}

std::string HexText(const std::string& bytes)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string text;
    for (char c : bytes) {
        auto b = static_cast<unsigned char>(c);
        text += digits[b >> 4];
        text += digits[b & 15];
    }
    return text;
}

class Writer {
public:
    std::string Text() const { return out_.str(); }

    void WriteCollection(const TCollection& collection, int indent, int depth)
    {
        out_ << '<';
        for (int i = 0; i < collection.Count(); ++i) {
            out_ << '\n' << Pad(indent + 2) << "item\n";
            WriteProperties(*collection.Items(i), "", indent + 4, depth + 1);
            out_ << Pad(indent + 2) << "end";
        }
        out_ << '>';
    }

private:
    static std::string Pad(int indent) { return std::string(static_cast<size_t>(indent), ' '); }

    void Line(int indent, const std::string& name, const std::string& value)
    {
        out_ << Pad(indent) << name << " = " << value << '\n';
    }

    void WriteProperties(TObject& object, const std::string& prefix, int indent, int depth)
    {
        if (depth > MaxWriteDepth) {
            return;
        }
        const TClassInfo* info = GetClassInfo(object);
        if (info == nullptr) {
            return;
        }
        for (const TPropertyInfo* p : info->Properties()) {
            WriteProperty(object, *p, prefix + p->name, indent, depth);
        }
    }

    void WriteProperty(TObject& object, const TPropertyInfo& p, const std::string& name, int indent, int depth)
    {
        switch (p.kind) {
        case TPropertyKind::Integer: {
            int64_t value = p.getInteger(object);
            if (value != p.defaultInteger) {
                Line(indent, name, std::to_string(value));
            }
            return;
        }
        case TPropertyKind::Enumeration: {
            int64_t value = p.getInteger(object);
            if (value != p.defaultInteger) {
                Line(indent, name, p.Enum().NameOf(value));
            }
            return;
        }
        case TPropertyKind::Float: {
            double value = p.getFloat(object);
            if (value != p.defaultFloat) {
                Line(indent, name, FloatText(value));
            }
            return;
        }
        case TPropertyKind::String: {
            std::string value = p.getString(object);
            if (value != p.defaultString) {
                Line(indent, name, QuoteFormString(value));
            }
            return;
        }
        case TPropertyKind::Set: {
            auto bits = static_cast<uint64_t>(p.getInteger(object));
            if (bits != static_cast<uint64_t>(p.defaultInteger)) {
                const TEnumInfo& names = p.Enum();
                std::string text = "[";
                for (size_t i = 0; i < names.names.size() && i < 64; ++i) {
                    if ((bits >> i) & 1u) {
                        text += (text.size() > 1 ? ", " : "") + names.names[i];
                    }
                }
                Line(indent, name, text + "]");
            }
            return;
        }
        case TPropertyKind::Strings: {
            auto* strings = dynamic_cast<TStrings*>(p.getObject(object));
            if (strings != nullptr && strings->Count() > 0) {
                out_ << Pad(indent) << name << ".Strings = (";
                for (int i = 0; i < strings->Count(); ++i) {
                    out_ << '\n' << Pad(indent + 2) << QuoteFormString(strings->Strings(i));
                }
                out_ << ")\n";
            }
            return;
        }
        case TPropertyKind::Object:
            if (TObject* inner = p.getObject(object)) {
                WriteProperties(*inner, name + ".", indent, depth + 1);
            }
            return;
        case TPropertyKind::Collection: {
            auto* inner = dynamic_cast<TCollection*>(p.getObject(object));
            if (inner != nullptr && inner->Count() > 0) {
                out_ << Pad(indent) << name << " = ";
                WriteCollection(*inner, indent, depth + 1);
                out_ << '\n';
            }
            return;
        }
        case TPropertyKind::Component: {
            auto* component = dynamic_cast<TComponent*>(p.getObject(object));
            if (component != nullptr && !component->Name().empty()) {
                Line(indent, name, component->Name());
            }
            return;
        }
        case TPropertyKind::Binary:
            if (std::optional<std::string> bytes = p.writeBinary(object)) {
                Line(indent, name, "{" + HexText(*bytes) + "}");
            }
            return;
        case TPropertyKind::Event:
            return;
        }
    }

    std::ostringstream out_;
};

}  // namespace

std::string WriteCollectionText(const TCollection& collection)
{
    Writer writer;
    writer.WriteCollection(collection, 0, 0);
    return writer.Text() + "\n";
}

int ReadCollectionText(TCollection& collection, std::string_view text, std::string_view sourceName)
{
    TFormValue value = ParseCollectionText(text, sourceName);
    TFormApplier applier(sourceName, nullptr, nullptr);
    return applier.ReadItems(collection, value, true);
}

void SaveCollectionToFile(const TCollection& collection, const std::string& fileName)
{
    std::string text = WriteCollectionText(collection);
    std::string temporary = fileName + ".tmp";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        if (!out) {
            throw EFCreateError("Cannot create file \"" + fileName + "\"");
        }
        out.write(text.data(), static_cast<std::streamsize>(text.size()));
        out.close();
        if (!out) {
            std::remove(temporary.c_str());
            throw EFCreateError("Cannot create file \"" + fileName + "\"");
        }
    }
    if (std::rename(temporary.c_str(), fileName.c_str()) != 0) {
        std::remove(temporary.c_str());
        throw EFCreateError("Cannot create file \"" + fileName + "\"");
    }
}

int LoadCollectionFromFile(TCollection& collection, const std::string& fileName)
{
    std::ifstream in(fileName, std::ios::binary);
    if (!in) {
        throw EFOpenError("Cannot open file \"" + fileName + "\"");
    }
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) {
        throw EFOpenError("Cannot open file \"" + fileName + "\"");
    }
    std::string_view name = fileName;
    size_t slash = name.find_last_of('/');
    if (slash != std::string_view::npos) {
        name.remove_prefix(slash + 1);
    }
    return ReadCollectionText(collection, text, name);
}
