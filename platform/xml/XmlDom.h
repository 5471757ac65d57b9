#pragma once
// XML documents in memory: parse a file or a text, walk and change the element tree, save it as
// UTF-8. The engine is libxml2; nothing of it shows through this interface.
//
// A TXmlDocument and every TXmlElement taken from it share the parsed tree: the tree lives as long
// as any of them. Element views are cheap to copy. An element removed from the tree stays valid
// (detached) until the document goes, so a view can never dangle.
//
// Parsing is always done the safe way: nothing is fetched from the network, no external entity or
// DTD is ever loaded, entities are never substituted into the tree, and entity expansion, text
// sizes and nesting depth are bounded. A parse failure is an EXmlError naming the parser's reason,
// the line and column, and the start of the offending source text.
//
// A document and its views are used by one thread at a time: even reads may change it (see
// TXmlOptions::AutoCreate) or its indexes.
//
// Texts going in and out are bytes. Read texts are UTF-8. Texts set into the tree are made valid
// XML: a byte that is not part of a UTF-8 sequence is taken as a Latin-1 character, and a character
// XML cannot carry (a control character other than tab, line feed and carriage return) becomes
// U+FFFD, so that a saved document is always well-formed.
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

struct _xmlNode;  // libxml2's node, kept opaque here

namespace nulvane {

struct TXmlOptions {
    // A child element or an attribute looked up by name that is missing is created, empty, in
    // memory, so that a lookup by name never comes back empty-handed.
    bool AutoCreate = false;
    // An attribute whose value is the empty text reads as null, exactly like a missing one.
    bool EmptyAttributeIsNull = false;
};

namespace detail {
struct TXmlDocumentData;
}

class TXmlDocument;

// A view on one element. Changing the tree through a view does not change the view itself, so
// every member is const, as with a pointer.
class TXmlElement {
public:
    TXmlElement() noexcept = default;  // no element: every use but the tests below throws EXmlError

    explicit operator bool() const noexcept { return Node_ != nullptr; }
    friend bool operator==(const TXmlElement& a, const TXmlElement& b) noexcept { return a.Node_ == b.Node_; }

    // The tag, with its namespace prefix when it has one ("config", "x:config").
    std::string Name() const;
    TXmlDocument Document() const;

    // The attribute's value; null when it is missing (or empty, under EmptyAttributeIsNull). With
    // AutoCreate a missing attribute is added, empty, after the others.
    std::optional<std::string> Attribute(std::string_view name) const;
    // The same, with null read as the empty text.
    std::string AttributeText(std::string_view name) const;
    bool HasAttribute(std::string_view name) const;
    // Changes the value in place, or appends a new attribute after the existing ones.
    void SetAttribute(std::string_view name, std::string_view value) const;
    bool RemoveAttribute(std::string_view name) const;
    // Every attribute, in document order.
    std::vector<std::pair<std::string, std::string>> Attributes() const;

    // The first child element with that name. When there is none: with AutoCreate a new empty one
    // is appended and returned; without it, no element.
    TXmlElement Child(std::string_view name) const;
    // The same, but never creates.
    TXmlElement FindChild(std::string_view name) const;
    // Child elements in order: all of them, or those with one tag.
    std::vector<TXmlElement> Children() const;
    std::vector<TXmlElement> Children(std::string_view tag) const;
    int CountChildren(std::string_view tag) const;
    // The index-th child element with that tag (from 0); EListError when out of range. Walking a
    // collection by position costs constant time per step while the tree does not change.
    TXmlElement ChildAt(std::string_view tag, int index) const;

    TXmlElement AppendChild(std::string_view name) const;
    // Inserts a new element just before `reference`, a child of this element; appends when
    // `reference` is no element.
    TXmlElement InsertChildBefore(std::string_view name, const TXmlElement& reference) const;
    // Detaches a child element (EXmlError when it is not a child of this element).
    void RemoveChild(const TXmlElement& child) const;
    // Removes every child: elements, texts, comments.
    void ClearChildren() const;

private:
    friend class TXmlDocument;
    TXmlElement(std::shared_ptr<detail::TXmlDocumentData> doc, _xmlNode* node) noexcept
        : Doc_(std::move(doc)), Node_(node) {}
    _xmlNode* Checked() const;

    std::shared_ptr<detail::TXmlDocumentData> Doc_;
    _xmlNode* Node_ = nullptr;
};

class TXmlDocument {
public:
    // Parses the file's bytes; the encoding comes from the byte-order mark or the declaration
    // (UTF-8 without either). EOSError when the file cannot be read, EXmlError when it does not
    // parse.
    static TXmlDocument ParseFile(const std::string& fileName, TXmlOptions options = {});
    // Parses a text given as bytes, with its own byte-order mark or declaration.
    static TXmlDocument ParseText(std::string_view text, TXmlOptions options = {});

    // The document element.
    TXmlElement Root() const;
    const TXmlOptions& Options() const noexcept;

    // The document as UTF-8, with a declaration saying so, without added whitespace.
    std::string SaveToText() const;
    // The same bytes handed to `write` a few kilobytes at a time as they are made; an exception
    // thrown by `write` ends the saving and travels on.
    void SaveTo(const std::function<void(std::string_view)>& write) const;
    // Writes the same bytes to a file, replacing one that is there. When writing fails the partial
    // file is removed and EOSError or EXmlError is thrown.
    void SaveToFile(const std::string& fileName) const;

private:
    friend class TXmlElement;
    explicit TXmlDocument(std::shared_ptr<detail::TXmlDocumentData> data) noexcept : Data_(std::move(data)) {}
    std::shared_ptr<detail::TXmlDocumentData> Data_;
};

// `bytes` as valid XML character data (see above); unchanged when it already is.
std::string ToXmlText(std::string_view bytes);

// `bytes` as valid UTF-8: every byte that does not belong to a well-formed UTF-8 sequence becomes
// U+FFFD, where ToXmlText would read it as a Latin-1 character. For texts of unknown encoding
// (file names) that must not pass for other characters than they hold; valid text is unchanged.
std::string Utf8WithReplacement(std::string_view bytes);

}  // namespace nulvane
