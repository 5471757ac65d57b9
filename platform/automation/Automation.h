#pragma once
// Late-bound automation: objects reached and driven by member name at run time, the way a
// desktop program drives a spreadsheet application it was not built against.
//
// A client creates an object from its programmatic identifier ("Excel.Application") through the
// registry, then calls members on it by name. Every call looks the member's identifier up by
// name first and then invokes the object with that identifier and one of four kinds (method,
// property get, either, property put). A property put hands its value over as the single named
// argument of the property-put identifier, so a server can tell a put from a call.
//
// References are shared and counted: an object lives until the last holder lets it go. A server
// that fails a call throws; the client sees EOleException carrying the server's own description
// of the failure.
//
// Values travel as TVariant: empty, automation boolean (true is -1, false is 0), 32-bit integer,
// wide (UTF-16) string, two-dimensional array of wide strings with its bounds, or an object.
// Texts held as bytes elsewhere in the system cross into wide strings with ToWideText and back
// with FromWideText; a path's bytes survive the round trip even when they are not UTF-8.
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "platform/system/Errors.h"
#include "platform/system/LongWork.h"

namespace nulvane {

// A failed automation call or creation, with the description the server gave.
class EOleException : public ENulvaneError {
public:
    using ENulvaneError::ENulvaneError;
};

// The bytes as UTF-16: UTF-8 sequences become their characters; every byte that is not part of a
// valid sequence (always one of 0x80 to 0xFF) becomes the lone low surrogate U+DC00 + the byte,
// so that nothing is lost.
std::u16string ToWideText(std::string_view bytes);
// The inverse: characters as UTF-8, the lone surrogates U+DC80..U+DCFF back to their bytes, any
// other unpaired surrogate as U+FFFD.
std::string FromWideText(std::u16string_view text);

// An automation boolean: true is -1 (all bits set), false is 0.
using TOleBool = std::int16_t;
inline constexpr TOleBool OleTrue = -1;
inline constexpr TOleBool OleFalse = 0;

// A two-dimensional array of wide strings, row index first, each index running from its low to
// its high bound (inclusive). Elements are stored row after row.
class TWideStringArray {
public:
    TWideStringArray() = default;
    // Rows lowRow..highRow, columns lowColumn..highColumn, every element empty. A high bound below
    // its low bound gives no elements in that dimension.
    TWideStringArray(int lowRow, int highRow, int lowColumn, int highColumn);

    int LowRow() const noexcept { return LowRow_; }
    int HighRow() const noexcept { return HighRow_; }
    int LowColumn() const noexcept { return LowColumn_; }
    int HighColumn() const noexcept { return HighColumn_; }
    int RowCount() const noexcept { return HighRow_ - LowRow_ + 1; }
    int ColumnCount() const noexcept { return HighColumn_ - LowColumn_ + 1; }

    // EListError outside the bounds.
    std::u16string& At(int row, int column);
    const std::u16string& At(int row, int column) const;

private:
    std::size_t IndexOf(int row, int column) const;
    int LowRow_ = 0, HighRow_ = -1, LowColumn_ = 0, HighColumn_ = -1;
    std::vector<std::u16string> Items_;
};

class IOleDispatch;
using TDispatchRef = std::shared_ptr<IOleDispatch>;

enum class TVarType : unsigned char { Empty, Bool, Int, WideString, WideStringArray, Dispatch };

class TVariant {
public:
    TVariant() noexcept = default;
    static TVariant Bool(bool value) { return TVariant(TValue(std::in_place_index<1>, value ? OleTrue : OleFalse)); }
    TVariant(std::int32_t value) : Value_(std::in_place_index<2>, value) {}
    TVariant(std::u16string value) : Value_(std::in_place_index<3>, std::move(value)) {}
    TVariant(const char16_t* value) : Value_(std::in_place_index<3>, value) {}
    TVariant(std::shared_ptr<const TWideStringArray> value) : Value_(std::in_place_index<4>, std::move(value)) {}
    TVariant(TWideStringArray value)
        : Value_(std::in_place_index<4>, std::make_shared<const TWideStringArray>(std::move(value))) {}
    TVariant(TDispatchRef value) : Value_(std::in_place_index<5>, std::move(value)) {}

