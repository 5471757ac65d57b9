#include "platform/automation/Automation.h"

#include <algorithm>
#include <map>
#include <new>
#include <mutex>

#include "platform/text/Utf8.h"

namespace nulvane {

namespace {

[[noreturn]] void TypeMismatch() { throw EOleException("Type mismatch."); }

std::string FoldCase(std::string_view text) {
    std::string folded(text);
    std::transform(folded.begin(), folded.end(), folded.begin(),
                   [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; });
    return folded;
}

struct TRegistry {
    std::mutex Lock;
    std::map<std::string, TOleServerFactory> Factories;  // by case-folded identifier
};

TRegistry& Registry() {
    static TRegistry registry;
    return registry;
}

TOleServerFactory FindOleServer(std::string_view progId) {
    TRegistry& registry = Registry();
    std::lock_guard lock(registry.Lock);
    const auto it = registry.Factories.find(FoldCase(progId));
    return it == registry.Factories.end() ? TOleServerFactory() : it->second;
}

TVariant Invoke(IOleDispatch& object, std::u16string_view name, TInvokeKind kind, std::span<const TVariant> args,
                std::span<const TDispId> named, const TLongWork* work) {
    try {
        const TDispId id = object.GetIDOfName(name);
        return object.Invoke(id, kind, TDispParams{args, named, work});
    } catch (const EOleException&) {
        throw;
    } catch (const std::bad_alloc&) {
        throw;  // a shortage of memory stays one, for the caller to say so in plain words
    } catch (const std::exception& e) {
        throw EOleException(e.what());
    }
}

}  // namespace

std::u16string ToWideText(std::string_view bytes) {
    std::u16string out;
    out.reserve(bytes.size());
    for (std::size_t i = 0; i < bytes.size();) {
        char32_t c;
        const std::size_t len = DecodeUtf8(bytes, i, c);
        if (len == 0) {
            out += static_cast<char16_t>(0xDC00 | static_cast<unsigned char>(bytes[i]));
            ++i;
            continue;
        }
        if (c >= 0x10000) {
            c -= 0x10000;
            out += static_cast<char16_t>(0xD800 + (c >> 10));
            out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
        } else {
            out += static_cast<char16_t>(c);
        }
        i += len;
    }
    return out;
}

std::string FromWideText(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t u = text[i];
        if (u >= 0xD800 && u <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            AppendUtf8(out, 0x10000 + ((char32_t(u) - 0xD800) << 10) + (char32_t(text[i + 1]) - 0xDC00));
            ++i;
        } else if (u >= 0xDC80 && u <= 0xDCFF) {
            out += static_cast<char>(u & 0xFF);
        } else if (u >= 0xD800 && u <= 0xDFFF) {
            AppendUtf8(out, 0xFFFD);
        } else {
            AppendUtf8(out, u);
        }
    }
    return out;
}

TWideStringArray::TWideStringArray(int lowRow, int highRow, int lowColumn, int highColumn)
    : LowRow_(lowRow), HighRow_(std::max(highRow, lowRow - 1)), LowColumn_(lowColumn),
      HighColumn_(std::max(highColumn, lowColumn - 1)),
      Items_(static_cast<std::size_t>(RowCount()) * static_cast<std::size_t>(ColumnCount())) {}

std::size_t TWideStringArray::IndexOf(int row, int column) const {
    if (row < LowRow_ || row > HighRow_ || column < LowColumn_ || column > HighColumn_)
        throw EListError("Array index out of bounds.");
    return static_cast<std::size_t>(row - LowRow_) * static_cast<std::size_t>(ColumnCount()) +
           static_cast<std::size_t>(column - LowColumn_);
}

std::u16string& TWideStringArray::At(int row, int column) { return Items_[IndexOf(row, column)]; }
const std::u16string& TWideStringArray::At(int row, int column) const { return Items_[IndexOf(row, column)]; }

TOleBool TVariant::AsOleBool() const {
    if (const auto* v = std::get_if<TOleBool>(&Value_)) return *v;
    TypeMismatch();
}

std::int32_t TVariant::AsInt() const {
    if (const auto* v = std::get_if<std::int32_t>(&Value_)) return *v;
    TypeMismatch();
}

const std::u16string& TVariant::AsWideString() const {
    if (const auto* v = std::get_if<std::u16string>(&Value_)) return *v;
    TypeMismatch();
}

const TWideStringArray& TVariant::AsArray() const {
    if (const auto* v = std::get_if<std::shared_ptr<const TWideStringArray>>(&Value_); v && *v) return **v;
    TypeMismatch();
}

const TDispatchRef& TVariant::AsDispatch() const {
    if (const auto* v = std::get_if<TDispatchRef>(&Value_); v && *v) return *v;
    TypeMismatch();
}

TVariant OleInvoke(IOleDispatch& object, std::u16string_view name, TInvokeKind kind,
                   std::initializer_list<TVariant> args, const TLongWork* work) {
    return Invoke(object, name, kind, std::span<const TVariant>(args.begin(), args.size()), {}, work);
}

void OlePut(IOleDispatch& object, std::u16string_view name, TVariant value, const TLongWork* work) {
    static constexpr TDispId named[] = {DispIdPropertyPut};
    Invoke(object, name, TInvokeKind::PropertyPut, std::span<const TVariant>(&value, 1), named, work);
}

TDispatchRef OleGetObject(IOleDispatch& object, std::u16string_view name, TInvokeKind kind,
                          std::initializer_list<TVariant> args) {
    TVariant result = OleInvoke(object, name, kind, args);
    if (result.Type() != TVarType::Dispatch) throw EOleException("Object required.");
    return result.AsDispatch();
}

void RegisterOleServer(std::string_view progId, TOleServerFactory factory) {
    TRegistry& registry = Registry();
    std::lock_guard lock(registry.Lock);
    if (factory)
        registry.Factories[FoldCase(progId)] = std::move(factory);
    else
        registry.Factories.erase(FoldCase(progId));
}

TDispatchRef CreateOleObject(std::string_view progId) {
    const TOleServerFactory factory = FindOleServer(progId);
    if (!factory) throw EOleException("Invalid class string.");
    TDispatchRef object;
    try {
        object = factory();
    } catch (const EOleException&) {
        throw;
    } catch (const std::bad_alloc&) {
        throw;
    } catch (const std::exception& e) {
        throw EOleException(e.what());
    }
    if (!object) throw EOleException("Server execution failed.");
    return object;
}

TOleServerScope::TOleServerScope(std::string progId, TOleServerFactory factory)
    : ProgId_(std::move(progId)), Previous_(FindOleServer(ProgId_)) {
    RegisterOleServer(ProgId_, std::move(factory));
}

TOleServerScope::~TOleServerScope() { RegisterOleServer(ProgId_, std::move(Previous_)); }

}  // namespace nulvane
