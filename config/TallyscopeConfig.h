#pragma once
// The schema of TallyscopeConfig.xml as typed bindings, one class per element, and its loader.
//
//   config (versionNo)
//     frame (left, top, height, width, max)
//       plLeft (width, col1, col2, col3)
//       plHint (height, col1, col2)
//     nodes: a sequence of node (Name, DefaultExport, ReadOnly, Align, Width, Visible, Index)
//     agerange, sizerange: each a sequence of item (label, value)
//
// Texts read exactly as written ("" when missing); integers and booleans throw EConvertError when
// missing, empty or not convertible. A child element that is missing reads as present and empty,
// and reading never changes the document. Bindings are copyable views that keep the document
// alive. The column definitions, which the list reads all the time and from any thread, are taken
// out of the document once, as plain values (TColumnDefinition).
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "config/XmlBinding.h"

namespace nulvane {

class TXMLPlLeftType : public TXMLElementBinding {
public:
    using TXMLElementBinding::TXMLElementBinding;
    std::int32_t Width() const { return ReadInteger("width"); }
    std::int32_t Col1() const { return ReadInteger("col1"); }
    std::int32_t Col2() const { return ReadInteger("col2"); }
    std::int32_t Col3() const { return ReadInteger("col3"); }
};

class TXMLPlHintType : public TXMLElementBinding {
public:
    using TXMLElementBinding::TXMLElementBinding;
    std::int32_t Height() const { return ReadInteger("height"); }
    std::int32_t Col1() const { return ReadInteger("col1"); }
    std::int32_t Col2() const { return ReadInteger("col2"); }
};

// The main window's last layout; carried in the file, read by nothing.
class TXMLFrameType : public TXMLElementBinding {
public:
    using TXMLElementBinding::TXMLElementBinding;
    std::string Left() const { return ReadText("left"); }
    std::string Top() const { return ReadText("top"); }
    std::int32_t Height() const { return ReadInteger("height"); }
    std::int32_t Width() const { return ReadInteger("width"); }
    bool Max() const { return ReadBoolean("max"); }
    TXMLPlLeftType PlLeft() const { return ChildBinding<TXMLPlLeftType>("plLeft"); }
    TXMLPlHintType PlHint() const { return ChildBinding<TXMLPlHintType>("plHint"); }
};

// One column definition.
class TXMLNodeType : public TXMLElementBinding {
public:
    using TXMLElementBinding::TXMLElementBinding;
    using TXMLElementBinding::ReadAttribute;
    // The attribute's text as written; null when it is missing or empty.
    std::optional<std::string> Attribute(std::string_view name) const { return ReadAttribute(name); }
    std::string Name() const { return ReadText("Name"); }
    bool DefaultExport() const { return ReadBoolean("DefaultExport"); }
    bool ReadOnly() const { return ReadBoolean("ReadOnly"); }
    std::string Align() const { return ReadText("Align"); }
    std::int32_t Width() const { return ReadInteger("Width"); }
    bool Visible() const { return ReadBoolean("Visible"); }
    std::int32_t Index() const { return ReadInteger("Index"); }
};

// The column definitions: the "node" children of "nodes", in document order.
class TXMLNodesType : public TXMLCollectionBinding<TXMLNodeType> {
public:
    TXMLNodesType() = default;
    explicit TXMLNodesType(TXmlElement element) : TXMLCollectionBinding(std::move(element), "node") {}
};

class TXMLItemType : public TXMLElementBinding {
public:
    using TXMLElementBinding::TXMLElementBinding;
    std::string Label() const { return ReadText("label"); }
    std::int32_t Value() const { return ReadInteger("value"); }
};

class TXMLAgerangeType : public TXMLCollectionBinding<TXMLItemType> {
public:
    TXMLAgerangeType() = default;
    explicit TXMLAgerangeType(TXmlElement element) : TXMLCollectionBinding(std::move(element), "item") {}
};

class TXMLSizerangeType : public TXMLCollectionBinding<TXMLItemType> {
public:
    TXMLSizerangeType() = default;
    explicit TXMLSizerangeType(TXmlElement element) : TXMLCollectionBinding(std::move(element), "item") {}
};

// The root of the configuration, "config".
class IXMLConfigType {
public:
    virtual ~IXMLConfigType() = default;
    virtual std::int32_t VersionNo() const = 0;
    virtual TXMLFrameType Frame() const = 0;
    virtual TXMLNodesType Nodes() const = 0;
    virtual TXMLAgerangeType Agerange() const = 0;
    virtual TXMLSizerangeType Sizerange() const = 0;
};

using IXMLConfigTypePtr = std::shared_ptr<IXMLConfigType>;

class TXMLConfigType : public IXMLConfigType, public TXMLElementBinding {
public:
    // EIntfCastError when the element is not a "config" element.
    explicit TXMLConfigType(TXmlElement element);

    std::int32_t VersionNo() const override { return ReadInteger("versionNo"); }
    TXMLFrameType Frame() const override { return ChildBinding<TXMLFrameType>("frame"); }
    TXMLNodesType Nodes() const override { return ChildBinding<TXMLNodesType>("nodes"); }
    TXMLAgerangeType Agerange() const override { return ChildBinding<TXMLAgerangeType>("agerange"); }
    TXMLSizerangeType Sizerange() const override { return ChildBinding<TXMLSizerangeType>("sizerange"); }
};

// One column definition, a plain value taken from a "node" element: its texts as written, and the
// texts of its other attributes (null: missing or empty), converted as TXMLNodeType converts them
// each time they are read, so that a value that does not convert fails where it is used, with the
// same EConvertError.
struct TColumnDefinition {
    std::string Name;
    std::string Align;
    std::optional<std::string> DefaultExportText, ReadOnlyText, WidthText, VisibleText, IndexText;

    bool DefaultExport() const { return AttributeToBoolean(DefaultExportText, "DefaultExport"); }
    bool ReadOnly() const { return AttributeToBoolean(ReadOnlyText, "ReadOnly"); }
    std::int32_t Width() const { return AttributeToInteger(WidthText, "Width"); }
    bool Visible() const { return AttributeToBoolean(VisibleText, "Visible"); }
    std::int32_t Index() const { return AttributeToInteger(IndexText, "Index"); }
};

// The column definitions of a configuration, in document order (TXMLNodesType).
std::vector<TColumnDefinition> ReadColumnDefinitions(const IXMLConfigType& root);

// The document options of a configuration: an empty attribute value reads as null.
TXmlOptions ConfigDocumentOptions();

// Parses a configuration file (the parser honours its encoding) and binds its root. EOSError when
// it cannot be read, EXmlError when it does not parse, EIntfCastError when the root is not "config".
IXMLConfigTypePtr LoadConfigFile(const std::string& fileName);
// The same for a configuration held in memory.
IXMLConfigTypePtr LoadConfigText(std::string_view text);

}  // namespace nulvane