    TVarType Type() const noexcept { return static_cast<TVarType>(Value_.index()); }
    bool IsEmpty() const noexcept { return Type() == TVarType::Empty; }

    // Each accessor throws EOleException ("Type mismatch.") when the value is of another type.
    TOleBool AsOleBool() const;
    bool AsBool() const { return AsOleBool() != OleFalse; }
    std::int32_t AsInt() const;
    const std::u16string& AsWideString() const;
    const TWideStringArray& AsArray() const;
    const TDispatchRef& AsDispatch() const;

private:
    using TValue = std::variant<std::monostate, TOleBool, std::int32_t, std::u16string,
                                std::shared_ptr<const TWideStringArray>, TDispatchRef>;
    explicit TVariant(TValue value) : Value_(std::move(value)) {}
    TValue Value_;
};

// The kinds of invocation.
enum class TInvokeKind : int {
    Method = 1,
    PropertyGet = 2,
    MethodOrGet = 3,
    PropertyPut = 4,
};

using TDispId = std::int32_t;
// The identifier of the named argument that carries a property put's value.
inline constexpr TDispId DispIdPropertyPut = -3;

// The arguments of one invocation, positional ones in call order (the first argument first).
// A property put has exactly one argument, named DispIdPropertyPut.
// A call may name the job it is made for: a server that takes long over it (filling a large
// range, saving) looks at the job's stop request as it goes and fails the call once a stop is
// asked for, the way a client cancels a call in progress. Without one the call runs to its end.
struct TDispParams {
    std::span<const TVariant> Args;
    std::span<const TDispId> NamedArgs;
    const TLongWork* Work = nullptr;
};

// An object that answers automation calls.
class IOleDispatch {
public:
    virtual ~IOleDispatch() = default;
    // The identifier of a member, looked up by name without regard to case; throws when the
    // object has no member of that name.
    virtual TDispId GetIDOfName(std::u16string_view name) = 0;
    // Invokes a member; the result is empty when it has none. Throws on failure, with a message
    // the client passes on as the description.
    virtual TVariant Invoke(TDispId member, TInvokeKind kind, const TDispParams& params) = 0;
};

// Late-bound calls as a client makes them: the member's identifier looked up by name on `object`,
// then the invocation. Any failure, the look-up's included, becomes EOleException with the
// server's description. `work`: the job the call is made for (TDispParams), if any.
TVariant OleInvoke(IOleDispatch& object, std::u16string_view name, TInvokeKind kind,
                   std::initializer_list<TVariant> args = {}, const TLongWork* work = nullptr);
// A property put of `value`.
void OlePut(IOleDispatch& object, std::u16string_view name, TVariant value, const TLongWork* work = nullptr);
// A call or get whose result must be an object (EOleException otherwise).
TDispatchRef OleGetObject(IOleDispatch& object, std::u16string_view name, TInvokeKind kind,
                          std::initializer_list<TVariant> args = {});

// Makes a new object for a programmatic identifier.
using TOleServerFactory = std::function<TDispatchRef()>;

// The registry of programmatic identifiers (matched without regard to case, as the system's
// class registry does). Registering an identifier again replaces its factory; an empty factory
// takes the identifier out.
void RegisterOleServer(std::string_view progId, TOleServerFactory factory);

// Creates the object registered under `progId`. EOleException when nobody registered it
// ("Invalid class string.") or when its factory fails or gives nothing.
TDispatchRef CreateOleObject(std::string_view progId);

// Registers a factory for its own lifetime, then puts back what was registered before (or
// nothing). A null factory keeps the identifier unregistered meanwhile.
class TOleServerScope {
public:
    TOleServerScope(std::string progId, TOleServerFactory factory);
    ~TOleServerScope();
    TOleServerScope(const TOleServerScope&) = delete;
    TOleServerScope& operator=(const TOleServerScope&) = delete;

private:
    std::string ProgId_;
    TOleServerFactory Previous_;
};

}  // namespace nulvane
