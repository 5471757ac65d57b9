#pragma once
// Typed views on the elements of a parsed configuration document, and the conversions of their
// attribute texts. A binding holds no value of its own: every read goes to the document, so an
// attribute is converted (and can fail) at the moment it is read. Reading changes nothing: a
// binding of an element the document does not have (a missing child) reads as present and empty.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/system/Errors.h"
#include "platform/xml/XmlDom.h"

namespace nulvane {

// Conversions of an attribute value (null: missing or empty). `name` only serves the message of
// the EConvertError thrown when the value does not convert; there is no default value.
//   integer: optional blanks, an optional sign, decimal digits, optional blanks; must fit in 32 bits.
//   boolean: "true" or "false" in any letter case, or a decimal number (non-zero is true).
std::int32_t AttributeToInteger(const std::optional<std::string>& value, std::string_view name);
bool AttributeToBoolean(const std::optional<std::string>& value, std::string_view name);

// A view on one element.
class TXMLElementBinding {
public:
    TXMLElementBinding() = default;
    explicit TXMLElementBinding(TXmlElement element) : Element_(std::move(element)) {}
    const TXmlElement& Element() const noexcept { return Element_; }

protected:
    // The attribute's value; null when it is missing or empty, or the element is.
    std::optional<std::string> ReadAttribute(std::string_view name) const {
        return Element_ ? Element_.Attribute(name) : std::nullopt;
    }
    std::string ReadText(std::string_view name) const { return ReadAttribute(name).value_or(std::string()); }
    std::int32_t ReadInteger(std::string_view name) const { return AttributeToInteger(ReadAttribute(name), name); }
    bool ReadBoolean(std::string_view name) const { return AttributeToBoolean(ReadAttribute(name), name); }
    // The binding of a child element looked up by name; of no element when there is none.
    template <class TBinding>
    TBinding ChildBinding(std::string_view name) const {
        return TBinding(Element_ ? Element_.FindChild(name) : TXmlElement());
    }

private:
    TXmlElement Element_;
};

// A view on an element whose items are its children with one tag; other children do not count.
template <class TItem>
class TXMLCollectionBinding : public TXMLElementBinding {
public:
    TXMLCollectionBinding() = default;
    TXMLCollectionBinding(TXmlElement element, std::string_view itemTag)
        : TXMLElementBinding(std::move(element)), ItemTag_(itemTag) {}

    int Count() const { return Element() ? Element().CountChildren(ItemTag_) : 0; }
    // EListError when index is not in 0..Count()-1.
    TItem Item(int index) const {
        if (!Element()) throw EListError("list index out of bounds (" + std::to_string(index) + ")");
        return TItem(Element().ChildAt(ItemTag_, index));
    }
    TItem Add() const { return TItem(Element().AppendChild(ItemTag_)); }
    // A new item at that position; index Count() appends. EListError outside 0..Count().
    TItem Insert(int index) const {
        if (index == Count()) return Add();
        return TItem(Element().InsertChildBefore(ItemTag_, Element().ChildAt(ItemTag_, index)));
    }

private:
    std::string_view ItemTag_;  // always a literal
};

}  // namespace nulvane
